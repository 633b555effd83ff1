// Resource ids of the uninstaller.
#pragma once

#define IDS_UN_CAPTION               100
#define IDS_UN_CONFIRM               101
#define IDS_UN_VIEWER_RUNNING        102
#define IDS_UN_NO_RECORD             103
#define IDS_UN_DAMAGED_RECORD        104
#define IDS_UN_FOREIGN_RECORD        105
#define IDS_UN_PROTECTED_FOLDER      106
#define IDS_UN_REGISTRATION_QUESTION 107
#define IDS_UN_CANNOT_REMOVE         108
#define IDS_UN_INCOMPLETE            109
#define IDS_UN_DONE                  110
#define IDS_UN_LEFT_FILES            111
#define IDS_UN_LEFT_SETTINGS         112
#define IDS_UN_NOTHING_REMOVED       113
