# Win32 side of the help calls: WinHelp or HTML Help, each behind a pointer.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/help.cpp
)
