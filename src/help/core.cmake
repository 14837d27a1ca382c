# Portable pieces of the help calls: the choice of engine and the command map.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/help_choice.cpp
)
