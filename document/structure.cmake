# target_sources(varo_document PRIVATE ...)
