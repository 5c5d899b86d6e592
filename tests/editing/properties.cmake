# varo_add_test(editing <topic> LIBS varo_editing)
