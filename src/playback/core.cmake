# Portable pieces of the playback engine.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/position_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/media_name.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jump_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transport_math.cpp
  ${CMAKE_CURRENT_LIST_DIR}/walk_math.cpp
)
