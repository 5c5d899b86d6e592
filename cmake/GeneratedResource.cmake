# varo_add_generated_resource(<name> <qrc entries> <output variable> [COMPRESS] <files>...)
# compiles files into a Qt resource; relative entries are files generated in
# the current build folder. They are compressed already, so rcc stores them as
# they are, unless COMPRESS asks it to compress them.
function(varo_add_generated_resource name entries out_cpp)
  cmake_parse_arguments(ARG "COMPRESS" "" "" ${ARGN})
  set(compression --no-compress)
  if(ARG_COMPRESS)
    set(compression)
  endif()
  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${name}.qrc)
  file(WRITE ${qrc}.in "<RCC><qresource prefix=\"/\">${entries}</qresource></RCC>\n")
  configure_file(${qrc}.in ${qrc} COPYONLY)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_${name}.cpp)
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND Qt5::rcc ${compression} --name ${name} --output ${cpp} ${qrc}
    DEPENDS ${qrc} ${ARG_UNPARSED_ARGUMENTS}
    VERBATIM)
  set_source_files_properties(${cpp} PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
  set(${out_cpp} ${cpp} PARENT_SCOPE)
endfunction()
