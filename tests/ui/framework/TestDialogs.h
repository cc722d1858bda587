// Ids of the test's own dialog template (TestDialogs.rc).
#pragma once

#define IDD_TEST_DIALOG 200
#define IDC_TEST_BUTTON 301
#define IDC_TEST_EDIT 302
#define IDC_TEST_LIST 303
#define IDC_TEST_BASE_ONLY 304
