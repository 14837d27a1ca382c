# A global hot key pressed through the X server (xdotool) while Dorvane.exe
# runs. Hot keys are shared by every program of the Wine session, so this
# holds the lock that the tests registering them share.
add_executable(hotkey_e2e_tests ${CMAKE_CURRENT_LIST_DIR}/hotkey_press_test.cpp)
add_dependencies(hotkey_e2e_tests Dorvane)
target_compile_definitions(hotkey_e2e_tests PRIVATE DORVANE_EXE_UNIX_PATH="$<TARGET_FILE:Dorvane>")
target_link_libraries(hotkey_e2e_tests PRIVATE gtest_main)
target_link_options(hotkey_e2e_tests PRIVATE -static)
gtest_discover_tests(hotkey_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS e2e TIMEOUT 180 RESOURCE_LOCK dorvane_hotkeys)
