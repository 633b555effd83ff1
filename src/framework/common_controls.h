// Loading the common controls only when a window needs them.
#pragma once

// Loads the DLLs that the common controls pull in by name (theming and its
// helpers) from the system folder by full path, then registers the common
// control classes. Called before the first sheet is made; a silent run never
// loads comctl32 at all (it is delay-loaded), which keeps its start quick.
void PrepareCommonControls();
