#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/RowCells.h"
#include "framework/window/CListCtrl.h"
#include "framework/window/CStdioFile.h"
#include "platform/UniqueHandles.h"
#include "res/resource.h"
#include "ui/ModarisDlg.h"

void CModarisDlg::BuildResultsText(CString& text)
{
    text.Empty();
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_RESULTS));
    if (!list) return;
    const int rows = list->GetItemCount();
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < kRowCellCount; ++column) {
            // A tab or line break inside a cell would split the row.
            text += ExportCellText(list->GetItemText(row, column).GetString()).c_str();
            text += '\t';
        }
        text += "\r\n";
    }
}

void CModarisDlg::OnCopyToClip()
{
    CString text;
    BuildResultsText(text);
    if (!OpenClipboard(GetSafeHwnd())) return;
    EmptyClipboard();
    const SIZE_T size = static_cast<SIZE_T>(text.GetLength()) + 1;
    if (HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, size)) {
        if (void* bytes = GlobalLock(block)) {
            std::memcpy(bytes, text.GetString(), size);
            GlobalUnlock(block);
            // From here on the clipboard owns the block.
            SetClipboardData(CF_TEXT, block);
        } else {
            GlobalFree(block);
        }
    }
    // Also when no block could be had: the clipboard must not stay open.
    CloseClipboard();
}

// tmpnam of the C run-time names a file at the root of the current drive,
// which a normal user cannot write on Windows: the file goes to the user's
// temporary folder instead, under a name the system makes unique there.
static CString TemporaryExportFileName()
{
    char folder[MAX_PATH + 1] = "";
    char name[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length > 0 && length < sizeof folder && GetTempFileNameA(folder, "mod", 0, name) != 0) return name;
    return std::tmpnam(nullptr);
}

// Notepad takes the rest of its command line as the file name; quotes only
// where a space would otherwise be read as the end of an argument.
static CString NotepadCommandLine(const CString& fileName)
{
    if (std::strchr(fileName.GetString(), ' ')) return CString("notepad.exe \"") + fileName + "\"";
    return CString("notepad.exe ") + fileName;
}

namespace {

// The export's file is the user's only as long as the export runs: it goes
// on every way out, also when writing it throws (a full disk).
class RemovedOnExit {
public:
    explicit RemovedOnExit(const CString& fileName) : m_fileName(fileName) {}
    ~RemovedOnExit() { DeleteFileA(m_fileName); }
    RemovedOnExit(const RemovedOnExit&) = delete;
    RemovedOnExit& operator=(const RemovedOnExit&) = delete;

private:
    CString m_fileName;
};

}  // namespace

void CModarisDlg::OnNotepad()
{
    // The system made the file when it chose the name.
    const CString fileName = TemporaryExportFileName();
    const RemovedOnExit removed(fileName);
    {
        CStdioFile file(fileName, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        CString text;
        BuildResultsText(text);
        file.WriteString(text);
        file.Close();
    }

    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    const CString commandLine = NotepadCommandLine(fileName);
    std::vector<char> command(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    {
        const platform::UniqueKernelHandle notepad(process.hProcess);
        const platform::UniqueKernelHandle notepadThread(process.hThread);
        if (notepad.IsValid()) WaitForInputIdle(notepad.Get(), 5000);
    }
}
