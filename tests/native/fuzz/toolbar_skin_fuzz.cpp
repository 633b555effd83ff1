// The toolbar skin for any screen height, scale and logical DPI.
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/toolbar_skin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int numbers[3] = {0, 0, 0};
  std::memcpy(numbers, data, size < sizeof numbers ? size : sizeof numbers);
  pxfuzz::Require(pxprop::CheckSkinChoice(ChooseToolbarSkin, numbers[0], numbers[1]));
  pxfuzz::Require(pxprop::CheckScaleFromDpi(numbers[2], ScaleFromLogicalDpi(numbers[2])));
  // The whole way the product goes: DPI to scale to skin.
  pxfuzz::Require(pxprop::CheckSkinChoice(ChooseToolbarSkin, numbers[0], ScaleFromLogicalDpi(numbers[2])));
  return 0;
}
