# Desktop integration and the Debian package.
#
#   cmake --install BUILD [--prefix DIR]   the programs, the menu entry, the
#                                          icons and the BMH document type
#   cpack -G DEB   (in BUILD)              zelvane_<version>_amd64.deb
#
# The programs install themselves (src/gui/app, src/cli); this file adds the
# desktop files. The .deb needs no maintainer scripts: shared-mime-info,
# desktop-file-utils and hicolor-icon-theme watch the folders installed into
# here through dpkg file triggers, so their caches are rebuilt on install and
# on removal.

set(ZELVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ZELVANE_ICON_DIR ${PROJECT_SOURCE_DIR}/resources)
set(ZELVANE_ICON_SIZES 16 24 32 48 64 128 256)

install(FILES ${ZELVANE_PACKAGING_DIR}/zelvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

install(FILES ${ZELVANE_PACKAGING_DIR}/zelvane-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME zelvane.xml)

install(FILES ${ZELVANE_ICON_DIR}/zelvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS ZELVANE_ICON_SIZES)
  install(FILES ${ZELVANE_ICON_DIR}/zelvane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME zelvane.png)
endforeach()

# The package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zelvane")
set(CPACK_PACKAGE_CONTACT "Zelvane maintainers <maintainers@zelvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture composer with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Zelvane builds one picture from parts - bitmaps from BMP or JPEG files or the
clipboard - laid in a stacking order over a coloured background. Parts are
moved, resized, made see-through, monochrome or grayscale, and every step can
be undone. Compositions are saved as BMH documents, exported as BMP or JPEG
and printed at their on-screen size. The package also holds zelvane-cli,
which prints, renders and composes BMH documents from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps (dpkg-dev); the Japanese
# texts need a Japanese font, and the menu entry, icon and document type
# come alive with the desktop caches.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-ipafont-gothic | fonts-japanese-gothic, shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_SOURCE_GENERATOR "")

if(ZELVANE_SANITIZE)
  message(STATUS "Packaging: this build uses the sanitizers; a .deb made from it depends on their run-time libraries")
endif()

include(CPack)
