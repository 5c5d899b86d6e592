# varo_add_test(model <topic> LIBS varo_model) for materials, cross-sections and section types
