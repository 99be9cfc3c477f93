# The desktop's readers of outside data: rich text shown by the text viewer,
# and the records other processes write to the message socket.
find_package(Qt6 REQUIRED COMPONENTS Gui)
kiv_fuzz(desktop_rtf SOURCES ${CMAKE_SOURCE_DIR}/fuzz/desktop_rtf.cpp
         ${CMAKE_SOURCE_DIR}/desktop/RtfReader.cpp)
target_link_libraries(fuzz_desktop_rtf PRIVATE Qt6::Gui)
target_include_directories(fuzz_desktop_rtf PRIVATE ${KIV_DESKTOP_INCLUDE})
kiv_fuzz(message_socket SOURCES ${CMAKE_SOURCE_DIR}/fuzz/message_socket.cpp
         ${CMAKE_SOURCE_DIR}/desktop/WindowMessages.cpp)
target_include_directories(fuzz_message_socket PRIVATE ${KIV_DESKTOP_INCLUDE})
target_link_libraries(fuzz_message_socket PRIVATE kiv_base_system)
