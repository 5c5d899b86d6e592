# Document core: lock, busy count, relays, stamps, file name, analysis link;
# report lists; undo commands; queries and library defaults; a random undo history.
varo_add_test(document document LIBS varo_document)
varo_add_test(document commands LIBS varo_document)
varo_add_test(document queries LIBS varo_document)
varo_add_test(document undohistory LIBS varo_document)
