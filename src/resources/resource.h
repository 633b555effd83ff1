// Resource and control ids shared by the .rc file and the code.
// Numbers are fixed: tests, templates and the installed product rely on them.
#pragma once

// String table
#define IDS_EXIT_BUTTON          1   // "&Beenden"
#define IDS_FINISH_BUTTON        2   // "&Fertig stellen"
#define IDS_ABANDON_QUESTION     3   // "Installation beenden?"
#define IDS_CAPTION              4   // "Pixorra 64-bit Installation"
#define IDS_INVALID_FOLDER       5   // "Ungültiges Zielverzeichnis!"
#define IDS_TARGET_FOLDER_WORD   6   // "Zielverzeichnis"
#define IDS_INSTALL_FAILED       7
#define IDS_BROWSE_TITLE         8   // "Zielverzeichnis:"
#define IDS_ASSOCIATE_QUESTION   9
#define IDS_VIEWER_RUNNING       10
#define IDS_CANNOT_CREATE_FOLDER 11
#define IDS_NEEDS_ADMIN          30  // the open command or the uninstall entry could not be written
#define IDS_HELP                 31  // "/?" and "/help": options and exit codes
#define IDS_INSTALLED            32  // the success line of a log named with "/log="
#define IDS_LINK_FAILED          33  // a link that could not be saved (logged, not fatal)
#define IDS_ASSOCIATION_FAILED   34  // a chosen extension that did not become the viewer's (logged, not fatal)
#define IDS_RECORD_FAILED        35  // the install record could not be written (logged, not fatal)
#define IDS_FOLDER_IS_LINK       36  // the program folder or one of its folders leads elsewhere (a link)
#define IDS_NOT_SET_ASIDE        37  // a file of the user's at a payload name could not be moved into pv_kept
#define IDS_UNKNOWN_OPTION       38  // an argument that is none of the options (log entry or box, exit 1639)
#define IDS_NO_DESKTOP           39  // no silent switch on a window station nobody sees (exit 1639)
#define IDS_LOG_NOT_WRITABLE     40  // the "/log=" file cannot be written (exit 1622)
#define IDS_WIZARD_LEFT          41  // the wizard's result line: left before installing (exit 1602)
#define IDS_WIZARD_FAILED        42  // the wizard's result line: left after a failed run (exit 1603)
#define IDS_INI_FROM_COMMAND_LINE 43 // the ready page's second choice when "/ini=" names another folder
// A run as a service account or on a window station nobody sees: what was
// written instead of into the account's profile (logged notices).
#define IDS_MACHINE_LINKS        50
#define IDS_MACHINE_ASSOCIATIONS 51
#define IDS_MACHINE_SETTINGS     52
// The "/progress" window's line under the bar, per stage.
#define IDS_PROGRESS_UNPACKING   53
#define IDS_PROGRESS_REGISTERING 54
// The welcome page's line for an installation without administrator rights.
#define IDS_USER_SCOPE_NOTE      55
#define IDS_RECORD_LINES_UNREAD  56 // "%u": how many lines of a later record format were left out
#define IDS_OTHER_RUN            60
// The installation journal: it cannot be written (nothing changed, exit
// 1603); a failed run was taken back; an interrupted run was taken back
// before this one; a newer setup's interrupted run is in the way.
#define IDS_JOURNAL_FAILED       61
#define IDS_ROLLED_BACK          62
#define IDS_RECOVERED            63
#define IDS_LATER_JOURNAL        64
// An undo that could not put everything back: each item, then the end of
// the run (the failed run's undo, or the interrupted run's before this one).
#define IDS_NOT_PUT_BACK         65
#define IDS_UNDO_INCOMPLETE      66
#define IDS_RECOVERY_INCOMPLETE  67
#define IDS_OPTION_PAST_WINDOW   70  // an option beyond the command line's 519-character window
#define IDS_OPTION_AMBIGUOUS     71  // a value an unquoted "/" would cut inside its word
#define IDS_LOCK_UNKNOWN_HOLDER  72  // the run lock is held by a program that may be no setup
#define IDS_LOCK_NAME_TAKEN      73  // the run lock's name is taken by an object that is no lock
#define IDS_UNTRUSTED_JOURNAL    74  // the user's journal names a place not the user's, or no elevated run wrote it
#define IDS_FOLDER_OF_MACHINE    75  // a run for the current user into the machine installation's folder
#define IDS_FOLDER_OF_USER       76  // a run for all users into a folder of the user's installation

// Dialog templates (wizard pages)
#define IDD_WELCOME       101
#define IDD_ASSOCIATIONS  104
#define IDD_WHATS_NEW     108
#define IDD_READY         109
#define IDD_FINISH        110

// Other resources
#define IDI_PROGRAM        111
#define IDB_LOGO           113
#define IDB_LOGO_LARGE     114   // the logo at twice the size, for high DPI
#define IDR_RELEASE_NOTES  128   // type "TXT"
#define IDR_PAYLOAD        208   // type "ZIP"

// Controls
#define IDC_TARGET_FOLDER      1000  // welcome: target folder edit; what's new: notes edit
#define IDC_BROWSE             1009
#define IDC_READY_FOLDER       1010
#define IDC_DESKTOP_LINK       1011
#define IDC_GROUP_LINK         1012
#define IDC_WELCOME_TITLE      1013
#define IDC_READY_TITLE        1014
#define IDC_FINISH_TITLE       1015
#define IDC_CURRENT_USER       1016
#define IDC_ALL_USERS          1017
#define IDC_NO_LINKS           1019
#define IDC_START_VIEWER       1020
#define IDC_THUMBS_LINK        1021
#define IDC_SHOW_FAQ           1022
#define IDC_INI_PROGRAM_FOLDER 1038
#define IDC_INI_APPDATA_FOLDER 1039
#define IDC_PROGRESS_NOTE      1044
#define IDC_EULA_LINK          1045
#define IDC_SCOPE_NOTE         1046  // welcome: made only for the current user's installation
#define IDC_FORMAT_LIST        1579
#define IDC_SELECT_ALL         1080
#define IDC_SELECT_NONE        1081
#define IDC_IMAGES_ONLY        1091

// The sheet's standard wizard buttons
#define IDC_SHEET_BACK    12323
#define IDC_SHEET_NEXT    12324
#define IDC_SHEET_FINISH  12325
