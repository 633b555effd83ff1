// The stack pages a thread gives back: which go, which stay, and that the
// thread still runs through all of its stack afterwards.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdint>
#include <string>

#include "platform/thread_stack.h"

namespace {

constexpr size_t kKiB = 1024;
constexpr size_t kFrame = 4 * kKiB;  // stack taken by one level of Descend

// How many of the pages in [from, to) are resident.
size_t ResidentPages(uintptr_t from, uintptr_t to) {
  size_t resident = 0;
  for (uintptr_t page = from & ~uintptr_t{4095}; page < to; page += 4096) {
    PSAPI_WORKING_SET_EX_INFORMATION info{};
    info.VirtualAddress = reinterpret_cast<void*>(page);
    if (QueryWorkingSetEx(GetCurrentProcess(), &info, sizeof info) && info.VirtualAttributes.Valid) ++resident;
  }
  return resident;
}

struct Probe {
  size_t liveDepth;    // stack in use by the callers when the pages are given back
  size_t touchDepth;   // how deep the thread went before
  uintptr_t releasedAt = 0;
  size_t residentWellBelow = 1;  // pages resident from 96 KB to touchDepth below the release point
  bool callersIntact = false;
  bool deepAgain = false;
};

// Writes every byte of `bytes` of stack below the caller and sums it back.
__attribute__((noinline)) uint64_t Touch(size_t bytes, uint8_t seed) {
  if (bytes < kFrame) return 0;
  volatile uint8_t frame[kFrame - 256];
  for (size_t i = 0; i < sizeof frame; ++i) frame[i] = static_cast<uint8_t>(seed + i);
  uint64_t sum = Touch(bytes - kFrame, static_cast<uint8_t>(seed + 1));
  for (size_t i = 0; i < sizeof frame; ++i) sum += frame[i];
  return sum;
}

uint64_t Expected(size_t bytes, uint8_t seed) {
  uint64_t sum = 0;
  for (; bytes >= kFrame; bytes -= kFrame, ++seed) {
    for (size_t i = 0; i < kFrame - 256; ++i) sum += static_cast<uint8_t>(seed + i);
  }
  return sum;
}

// Holds `depth` bytes of patterned frames, gives the stack back at the
// bottom, and checks on the way up that every frame kept its pattern.
__attribute__((noinline)) bool Descend(size_t depth, Probe& probe) {
  if (depth < kFrame) {
    volatile char mark = 0;
    probe.releasedAt = reinterpret_cast<uintptr_t>(&mark);
    ReleaseUnusedStack();
    probe.residentWellBelow = ResidentPages(probe.releasedAt - probe.touchDepth, probe.releasedAt - 96 * kKiB);
    return true;
  }
  volatile uint8_t frame[kFrame - 256];
  const uint8_t seed = static_cast<uint8_t>(depth / kFrame);
  for (size_t i = 0; i < sizeof frame; ++i) frame[i] = static_cast<uint8_t>(seed ^ i);
  bool intact = Descend(depth - kFrame, probe);
  for (size_t i = 0; i < sizeof frame; ++i) intact = intact && frame[i] == static_cast<uint8_t>(seed ^ i);
  return intact;
}

DWORD WINAPI RunProbe(void* parameter) {
  Probe& probe = *static_cast<Probe*>(parameter);
  Touch(probe.liveDepth + probe.touchDepth, 7);
  probe.callersIntact = Descend(probe.liveDepth, probe);
  // All the way down again, through the pages given back.
  const size_t deep = probe.liveDepth + probe.touchDepth;
  probe.deepAgain = Touch(deep, 3) == Expected(deep, 3);
  return 0;
}

struct StackCase {
  const char* name;
  size_t reserve;  // 0: the program's default
  size_t liveDepth;
  size_t touchDepth;
};

const StackCase kCases[] = {
    {"shallow thread, default stack", 0, 0, 768 * kKiB},
    {"callers holding 64 KB", 0, 64 * kKiB, 768 * kKiB},
    {"callers holding 600 KB", 0, 600 * kKiB, 768 * kKiB},
    {"small reserved stack", 512 * kKiB, 16 * kKiB, 320 * kKiB},
};

TEST(ThreadStack, GivesBackOnlyThePagesBelowTheCallers) {
  for (const StackCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Probe probe{c.liveDepth, c.touchDepth};
    HANDLE thread =
        CreateThread(nullptr, c.reserve, RunProbe, &probe, c.reserve != 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u) << "the thread did not end normally";
    EXPECT_TRUE(probe.callersIntact) << "a frame of the callers changed";
    EXPECT_EQ(probe.residentWellBelow, 0u) << "pages below the margin are still resident";
    EXPECT_TRUE(probe.deepAgain) << "the stack below was not usable again";
  }
}

}  // namespace
