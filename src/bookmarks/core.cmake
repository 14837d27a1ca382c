# Portable pieces of the bookmarks: the bookmark file's text and its path.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/bookmark_text.cpp
)
