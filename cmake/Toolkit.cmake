# Helpers shared by every subsystem folder.

set(KIV_INCLUDE ${CMAKE_SOURCE_DIR}/include)
set(KIV_BASE_SOURCES
  ${CMAKE_SOURCE_DIR}/storage/base/IdCatalogue.cpp
  ${CMAKE_SOURCE_DIR}/storage/base/ObjectBase.cpp)

# kiv_toolkit_library(<name> SOURCES ... [BASE] [CARRIER_BUFFER] [STREAM_PAIR])
# Builds <name>.so (no "lib" prefix) linked against zk5main only.
#  - an OBJECT library <name>_objs holds the sources, so tests and fuzz
#    targets can link the very same code;
#  - BASE builds in the common toolkit object base and id catalogue;
#  - CARRIER_BUFFER / STREAM_PAIR build in the shared buffered streams.
function(kiv_toolkit_library name)
  cmake_parse_arguments(A "BASE;CARRIER_BUFFER;STREAM_PAIR" "" "SOURCES" ${ARGN})
  set(srcs ${A_SOURCES})
  if(A_BASE)
    list(APPEND srcs ${KIV_BASE_SOURCES})
  endif()
  if(A_CARRIER_BUFFER)
    list(APPEND srcs ${KIV_CARRIER_BUFFER_SOURCES})
  endif()
  if(A_STREAM_PAIR)
    list(APPEND srcs ${KIV_STREAM_PAIR_SOURCES})
  endif()
  add_library(${name}_objs OBJECT ${srcs})
  target_include_directories(${name}_objs PUBLIC ${KIV_INCLUDE} ${CMAKE_SOURCE_DIR})
  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_objs>)
  set_target_properties(${name} PROPERTIES PREFIX "")
  target_include_directories(${name} PUBLIC ${KIV_INCLUDE} ${CMAKE_SOURCE_DIR})
  if(NOT name STREQUAL "zk5main")
    target_link_libraries(${name}_objs PUBLIC zk5main)
    target_link_libraries(${name} PUBLIC zk5main)
  endif()
  target_link_libraries(${name} PRIVATE Threads::Threads ${CMAKE_DL_LIBS})
endfunction()

# kiv_test(<name> SOURCES ... [LIBS ...] [NEEDS lib ...] [PROPERTIES prop value ...])
# A GoogleTest executable registered with CTest. NEEDS names toolkit
# libraries the test loads by name at run time (built first).
function(kiv_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;NEEDS;PROPERTIES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${KIV_INCLUDE} ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE kiv_testsupport GTest::gtest GTest::gtest_main ${A_LIBS})
  if(A_NEEDS)
    add_dependencies(${name} ${A_NEEDS})
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${KIV_OUT} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS ${name} ${A_PROPERTIES})
endfunction()

find_package(Threads REQUIRED)
include(GoogleTest)
