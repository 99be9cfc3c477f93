# The shipped configuration kiv_config.txt and English texts kiv_en.txt
# beside the programs, so a program started in the output folder runs. Each
# is the engine's part (engine/data) followed by the desktop program's
# (desktop/data).
set(kiv_config_parts ${CMAKE_SOURCE_DIR}/engine/data/kiv_config.txt
                     ${CMAKE_SOURCE_DIR}/desktop/data/kiv_config_desktop.txt)
set(kiv_en_parts ${CMAKE_SOURCE_DIR}/engine/data/kiv_en.txt
                 ${CMAKE_SOURCE_DIR}/desktop/data/kiv_en_desktop.txt)
string(REPLACE ";" "|" kiv_config_joined "${kiv_config_parts}")
string(REPLACE ";" "|" kiv_en_joined "${kiv_en_parts}")
set(kiv_default_outputs ${KIV_OUT}/kiv_config.txt ${KIV_OUT}/kiv_en.txt)
add_custom_command(OUTPUT ${kiv_default_outputs}
                   COMMAND ${CMAKE_COMMAND} -DOUT=${KIV_OUT}/kiv_config.txt
                           "-DIN=${kiv_config_joined}" -P ${CMAKE_SOURCE_DIR}/cmake/ConcatFiles.cmake
                   COMMAND ${CMAKE_COMMAND} -DOUT=${KIV_OUT}/kiv_en.txt
                           "-DIN=${kiv_en_joined}" -P ${CMAKE_SOURCE_DIR}/cmake/ConcatFiles.cmake
                   DEPENDS ${kiv_config_parts} ${kiv_en_parts}
                   COMMENT "Default configuration and English texts" VERBATIM)
add_custom_target(kiv_default_files ALL DEPENDS ${kiv_default_outputs})
