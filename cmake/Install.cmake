# cmake --install <build> --prefix P: the program, its libraries and its
# shipped data in one private folder P/lib/kivora (the program folder: the
# program finds its libraries and data beside itself), a starter P/bin/kivora
# (a link to the program, so the program folder stays P/lib/kivora), the
# desktop entry, the icon and the MIME type under P/share. Nothing there is
# written while Kivora runs: each user's settings and keys live in their own
# folders.
set(KIV_INSTALL_DIR lib/kivora)

set(kiv_installed_targets zk5main zk5storage zk5cipher zk5steg zk5arc zk5script kiv_safe regsvr32
    kiv_shell_ext kiv_shell_cmd Kivora)
foreach(t ${kiv_installed_targets})
  if(TARGET ${t})
    # Built with the run path they are installed with ($ORIGIN): the
    # libraries beside them, in the build folder as in the program folder.
    set_target_properties(${t} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
    install(TARGETS ${t} RUNTIME DESTINATION ${KIV_INSTALL_DIR} LIBRARY DESTINATION ${KIV_INSTALL_DIR})
  endif()
endforeach()
install(FILES ${KIV_OUT}/kiv_config.txt ${KIV_OUT}/kiv_en.txt DESTINATION ${KIV_INSTALL_DIR})
if(TARGET Kivora)
  install(FILES ${KIV_OUT}/kiv_en_help.html DESTINATION ${KIV_INSTALL_DIR})
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(REMOVE \"\${bin}/kivora\")
    file(CREATE_LINK ../${KIV_INSTALL_DIR}/Kivora \"\${bin}/kivora\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/kivora -> ../${KIV_INSTALL_DIR}/Kivora\")
    # The desktop entry names the starter by its installed path.
    set(KIV_STARTER \"\${CMAKE_INSTALL_PREFIX}/bin/kivora\")
    configure_file(\"${CMAKE_SOURCE_DIR}/install/kivora.desktop.in\"
                   \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/kivora.desktop\" @ONLY)
    message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/kivora.desktop\")
  ")
  install(FILES ${CMAKE_SOURCE_DIR}/install/kivora.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_SOURCE_DIR}/install/kivora.xml DESTINATION share/mime/packages)
endif()

# The install test: installs into a temporary prefix made read-only, checks
# the desktop entry and the MIME file, and opens a secret made by this build
# with the installed program under Xvfb (install/tests/install_test.sh;
# skipped, exit 77, when a part cannot run here).
if(KIV_TESTS AND TARGET Kivora)
  add_executable(kiv_make_secret ${CMAKE_SOURCE_DIR}/install/tests/kiv_make_secret.cpp)
  target_include_directories(kiv_make_secret PRIVATE ${KIV_INCLUDE} ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(kiv_make_secret PRIVATE zk5main ${CMAKE_DL_LIBS})
  add_dependencies(kiv_make_secret kiv_safe zk5steg zk5arc zk5script)
  add_test(NAME install_readonly_prefix
           COMMAND bash ${CMAKE_SOURCE_DIR}/install/tests/install_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install_readonly_prefix PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
                       LABELS install RUN_SERIAL ON)
endif()
