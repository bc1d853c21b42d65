# Windows tests run under Wine, one at a time, in one prefix created for the test run by the
# "wine_prefix" fixture. Host tests run natively and need none of this.
set(YOL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the test run")
set(YOL_WINE_ENV "WINEPREFIX=${YOL_WINE_PREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")

if(YOL_WINDOWS)
  add_test(NAME wine_prefix_setup
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix start ${YOL_WINE_PREFIX})
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wine)
  add_test(NAME wine_prefix_cleanup
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix stop ${YOL_WINE_PREFIX})
  set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wine)
endif()

# yol_add_test(NAME <name> COMMAND <cmd...>): a test of either build; Windows tests get the Wine
# prefix, its fixture and the machine-wide lock.
function(yol_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;LABELS" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(YOL_WINDOWS)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${YOL_WINE_ENV}"
                         FIXTURES_REQUIRED wine RESOURCE_LOCK wine)
  endif()
endfunction()
