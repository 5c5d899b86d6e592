# Selection, report list, current state, view points.
