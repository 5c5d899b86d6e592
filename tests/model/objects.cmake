# varo_add_test(model <topic> LIBS varo_model) for geometry, loads, load cases, titles and reports
