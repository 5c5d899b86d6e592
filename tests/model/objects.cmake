# Geometry, loads, load cases, titles and reports.
varo_add_test(model xml LIBS varo_model)
varo_add_test(model loads LIBS varo_model)
varo_add_test(model geometry LIBS varo_model)
varo_add_test(model signals LIBS varo_model)
varo_add_test(model loadcases LIBS varo_model)
varo_add_test(model reports LIBS varo_model)
