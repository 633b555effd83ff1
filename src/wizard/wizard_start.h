// The wizard path of the application's start: the title font, the five
// pages on the sheet, the modal wizard, the pages torn down again.
#pragma once

class CWinApp;

void RunWizard(CWinApp& app);
