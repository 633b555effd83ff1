// Page templates of the test wizard.
#pragma once

#define IDD_TEST_PAGE_0   401
#define IDD_TEST_PAGE_1   402
#define IDD_TEST_PAGE_2   403
#define IDD_TEST_PAGE_3   404
#define IDC_TEST_EDIT     1000
#define IDC_TEST_TEXT     1001
