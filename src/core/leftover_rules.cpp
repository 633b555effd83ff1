#include "core/leftover_rules.h"

#include <algorithm>
#include <cstdio>

#include "core/install_record.h"
#include "core/product.h"
#include "core/uninstall_rules.h"

namespace leftoverrules {

namespace {

std::size_t Depth(const std::string& name) { return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\')); }

// Up to maxDigits hex digits at *pos; advances past them.
bool ReadHex(const std::string& text, std::size_t* pos, std::size_t maxDigits, unsigned long long* value) {
  *value = 0;
  std::size_t digits = 0;
  while (*pos < text.size()) {
    const char c = text[*pos];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    if (++digits > maxDigits) return false;
    *value = (*value << 4) | static_cast<unsigned long long>(digit);
    ++*pos;
  }
  return digits > 0;
}

}  // namespace

bool MayFinishLeftovers(const std::vector<ListedEntry>& listing, const std::vector<std::string>& payloadNames,
                        std::vector<std::string>* folders) {
  folders->clear();
  std::vector<std::string> found;
  for (const ListedEntry& entry : listing) {
    if (!entry.plain) return false;
    if (installrecord::SameName(entry.name, kUninstallerFileName)) continue;
    const std::string& name = entry.name;
    if (name.size() < 2 || name.back() != '\\' ||
        !uninstallrules::IsPlainRelativeName(name.substr(0, name.size() - 1)) ||
        !uninstallrules::IsPayloadFolder(name, payloadNames)) {
      return false;
    }
    found.push_back(name);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  *folders = found;
  return true;
}

std::string FormatFileStamp(const FileStamp& stamp) {
  char text[128] = {};
  std::snprintf(text, sizeof text, " /was=%lx-%llx-%llx-%llx-%llx", stamp.volume, stamp.fileIndex, stamp.size,
                stamp.writeTime, stamp.changeTime);
  return text;
}

bool ParseFileStamp(const std::string& commandLine, FileStamp* stamp) {
  *stamp = FileStamp();
  const std::size_t cleanup = commandLine.find("/cleanup=");
  if (cleanup == std::string::npos) return false;
  const std::size_t open = commandLine.find(" \"", cleanup);
  if (open == std::string::npos) return false;
  const std::size_t close = commandLine.find('"', open + 2);
  if (close == std::string::npos) return false;
  std::size_t pos = close + 1;
  static const std::string kKey = " /was=";
  if (commandLine.compare(pos, kKey.size(), kKey) != 0) return false;
  pos += kKey.size();
  unsigned long long fields[5] = {};
  const std::size_t widths[5] = {8, 16, 16, 16, 16};
  for (int i = 0; i < 5; ++i) {
    if (i > 0) {
      if (pos >= commandLine.size() || commandLine[pos] != '-') return false;
      ++pos;
    }
    if (!ReadHex(commandLine, &pos, widths[i], &fields[i])) return false;
  }
  if (pos < commandLine.size() && commandLine[pos] != ' ') return false;
  stamp->volume = static_cast<unsigned long>(fields[0]);
  stamp->fileIndex = fields[1];
  stamp->size = fields[2];
  stamp->writeTime = fields[3];
  stamp->changeTime = fields[4];
  return true;
}

}  // namespace leftoverrules
