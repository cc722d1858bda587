// The window as it first appears, and the system menu with the about box
// behind it.
#include "DialogTest.h"

#include <string>

namespace {

using FirstView = DialogTest;

constexpr int kNoCheckBox = -1;

struct ControlState {
    int id;
    const char* text;
    int checked;  // 0, 1, or kNoCheckBox
};

TEST_F(FirstView, EveryControlShowsItsDefault)
{
    const ControlState expected[] = {
        {IDC_FILTER, "", kNoCheckBox},
        {IDC_SEARCH_ALL_DRIVES, "Search all drives (not including networked drives)", 0},
        {IDC_SEARCH_DIRECTORIES, "Search these directories:", 1},
        {IDC_INCLUDE_16_BIT, "16 Bit DLLs", 0},
        {IDC_INCLUDE_32_BIT, "32 Bit DLLs", 1},
        {IDC_INCLUDE_64_BIT, "64 Bit DLLs", 1},
        {IDC_INCLUDE_UNKNOWN_BITS, "Unknown bit size", 0},
        {IDC_IGNORE_REDIRECTION, "Ignore redirection on 64 bit OS", 0},
        {IDC_INCLUDE_SYSTEM_INFO, "Include system information in results", 0},
        {IDC_KEEP_MOST_RECENT_VISIBLE, "Keep most recent visible", 1},
        {IDC_BROWSE, "&Browse...", kNoCheckBox},
        {IDC_SCAN_SUBDIRECTORIES, "Scan all subdirectories", 1},
        {IDC_STATUS, "", kNoCheckBox},  // the template's placeholder text is replaced
        {IDC_COLLECT_INFO, "&Collect Info", kNoCheckBox},
        {IDC_CLEAR, "Clear", kNoCheckBox},
        {IDC_COPY_TO_CLIP, "C&opy to Clip", kNoCheckBox},
        {IDC_NOTEPAD, "&Notepad...", kNoCheckBox},
        {IDC_AUTO_CLEAR, "&Auto clear", 1},
        {IDC_FOUND_COUNT, "0", kNoCheckBox},  // not the template's "0000"
        {IDCANCEL, "Close", kNoCheckBox},
        {IDC_RESULTS, "List1", kNoCheckBox},
    };
    for (const ControlState& control : expected) {
        SCOPED_TRACE(control.id);
        ASSERT_NE(session->Item(control.id), nullptr);
        EXPECT_EQ(session->Text(control.id), control.text);
        // The system directory exists, so even "&Collect Info" is enabled.
        EXPECT_TRUE(session->IsEnabled(control.id));
        if (control.checked != kNoCheckBox) {
            EXPECT_EQ(session->IsChecked(control.id), control.checked == 1);
        }
    }

    char systemDirectory[MAX_PATH] = "";
    GetSystemDirectoryA(systemDirectory, MAX_PATH);
    EXPECT_EQ(session->Text(IDC_DIRECTORIES), systemDirectory);
    EXPECT_TRUE(session->IsEnabled(IDC_DIRECTORIES));

    EXPECT_EQ(WindowText(session->Window()), "Modaris");
    EXPECT_EQ(LOWORD(session->Send(DM_GETDEFID)), IDCANCEL);
}

TEST_F(FirstView, SystemMenuEndsWithTheAboutItemBelowASeparator)
{
    HMENU menu = GetSystemMenu(session->Window(), FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    // The system's own items are still there, above ours.
    EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));

    char text[64] = "";
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(count - 1), TRUE, &item));
    EXPECT_EQ(item.fType, static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(item.wID, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_STREQ(text, "&About Modaris...");

    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(count - 2), TRUE, &separator));
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
}

// Opens the about box with a system command, checks it and closes it with OK.
void ExpectAboutBoxFrom(DialogSession& session, WPARAM command)
{
    SCOPED_TRACE(command);
    // Posted: the about box runs a modal loop inside the command's handler.
    PostMessageA(session.Window(), WM_SYSCOMMAND, command, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = FindThreadWindow(session.ThreadId(), "About Modaris")) != nullptr; }));
    EXPECT_EQ(GetWindow(about, GW_OWNER), session.Window());
    EXPECT_FALSE(IsWindowEnabled(session.Window())) << "the main dialog takes input while the about box is open";
    EXPECT_NE(FindWindowExA(about, nullptr, "Static", "Modaris Version 1.0"), nullptr);
    HWND ok = GetDlgItem(about, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(WindowText(ok), "OK");

    session.SendTo(ok, BM_CLICK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(session.Window()); }));
}

TEST_F(FirstView, SystemCommands16To31OpenTheAboutBoxOthersDoNot)
{
    // The low four bits are masked off: 16 and 31 are one command.
    for (WPARAM command : {16, 31}) ExpectAboutBoxFrom(*session, command);

    for (WPARAM command : {15, 32, 0x30}) {
        SCOPED_TRACE(command);
        // Sent: it comes back only once the handler is done, which it would
        // not be with an about box open.
        DWORD_PTR result = 0;
        const LRESULT answered =
            SendMessageTimeoutA(session->Window(), WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 20000, &result);
        EXPECT_TRUE(answered);
        HWND about = FindThreadWindow(session->ThreadId(), "About Modaris");
        EXPECT_EQ(about, nullptr);
        if (about) PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_TRUE(IsWindowVisible(session->Window()));
}

}  // namespace
