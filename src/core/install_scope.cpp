#include "core/install_scope.h"

#include "core/command_arguments.h"

namespace installscope {

namespace {

constexpr char kPrefix[] = "/scope=";
constexpr char kMachineWord[] = "/scope=machine";
constexpr char kUserWord[] = "/scope=user";

}  // namespace

bool IsScopeWord(const std::string& plainWord) { return plainWord == kMachineWord || plainWord == kUserWord; }

Request ReadRequest(const char* arguments) {
  for (const std::string& word : SplitArguments(arguments)) {
    const std::string plain = Unquoted(word);
    if (plain.compare(0, sizeof kPrefix - 1, kPrefix) != 0) continue;
    if (plain == kMachineWord) return Request::kMachine;
    if (plain == kUserWord) return Request::kUser;
    return Request::kInvalid;
  }
  return Request::kNone;
}

Scope Choose(Request request, bool elevated) {
  switch (request) {
    case Request::kMachine: return Scope::kMachine;
    case Request::kUser: return Scope::kUser;
    case Request::kNone: return elevated ? Scope::kMachine : Scope::kUser;
    case Request::kInvalid: break;
  }
  return Scope::kMachine;
}

}  // namespace installscope
