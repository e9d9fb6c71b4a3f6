# Installation layout and the Debian package.
#
#   <prefix>/bin/MiniVideoPlayerSV, minivideoplayersv-companion, minivideoplayersv-site-server
#   <prefix>/share/minivideoplayersv/web, data/catalog.json, media/<video id>/...
#   <prefix>/share/applications/minivideoplayersv.desktop and the icon in the hicolor theme
#   <prefix>/share/man/man1/<program>.1.gz
#   <prefix>/share/doc/minivideoplayersv/copyright, changelog.Debian.gz
#
# Included before the program folders: they read MVP_DATA_FROM_BIN and call mvp_install_rename.
# `cpack -G DEB` in the build folder (scripts/package) writes minivideoplayersv_<version>_<arch>.deb.
include(GNUInstallDirs)

set(MVP_PACKAGE_NAME minivideoplayersv)
set(MVP_DATA_DIR ${CMAKE_INSTALL_DATADIR}/${MVP_PACKAGE_NAME})
# The installed programs find their data relative to their own folder, so the package works
# wherever its tree is unpacked (../share/minivideoplayersv from bin/).
file(RELATIVE_PATH MVP_DATA_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_DATADIR}/${MVP_PACKAGE_NAME}")

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Installs the program file <from> of <dir> under the name <to>: a target keeps its short name
# in the build tree, where the tests and scripts call it.
function(mvp_install_rename dir from to)
    install(CODE "
        set(_mvp_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dir}\")
        file(RENAME \"\${_mvp_dir}/${from}\" \"\${_mvp_dir}/${to}\")
        message(STATUS \"Installing: \${_mvp_dir}/${to} (renamed from ${from})\")")
endfunction()

set(_mvp_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_mvp_generated ${PROJECT_BINARY_DIR}/packaging)

# Data of the site-server: the hosted pages, the catalog and the demo media that the build
# generates (target demo-media).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/web/ DESTINATION ${MVP_DATA_DIR}/web)
install(FILES ${PROJECT_SOURCE_DIR}/server/data/catalog.json DESTINATION ${MVP_DATA_DIR}/data)
install(DIRECTORY ${PROJECT_BINARY_DIR}/demo-media/ DESTINATION ${MVP_DATA_DIR}/media
    PATTERN plan.txt EXCLUDE
    PATTERN "*.tmp" EXCLUDE)

# Desktop entry and icon: the scalable source, and PNG sizes rendered from it at build time.
install(FILES ${_mvp_packaging}/${MVP_PACKAGE_NAME}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/MiniVideoPlayerSV.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${MVP_PACKAGE_NAME}.svg)

set(MVP_ICON_SIZES 16 22 24 32 48 64 128 256)
find_program(MVP_RSVG_CONVERT rsvg-convert)
set(_mvp_package_files)
if(MVP_RSVG_CONVERT)
    foreach(size IN LISTS MVP_ICON_SIZES)
        set(png ${_mvp_generated}/icons/${size}x${size}/${MVP_PACKAGE_NAME}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${_mvp_generated}/icons/${size}x${size}
            COMMAND ${MVP_RSVG_CONVERT} --width ${size} --height ${size} --keep-aspect-ratio
                    --output ${png} ${PROJECT_SOURCE_DIR}/resources/icons/MiniVideoPlayerSV.svg
            DEPENDS ${PROJECT_SOURCE_DIR}/resources/icons/MiniVideoPlayerSV.svg
            COMMENT "Rendering the ${size}x${size} desktop icon"
            VERBATIM)
        list(APPEND _mvp_package_files ${png})
        install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(STATUS "rsvg-convert not found (librsvg2-bin): the PNG desktop icons are not installed")
endif()

# Manual pages and the Debian changelog, compressed as Debian wants them (gzip -9, no name or
# time stamp inside).
function(_mvp_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${source} ${output}
        DEPENDS ${source}
        VERBATIM)
endfunction()

foreach(page MiniVideoPlayerSV minivideoplayersv-companion minivideoplayersv-site-server)
    set(gz ${_mvp_generated}/man/${page}.1.gz)
    file(MAKE_DIRECTORY ${_mvp_generated}/man)
    _mvp_gzip(${_mvp_packaging}/man/${page}.1 ${gz})
    list(APPEND _mvp_package_files ${gz})
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(MVP_PACKAGE_RELEASE 2)
set(MVP_PACKAGE_MAINTAINER "Quorbel <packages@quorbel.example>" CACHE STRING
    "Maintainer field of the Debian package")
configure_file(${_mvp_packaging}/changelog.Debian.in ${_mvp_generated}/changelog.Debian @ONLY)
_mvp_gzip(${_mvp_generated}/changelog.Debian ${_mvp_generated}/changelog.Debian.gz)
list(APPEND _mvp_package_files ${_mvp_generated}/changelog.Debian.gz)
install(FILES ${_mvp_packaging}/copyright ${_mvp_generated}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${MVP_PACKAGE_NAME})

install(FILES ${_mvp_packaging}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
    RENAME ${MVP_PACKAGE_NAME})

add_custom_target(package-files ALL DEPENDS ${_mvp_package_files})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${MVP_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR Quorbel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MVP_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small video player driven by the Sonvara internet radio")
set(CPACK_PACKAGE_DESCRIPTION
    "MiniVideoPlayerSV is the video companion of the internet-radio application
Sonvara. Sonvara drives it over a local socket; the player shows the video in
an embedded web page, reports back what happens and offers top lists, search,
related videos, history, lyrics and saving a copy of a video.

The package also holds minivideoplayersv-site-server, a local stand-in for the
services the player talks to, with a catalog of generated demo videos, and
minivideoplayersv-companion, a command-line peer that speaks the companion
link as Sonvara does.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${MVP_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from dpkg-shlibdeps (Qt 6 with Qt WebEngine Widgets and Qt WebChannel). Qt WebEngine
# plays the pages' media with Chromium's own media stack inside its library (WebM through the
# system's libvpx and libopus, which that library's package depends on): no GStreamer.
# Qt WebEngine's helper program QtWebEngineProcess (/usr/lib/qt6/libexec), which runs every page,
# is in libqt6webenginecore6-bin; Debian's symbols file of libQt6WebEngineCore names that package
# beside the library, so dpkg-shlibdeps adds it (scripts/check-package checks that the unpacked
# player runs it and that the Depends name it).
# Chromium loads PulseAudio's client library at run time for sound (ALSA otherwise), which
# dpkg-shlibdeps cannot see; Qt's own German texts come from qt6-translations-l10n.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libpulse0, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
