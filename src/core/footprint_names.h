// The names an installation leaves behind: files, links, the Start-menu
// group and the registry keys and value names of the product. Every layer
// that writes, reads back or removes one of them takes it from here, so that
// the setup and the uninstaller cannot drift apart. No Windows header: the
// pure rules use them too.
#pragma once

namespace footprint {

// Files in the install folder. The viewer's program is what the links and
// the open commands name, what the finish page starts and what the next run
// looks for in the registered open command.
constexpr char kViewerProgramFile[] = "px_main64.exe";
constexpr const char* kUninstallerFileName = "pv_uninstall.exe";
// The install record, and the name it is written under first.
constexpr const char* kRecordFileName = "pv_uninstall.dat";
constexpr const char* kRecordTempName = "pv_uninstall.dat.new";
// What a run's files are called while it runs: a new file is unpacked under
// its name with the staged suffix and put in place only when every file is
// unpacked; the earlier installation's file it replaces keeps the replaced
// suffix until the run has ended (put back when the run fails).
constexpr const char* kStagedSuffix = ".pxnew";
constexpr const char* kReplacedSuffix = ".pxold";
// The installation journal (core/journal.h): a value of this key in the
// registry of the installation's scope (HKEY_LOCAL_MACHINE for every
// user's, HKEY_CURRENT_USER for the current user's), there only while a run
// is under way or was cut off.
constexpr const char* kJournalKey = "SOFTWARE\\PixorraSetup";
constexpr const char* kJournalValue = "Journal";
// The text documents the group links to, relative to the install folder.
constexpr const char* kAboutFile = "px_about.txt";
constexpr const char* kChangesFile = "px_changes.txt";
constexpr const char* kOptionsFile = "px_options.txt";
constexpr const char* kPlugInsFile = "px_plugins.txt";
constexpr const char* kLanguagesFile = "px_languages.txt";
constexpr const char* kHelpFile = "help\\px_main32_deutsch.chm";

// The viewer's settings file in the settings folder.
constexpr char kSettingsFileName[] = "px_main64.ini";

// The folder below Program Files that a new installation goes to.
constexpr char kProgramFilesFolder[] = "Pixorra";
// The current user's installation: this folder below the user's local
// application data.
constexpr char kUserProgramsFolder[] = "Programs\\Pixorra";

// The Start-menu group (in a programs folder) and its links; the main link's
// name carries the version (shelltext::ComposeMainLinkName).
constexpr const char* kGroupFolder = "Pixorra";
constexpr const char* kThumbnailsLinkName = "Pixorra - Thumbnails.lnk";
constexpr const char* kUninstallLinkName = "Pixorra deinstallieren.lnk";
constexpr const char* kAboutLinkName = "\xDC" "ber Pixorra.lnk";
constexpr const char* kChangesLinkName = "Was ist neu.lnk";
constexpr const char* kOptionsLinkName = "Kommandozeilen-Optionen.lnk";
constexpr const char* kPlugInsLinkName = "Verf\xFC" "gbare PlugIns.lnk";
constexpr const char* kLanguagesLinkName = "Verf\xFC" "gbare Sprachen.lnk";
constexpr const char* kHelpLinkName = "Pixorra Hilfe.lnk";
// The desktop links.
constexpr const char* kDesktopLinkName = "Pixorra 64.lnk";
constexpr const char* kDesktopThumbnailsLinkName = "Pixorra 64 Thumbnails.lnk";

// Registry keys of HKEY_LOCAL_MACHINE unless said otherwise.
// The product's class; the next setup run reads its open command back to
// find the installation.
constexpr const char* kProductClassKey = "SOFTWARE\\Classes\\Pixorra";
constexpr const char* kOpenCommandKey = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
// Where older versions put an icon.
constexpr const char* kOldProductIconKey = "SOFTWARE\\Classes\\Pixorra\\DefaultIcon";
// The "Applications" entry, written below HKEY_CLASSES_ROOT, and where it
// lands for the machine.
constexpr const char* kApplicationsEntryKey = "Applications\\px_main64.exe";
constexpr const char* kApplicationsCommandKey = "Applications\\px_main64.exe\\shell\\open\\command";
constexpr const char* kApplicationsMachineKey = "SOFTWARE\\Classes\\Applications\\px_main64.exe";
constexpr const char* kUninstallEntryKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
// The parents of the uninstall entry and the App Paths entry, which a user's
// hive may not have yet (the latter spelt once, for it and the entry below).
#define PX_APP_PATHS_PARENT_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"
constexpr const char* kUninstallParentKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kAppPathsParentKey = PX_APP_PATHS_PARENT_KEY;
// Where Windows looks up the viewer's program by its file name alone.
constexpr const char* kAppPathsKey = PX_APP_PATHS_PARENT_KEY "\\px_main64.exe";
#undef PX_APP_PATHS_PARENT_KEY
// The same for the user's classes and their "Applications" key (the
// machine always has both).
constexpr const char* kUserClassesKey = "SOFTWARE\\Classes";
constexpr const char* kUserApplicationsKey = "SOFTWARE\\Classes\\Applications";
// The application key with its capabilities.
constexpr const char* kApplicationKey = "SOFTWARE\\Pixorra";
constexpr const char* kApplicationCommandKey = "SOFTWARE\\Pixorra\\shell\\open\\command";
constexpr const char* kCapabilitiesKey = "SOFTWARE\\Pixorra\\Capabilities";
constexpr const char* kFileAssociationsKey = "SOFTWARE\\Pixorra\\Capabilities\\FileAssociations";
// The one value the setup writes into a shared key of the system.
constexpr const char* kRegisteredApplicationsKey = "SOFTWARE\\RegisteredApplications";
constexpr const char* kRegisteredApplicationName = "Pixorra";
// The parents of the folder and drive verbs.
constexpr const char* kDirectoryClass = "Directory";
constexpr const char* kDriveClass = "Drive";
// HKEY_CURRENT_USER: the parent of the user choices.
constexpr const char* kFileExtsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
// HKEY_CURRENT_USER: the five store app classes that get "NoOpenWith" from
// Windows 8 on: the system's own ProgIDs of its built-in photo, video and
// music apps, which would otherwise keep offering themselves next to the
// viewer.
constexpr const char* kStoreAppClasses[] = {
    "SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
    "SOFTWARE\\Classes\\AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    "SOFTWARE\\Classes\\AppX43hnxtbyyps62jhe9sqpdzxn1790zetc",
    "SOFTWARE\\Classes\\AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    "SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h",
};

// Value names.
constexpr const char* kFriendlyAppNameValue = "FriendlyAppName";
constexpr const char* kDescriptionValue = "ApplicationDescription";
constexpr const char* kAppPathValue = "Path";
constexpr const char* kProgIdValue = "Progid";
constexpr const char* kHashValue = "Hash";
constexpr const char* kNoOpenWithValue = "NoOpenWith";
constexpr const char* kDisplayNameValue = "DisplayName";
constexpr const char* kUninstallStringValue = "UninstallString";
constexpr const char* kPublisherValue = "Publisher";
constexpr const char* kInstallLocationValue = "InstallLocation";
constexpr const char* kDisplayVersionValue = "DisplayVersion";
constexpr const char* kDisplayIconValue = "DisplayIcon";
constexpr const char* kVersionMajorValue = "VersionMajor";
constexpr const char* kVersionMinorValue = "VersionMinor";
constexpr const char* kEstimatedSizeValue = "EstimatedSize";
constexpr const char* kNoModifyValue = "NoModify";
constexpr const char* kNoRepairValue = "NoRepair";
constexpr const char* kQuietUninstallStringValue = "QuietUninstallString";
constexpr const char* kUrlInfoAboutValue = "URLInfoAbout";
constexpr const char* kHelpLinkValue = "HelpLink";
constexpr const char* kInstallDateValue = "InstallDate";
// The uninstall entry's copy of the install record.
constexpr const char* kRecordCopyValue = "InstallRecord";

// The machine-wide mutex that the setup and the uninstaller hold while they
// change anything: one run at a time, whichever session or account starts
// it. How long a second run waits for it before it gives up (exit 1618,
// nothing touched): longer than a whole run takes (about a second), short
// enough that a deployment tool hears its retry code at once.
constexpr const char* kRunMutexName = "Global\\PixorraSetupRun";
constexpr unsigned long kRunWaitMs = 10000;

// The verb the folders and drives get with the thumbnails option.
constexpr const char* kVerbName = "Browse with &Pixorra";

}  // namespace footprint
