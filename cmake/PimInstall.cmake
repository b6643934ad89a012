# What an installed system gets: the three programs in bin/, the window's
# desktop entry and icon; `cpack -G DEB` makes a Debian package of it. An
# installed pim finds its program folder not writable and keeps its data in
# the user's application data folder.
include(GNUInstallDirs)
foreach(program pim pimctl pimsim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pim.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pim.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME pim)
set(CPACK_PACKAGE_VENDOR "pim")
set(CPACK_PACKAGE_CONTACT "pim maintainers <pim@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool, command-line reader and simulator of ПИМ heat-energy calculators")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt libraries the programs link come from dpkg-shlibdeps; the platform
# plugins are loaded at run time, so no linker sees them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The package ships the programs stripped: the debug information of a
# RelWithDebInfo build is ten times the code. It goes into a package of its
# own (pim-dbgsym_<version>_<arch>.ddeb, found by the binaries' build ids)
# for whoever debugs an installed system.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
include(CPack)

# The install into a temporary prefix, run from there.
if(TARGET pim AND TARGET pimctl AND TARGET pimsim)
  math(EXPR PIM_INSTALL_TEST_TIMEOUT "120 * ${PIM_TEST_TIMEOUT_SCALE}")
  add_test(NAME install_runs_from_prefix
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/install-test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install_runs_from_prefix PROPERTIES TIMEOUT ${PIM_INSTALL_TEST_TIMEOUT} FIXTURES_REQUIRED pim_hygiene)
endif()
