# The translation template: every user text passed through tr(), in English, as translators
# start from it. Written by the build to build/translations/pelta-rx.ts whenever a source
# changes; a translation made from it (pelta-rx_<language>.qm) is loaded from
# share/pelta-rx/translations at start.
if(NOT TARGET Qt6::lupdate)
  message(STATUS "Qt's lupdate not found (package qt6-l10n-tools): no translation template")
  return()
endif()
file(GLOB_RECURSE PELTA_TR_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h)
# The engine's core has no Qt and no user texts.
list(FILTER PELTA_TR_SOURCES EXCLUDE REGEX "/src/engine/core/")
set(PELTA_TS_TEMPLATE ${CMAKE_BINARY_DIR}/translations/pelta-rx.ts)
set(PELTA_TS_LIST ${CMAKE_BINARY_DIR}/translations/sources.lst)
string(REPLACE ";" "\n" PELTA_TR_SOURCE_LINES "${PELTA_TR_SOURCES}")
file(WRITE ${PELTA_TS_LIST}.in "${PELTA_TR_SOURCE_LINES}\n")
configure_file(${PELTA_TS_LIST}.in ${PELTA_TS_LIST} COPYONLY)
add_custom_command(OUTPUT ${PELTA_TS_TEMPLATE}
  COMMAND Qt6::lupdate -silent -locations none -no-obsolete -source-language en -I ${CMAKE_SOURCE_DIR}/src
          @${PELTA_TS_LIST}
          -ts ${PELTA_TS_TEMPLATE}
  DEPENDS ${PELTA_TR_SOURCES} ${PELTA_TS_LIST}
  COMMENT "Writing the translation template")
add_custom_target(pelta-rx-translations ALL DEPENDS ${PELTA_TS_TEMPLATE})

# The shipped translations (data/translations/pelta-rx_<language>.ts), compiled to .qm beside
# the program in the build folder (translations/) and installed to share/pelta-rx/translations,
# where the program looks for the one of the user's language.
if(NOT TARGET Qt6::lrelease)
  return()
endif()
file(GLOB PELTA_TS_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/translations/pelta-rx_*.ts)
set(PELTA_QM_FILES)
foreach(ts ${PELTA_TS_FILES})
  get_filename_component(base ${ts} NAME_WE)
  set(qm ${CMAKE_BINARY_DIR}/translations/${base}.qm)
  add_custom_command(OUTPUT ${qm}
    COMMAND Qt6::lrelease -silent ${ts} -qm ${qm}
    DEPENDS ${ts}
    COMMENT "Compiling the translation ${base}")
  list(APPEND PELTA_QM_FILES ${qm})
endforeach()
add_custom_target(pelta-rx-qm ALL DEPENDS ${PELTA_QM_FILES})
install(FILES ${PELTA_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/pelta-rx/translations)
