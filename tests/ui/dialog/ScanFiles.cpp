#include "ScanFiles.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "FileContents.h"
#include "module_fixtures.h"

namespace {

using modaris::fixtures::module_fixtures;
using modaris::fixtures::ModuleFixture;

const ModuleFixture* FindFixture(const std::string& name)
{
    for (const ModuleFixture& fixture : module_fixtures) {
        if (fixture.file_name == name) return &fixture;
    }
    return nullptr;
}

// One entry of the fixture tree, in the order in which Windows lists the
// folders (names compared upper-cased, byte by byte), so the order of the
// list rows. Version texts are written out, not computed: they are what the
// user must read.
struct Placed {
    const char* relativePath;
    const char* productVersion;  // null: no row with the default options
    const char* fileVersion;
};
const Placed kFixtureTree[] = {
    {"company_two_translations_x64.dll", "2.000000.0.000200", "2.000000.0.000200"},
    {"mid/company_empty_x86.dll", "2.000000.0.000600", "2.000000.0.000600"},
    {"mid/v1_2_3_4_x64.dll", "1.000200.3.000400", "1.000200.3.000400"},
    {"mid/v9999_10000_1_65535_x86.exe", "10000.000000.7.553500", "10000.000000.7.553500"},
    {"no_version_resource_x86.dll", "0.000000.0.000000", "0.000000.0.000000"},
    {"old16.dll", nullptr, nullptr},  // zeros: a 16-bit header, counted but not shown
    {"product6_1_7601_17514_file10_0_19041_1_x64.exe", "6.000100.7602.751400", "10.000000.19041.000100"},
    {"product6_1_7601_17514_file10_0_19041_1_x86.dll", "6.000100.7602.751400", "10.000000.19041.000100"},
    {"unknown.ocx", nullptr, nullptr},  // a header that names no bitness: counted, not shown
};

// 64 bytes of an executable header: all zeros reads as a 16-bit module; a
// relocation offset of 64 with the new header past the end reads as a
// module of unknown bitness.
std::vector<unsigned char> HeaderOnlyModule(bool sixteenBit)
{
    std::vector<unsigned char> bytes(64, 0);
    if (!sixteenBit) {
        bytes[24] = 64;    // e_lfarlc
        bytes[61] = 0x10;  // e_lfanew = 0x1000
    }
    return bytes;
}

std::string FileNameOf(const std::string& relativePath)
{
    const std::size_t slash = relativePath.rfind('/');
    return slash == std::string::npos ? relativePath : relativePath.substr(slash + 1);
}

}  // namespace

std::string WindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/') return path;
    std::string windows = "Z:" + path;
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    return windows;
}

std::string UpperCase(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string ResultsText(const std::vector<Row>& rows)
{
    std::string text;
    for (const Row& row : rows) {
        for (const std::string& cell : row) text += cell + "\t";
        text += "\r\n";
    }
    return text;
}

bool SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME local{};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = 59;  // never shown, never rounded up
    FILETIME localTime;
    FILETIME utc;
    if (!SystemTimeToFileTime(&local, &localTime) || !LocalFileTimeToFileTime(&localTime, &utc)) return false;
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL set = SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
    return set != FALSE;
}

FixtureTree::FixtureTree()
{
    const std::string source = WindowsPath(MODARIS_MODULE_FIXTURE_DIR);
    m_tree.AddDirectory("mid");
    m_tree.AddFile("readme.txt", "not a module");
    WORD minute = 0;
    for (const Placed& placed : kFixtureTree) {
        const std::string name = FileNameOf(placed.relativePath);
        const std::string path = m_tree.PathOf(placed.relativePath);
        const ModuleFixture* fixture = FindFixture(name);
        if (fixture) {
            EXPECT_TRUE(CopyFileA((source + "\\" + name).c_str(), path.c_str(), FALSE)) << name;
        } else {
            m_tree.AddFile(placed.relativePath, HeaderOnlyModule(name == "old16.dll"));
        }
        // A date of its own per file: a row that shows another file's date
        // is caught. 7 December, so that day and month cannot swap unseen.
        EXPECT_TRUE(SetLocalWriteTime(path, 2026, 12, 7, 9, minute)) << path;
        ++m_count;
        if (placed.productVersion) {
            char date[32];
            std::snprintf(date, sizeof date, "07/12/2026  09:%02u", static_cast<unsigned>(minute));
            EXPECT_NE(fixture, nullptr) << name;
            const int bits = fixture ? fixture->bitness : 0;
            const std::string company = fixture ? std::string(fixture->company_name) : std::string();
            m_rows.push_back(
                {placed.productVersion, placed.fileVersion, date, std::to_string(bits), company, UpperCase(path)});
        }
        ++minute;
    }
}

const BigTree& TheBigTree()
{
    static std::unique_ptr<TempTree> tree;
    static BigTree big;
    if (tree) return big;
    tree = std::make_unique<TempTree>();
    big.root = tree->Root();
    big.folderCount = 40;
    const int filesPerFolder = 50;
    const std::vector<unsigned char> zeros(64, 0);
    char relative[32];
    for (int folder = 0; folder < big.folderCount; ++folder) {
        for (int file = 0; file < filesPerFolder; ++file) {
            std::snprintf(relative, sizeof relative, "d%02d/f%02d.dll", folder, file);
            tree->AddFile(relative, zeros);
            ++big.fileCount;
        }
    }
    big.lastFileName = UpperCase(tree->PathOf(relative));
    return big;
}

std::string RunConsoleScanner(const std::string& arguments)
{
    TempTree output;
    const std::string outPath = output.PathOf("stdout.txt");
    const std::string errPath = output.PathOf("stderr.txt");
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::string program = WindowsPath(MODARIS_SCAN_EXE);
    std::string commandLine = "\"" + program + "\" " + arguments;
    const BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    EXPECT_TRUE(started) << commandLine;
    if (!started) return std::string();
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the scanner did not end";
        TerminateProcess(process.hProcess, 1);
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u) << ReadFileText(errPath);
    return ReadFileText(outPath);
}
