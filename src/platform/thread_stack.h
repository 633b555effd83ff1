#pragma once

// Gives the system back the pages of the calling thread's stack that lie
// deeper than its current frame by more than a margin of 64 KB. Their
// contents are dead; a later deeper call gets fresh pages. Wine makes the top
// megabyte of every new thread's stack resident before the thread's first
// instruction, so a thread that stays shallow would otherwise keep that
// megabyte for its whole life. Only committed read-write pages of the
// calling thread's own stack are touched; guard and reserved pages stay as
// they are.
void ReleaseUnusedStack();
