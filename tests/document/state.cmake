# Selection, current state, view points.
varo_add_test(document selection LIBS varo_document)
varo_add_test(document currentstate LIBS varo_document)
varo_add_test(document viewpoint LIBS varo_document)
