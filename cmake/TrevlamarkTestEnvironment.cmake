# The one definition of the environment every test runs in: HOME and the XDG
# folders inside the build tree, so no test ever touches the real user's
# settings, logs or data, and widgets drawn offscreen. <home> stands for the
# test's own home folder.
set(TREVLAMARK_TEST_ENVIRONMENT
    "HOME=<home>"
    "XDG_CONFIG_HOME=<home>/.config"
    "XDG_DATA_HOME=<home>/.local/share"
    "XDG_STATE_HOME=<home>/.local/state"
    "XDG_CACHE_HOME=<home>/.cache"
    "QT_QPA_PLATFORM=offscreen")

# Gives a test the environment above with HOME at home.
function(trevlamark_set_test_environment test home)
    string(REPLACE "<home>" "${home}" environment "${TREVLAMARK_TEST_ENVIRONMENT}")
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}")
endfunction()

# The same definition for the scripts that start test programs or the CLI
# themselves (scripts/screenshots, bench/soak): ". build/test-environment.sh HOME".
set(script "# Written by cmake/TrevlamarkTestEnvironment.cmake. Usage: . test-environment.sh HOME_FOLDER\n")
foreach(entry IN LISTS TREVLAMARK_TEST_ENVIRONMENT)
    string(REPLACE "<home>" "$1" entry "${entry}")
    string(REGEX REPLACE "^([A-Z_]+)=(.*)$" "export \\1=\"\\2\"" entry "${entry}")
    string(APPEND script "${entry}\n")
endforeach()
string(APPEND script "mkdir -p \"$1\"\n")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/test-environment.sh CONTENT "${script}" @ONLY)
unset(script)
