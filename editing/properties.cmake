# target_sources(varo_editing PRIVATE ...)
