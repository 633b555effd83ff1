// Reading an archive through a handle that stays open: minizip's I/O on the
// kept handle, each reader with its own position and read window.
#pragma once

#include <windows.h>

#include <unzip.h>

#include <memory>

// minizip reads the headers a byte or two at a time; under Wine every read
// at a position is a system call of its own (a few thousand for a payload of
// 38 entries, most of the unpacking time of a small payload). Each reader
// therefore reads through a window of its own: requests up to the window's
// size are served from it and refill it at their position.
constexpr DWORD kReadWindowSize = 64 * 1024;

// One reader of the archive file: minizip's "open" hands out the kept
// handle; its "close" leaves it to the owner. Each reader keeps its own
// position and reads at it, so two readers can share the handle.
struct KeptArchive {
  KeptArchive(HANDLE archiveFile, ULONGLONG start)
      : file(archiveFile), position(start), window(new (std::nothrow) BYTE[kReadWindowSize]) {}
  HANDLE file;
  ULONGLONG position;
  std::unique_ptr<BYTE[]> window;  // null: every request is read directly
  ULONGLONG windowStart = 0;
  DWORD windowLength = 0;
};

// Opens the archive read through kept (which must outlive it); null when
// the file is no archive minizip can enter.
unzFile OpenKeptArchive(KeptArchive* kept);

// minizip takes an end record at the very start of the file for "not found",
// so an archive without any entry (nothing but that record) does not open.
// True when file holds such an archive: valid, with nothing to unpack.
bool HoldsNoEntries(HANDLE file);
