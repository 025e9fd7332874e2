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
