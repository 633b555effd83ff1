// The viewer as a running process, in any session: a deployment tool runs
// the setup as a service account, which sees no window of a user's desktop.
#pragma once

// True when a process runs whose image is programFolder's px_main64.exe
// (programFolder ends in a backslash), whoever started it and in whatever
// session: the same path without regard to case, or the same file (volume
// and file id). A px_main64.exe elsewhere does not count, nor one whose
// image path the system does not tell (a protected process).
bool IsViewerProcessRunning(const char* programFolder);

// What blocks an installation into, or a removal from, programFolder: a
// window of class "Pixorra" on this desktop (IsViewerRunning) or the
// folder's viewer as a process. programFolder null or "" checks the window
// alone.
bool IsViewerInUse(const char* programFolder);
