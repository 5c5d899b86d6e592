# Native container, XML document, template and example models.
target_sources(varo_files PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DocumentXml.cpp ${CMAKE_CURRENT_LIST_DIR}/DocumentXml.h
  ${CMAKE_CURRENT_LIST_DIR}/NativeContainer.cpp ${CMAKE_CURRENT_LIST_DIR}/NativeContainer.h
)
