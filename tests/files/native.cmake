# Native container, XML document, file commands, template and example models.
varo_add_test(files container LIBS varo_files)
varo_add_test(files documentxml LIBS varo_files)
varo_add_test(files models LIBS varo_files)
varo_add_test(files modelanalysis LIBS varo_files varo_analysis)
