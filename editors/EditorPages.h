#pragma once

// Lets the group, load-case and section accessors host this library's pages:
// the accessors sit below the pages and ask for them through the factory.
void installEditorPages();
