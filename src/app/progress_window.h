// The "/progress" run: the silent installation, with a small window that
// shows how far it has got (what winget runs as "SilentWithProgress").
#pragma once

// RunSilentInstallation(commandLine) on this thread while a window on a
// thread of its own shows the product's caption and a progress bar over the
// unpacking and the registration. The window asks nothing and cannot be
// closed by the user; it closes itself when the run ends. Exit code and log
// exactly as RunSilentInstallation's. Without a window (no desktop to draw
// on) the run goes on alone.
int RunInstallationWithProgress(const char* commandLine);
