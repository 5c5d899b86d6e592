# Materials, cross-sections and section types.
varo_add_test(model crosssection LIBS varo_model)
