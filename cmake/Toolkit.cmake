# Helpers shared by every subsystem folder.

set(KIV_INCLUDE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/base)
set(KIV_BASE_SOURCES
  ${CMAKE_SOURCE_DIR}/base/IdCatalogue.cpp
  ${CMAKE_SOURCE_DIR}/base/ObjectBase.cpp)
# The per-user registry file, built into the engine and the file-manager
# extension.
set(KIV_USER_REGISTRY_SOURCES ${CMAKE_SOURCE_DIR}/base/UserRegistry.cpp)

# kiv_toolkit_library(<name> SOURCES ... [BASE] [CARRIER_BUFFER] [STREAM_PAIR] [USER_REGISTRY])
# Builds <name>.so (no "lib" prefix) linked against zk5main only.
#  - an OBJECT library <name>_objs holds the sources, so tests and fuzz
#    targets can link the very same code;
#  - BASE builds in the common toolkit object base and id catalogue;
#  - CARRIER_BUFFER / STREAM_PAIR build in the shared buffered streams;
#  - USER_REGISTRY builds in the per-user registry file.
function(kiv_toolkit_library name)
  cmake_parse_arguments(A "BASE;CARRIER_BUFFER;STREAM_PAIR;USER_REGISTRY" "" "SOURCES" ${ARGN})
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
  if(A_USER_REGISTRY)
    list(APPEND srcs ${KIV_USER_REGISTRY_SOURCES})
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

# Shared sources built into more than one library.
file(GLOB KIV_CARRIER_BUFFER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/steg/buffer/*.cpp)
file(GLOB KIV_STREAM_PAIR_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cipher/pair/*.cpp)

find_library(KIV_CRYPTOPP_LIB cryptopp)   # test and benchmark oracle only
find_package(OpenSSL QUIET)               # test and benchmark peer only

# kiv_subsystem(<lib> [BASE] [CARRIER_BUFFER] [STREAM_PAIR] [USER_REGISTRY] [TEST_LIBS ...] [NEEDS lib ...])
# The usual folder of a toolkit library: every *.cpp of the folder builds
# <lib>.so; every tests/*Test.cpp is a test program linked with the library's
# objects and with the folder's other tests/*.cpp files; NEEDS names
# libraries the tests load by name (built first when they exist).
function(kiv_subsystem lib)
  cmake_parse_arguments(A "BASE;CARRIER_BUFFER;STREAM_PAIR;USER_REGISTRY" "" "TEST_LIBS;NEEDS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(flags)
  foreach(f BASE CARRIER_BUFFER STREAM_PAIR USER_REGISTRY)
    if(A_${f})
      list(APPEND flags ${f})
    endif()
  endforeach()
  kiv_toolkit_library(${lib} ${flags} SOURCES ${srcs})
  if(KIV_TESTS)
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*Test.cpp)
    file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
    list(REMOVE_ITEM helpers ${tests} "")
    set(needs)
    foreach(n ${A_NEEDS})
      if(TARGET ${n})
        list(APPEND needs ${n})
      endif()
    endforeach()
    foreach(t ${tests})
      get_filename_component(n ${t} NAME_WE)
      kiv_test(${lib}_${n} SOURCES ${t} ${helpers} $<TARGET_OBJECTS:${lib}_objs>
               LIBS zk5main Threads::Threads ${A_TEST_LIBS} NEEDS ${lib} ${needs})
    endforeach()
  endif()
endfunction()
