#include "platform/thread_stack.h"

#include <windows.h>

namespace {

constexpr ULONG_PTR kPage = 4096;
// Room for the calls made from here (VirtualQuery, VirtualAlloc) and then
// some: the frames of this function's callers are above the margin anyway.
constexpr ULONG_PTR kMargin = 64 * 1024;

// The deepest address of the stack that holds `inside`, and the page-aligned
// end of the part that may be released (0 when there is none).
struct StackSpan {
  char* bottom = nullptr;
  char* end = nullptr;
};

__attribute__((noinline)) StackSpan SpanBelow(const volatile char* inside) {
  StackSpan span;
  MEMORY_BASIC_INFORMATION here{};
  if (VirtualQuery(const_cast<const char*>(inside), &here, sizeof here) == 0) return span;
  const ULONG_PTR depth = reinterpret_cast<ULONG_PTR>(inside);
  const ULONG_PTR bottom = reinterpret_cast<ULONG_PTR>(here.AllocationBase);
  if (depth <= bottom || depth - bottom <= kMargin) return span;
  span.bottom = static_cast<char*>(here.AllocationBase);
  span.end = reinterpret_cast<char*>((depth - kMargin) & ~(kPage - 1));
  return span;
}

}  // namespace

void ReleaseUnusedStack() {
  volatile char mark = 0;
  const StackSpan span = SpanBelow(&mark);
  char* at = span.bottom;
  while (at != nullptr && at < span.end) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(at, &region, sizeof region) == 0 || region.AllocationBase != span.bottom) return;
    char* const regionEnd = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    char* const stop = regionEnd < span.end ? regionEnd : span.end;
    if (region.State == MEM_COMMIT && region.Protect == PAGE_READWRITE && stop > at) {
      // MEM_RESET keeps the pages committed: the thread may grow into them again.
      VirtualAlloc(at, static_cast<SIZE_T>(stop - at), MEM_RESET, PAGE_READWRITE);
    }
    at = regionEnd;
  }
}
