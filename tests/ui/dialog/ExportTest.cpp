// "C&opy to Clip" and "&Notepad...": the text that leaves the program, read
// back where it arrives.
#include "DialogTest.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Export = DialogTest;

bool OpenClipboardSoon()
{
    return WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 20000);
}

// The clipboard's CF_TEXT, or "<none>".
std::string ClipboardText()
{
    if (!OpenClipboardSoon()) return "<clipboard busy>";
    std::string text = "<none>";
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(block))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(block)));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text)
{
    ASSERT_TRUE(OpenClipboardSoon());
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

// The window's options as the console scanner takes them: both must give
// the same text for the same scan, so every option reaches the scan. With
// the defaults it is the text of the rows the window must show.
struct Options {
    const char* name;
    std::string filter;
    bool secondDirectoryFirst;  // "mid;root" instead of "root"
    bool subdirectories, bits16, bits32, bits64, unknownBits, systemInformation;
    std::string scannerArguments;
};

TEST_F(Export, EveryOptionOfTheWindowReachesTheScan)
{
    FixtureTree tree;
    const Options cases[] = {
        {"defaults", "", false, true, false, true, true, false, false, ""},
        {"filter", "V1_2_3_4_X64.dll;no_version_resource_x86.DLL", false, true, false, true, true, false, false,
         "-f \"V1_2_3_4_X64.dll;no_version_resource_x86.DLL\""},
        {"two directories", "", true, true, false, true, true, false, false, ""},
        {"no subdirectories", "", false, false, false, true, true, false, false, "-n"},
        {"16 bit and unknown only", "", false, true, true, false, false, true, false, "-b 16,unknown"},
        {"64 bit only", "", false, true, false, false, true, false, false, "-b 64"},
        {"system information", "", false, true, false, true, true, false, true, "-s"},
    };
    for (const Options& options : cases) {
        SCOPED_TRACE(options.name);
        const std::string directories =
            options.secondDirectoryFirst ? tree.Root() + "\\mid;" + tree.Root() : tree.Root();
        session->SetText(IDC_FILTER, options.filter);
        session->SetChecked(IDC_SCAN_SUBDIRECTORIES, options.subdirectories);
        session->SetChecked(IDC_INCLUDE_16_BIT, options.bits16);
        session->SetChecked(IDC_INCLUDE_32_BIT, options.bits32);
        session->SetChecked(IDC_INCLUDE_64_BIT, options.bits64);
        session->SetChecked(IDC_INCLUDE_UNKNOWN_BITS, options.unknownBits);
        session->SetChecked(IDC_INCLUDE_SYSTEM_INFO, options.systemInformation);
        session->StartScan(directories);
        ASSERT_TRUE(session->WaitForScanEnd());
        session->Click(IDC_COPY_TO_CLIP);
        const std::string copied = ClipboardText();
        EXPECT_NE(copied, "");
        if (options.name == std::string("defaults")) {
            EXPECT_EQ(copied, ResultsText(tree.ExpectedRows()));
        }
        EXPECT_EQ(copied, RunConsoleScanner("-q " + options.scannerArguments + " -d \"" + directories + "\""));
    }
}

TEST_F(Export, CopyToClipSkipsABusyClipboardAndCopiesAnEmptyList)
{
    FixtureTree tree;
    ASSERT_TRUE(ScanToTheEnd(tree.Root()));
    SetClipboardText("before");

    // This thread holds the clipboard open: the copy must leave it alone.
    ASSERT_TRUE(OpenClipboardSoon());
    session->Click(IDC_COPY_TO_CLIP);
    CloseClipboard();
    EXPECT_EQ(ClipboardText(), "before");

    session->Click(IDC_CLEAR);
    session->Click(IDC_COPY_TO_CLIP);
    EXPECT_EQ(ClipboardText(), "");
}

// A company that holds a tab and a line break would split its row in the
// exported text: both are written as spaces, so every row stays one line of
// six cells.
TEST_F(Export, ATabOrLineBreakInACellStaysInItsRow)
{
    std::ifstream in(WindowsPath(MODARIS_MODULE_FIXTURE_DIR) + "\\company_one_translation_x64.dll", std::ios::binary);
    std::string module((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // "Modaris One Translation Ltd" in UTF-16: its first two spaces become a
    // tab and a line feed, the length unchanged.
    std::string wide;
    for (const char c : std::string("Modaris One Translation")) wide += std::string{c, '\0'};
    const std::size_t at = module.find(wide);
    ASSERT_NE(at, std::string::npos);
    module[at + 2 * 7] = '\t';
    module[at + 2 * 11] = '\n';
    TempTree tree;
    tree.AddFile("broken.dll", std::vector<unsigned char>(module.begin(), module.end()));

    ASSERT_TRUE(ScanToTheEnd(tree.Root()));
    session->Click(IDC_COPY_TO_CLIP);
    const std::string text = ClipboardText();
    EXPECT_NE(text.find("\tModaris One Translation Ltd\t"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 6) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
}

// A Notepad that the dialog started: the child process of this one with
// that name, and its main window. Ended, by its id, when the object goes.
class StartedNotepad {
public:
    // Waits for such a process with a visible Notepad window.
    bool Find()
    {
        return WaitUntil([this] { return FindProcess() && FindMainWindow(); });
    }
    ~StartedNotepad()
    {
        if (!m_process) return;
        if (m_window) PostMessageA(m_window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_process, 20000) != WAIT_OBJECT_0) TerminateProcess(m_process, 1);
        CloseHandle(m_process);
    }
    HANDLE Process() const { return m_process; }
    HWND Window() const { return m_window; }

private:
    bool FindProcess()
    {
        if (m_process) return true;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return false;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more && !m_process; more = Process32Next(snapshot, &entry)) {
            if (entry.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(entry.szExeFile, "notepad.exe") == 0) {
                m_processId = entry.th32ProcessID;
                m_process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                                        FALSE, m_processId);
            }
        }
        CloseHandle(snapshot);
        return m_process != nullptr;
    }
    bool FindMainWindow()
    {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "Notepad", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == m_processId && IsWindowVisible(window)) m_window = window;
        }
        return m_window != nullptr;
    }

    DWORD m_processId = 0;
    HANDLE m_process = nullptr;
    HWND m_window = nullptr;
};

// A process's command line, read from its process parameters.
std::string CommandLineOf(HANDLE process)
{
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return "";
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
        return "";
    }
    std::wstring wide(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, &wide[0], parameters.CommandLine.Length, nullptr)) {
        return "";
    }
    std::string narrow(wide.size() * 2 + 1, '\0');
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &narrow[0],
                                           static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return narrow;
}

// The user's temporary folder, for as long as the object lives.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& folder)
    {
        GetEnvironmentVariableA("TMP", m_tmp, MAX_PATH);
        GetEnvironmentVariableA("TEMP", m_temp, MAX_PATH);
        SetEnvironmentVariableA("TMP", folder.c_str());
        SetEnvironmentVariableA("TEMP", folder.c_str());
    }
    ~TemporaryFolder()
    {
        SetEnvironmentVariableA("TMP", m_tmp[0] ? m_tmp : nullptr);
        SetEnvironmentVariableA("TEMP", m_temp[0] ? m_temp : nullptr);
    }

private:
    char m_tmp[MAX_PATH] = "";
    char m_temp[MAX_PATH] = "";
};

TEST_F(Export, NotepadShowsTheTextOfATemporaryFileThatIsGoneAfterwards)
{
    FixtureTree tree;
    ASSERT_TRUE(ScanToTheEnd(tree.Root()));

    // A temporary folder with a space in its name: the file lies there and
    // the command line still names it whole.
    TempTree temporary;
    temporary.AddDirectory("Local Temp");
    TemporaryFolder folder(temporary.PathOf("Local Temp"));
    session->Click(IDC_NOTEPAD);
    StartedNotepad notepad;
    ASSERT_TRUE(notepad.Find()) << "no Notepad window";

    const std::string commandLine = CommandLineOf(notepad.Process());
    const std::string prefix = "notepad.exe \"";
    ASSERT_EQ(commandLine.compare(0, prefix.size(), prefix), 0) << commandLine;
    // Wine's Notepad ends the name in place, where the closing quote was.
    const std::string fileName = commandLine.substr(
        prefix.size(), commandLine.find_first_of(std::string("\"\0", 2), prefix.size()) - prefix.size());
    char folderPath[MAX_PATH] = "";
    GetFullPathNameA(temporary.PathOf("Local Temp").c_str(), MAX_PATH, folderPath, nullptr);
    EXPECT_EQ(lstrcmpiA(fileName.substr(0, std::strlen(folderPath)).c_str(), folderPath), 0) << fileName;
    EXPECT_EQ(GetFileAttributesA(fileName.c_str()), INVALID_FILE_ATTRIBUTES) << fileName << " is still there";

    // What Notepad read from the file: the export text, lines in CR LF.
    HWND edit = FindWindowExA(notepad.Window(), nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    std::string shown;
    WaitUntil([&] { return !(shown = WindowText(edit)).empty(); }, 20000);
    EXPECT_EQ(shown, ResultsText(tree.ExpectedRows()));
    EXPECT_EQ(shown.find("\r\r"), std::string::npos);
}

// The files of `folder`, by name.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

// With the temporary folder on a full file system the system still makes the
// file's name (an empty file needs no room), but the text does not fit: the
// failure is shown, and the file does not stay behind. notepad_on_full_disk.sh
// makes such a folder and names it in MODARIS_FULL_FOLDER.
TEST_F(Export, NotepadLeavesNoFileBehindWhenWritingFails)
{
    const char* full = std::getenv("MODARIS_FULL_FOLDER");
    if (!full || !*full) GTEST_SKIP() << "needs MODARIS_FULL_FOLDER, a folder on a full file system";
    const std::vector<std::string> before = FilesIn(full);
    FixtureTree tree;
    ASSERT_TRUE(ScanToTheEnd(tree.Root()));
    TemporaryFolder folder(full);
    session->PostClick(IDC_NOTEPAD);

    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND window : ThreadWindows(session->ThreadId())) {
                if (window != session->Window()) box = window;
            }
            return box != nullptr;
        },
        20000))
        << "the failed write was not shown";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return ThreadWindows(session->ThreadId()).size() == 1; }, 20000));
    EXPECT_EQ(FilesIn(full), before);
}

}  // namespace
