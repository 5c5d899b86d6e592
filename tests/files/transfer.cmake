varo_add_test(files transferscanner LIBS varo_files)
varo_add_test(files transfer LIBS varo_files)
varo_add_test(files transferanalysis LIBS varo_files varo_analysis)
