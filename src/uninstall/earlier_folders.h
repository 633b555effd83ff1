// The folders of earlier installations whose registration an installation
// elsewhere took over: its removal takes them along.
#pragma once

#include "core/install_record.h"
#include "uninstall/removal.h"

// For each folder in record.earlierFolders (record: the uninstall entry's
// copy, which only an administrator can change) that still holds a record
// written for it: what that record names, by the uninstaller's rules (only
// unchanged files of ours, nothing through a link). A folder that is
// protected, leads elsewhere, has no usable record or whose viewer runs is
// left as it is, with its own uninstaller.
void RemoveEarlierFolders(const installrecord::InstallRecord& record, RemovalReport* report);
