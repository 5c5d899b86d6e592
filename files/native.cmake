# Native container, XML document, template and example models.
target_sources(varo_files PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DocumentXml.cpp ${CMAKE_CURRENT_LIST_DIR}/DocumentXml.h
  ${CMAKE_CURRENT_LIST_DIR}/ModelResources.cpp ${CMAKE_CURRENT_LIST_DIR}/ModelResources.h
  ${CMAKE_CURRENT_LIST_DIR}/NativeContainer.cpp ${CMAKE_CURRENT_LIST_DIR}/NativeContainer.h
)

# The packer needs only the container, so it is built from that source alone
# and the library can carry what it packs.
add_executable(varo_model_packer ${PROJECT_SOURCE_DIR}/tools/model_packer.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/NativeContainer.cpp)
target_include_directories(varo_model_packer PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(varo_model_packer PRIVATE varo_foundation Qt5::Core)

# resources/models/<path>.xml becomes :/<path>.varok
set(model_sources_dir ${PROJECT_SOURCE_DIR}/resources/models)
file(GLOB_RECURSE model_sources CONFIGURE_DEPENDS RELATIVE ${model_sources_dir} ${model_sources_dir}/*.xml)
set(model_outputs)
set(model_qrc_entries)
foreach(source ${model_sources})
  string(REGEX REPLACE "\\.xml$" ".varok" packed ${source})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/models/${packed})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/models
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:varo_model_packer> ${model_sources_dir}/${source} ${output}
    DEPENDS varo_model_packer ${model_sources_dir}/${source}
    COMMENT "Packing model ${packed}"
    VERBATIM)
  list(APPEND model_outputs ${output})
  string(APPEND model_qrc_entries "<file alias=\"${packed}\">models/${packed}</file>")
endforeach()

varo_add_generated_resource(models "${model_qrc_entries}" model_qrc_cpp ${model_outputs})
target_sources(varo_files PRIVATE ${model_qrc_cpp})
