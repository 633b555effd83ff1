#include "core/archive_entry.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kEndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t kDirectoryHeaderSignature = 0x02014b50;
constexpr std::size_t kEndOfDirectorySize = 22;
constexpr std::size_t kDirectoryHeaderSize = 46;
constexpr std::size_t kMaxCommentSize = 0xFFFF;

std::uint32_t Read16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t Read32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

const char* EntryFileName(const char* name) {
  const char* fileName = name;
  for (const char* p = name; *p != '\0'; ++p) {
    if (IsSeparator(*p)) fileName = p + 1;
  }
  return fileName;
}

bool IsSafeEntryName(const char* name) {
  if (name[0] == '\0' || IsSeparator(name[0])) return false;
  if (std::strchr(name, ':') != nullptr) return false;
  const char* component = name;
  for (const char* p = name;; ++p) {
    if (*p == '\0' || IsSeparator(*p)) {
      if (p - component == 2 && component[0] == '.' && component[1] == '.') return false;
      if (*p == '\0') break;
      component = p + 1;
    }
  }
  return true;
}

namespace {

// The end-of-central-directory record: found from the end, behind which only
// an archive comment may follow. nullptr when there is none.
const unsigned char* FindEndRecord(const unsigned char* archive, std::size_t size) {
  if (archive == nullptr || size < kEndOfDirectorySize) return nullptr;
  std::size_t end = size - kEndOfDirectorySize;
  const std::size_t lowest = end > kMaxCommentSize ? end - kMaxCommentSize : 0;
  for (;; --end) {
    if (Read32(archive + end) == kEndOfDirectorySignature) return archive + end;
    if (end == lowest) return nullptr;
  }
}

}  // namespace

long ArchiveEntryCount(const unsigned char* archive, std::size_t size) {
  const unsigned char* record = FindEndRecord(archive, size);
  return record != nullptr ? static_cast<long>(Read16(record + 10)) : -1;
}

long LongestEntryNameLength(const unsigned char* archive, std::size_t size) {
  const unsigned char* record = FindEndRecord(archive, size);
  if (record == nullptr) return -1;
  const std::size_t end = static_cast<std::size_t>(record - archive);
  const std::uint32_t entries = Read16(record + 10);
  const std::uint32_t directorySize = Read32(record + 12);
  const std::uint32_t directoryOffset = Read32(record + 16);
  if (directoryOffset > end || directorySize > end - directoryOffset) return -1;

  long longest = 0;
  std::size_t offset = directoryOffset;
  const std::size_t directoryEnd = static_cast<std::size_t>(directoryOffset) + directorySize;
  for (std::uint32_t entry = 0; entry < entries; ++entry) {
    if (directoryEnd - offset < kDirectoryHeaderSize) return -1;
    const unsigned char* header = archive + offset;
    if (Read32(header) != kDirectoryHeaderSignature) return -1;
    const std::size_t nameLength = Read16(header + 28);
    const std::size_t recordLength = kDirectoryHeaderSize + nameLength + Read16(header + 30) + Read16(header + 32);
    if (directoryEnd - offset < recordLength) return -1;
    if (static_cast<long>(nameLength) > longest) longest = static_cast<long>(nameLength);
    offset += recordLength;
  }
  return longest;
}

bool ListArchiveEntries(const unsigned char* archive, std::size_t size, std::vector<ArchiveListing>* entries) {
  entries->clear();
  const unsigned char* record = FindEndRecord(archive, size);
  if (record == nullptr) return false;
  const std::size_t end = static_cast<std::size_t>(record - archive);
  const std::uint32_t count = Read16(record + 10);
  const std::uint32_t directorySize = Read32(record + 12);
  const std::uint32_t directoryOffset = Read32(record + 16);
  if (directoryOffset > end || directorySize > end - directoryOffset) return false;

  std::size_t offset = directoryOffset;
  const std::size_t directoryEnd = static_cast<std::size_t>(directoryOffset) + directorySize;
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    if (directoryEnd - offset < kDirectoryHeaderSize) break;
    const unsigned char* header = archive + offset;
    if (Read32(header) != kDirectoryHeaderSignature) break;
    const std::size_t nameLength = Read16(header + 28);
    const std::size_t recordLength = kDirectoryHeaderSize + nameLength + Read16(header + 30) + Read16(header + 32);
    if (directoryEnd - offset < recordLength) break;
    ArchiveListing listing;
    listing.name.assign(reinterpret_cast<const char*>(header + kDirectoryHeaderSize), nameLength);
    listing.unpackedSize = Read32(header + 24);
    listing.crc = Read32(header + 16);
    entries->push_back(listing);
    offset += recordLength;
  }
  if (entries->size() != count) {
    entries->clear();
    return false;
  }
  return true;
}
