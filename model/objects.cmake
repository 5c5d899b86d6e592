# target_sources(varo_model PRIVATE ...) for geometry, loads, load cases, titles and reports
