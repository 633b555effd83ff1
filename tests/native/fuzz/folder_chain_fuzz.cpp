// The folder walk of EnsureFolderExists, on an imagined disk: the first
// input byte says which prefixes of the path exist already.
#include <set>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/folder_text.h"

namespace {

struct Disk {
  std::set<std::string> folders;
  pxprop::FolderWalk* walk;
};

std::string WithoutBackslash(std::string path) {
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  return path;
}

bool CanEnter(const char* path, void* context) {
  auto* disk = static_cast<Disk*>(context);
  const bool entered = disk->folders.count(WithoutBackslash(path)) != 0;
  disk->walk->lastTestEntered = entered;
  return entered;
}

void CreateFolder(const char* path, void* context) {
  auto* disk = static_cast<Disk*>(context);
  disk->walk->created.push_back(path);
  const std::string folder = WithoutBackslash(path);
  const std::size_t parent = folder.find_last_of('\\');
  // A folder is made only inside one that exists (a drive "X:" always does).
  if (parent == std::string::npos || disk->folders.count(folder.substr(0, parent)) != 0 ||
      (parent == 2 && folder[1] == ':')) {
    disk->folders.insert(folder);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned existing = data[0];
  char path[260];
  pxfuzz::FillPathBuffer(std::string(reinterpret_cast<const char*>(data + 1), size - 1), path);

  pxprop::FolderWalk walk;
  walk.input = path;
  Disk disk{{}, &walk};
  // Prefixes ending before a backslash exist when their bit is set.
  unsigned bit = 0;
  for (std::size_t i = 0; i < walk.input.size() && bit < 8; ++i) {
    if (walk.input[i] == '\\' && i > 0) {
      if (existing & (1u << bit)) disk.folders.insert(walk.input.substr(0, i));
      ++bit;
    }
  }
  const FolderOps ops{CanEnter, CreateFolder, &disk};
  walk.result = EnsureFolderChain(path, ops);
  walk.output = path;
  pxfuzz::Require(pxprop::CheckFolderWalk(walk));
  return 0;
}
