// Pure text rules on folder paths (no Windows header).
#pragma once

// Removes blanks (code 32) from both ends of path, in place.
void TrimSpaces(char* path);
