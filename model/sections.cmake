# Materials, cross-sections and section types.
target_sources(varo_model PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CrossSection.cpp ${CMAKE_CURRENT_LIST_DIR}/CrossSection.h
  ${CMAKE_CURRENT_LIST_DIR}/Material.cpp ${CMAKE_CURRENT_LIST_DIR}/Material.h
  ${CMAKE_CURRENT_LIST_DIR}/SectionType.cpp ${CMAKE_CURRENT_LIST_DIR}/SectionType.h
)
