// The wizard path of the application's start: builds the sheet and its pages,
// runs them modally and tears them down again.
#pragma once

class CWinApp;

void RunWizard(CWinApp& app);
