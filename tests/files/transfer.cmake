# varo_add_test(files <topic> LIBS varo_files)
