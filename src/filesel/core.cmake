# Portable pieces of file selection: the media type table and the filter text
# of the media Open dialog.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/media_filter.cpp
)
