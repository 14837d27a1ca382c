# Portable pieces of the timestamp hot key: the timestamp formats.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/timestamp_text.cpp
)
