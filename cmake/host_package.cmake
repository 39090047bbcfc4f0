# The host tools as a Debian package for kit authors' CI (cpack -G DEB in the
# host build folder): quillset, winsim, winsim-printui, kitcheck and ombrel in
# /usr/bin, libombrel.so beside ombrel's own library folder, the README pages
# in /usr/share/doc. Its dependencies come from dpkg-shlibdeps: Debian's own
# SQLite and libmspack packages.
set(KIT_DEB_NAME quillset-host-tools)
install(TARGETS quillset winsim_tool winsim_printui kitcheck_tool RUNTIME DESTINATION bin)
if(TARGET ombrel_tool)
  install(TARGETS ombrel_tool RUNTIME DESTINATION bin)
  install(TARGETS ombrel_lib LIBRARY DESTINATION lib/${KIT_DEB_NAME})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/${KIT_DEB_NAME})
install(FILES ${CMAKE_SOURCE_DIR}/platform/winsim/README.md DESTINATION share/doc/${KIT_DEB_NAME}
        RENAME README.winsim.md)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/kit/ DESTINATION share/doc/${KIT_DEB_NAME}/examples/kit)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KIT_DEB_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Quillset kit maintainers <kit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quillset printer kit: host installer, simulated Windows system and kitcheck")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
