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
add_custom_target(pelta-rx-data ALL DEPENDS ${PELTA_ICON_FILES} ${PELTA_MAN_PAGE})

install(TARGETS pelta-rx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/pelta-rx.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  RENAME ${PELTA_PROGRAM_ID}.desktop)
install(FILES data/pelta-rx.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  RENAME ${PELTA_PROGRAM_ID}.metainfo.xml)
install(FILES data/icon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${PELTA_PROGRAM_ID}.svg)
install(DIRECTORY ${PELTA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PELTA_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelta-rx)
set(CPACK_PACKAGE_VENDOR Quillmere)
set(CPACK_PACKAGE_CONTACT "Quillmere <support@pelta-rx.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen, camera and sound recorder")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "screen, camera and sound recorder
 Quillmere Capture records the screen, a camera or a built-in test pattern,
 the microphone or what you hear, or both, into AVI, WAV and MP3 files. It
 runs manual and automatic frame sequences, copies still pictures to the
 clipboard and names captures automatically.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.pelta-rx.invalid/)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Library dependencies come from dpkg-shlibdeps. Qt loads its window-system plugin at run
# time, where dpkg-shlibdeps cannot see it, so that one is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
include(CPack)
