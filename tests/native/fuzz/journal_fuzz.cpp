// The installation journal as a run reads it before it undoes anything: any
// text. What parses has one spelling (writing it again and reading that
// gives the same journal); what is refused says why.
#include <string>

#include "core/journal.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  journal::Journal read;
  std::string why;
  bool later = false;
  if (!journal::Parse(text, &read, &why, &later)) {
    if (why.empty()) pxfuzz::Require("refused without a reason");
    return 0;
  }
  if (later) pxfuzz::Require("a later format was read");
  const std::string written = journal::Serialize(read);
  journal::Journal again;
  if (!journal::Parse(written, &again, &why)) pxfuzz::Require("its own text does not parse: " + why);
  if (journal::Serialize(again) != written) pxfuzz::Require("a second writing differs");
  return 0;
}
