// The archive rules that read bytes of the payload (end record, central
// directory) and the names inside it: never a read outside the data, never
// an answer the data cannot support, and the safety rule on every name.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/archive_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so the sanitizer sees any read past the end.
  std::vector<unsigned char> archive(data, data + size);
  const long count = ArchiveEntryCount(archive.data(), archive.size());
  const long longest = LongestEntryNameLength(archive.data(), archive.size());
  if (count < -1 || count > 0xFFFF) pxfuzz::Require("entry count out of range");
  if (count == -1 && longest != -1) pxfuzz::Require("a name length without an end record");
  if (longest < -1 || longest > 0xFFFF || (longest > 0 && static_cast<size_t>(longest) > size)) {
    pxfuzz::Require("a name longer than the archive");
  }

  // The input as one entry name, as minizip hands it over (terminated, at
  // most 519 characters).
  std::string name(reinterpret_cast<const char*>(data), size);
  name = name.substr(0, name.find('\0')).substr(0, 519);
  const char* fileName = EntryFileName(name.c_str());
  pxfuzz::Require(pxprop::CheckEntryName(name, static_cast<size_t>(fileName - name.c_str()),
                                         IsSafeEntryName(name.c_str())));
  return 0;
}
