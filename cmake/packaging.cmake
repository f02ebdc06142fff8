# The Debian package, made by CPack from what "cmake --install" puts in place: configure a
# build tree with -DCMAKE_INSTALL_PREFIX=/usr (scripts/package does), build, then cpack.
set(LUMIVANE_MAINTAINER "Lumivane developers <lumivane@lumivane.example>" CACHE STRING "The package's maintainer")

# Documents that a Debian package carries: its copyright and its change log, compressed.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/lumivane)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/debian
  COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/resources/debian/changelog > ${changelog_gz}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/debian/changelog
  COMMENT "Compressing the package's change log")
add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} resources/debian/copyright DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${LUMIVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo slide-show screen saver with 228 transition effects")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
# DESTDIR staging: the install step then sees the real prefix, which it writes into the
# machine hive, and files outside the prefix (/etc) land in the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LUMIVANE_UPDATE_SITE}")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lumivane shows your photographs full screen, one after another, and passes
from each to the next through one of 228 numbered transitions: wipes, blinds,
tiles, dissolves, zooms, shaped reveals, stretches, slides, and a jigsaw
puzzle whose pieces fly into place. Its configuration window, in French,
chooses the pictures, the effects, the interval, the speed, the effect size
and the background colour.
.
It runs full screen on X11 and Wayland, and as a display mode of
XScreenSaver and xsecurelock.")
# Libraries come from the binaries themselves; Qt's plugins, which nothing links, by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | xsecurelock | swayidle")
set(conffiles ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles)
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "The Debian package is meant for the prefix /usr, not ${CMAKE_INSTALL_PREFIX}")
endif()
file(WRITE ${conffiles} "/etc/lumivane/HKLM.reg\n/etc/xdg/autostart/lumivane-watch.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${conffiles} ${CMAKE_CURRENT_SOURCE_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
