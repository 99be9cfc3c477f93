# The desktop's reader of outside data: rich text shown by the text viewer.
find_package(Qt6 COMPONENTS Gui QUIET)
if(Qt6_FOUND)
  kiv_fuzz(desktop_rtf SOURCES ${CMAKE_SOURCE_DIR}/fuzz/desktop_rtf.cpp
           ${CMAKE_SOURCE_DIR}/desktop/RtfReader.cpp)
  target_link_libraries(fuzz_desktop_rtf PRIVATE Qt6::Gui)
endif()
