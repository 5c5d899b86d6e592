# Selection, report list, current state, view points.
target_sources(varo_document PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CurrentState.cpp ${CMAKE_CURRENT_LIST_DIR}/CurrentState.h
  ${CMAKE_CURRENT_LIST_DIR}/ReportModel.cpp ${CMAKE_CURRENT_LIST_DIR}/ReportModel.h
  ${CMAKE_CURRENT_LIST_DIR}/SelectionModel.cpp ${CMAKE_CURRENT_LIST_DIR}/SelectionModel.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewPoint.cpp ${CMAKE_CURRENT_LIST_DIR}/ViewPoint.h
  ${CMAKE_CURRENT_LIST_DIR}/ViewPointMemory.cpp ${CMAKE_CURRENT_LIST_DIR}/ViewPointMemory.h
)
