// The exception barrier of the message maps: an exception that leaves a
// handler or a timer procedure ends in a message box, as in the framework,
// and the program goes on.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestDialogs.h"
#include "WindowTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/window/CDialog.h"
#include "framework/window/CStdioFile.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under Xvfb with DISPLAY set";
    }
};

class CountedException : public CException {
public:
    ~CountedException() override { ++deleted; }
    CString GetErrorMessage() const override { return "counted failure"; }
    static int deleted;
};
int CountedException::deleted = 0;

class ThrowingDialog : public CDialog {
public:
    ThrowingDialog() : CDialog(IDD_TEST_DIALOG) {}
    std::function<void()> onButton;
    std::function<void(ThrowingDialog&)> onInit;
    MessageBoxWatcher watcher;

protected:
    BOOL OnInitDialog() override
    {
        watcher.Start(m_hWnd);
        if (onInit) onInit(*this);
        return TRUE;
    }
    void OnButton() { onButton(); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ThrowingDialog, CDialog)
ON_BN_CLICKED(IDC_TEST_BUTTON, &ThrowingDialog::OnButton)
END_MESSAGE_MAP()

// Runs a dialog whose button handler does `action`, clicks it, and gives the
// texts of the message boxes shown; the dialog must go on to end by IDOK.
std::vector<std::string> BoxesWhenHandlerRuns(std::function<void()> action)
{
    ThrowingDialog dialog;
    dialog.onButton = std::move(action);
    dialog.onInit = [](ThrowingDialog& self) {
        PostMessageA(self.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(self.m_hWnd, IDC_TEST_BUTTON)));
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    return dialog.watcher.Texts();
}

TEST_F(WindowTest, ExceptionsFromHandlersEndInAMessageBox)
{
    const std::string missing = "C:\\no such folder\\results.txt";
    const auto fileBoxes = BoxesWhenHandlerRuns([&] {
        CStdioFile file(missing.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        file.WriteString("never written");
    });
    ASSERT_EQ(fileBoxes.size(), 1u);
    EXPECT_NE(fileBoxes[0].find(missing), std::string::npos) << fileBoxes[0];

    CountedException::deleted = 0;
    EXPECT_EQ(BoxesWhenHandlerRuns([] { throw new CountedException; }), std::vector<std::string>{"counted failure"});
    EXPECT_EQ(CountedException::deleted, 1);

    EXPECT_EQ(BoxesWhenHandlerRuns([] { throw std::runtime_error("plain failure"); }),
              std::vector<std::string>{"plain failure"});
}

void CALLBACK ThrowingTimerProc(HWND window, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(window, id);
    AfxThrowFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, "from a timer");
}

TEST_F(WindowTest, ExceptionsFromTimerProceduresEndInAMessageBox)
{
    ThrowingDialog dialog;
    dialog.onInit = [](ThrowingDialog& self) { self.SetTimer(7, 10, &ThrowingTimerProc); };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(dialog.watcher.Texts().size(), 1u);
    EXPECT_NE(dialog.watcher.Texts()[0].find("from a timer"), std::string::npos);
}

}  // namespace
