// Texts from the program's own resources: the string table and the release notes.
#pragma once

#include <string>

// The string with the given id in the thread's ANSI code page, or "" when missing.
std::string LoadResourceString(unsigned id);

// The same, copied into buffer and cut to bufferSize - 1 characters; always
// terminated. Returns the number of characters copied. A cut never splits a
// double-byte character of the thread's code page.
int LoadResourceString(unsigned id, char* buffer, int bufferSize);

// The release notes (resource "TXT" 128), exactly as many bytes as the
// resource holds. False when the resource is missing.
bool LoadReleaseNotes(std::string& text);
