// Message-map dispatch, default processing, command routing and the
// exception barrier, on a real dialog.
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
#include "framework/window/CWinApp.h"

namespace {

constexpr UINT kAppCommand = 0xE001;
std::vector<std::string> g_log;

class TestApp : public CWinApp {
public:
    void OnAppCommand() { g_log.push_back("app command"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(kAppCommand, &TestApp::OnAppCommand)
END_MESSAGE_MAP()
TestApp g_app;

class BaseProbe : public CDialog {
public:
    BaseProbe() : CDialog(IDD_TEST_DIALOG) {}
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (script) script(*this);
        return TRUE;
    }
    void Command(UINT id, UINT code)
    {
        SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, id)));
    }

    std::function<void(BaseProbe&)> script;

protected:
    void OnSysCommand(UINT id, LPARAM)
    {
        g_log.push_back("base syscommand " + std::to_string(id));
        Default();
    }
    void OnBaseClicked() { g_log.push_back("base button"); }
    void OnBaseOnly() { g_log.push_back("base only"); }
    void OnOK() override
    {
        g_log.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        g_log.push_back("OnCancel");
        CDialog::OnCancel();
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BaseProbe, CDialog)
    ON_WM_SYSCOMMAND()
    ON_BN_CLICKED(IDC_TEST_BUTTON, &BaseProbe::OnBaseClicked)
    ON_BN_CLICKED(IDC_TEST_BASE_ONLY, &BaseProbe::OnBaseOnly)
END_MESSAGE_MAP()

class DerivedProbe : public BaseProbe {
protected:
    void OnSysCommand(UINT id, LPARAM)
    {
        g_log.push_back("derived syscommand " + std::to_string(id));
        if (id == SC_CLOSE) Default();
    }
    void OnFirst() { g_log.push_back("first entry"); }
    void OnSecond() { g_log.push_back("second entry"); }
    void OnEditChange() { g_log.push_back("edit changed"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(DerivedProbe, BaseProbe)
    ON_BN_CLICKED(IDC_TEST_BUTTON, &DerivedProbe::OnFirst)
    ON_BN_CLICKED(IDC_TEST_BUTTON, &DerivedProbe::OnSecond)
    ON_EN_CHANGE(IDC_TEST_EDIT, &DerivedProbe::OnEditChange)
    ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

// Maps nothing of its own: everything falls back to BaseProbe's map.
class FallbackProbe : public BaseProbe {
protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(FallbackProbe, BaseProbe)
END_MESSAGE_MAP()

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under Xvfb with DISPLAY set";
        g_log.clear();
    }
};

TEST_F(WindowTest, MapsAreSearchedInOrderThenTheBaseMap)
{
    DerivedProbe dialog;
    dialog.script = [](BaseProbe& self) {
        self.Command(IDC_TEST_BUTTON, BN_CLICKED);
        self.Command(IDC_TEST_BUTTON, BN_DOUBLECLICKED);  // no entry for this code
        self.Command(IDC_TEST_BASE_ONLY, BN_CLICKED);
        self.SetDlgItemText(IDC_TEST_EDIT, "typed");       // the edit's own EN_CHANGE
        self.SendMessage(WM_COMMAND, kAppCommand, 0);      // a menu command: on to the application
        self.SendMessage(WM_SYSCOMMAND, 0x20, 0);
        // Closing goes through Default() to the dialog manager, which sends
        // IDCANCEL, which reaches the virtual OnCancel.
        PostMessageA(self.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    const std::vector<std::string> expected = {"first entry",  "base only",
                                               "edit changed", "app command",
                                               "derived syscommand 32", "derived syscommand " + std::to_string(SC_CLOSE),
                                               "OnCancel"};
    EXPECT_EQ(g_log, expected);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST_F(WindowTest, WithoutEntriesOfItsOwnTheBaseMapAndOnOKApply)
{
    FallbackProbe dialog;
    dialog.script = [](BaseProbe& self) {
        self.Command(IDC_TEST_BUTTON, BN_CLICKED);
        self.SendMessage(WM_SYSCOMMAND, 0x20, 0);
        PostMessageA(self.m_hWnd, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const std::vector<std::string> expected = {"base button", "base syscommand 32", "OnOK"};
    EXPECT_EQ(g_log, expected);
}

class CountedException : public CException {
public:
    ~CountedException() override { ++deleted; }
    CString GetErrorMessage() const override { return "counted failure"; }
    static int deleted;
};
int CountedException::deleted = 0;

class ThrowingDialog : public BaseProbe {
public:
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
BEGIN_MESSAGE_MAP(ThrowingDialog, BaseProbe)
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
