# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it.
include(GNUInstallDirs)

# The man pages carry the project's version (written "@PROJECT_VERSION@" in their sources).
foreach(page varlo varlo-cli)
  configure_file(data/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
endforeach()

install(TARGETS varlo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/man/varlo-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# A copy to read as an example: its addresses point at the sample server of the source tree.
install(FILES data/sample/subscriptions.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/varlo/sample)
# The guide (Japanese, and English for English readers) and its page with its pictures beside it,
# where Varlo's help commands look for it.
install(FILES README.md docs/user-guide.md docs/user-guide.en.md ${VARLO_HELP_OUTPUTS}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varlo)

if(TARGET varlo)
  install(TARGETS varlo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/man/varlo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES data/varlo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES data/icons/varlo.svg DESTINATION ${icons}/scalable/apps)
  foreach(size 16 32 48 128 256)
    install(FILES data/icons/${size}x${size}/varlo.png DESTINATION ${icons}/${size}x${size}/apps)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varlo)
set(CPACK_PACKAGE_VENDOR Morva)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop feed reader with a Japanese user interface")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varlo developers <support@example.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The transfer library is opened when the programs first transfer something, so the libraries the
# programs link do not name it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4")
# The window's texts are Japanese: without a CJK font they show as boxes, and so do emoji in
# titles and articles without a colour emoji font.
# The sync password goes to the desktop's keyring through libsecret, loaded when needed (without
# it the password is kept in a private file).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, fonts-noto-color-emoji, libsecret-1-0")
# The synopsis comes from the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Varlo keeps a list of subscribed sites in an OPML file; choosing a site
downloads its feed (RSS 0.9x/2.0, RSS 1.0, Atom 0.3 or Atom 1.0), lists its
articles and shows a preview page. Sites are added by the address of their
web page, whose feed is found from its LINK tags. Japanese text in UTF-8,
Shift_JIS, EUC-JP and ISO-2022-JP is read.
.
The package also holds varlo-cli, the reader's core on the command line.")
include(CPack)
