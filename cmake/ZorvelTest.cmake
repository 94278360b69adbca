# zorvel_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...] [TIMEOUT s])
# Every test runs without a display and with HOME, XDG_CONFIG_HOME and
# XDG_STATE_HOME in a folder of its own, so no test ever touches the user's
# real store or send record.
# Cross-built for Windows, every test runs under Wine in one throw-away
# session (prefix and X display) that CTest starts before the tests and
# removes after them; the windows platform runs there on a real display.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(ZORVEL_WINE_SESSION ${CMAKE_BINARY_DIR}/wine-session)
  set(ZORVEL_WINE_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh)
  set(CMAKE_CROSSCOMPILING_EMULATOR bash ${ZORVEL_WINE_SCRIPT} test ${ZORVEL_WINE_SESSION})
endif()

function(zorvel_add_wine_session)
  add_test(NAME wine_session_start COMMAND bash ${ZORVEL_WINE_SCRIPT} start ${ZORVEL_WINE_SESSION})
  add_test(NAME wine_session_stop COMMAND bash ${ZORVEL_WINE_SCRIPT} stop ${ZORVEL_WINE_SESSION})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endfunction()

function(zorvel_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zorvel_flags)
  target_compile_definitions(${name} PRIVATE
    ZORVEL_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}/tests"
    ZORVEL_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}/bin")
  add_test(NAME ${name} COMMAND ${name})
  set(home ${CMAKE_BINARY_DIR}/test-home/${name})
  file(MAKE_DIRECTORY ${home})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_STATE_HOME=${home}/.local/state;${ARG_ENVIRONMENT}")
  if(ZORVEL_WINE_SESSION)
    # Wine swaps any MAPI32.DLL for its own unless told to load ours. The
    # session's bridge runs the Linux programs a test needs (SupportProcess).
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
      "WINEDLLOVERRIDES=mapi32=n" "ZORVEL_WINE_BRIDGE=Z:${ZORVEL_WINE_SESSION}/bridge")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
