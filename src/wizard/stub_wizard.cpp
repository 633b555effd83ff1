// Temporary stand-in until the wizard is built.
#include "wizard/wizard_start.h"

void RunWizard(CWinApp&) {}
