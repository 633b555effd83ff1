#include "core/toolbar_skin.h"

ToolbarSkin ChooseToolbarSkin(int fullScreenHeight, int scale) {
  // The first matching row wins; 1600 and 768 are inclusive, 1200 is not.
  if (fullScreenHeight >= 1600 || scale >= 170) return {"gnome-colors-human_48.png", "48"};
  if (fullScreenHeight > 1200 || scale >= 150) return {"gnome-colors-wise_32.png", "32"};
  if (fullScreenHeight >= 768) return {"Kestrand_24.png", "24"};
  return {"Tobrin_16.png", "16"};
}

int ScaleFromLogicalDpi(int dpi) { return static_cast<int>(static_cast<long long>(dpi) * 100 / 96); }
