# Win32 side of the foot pedals: raw input registration, WM_INPUT and the
# system's HID parser.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pedal_input.cpp
)
