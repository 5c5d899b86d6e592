# Document core, undo commands, queries and defaults.
target_sources(varo_document PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AnalysisDocument.h ${CMAKE_CURRENT_LIST_DIR}/AnalysisLink.h
  ${CMAKE_CURRENT_LIST_DIR}/DocumentCommands.cpp ${CMAKE_CURRENT_LIST_DIR}/DocumentCommands.h
  ${CMAKE_CURRENT_LIST_DIR}/DocumentModel.cpp ${CMAKE_CURRENT_LIST_DIR}/DocumentModel.h
  ${CMAKE_CURRENT_LIST_DIR}/LibraryCommands.cpp ${CMAKE_CURRENT_LIST_DIR}/LibraryCommands.h
  ${CMAKE_CURRENT_LIST_DIR}/ReportCommands.h
  ${CMAKE_CURRENT_LIST_DIR}/SelectionCommands.cpp ${CMAKE_CURRENT_LIST_DIR}/SelectionCommands.h
  ${CMAKE_CURRENT_LIST_DIR}/StructureCommands.cpp ${CMAKE_CURRENT_LIST_DIR}/StructureCommands.h
)
target_link_libraries(varo_document PUBLIC varo_libraries)
