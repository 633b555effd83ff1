// Shared by the outcome tests: starting the real setup with a UTF-16 command
// line, and a snapshot of everything a stray run could touch.
#pragma once

#include <windows.h>

#include <string>

#include "reliability/fault_support.h"
#include "support/px_test_support.h"

namespace outcomes {

std::wstring Wide(const std::string& text);

// Starts exe (the setup by default) with exactly this command line, program
// path included, in workDir; waits up to two minutes.
pxtest::RunResult RunWide(const std::wstring& commandLine, const std::string& workDir,
                          const std::string& exe = pxtest::SetupExePath());

// "\"<setup>\" " + args.
std::wstring SetupLine(const std::wstring& args);

// The watched folders, the drive's root (where a root target strews the
// payload) and the setup's registry keys.
struct Everything {
  faulttest::DiskState disk;
  faulttest::RegistryState registry;
};
Everything Snapshot();

}  // namespace outcomes
