# Runs Windows test programs under Wine, in one 32-bit prefix per build tree made fresh by a
# fixture. ctest itself runs under Xvfb (scripts/test), since Wine needs a display for windows.
find_program(WINE_EXECUTABLE wine REQUIRED)
set(VELMORA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VELMORA_WINE_ENV WINEPREFIX=${VELMORA_WINEPREFIX} WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME wine_prefix
  COMMAND ${CMAKE_COMMAND} -E env ${VELMORA_WINE_ENV}
          sh -c "rm -rf '${VELMORA_WINEPREFIX}' && wineboot -i >/dev/null 2>&1; wineserver -w")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wineprefix LABELS wine TIMEOUT 300)

# velmora_wine_test(NAME program [args...]): runs a Windows program of this build under Wine.
function(velmora_wine_test name)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E env ${VELMORA_WINE_ENV} ${WINE_EXECUTABLE} ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix LABELS wine TIMEOUT 600
                       RUN_SERIAL TRUE)
endfunction()
