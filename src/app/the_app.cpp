#include "app/the_app.h"

BOOL TheApp::InitInstance() {
  // Placeholder until the silent path and the wizard are built.
  return FALSE;
}
