# zorvel_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...] [TIMEOUT s])
# Every test runs without a display and with HOME and XDG_CONFIG_HOME in a
# folder of its own, so no test ever touches the user's real store.
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
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;${ARG_ENVIRONMENT}")
endfunction()
