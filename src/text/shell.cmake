# Win32 side of text handling: the system's legacy ANSI code page and its
# conversion to UTF-8.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/legacy_code_page.cpp
)
