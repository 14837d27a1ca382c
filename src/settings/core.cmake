# Portable pieces of the settings: options text, hot-key codes and legend,
# timing option defaults.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/timing_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hotkey_codes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hotkey_legend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_text.cpp
)
