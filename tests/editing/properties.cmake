varo_add_test(editing loads LIBS varo_editing)
varo_add_test(editing properties LIBS varo_editing)
varo_add_test(editing library LIBS varo_editing)
