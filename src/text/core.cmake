# Portable pieces of text handling: UTF-8 checks, cutting at whole
# characters, and the Windows-1252 table for text written before UTF-8.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/utf8_text.cpp
)
