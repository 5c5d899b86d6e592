# Structure model, node and member transformations, consolidation.
target_sources(varo_document PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LoadCaseExpansion.cpp ${CMAKE_CURRENT_LIST_DIR}/LoadCaseExpansion.h
  ${CMAKE_CURRENT_LIST_DIR}/StructureModel.cpp ${CMAKE_CURRENT_LIST_DIR}/StructureModel.h
  ${CMAKE_CURRENT_LIST_DIR}/StructureTransformations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StructureConsolidation.cpp
)
