target_sources(varo_editing PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LibraryActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoadActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoadPairsCommand.h
  ${CMAKE_CURRENT_LIST_DIR}/LoadPairsCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoadValueActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PropertyActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReportActions.cpp)
