// Ids of the test's own dialog template (TestDialogs.rc).
#pragma once

#define IDD_TEST_DIALOG 200
#define IDC_TEST_BUTTON 301
