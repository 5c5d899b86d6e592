# Transfer text import.
target_sources(varo_files PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TransferReader.cpp ${CMAKE_CURRENT_LIST_DIR}/TransferReader.h
  ${CMAKE_CURRENT_LIST_DIR}/TransferScanner.cpp ${CMAKE_CURRENT_LIST_DIR}/TransferScanner.h
)
