varo_add_test(editing consolidation LIBS varo_editing)
