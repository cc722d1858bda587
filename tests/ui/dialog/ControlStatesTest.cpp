// Which controls are enabled as the directory text and the search choice
// change, also during a scan, and what the folder picker leaves behind.
#include <string>

#include "DialogTest.h"

namespace {

using ControlStates = DialogTest;

TEST_F(ControlStates, CollectInfoIsEnabledWhenTheFirstDirectoryEntryExists)
{
    TempTree tree;
    tree.AddFile("plain.dll", "a file, not a folder");
    const std::string folder = tree.Root();
    const std::string file = tree.PathOf("plain.dll");
    const std::string missing = tree.PathOf("missing");
    struct Case {
        std::string text;
        bool enabled;
    };
    const Case cases[] = {
        {folder, true},
        {folder + ";" + missing, true},  // later entries are not looked at
        {folder + ";", true},
        {missing, false},
        {missing + ";" + folder, false},
        {file, true},  // a file is something that exists
        {"", false},
        {";x", false},
        {";" + folder, false},
        {folder, true},
    };
    for (const Case& c : cases) {
        session->SetText(IDC_DIRECTORIES, c.text);
        EXPECT_EQ(session->IsEnabled(IDC_COLLECT_INFO), c.enabled) << '"' << c.text << '"';
        EXPECT_TRUE(session->IsEnabled(IDC_DIRECTORIES));
        EXPECT_EQ(session->Text(IDC_DIRECTORIES), c.text);
    }
}

TEST_F(ControlStates, SearchAllDrivesDisablesTheDirectoryEditButKeepsItsText)
{
    TempTree tree;
    const std::string folder = tree.Root();
    const std::string missing = tree.PathOf("missing");
    session->SetText(IDC_DIRECTORIES, folder);

    session->Click(IDC_SEARCH_ALL_DRIVES);
    EXPECT_TRUE(session->IsChecked(IDC_SEARCH_ALL_DRIVES));
    EXPECT_FALSE(session->IsChecked(IDC_SEARCH_DIRECTORIES));
    EXPECT_FALSE(session->IsEnabled(IDC_DIRECTORIES));
    EXPECT_EQ(session->Text(IDC_DIRECTORIES), folder);
    EXPECT_TRUE(session->IsEnabled(IDC_COLLECT_INFO));

    // The text still rules the start button, whatever is searched.
    session->SetText(IDC_DIRECTORIES, missing);
    EXPECT_FALSE(session->IsEnabled(IDC_COLLECT_INFO));
    EXPECT_FALSE(session->IsEnabled(IDC_DIRECTORIES));
    session->SetText(IDC_DIRECTORIES, folder);
    EXPECT_TRUE(session->IsEnabled(IDC_COLLECT_INFO));

    session->Click(IDC_SEARCH_DIRECTORIES);
    EXPECT_FALSE(session->IsChecked(IDC_SEARCH_ALL_DRIVES));
    EXPECT_TRUE(session->IsChecked(IDC_SEARCH_DIRECTORIES));
    EXPECT_TRUE(session->IsEnabled(IDC_DIRECTORIES));
    EXPECT_EQ(session->Text(IDC_DIRECTORIES), folder);
}

TEST_F(ControlStates, AMissingFirstDirectoryDisablesStopDuringAScan)
{
    const BigTree& big = StartBigScan();
    // Held, the worker cannot end the scan while the text changes.
    session->PauseWorker();
    EXPECT_EQ(session->Text(IDC_COLLECT_INFO), "&Stop");
    session->SetText(IDC_DIRECTORIES, big.root + "\\missing");
    EXPECT_FALSE(session->IsEnabled(IDC_COLLECT_INFO));
    EXPECT_EQ(session->Text(IDC_COLLECT_INFO), "&Stop");
    session->SetText(IDC_DIRECTORIES, big.root);
    EXPECT_TRUE(session->IsEnabled(IDC_COLLECT_INFO));
    session->Click(IDC_COLLECT_INFO);
    EXPECT_EQ(session->Text(IDC_COLLECT_INFO), "&Collect Info");
    session->ResumeWorker();
    EXPECT_TRUE(session->WaitForScanEnd());
}

// The folder picker, shown by "&Browse...": its window, and the label with
// the title that the program gives it.
HWND WaitForPicker(const DialogSession& session)
{
    HWND picker = nullptr;
    WaitUntil([&] {
        for (HWND window : ThreadWindows(session.ThreadId())) {
            if (window != session.Window() && FindWindowExA(window, nullptr, nullptr, "Windows Directory")) {
                picker = window;
            }
        }
        return picker != nullptr;
    });
    return picker;
}

TEST_F(ControlStates, BrowseReplacesTheWholeTextOrLeavesItWhenCancelled)
{
    TempTree tree;
    const std::string text = tree.Root() + ";" + tree.PathOf("missing");
    session->SetText(IDC_DIRECTORIES, text);

    session->PostClick(IDC_BROWSE);
    HWND picker = WaitForPicker(*session);
    ASSERT_NE(picker, nullptr) << "no folder picker";
    EXPECT_FALSE(IsWindowEnabled(session->Window()));
    PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(picker) && IsWindowEnabled(session->Window()); }));
    EXPECT_EQ(session->Text(IDC_DIRECTORIES), text);

    // OK on the picker's first choice: one folder, every entry replaced.
    session->PostClick(IDC_BROWSE);
    picker = WaitForPicker(*session);
    ASSERT_NE(picker, nullptr) << "no folder picker";
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(picker) && IsWindowEnabled(session->Window()); }));
    const std::string chosen = session->Text(IDC_DIRECTORIES);
    EXPECT_NE(chosen, text);
    EXPECT_EQ(chosen.find(';'), std::string::npos) << chosen;
    const DWORD attributes = GetFileAttributesA(chosen.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << chosen;
    EXPECT_TRUE(session->IsEnabled(IDC_COLLECT_INFO));
}

}  // namespace
