# varo_add_test(document <topic> LIBS varo_document)
