# Materials, cross-sections and section types.
varo_add_test(model crosssection LIBS varo_model)
varo_add_test(model material LIBS varo_model)
varo_add_test(model sectiontype LIBS varo_model)
