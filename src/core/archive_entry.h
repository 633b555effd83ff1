// Rules on the names inside the payload archive (pure, no Windows header).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The part of an entry name after its last "/" or "\" (the whole name when
// there is none); empty for a directory entry.
const char* EntryFileName(const char* name);

// False for a name that could land outside the destination folder or on
// another drive: empty, starting with "/" or "\", holding a ":" (a drive or
// a stream) or a ".." component.
bool IsSafeEntryName(const char* name);

// The number of entries a ZIP archive held in memory declares in its end
// record; -1 when there is no end record.
long ArchiveEntryCount(const unsigned char* archive, std::size_t size);

// The length of the longest entry name in a ZIP archive held in memory, read
// from its central directory; -1 when the directory cannot be read.
long LongestEntryNameLength(const unsigned char* archive, std::size_t size);

// One entry of the central directory: its name as stored, its size once
// unpacked and the CRC-32 of its content.
struct ArchiveListing {
  std::string name;
  unsigned long long unpackedSize = 0;
  unsigned long crc = 0;
};

// Every entry of a ZIP archive held in memory, in directory order; false (and
// entries empty) when the directory cannot be read.
bool ListArchiveEntries(const unsigned char* archive, std::size_t size, std::vector<ArchiveListing>* entries);
