# Structure model: lists, counters, queries and property changes; node and
# member transformations; consolidation, splitting and joining.
varo_add_test(document structure LIBS varo_document)
varo_add_test(document structuregeometry LIBS varo_document)
varo_add_test(document structuremerge LIBS varo_document)
