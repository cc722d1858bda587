// Controls reached through GetDlgItem, handle mapping, and the program's own
// resources (string 101, icon 128).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestDialogs.h"
#include "WindowTestSupport.h"
#include "framework/window/CDialog.h"
#include "framework/window/CListCtrl.h"
#include "framework/window/CWinApp.h"
#include "res/resource.h"

namespace {

class ScriptedDialog : public CDialog {
public:
    explicit ScriptedDialog(UINT templateId) : CDialog(templateId) {}
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (script) script(*this);
        PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    std::function<void(ScriptedDialog&)> script;
    bool ran = false;

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ScriptedDialog, CDialog)
END_MESSAGE_MAP()

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under Xvfb with DISPLAY set";
    }
    // Runs the dialog with `script` in its OnInitDialog.
    static void Run(UINT templateId, std::function<void(ScriptedDialog&)> script)
    {
        ScriptedDialog dialog(templateId);
        dialog.script = [&](ScriptedDialog& self) {
            script(self);
            self.ran = true;
        };
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_TRUE(dialog.ran);
    }
};

TEST_F(ControlsTest, HandlesMapToOneObjectOfTheControlsClass)
{
    Run(IDD_TEST_DIALOG, [](ScriptedDialog& self) {
        EXPECT_EQ(CWnd::FromHandle(self.m_hWnd), &self);
        CWnd* item = self.GetDlgItem(IDC_TEST_LIST);
        ASSERT_NE(dynamic_cast<CListCtrl*>(item), nullptr);
        EXPECT_EQ(self.GetDlgItem(IDC_TEST_LIST), item);
        EXPECT_EQ(CWnd::FromHandle(item->m_hWnd), item);
        EXPECT_EQ(dynamic_cast<CListCtrl*>(self.GetDlgItem(IDC_TEST_BUTTON)), nullptr);
        EXPECT_EQ(self.GetDlgItem(999), nullptr);
    });
}

TEST_F(ControlsTest, ListAndEditTextsRoundTripAtAnyLength)
{
    Run(IDD_TEST_DIALOG, [](ScriptedDialog& self) {
        auto* list = static_cast<CListCtrl*>(self.GetDlgItem(IDC_TEST_LIST));
        EXPECT_EQ(list->InsertColumn(0, "Name", LVCFMT_LEFT, 80), 0);
        EXPECT_EQ(list->InsertColumn(1, "Value", LVCFMT_LEFT, 120), 1);
        EXPECT_EQ(list->GetColumnWidth(1), 120);

        const std::string longText(1000, 'v');
        EXPECT_EQ(list->InsertItem(LVIF_TEXT, 0, "", 0, 0, 0, 0), 0);
        EXPECT_EQ(list->InsertItem(list->GetItemCount(), "second"), 1);
        EXPECT_TRUE(list->SetItemText(0, 1, longText.c_str()));
        EXPECT_EQ(std::string(list->GetItemText(0, 1)), longText);
        EXPECT_EQ(std::string(list->GetItemText(0, 0)), "");
        EXPECT_EQ(std::string(list->GetItemText(1, 0)), "second");
        EXPECT_EQ(list->GetItemCount(), 2);
        EXPECT_TRUE(list->EnsureVisible(1, FALSE));
        EXPECT_TRUE(list->DeleteAllItems());
        EXPECT_EQ(list->GetItemCount(), 0);

        const std::string longPath(600, 'p');
        self.SetDlgItemText(IDC_TEST_EDIT, longPath.c_str());
        CString text;
        EXPECT_EQ(self.GetDlgItemText(IDC_TEST_EDIT, text), 600);
        EXPECT_EQ(std::string(text), longPath);
        self.SetDlgItemInt(IDC_TEST_EDIT, static_cast<UINT>(-5), TRUE);
        self.GetDlgItem(IDC_TEST_EDIT)->GetWindowText(text);
        EXPECT_EQ(std::string(text), "-5");
    });
}

TEST(ProgramResourcesTest, AMissingStringIsEmptyAndTheIconHasThreeImages)
{
    // String 101's text is checked in the system menu of the dialog suite.
    CString text = "left over";
    EXPECT_FALSE(LoadResourceString(text, 9999));
    EXPECT_TRUE(text.IsEmpty());

    ASSERT_NE(AfxGetApp(), nullptr);
    EXPECT_NE(AfxGetApp()->LoadIcon(IDR_MAINFRAME), nullptr);
    // The group's directory: WORD reserved, type, count, then 14-byte
    // entries of width, height, colour count, reserved, planes, bit count...
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(found, nullptr);
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_EQ(group[4], 3);
    struct Image {
        int width, height, colours, bits;
    };
    const Image expected[] = {{32, 32, 16, 4}, {16, 16, 16, 4}, {48, 48, 0, 8}};
    for (int i = 0; i < 3; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        EXPECT_EQ(entry[0], expected[i].width) << i;
        EXPECT_EQ(entry[1], expected[i].height) << i;
        EXPECT_EQ(entry[2], expected[i].colours) << i;
        EXPECT_EQ(entry[6] | entry[7] << 8, expected[i].bits) << i;
    }
}

}  // namespace
