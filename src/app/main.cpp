// The one application object; the framework's WinMain runs it.
#include "app/the_app.h"

TheApp theApp;
