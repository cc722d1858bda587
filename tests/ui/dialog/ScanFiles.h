// The folders the dialog tests scan, what the window must show for them, and
// the console scanner's answer for the same folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DialogSession.h"
#include "TempTree.h"

// A build definition names paths in the build machine's form ("/tmp/x");
// under Wine that is drive Z: ("Z:\tmp\x"). Windows paths pass unchanged.
std::string WindowsPath(const std::string& path);

// The export text of rows: each cell followed by a tab, each row by CR LF.
std::string ResultsText(const std::vector<Row>& rows);

// Copies of the built test modules in two folders, beside them a 16-bit
// file, one of unknown bitness and a text file; each file with a last-write
// time of its own.
class FixtureTree {
public:
    FixtureTree();

    std::string Root() const { return m_tree.Root(); }
    // The rows for a scan with the window's default options, in list order.
    const std::vector<Row>& ExpectedRows() const { return m_rows; }
    // Files the scan counts: every module, also the one the default
    // bitness filter drops.
    int ExpectedCount() const { return m_count; }

private:
    TempTree m_tree;
    std::vector<Row> m_rows;
    int m_count = 0;
};

// Thousands of small files that read as 16-bit modules, in many folders:
// a scan that runs long enough to act on while it runs. Made once.
struct BigTree {
    std::string root;
    int fileCount = 0;
    int folderCount = 0;
    std::string lastFileName;  // the Filename cell of the scan's last row
};
const BigTree& TheBigTree();

// Runs the console scanner with `arguments`; its standard output.
std::string RunConsoleScanner(const std::string& arguments);

// Sets the file's last-write time to this local time.
bool SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute);

std::string UpperCase(std::string text);
