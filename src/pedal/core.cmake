# Portable pieces of the foot pedals: report decoding and the state machine.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pedal_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedal_machine.cpp
)
