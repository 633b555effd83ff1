// CStatic: a static text control bound to an existing dialog item. It adds
// no behaviour of its own; the custom controls derive from it.
#pragma once

#include "framework/wnd.h"

class CStatic : public CWnd {};
