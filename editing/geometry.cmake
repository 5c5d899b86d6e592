target_sources(varo_editing PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/GeometryActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SelectionActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TransformActions.cpp)
