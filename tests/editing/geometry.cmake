# varo_add_test(editing geometry LIBS varo_editing)
