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
#define IDS_UN_RECORD_TOO_LARGE      114
#define IDS_UN_RECORD_IS_FOLDER      115
#define IDS_UN_RECORD_REDIRECTED     116
#define IDS_UN_RECORD_UNREADABLE     117
#define IDS_UN_FOLDER_REDIRECTED     118
#define IDS_UN_LINK_LEFT             119
#define IDS_UN_CHANGED_FILE          120
#define IDS_UN_CHANGED_FILES         121
#define IDS_UN_KEPT_LEFT             122
#define IDS_UN_CLEANUP_FAILED        123
#define IDS_UN_HELP                  124
#define IDS_UN_UNKNOWN_OPTION        125
#define IDS_UN_UNREAD_LINES          126
#define IDS_UN_OTHER_RUN             140
#define IDS_UN_NOT_PUT_BACK          160
#define IDS_UN_UNDO_INCOMPLETE       161
#define IDS_UN_LOCK_UNKNOWN_HOLDER   150
#define IDS_UN_LOCK_NAME_TAKEN       151
#define IDS_UN_UNTRUSTED_JOURNAL     152
