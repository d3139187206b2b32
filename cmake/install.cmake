# Installing boneloom as a desktop application (cmake --install, DESTDIR
# honoured) and packaging it as a Debian package (cpack -G DEB). The files
# under share/ go where the freedesktop.org specifications look for them.
include(GNUInstallDirs)

install(TARGETS boneloom-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(BONELOOM_VIEWER)
  install(TARGETS boneloom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES share/boneloom.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES share/boneloom.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES share/boneloom-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME boneloom.xml)
install(FILES share/boneloom.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES share/boneloom.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES share/boneloom-tool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES share/boneloom-tool.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME boneloom-tool)

# Installed straight onto this machine (no DESTDIR, not a package being
# staged): bring the desktop's MIME and application caches up to date, so
# the file types are known at once. A Debian package gets this from the
# triggers of shared-mime-info and desktop-file-utils instead.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "" AND NOT CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
    foreach(step "update-mime-database;mime" "update-desktop-database;applications")
      list(GET step 0 program)
      list(GET step 1 folder)
      find_program(found ${program})
      if(found AND EXISTS "${CMAKE_INSTALL_PREFIX}/share/${folder}")
        execute_process(COMMAND ${found} "${CMAKE_INSTALL_PREFIX}/share/${folder}"
                        RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
      endif()
      unset(found CACHE)
    endforeach()
  endif()
]])

# --- cpack -G DEB ---------------------------------------------------------
set(CPACK_PACKAGE_NAME boneloom)
set(CPACK_PACKAGE_VENDOR "boneloom")
set(CPACK_PACKAGE_CONTACT "boneloom maintainers <boneloom@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and light editor for skeletal models (SKM/SKP)")
set(CPACK_PACKAGE_DESCRIPTION
    "boneloom shows skeletal models stored as SKM mesh and SKP pose files, steps and\nplays their pose frames, renames bones and meshes and rotates models.\nboneloom-tool inspects, checks, converts (glTF, assimp formats), poses and\nrenders them from scripts, and draws the file manager's thumbnails.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/boneloom")
# Dependencies from the shared libraries the programs link (dpkg-shlibdeps).
# Mesa's drivers are loaded at run time, not linked: recommended so that
# render and thumbnail can draw.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libegl-mesa0")
include(CPack)
