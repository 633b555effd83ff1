// Whose installation a run makes: the machine's or the current user's. Pure
// rules: no Windows header.
#pragma once

#include <string>

#include "core/install_record.h"

namespace installscope {

using installrecord::Scope;

// What the command line asks for: "/scope=machine" or "/scope=user" as a
// word of its own (quotes aside), nothing, or a "/scope=" word with any
// other value (which the unknown-option rule refuses).
enum class Request { kNone, kMachine, kUser, kInvalid };

// The first "/scope=" word of the arguments decides.
Request ReadRequest(const char* arguments);

// True for "/scope=machine" and "/scope=user" (quotes already removed).
bool IsScopeWord(const std::string& plainWord);

// The run's scope: the one asked for; without a request, the machine's for
// an elevated run (an administrator's default) and the current user's for
// any other run, whatever groups the account belongs to. kInvalid decides
// nothing (the run does not start): the machine's.
Scope Choose(Request request, bool elevated);

}  // namespace installscope
