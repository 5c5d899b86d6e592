target_sources(varo_editing PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CalculatorReference.h
  ${CMAKE_CURRENT_LIST_DIR}/EditingActions.h
  ${CMAKE_CURRENT_LIST_DIR}/EditingActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConsolidationEngine.cpp)
