# target_sources(varo_model PRIVATE ...) for materials, cross-sections and section types
