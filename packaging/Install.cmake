# What `cmake --install` puts where, and the Debian package CPack makes of it:
#   cpack --config build/CPackConfig.cmake -G DEB

# The icon in the usual sizes, drawn by the same code as the window icon.
add_executable(pelta-rx-icons packaging/MakeIcons.cpp src/infowindows/Logo.cpp)
target_include_directories(pelta-rx-icons PRIVATE src)
target_compile_definitions(pelta-rx-icons PRIVATE PELTA_PROGRAM_ID="${PELTA_PROGRAM_ID}")
target_link_libraries(pelta-rx-icons PRIVATE Qt6::Gui)
set(PELTA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PELTA_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(PELTA_ICON_FILES)
foreach(size ${PELTA_ICON_SIZES})
  list(APPEND PELTA_ICON_FILES ${PELTA_ICON_DIR}/${size}x${size}/apps/${PELTA_PROGRAM_ID}.png)
endforeach()
add_custom_command(OUTPUT ${PELTA_ICON_FILES}
  COMMAND pelta-rx-icons ${PELTA_ICON_DIR}
  DEPENDS pelta-rx-icons
  COMMENT "Drawing the program's icons")

# Man pages go compressed, as Debian wants them.
set(PELTA_MAN_PAGE ${CMAKE_BINARY_DIR}/pelta-rx.1.gz)
add_custom_command(OUTPUT ${PELTA_MAN_PAGE}
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/data/pelta-rx.1 > ${PELTA_MAN_PAGE}
  DEPENDS data/pelta-rx.1 VERBATIM)
# The package's own documents: the copyright (machine-readable) and the changelog.
set(PELTA_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${PELTA_CHANGELOG}
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/debian/changelog > ${PELTA_CHANGELOG}
  DEPENDS packaging/debian/changelog VERBATIM)
# Part of the default target, so `cmake --install` finds everything after a plain build.
add_custom_target(pelta-rx-data ALL DEPENDS ${PELTA_ICON_FILES} ${PELTA_MAN_PAGE} ${PELTA_CHANGELOG})

# --version prints it.
target_compile_definitions(pelta_ui PRIVATE PELTA_VERSION="${PROJECT_VERSION}")

install(TARGETS pelta-rx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/pelta-rx.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  RENAME ${PELTA_PROGRAM_ID}.desktop)
install(FILES data/pelta-rx.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  RENAME ${PELTA_PROGRAM_ID}.metainfo.xml)
install(FILES data/icon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${PELTA_PROGRAM_ID}.svg)
install(DIRECTORY ${PELTA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PELTA_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/debian/copyright ${PELTA_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelta-rx)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelta-rx)
set(CPACK_PACKAGE_VENDOR Quillmere)
set(CPACK_PACKAGE_CONTACT "Quillmere <support@pelta-rx.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record the screen, a camera and sound into video files")
# The long description; CPack puts the synopsis above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillmere Capture records the screen, a camera or a built-in test pattern,
the microphone or what you hear, or both, into AVI, WAV and MP3 files. It
runs manual and automatic frame sequences, copies still pictures to the
clipboard and names captures automatically.
.
It works on X11 and on Wayland desktops (GNOME, KDE, sway), where the
screen is shared through the desktop portal and PipeWire.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.pelta-rx.invalid/)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Files and folders owned by root, whoever builds the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Library dependencies come from dpkg-shlibdeps. What the program loads at run time, where
# dpkg-shlibdeps cannot see it (Qt's Wayland plugin, the desktop portal, PipeWire), comes
# from packaging/runtime-packages, the list scripts/setup.sh installs for scripts/run.sh.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/runtime-packages)
file(STRINGS packaging/runtime-packages PELTA_RUNTIME_LINES REGEX "^(depends|recommends) ")
set(PELTA_DEPENDS)
set(PELTA_RECOMMENDS)
foreach(line ${PELTA_RUNTIME_LINES})
  string(REGEX MATCH "^([a-z]+) +([^#]*[^# ])" matched "${line}")
  set(relation "${CMAKE_MATCH_1}")
  string(REGEX REPLACE " *\\| *" " | " packages "${CMAKE_MATCH_2}")
  if(relation STREQUAL "depends")
    list(APPEND PELTA_DEPENDS "${packages}")
  else()
    list(APPEND PELTA_RECOMMENDS "${packages}")
  endif()
endforeach()
# FFmpeg's device and filter libraries are loaded with dlopen, which dpkg-shlibdeps cannot
# see: their packages by the major version built against (Debian names them so).
foreach(lib libavdevice libavfilter)
  string(REGEX MATCH "^[0-9]+" major "${FFMPEG_ON_DEMAND_${lib}_VERSION}")
  list(APPEND PELTA_DEPENDS "${lib}${major}")
endforeach()
list(JOIN PELTA_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN PELTA_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
include(CPack)
