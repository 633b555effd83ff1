// The wizard path of the application's start: the sheet with its five pages,
// run modally.
#pragma once

void RunWizard();
