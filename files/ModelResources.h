#pragma once

// Registers the built-in template, example and tour models (":/templateDefault.varok",
// ":/example/…", ":/replay/…"); a static library's resources need this call.
void initialiseModelResources();
