# Helpers shared by every subsystem folder.
#
# Include paths are private: a library's sources see include/ (public
# interfaces), base/ (the shared toolkit base) and their own folder only.
# Include base headers by bare name ("ToolkitObject.h", "ByteOrder.h").

find_package(Threads REQUIRED)
include(GoogleTest)

# The per-user registry file is part of kiv_base; the file-manager extension
# and its tests stand outside the toolkit (no runtime) and build it in alone.
set(KIV_USER_REGISTRY_SOURCES ${CMAKE_SOURCE_DIR}/base/UserRegistry.cpp)

# Crypto++ and OpenSSL are oracles and peers of the tests and benchmarks
# only; no library links them.
if(KIV_TESTS OR KIV_BENCH)
  find_library(KIV_CRYPTOPP_LIB cryptopp REQUIRED)
  find_package(OpenSSL REQUIRED)
endif()

# kiv_toolkit_library(<name> SOURCES ...)
# Builds <name>.so (no "lib" prefix) from the sources, with the toolkit base
# (kiv_base, base/) linked in: hidden symbols keep each shared object's own
# copy of it. The library links against zk5main only; its include path is
# include/, base/ and the calling folder (private).
#  - an OBJECT library <name>_objs holds the sources, so tests, fuzz targets
#    and benchmarks can link the very same code (target_link_libraries
#    with <name>_objs adds its objects, the base and zk5main).
function(kiv_toolkit_library name)
  cmake_parse_arguments(A "" "" "SOURCES" ${ARGN})
  add_library(${name}_objs OBJECT ${A_SOURCES})
  target_include_directories(${name}_objs PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # The library's folder, for the fuzz targets and benchmarks of its internals.
  set_target_properties(${name}_objs PROPERTIES KIV_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
  if(name STREQUAL "zk5main")
    # The runtime stands below the base: public interfaces and the base's
    # plain system part (kiv_base_system) only.
    target_include_directories(${name}_objs PUBLIC ${CMAKE_SOURCE_DIR}/include)
    target_link_libraries(${name}_objs PUBLIC kiv_base_system)
  else()
    target_link_libraries(${name}_objs PUBLIC kiv_base)
  endif()
  add_library(${name} SHARED)
  set_target_properties(${name} PROPERTIES PREFIX "")
  target_link_libraries(${name} PRIVATE ${name}_objs Threads::Threads ${CMAKE_DL_LIBS})
endfunction()

# kiv_test(<name> SOURCES ... [LIBS ...] [NEEDS lib ...] [PROPERTIES prop value ...])
# A GoogleTest executable registered with CTest, linked with the shared test
# helpers of tests/support (kiv_testsupport) and run with a private home. LIBS are linked (a library's
# <lib>_objs brings its objects, the base and zk5main); NEEDS names toolkit
# libraries the test loads by name at run time (built first).
function(kiv_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;NEEDS;PROPERTIES" ${ARGN})
  # Every test program runs with a private home (tests/support/PrivateHomeTestSupport.cpp).
  add_executable(${name} ${A_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/PrivateHomeTestSupport.cpp)
  target_link_libraries(${name} PRIVATE kiv_testsupport GTest::gtest GTest::gtest_main Threads::Threads
                        ${A_LIBS})
  if(A_NEEDS)
    add_dependencies(${name} ${A_NEEDS})
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${KIV_OUT} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS ${name} ${A_PROPERTIES})
endfunction()

# kiv_subsystem(<lib> [TEST_LIBS ...] [NEEDS lib ...])
# The usual folder of a toolkit library: every *.cpp of the folder builds
# <lib>.so; every tests/*Test.cpp is a test program <lib>_<name> linked with
# the library's objects and with the folder's other tests/*.cpp files, its
# include path the library's folder and its tests/ folder beside the shared
# ones; NEEDS names libraries the tests load by name (built first when they
# exist).
function(kiv_subsystem lib)
  cmake_parse_arguments(A "" "" "TEST_LIBS;NEEDS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  kiv_toolkit_library(${lib} SOURCES ${srcs})
  if(KIV_TESTS)
    kiv_folder_tests(${lib}_ ${CMAKE_CURRENT_SOURCE_DIR}/tests LIBS ${lib}_objs ${A_TEST_LIBS}
                     NEEDS ${lib} ${A_NEEDS})
    target_include_directories(${lib}_tests_common INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
endfunction()

# kiv_folder_tests(<prefix> <folder> [LIBS ...] [NEEDS ...])
# Every <folder>/*Test.cpp becomes the test <prefix><name>, built with the
# folder's other .cpp files; the folder is on their include path. Their
# common settings live on the INTERFACE library <prefix>tests_common.
function(kiv_folder_tests prefix folder)
  cmake_parse_arguments(A "" "" "LIBS;NEEDS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${folder}/*Test.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(REMOVE_ITEM helpers ${tests} "")
  set(needs)
  foreach(n ${A_NEEDS})
    if(TARGET ${n})
      list(APPEND needs ${n})
    endif()
  endforeach()
  add_library(${prefix}tests_common INTERFACE)
  target_include_directories(${prefix}tests_common INTERFACE ${folder})
  foreach(t ${tests})
    get_filename_component(n ${t} NAME_WE)
    kiv_test(${prefix}${n} SOURCES ${t} ${helpers} LIBS ${prefix}tests_common ${A_LIBS} NEEDS ${needs})
  endforeach()
endfunction()

# kiv_link_objects(<target> <lib>...): links the objects of toolkit libraries
# into a fuzz target or benchmark, with each library's folder on its include
# path (private) beside tests/support.
function(kiv_link_objects target)
  foreach(lib ${ARGN})
    get_target_property(folder ${lib}_objs KIV_FOLDER)
    target_link_libraries(${target} PRIVATE ${lib}_objs)
    target_include_directories(${target} PRIVATE ${folder})
  endforeach()
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/base
                             ${CMAKE_SOURCE_DIR}/tests/support)
endfunction()

# KIV_DESKTOP_INCLUDE: the desktop program's include path (include/, base/,
# desktop/, tests/support) and a folder of the build tree holding only links
# named desktop and tests/support, so the desktop sources' includes
# "desktop/..." and "tests/support/..." resolve without the source root on
# the path. desktop/CMakeLists.txt sets it for every target of its folders.
set(KIV_DESKTOP_PREFIX ${CMAKE_BINARY_DIR}/kiv_desktop_prefix)
if(NOT EXISTS ${KIV_DESKTOP_PREFIX}/desktop)
  file(MAKE_DIRECTORY ${KIV_DESKTOP_PREFIX}/tests)
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/desktop ${KIV_DESKTOP_PREFIX}/desktop SYMBOLIC)
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/tests/support ${KIV_DESKTOP_PREFIX}/tests/support SYMBOLIC)
endif()
set(KIV_DESKTOP_INCLUDE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/base ${CMAKE_SOURCE_DIR}/desktop
    ${CMAKE_SOURCE_DIR}/tests/support ${KIV_DESKTOP_PREFIX})
