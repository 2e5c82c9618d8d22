# Installation layout and the Debian package of the Linux build
# (scripts/package.sh linux). The program, its libraries, the Qt renderer and
# the manual live together in lib/vaultkeep/, so that the program finds them
# beside itself ($ORIGIN); bin/vaultkeep is a link to it.
include(GNUInstallDirs)
set(VK_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/vaultkeep)
set(VK_LIBRARY_TARGETS vaultkeeplib vkplatform arczip32)
if(TARGET vkui_qt)
  list(APPEND VK_LIBRARY_TARGETS vkui_qt)
endif()
set_target_properties(vaultkeep ${VK_LIBRARY_TARGETS} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS vaultkeep ${VK_LIBRARY_TARGETS}
        RUNTIME DESTINATION ${VK_PRIVATE_DIR} LIBRARY DESTINATION ${VK_PRIVATE_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/vaultkeep.html DESTINATION ${VK_PRIVATE_DIR})
install(CODE "file(MAKE_DIRECTORY \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR})
  file(CREATE_LINK ../${VK_PRIVATE_DIR}/vaultkeep \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vaultkeep SYMBOLIC)")
install(FILES ${CMAKE_SOURCE_DIR}/include/vaultkeeplib.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
configure_file(${CMAKE_SOURCE_DIR}/packaging/vaultkeeplib.pc.in ${CMAKE_BINARY_DIR}/vaultkeeplib.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/vaultkeeplib.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vaultkeep.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vaultkeep.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# An example of the installation table; a conffile, so local edits survive upgrades.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/registry.reg DESTINATION /etc/vaultkeep)
file(WRITE ${CMAKE_BINARY_DIR}/conffiles "/etc/vaultkeep/registry.reg\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/conffiles)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vaultkeep)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
set(CPACK_PACKAGE_CONTACT "Vaultkeep maintainers <vaultkeep@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration backup and restore for Talvern installations")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libzip4, zlib1g, libstdc++6, libqt6widgets6")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
