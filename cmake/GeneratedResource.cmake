# varo_add_generated_resource(<name> <qrc entries> <output variable> <generated files>...)
# compiles files generated in the current build folder into a Qt resource.
# They are compressed already, so rcc stores them as they are.
function(varo_add_generated_resource name entries out_cpp)
  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${name}.qrc)
  file(WRITE ${qrc}.in "<RCC><qresource prefix=\"/\">${entries}</qresource></RCC>\n")
  configure_file(${qrc}.in ${qrc} COPYONLY)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_${name}.cpp)
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND Qt5::rcc --no-compress --name ${name} --output ${cpp} ${qrc}
    DEPENDS ${qrc} ${ARGN}
    VERBATIM)
  set_source_files_properties(${cpp} PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
  set(${out_cpp} ${cpp} PARENT_SCOPE)
endfunction()
