# target_sources(varo_files PRIVATE ...)
