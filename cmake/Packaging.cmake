# Desktop integration and the Debian package.
#
#   cmake --install BUILD [--prefix DIR]   the programs, their manual pages,
#                                          the menu entry, the icons, the BMH
#                                          document type, the AppStream
#                                          metadata, the bash completion and
#                                          the package's copyright and
#                                          changelog
#   cpack -G DEB   (in BUILD)              zelvane_<version>_amd64.deb
#
# The programs install themselves (src/gui/app, src/cli); this file adds the
# rest. The .deb needs no maintainer scripts: shared-mime-info,
# desktop-file-utils, hicolor-icon-theme and man-db watch the folders
# installed into here through dpkg file triggers, so their caches are rebuilt
# on install and on removal.

include(${CMAKE_CURRENT_LIST_DIR}/ZelvaneChangelog.cmake)

set(ZELVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ZELVANE_PACKAGING_BINARY_DIR ${PROJECT_BINARY_DIR}/packaging)
set(ZELVANE_ICON_DIR ${PROJECT_SOURCE_DIR}/resources)
set(ZELVANE_ICON_SIZES 16 24 32 48 64 128 256)
# Debian's documentation folder is named after the package.
set(ZELVANE_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zelvane)

# The component id of the desktop entry and the AppStream metadata. The
# project owns no domain of its own, so it takes the form AppStream and the
# software centres accept for such projects; it never changes once shipped.
set(ZELVANE_APP_ID io.github.zelvane.Zelvane)
# The window tells the desktop which entry it belongs to (Wayland's app id).
target_compile_definitions(zelvane PRIVATE ZELVANE_APP_ID="${ZELVANE_APP_ID}")

# The release: packaging/changelog's latest entry, which must be the
# project's version.
zelvane_latest_release(${ZELVANE_PACKAGING_DIR}/changelog
                       ZELVANE_RELEASE_VERSION ZELVANE_RELEASE_DATE ZELVANE_RELEASE_EPOCH)
if(NOT ZELVANE_RELEASE_VERSION STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's latest entry is version ${ZELVANE_RELEASE_VERSION}, "
                      "the project is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZELVANE_PACKAGING_DIR}/changelog)

install(FILES ${ZELVANE_PACKAGING_DIR}/zelvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${ZELVANE_APP_ID}.desktop)

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

configure_file(${ZELVANE_PACKAGING_DIR}/zelvane.metainfo.xml.in
               ${ZELVANE_PACKAGING_BINARY_DIR}/${ZELVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${ZELVANE_PACKAGING_BINARY_DIR}/${ZELVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${ZELVANE_PACKAGING_DIR}/zelvane-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME zelvane-cli)

# The copyright file, and the changelog compressed as Debian wants it.
find_program(ZELVANE_GZIP gzip REQUIRED)
install(FILES ${ZELVANE_PACKAGING_DIR}/copyright DESTINATION ${ZELVANE_PACKAGE_DOC_DIR})
add_custom_command(OUTPUT ${ZELVANE_PACKAGING_BINARY_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${ZELVANE_PACKAGING_DIR}/changelog ${ZELVANE_PACKAGING_BINARY_DIR}/changelog
  COMMAND ${ZELVANE_GZIP} -9nf ${ZELVANE_PACKAGING_BINARY_DIR}/changelog
  DEPENDS ${ZELVANE_PACKAGING_DIR}/changelog
  COMMENT "Compressing the package changelog"
  VERBATIM)
set(ZELVANE_PACKAGING_OUTPUTS ${ZELVANE_PACKAGING_BINARY_DIR}/changelog.gz)
install(FILES ${ZELVANE_PACKAGING_BINARY_DIR}/changelog.gz DESTINATION ${ZELVANE_PACKAGE_DOC_DIR})

# Manual pages written from the programs' own --help and --version, so they
# cannot tell anything the programs do not.
find_program(ZELVANE_HELP2MAN help2man)
if(ZELVANE_HELP2MAN)
  function(zelvane_manual_page program whatis see_also)
    set(page ${ZELVANE_PACKAGING_BINARY_DIR}/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DWHATIS=${whatis}
              -DOUTPUT=${page} -DHELP2MAN=${ZELVANE_HELP2MAN} -DGZIP=${ZELVANE_GZIP}
              -DSOURCE_DATE_EPOCH=${ZELVANE_RELEASE_EPOCH} -DSEE_ALSO=${see_also} ${ARGN}
              -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ZelvaneManPage.cmake
      DEPENDS ${program} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ZelvaneManPage.cmake
      COMMENT "Manual page ${program}(1) from ${program} --help and --version"
      VERBATIM)
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    set(ZELVANE_PACKAGING_OUTPUTS ${ZELVANE_PACKAGING_OUTPUTS} ${page} PARENT_SCOPE)
  endfunction()
  zelvane_manual_page(zelvane "compose one picture from BMP and JPEG pictures" zelvane-cli)
  zelvane_manual_page(zelvane-cli "print, render and compose Zelvane documents from scripts"
                      zelvane -DSUBCOMMANDS=ON)
else()
  message(WARNING "help2man not found: no manual pages are made, and the package lacks them "
                  "(tools/dev.sh installs it)")
endif()
add_custom_target(zelvane_packaging_files ALL DEPENDS ${ZELVANE_PACKAGING_OUTPUTS})

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
# Library dependencies come from dpkg-shlibdeps (dpkg-dev). Recommended:
# Qt's Japanese translation (qtbase_ja), without which Qt's own dialogs speak
# English; the IPA Gothic fonts the window's texts ask for by name (see
# src/gui/dialogs/Fonts.cpp); and the desktop caches that bring the menu
# entry, icon and document type alive.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, fonts-ipafont-gothic, shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_SOURCE_GENERATOR "")

if(ZELVANE_SANITIZE)
  message(STATUS "Packaging: this build uses the sanitizers; a .deb made from it depends on their run-time libraries")
endif()

include(CPack)
