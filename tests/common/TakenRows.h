// What the tests read back from a scan state: its pending rows as texts, the
// options that take every module of one directory, and the path text the
// engine makes for a file.
#pragma once

#include <string>
#include <vector>

#include "engine/RowCells.h"
#include "engine/ScanEngine.h"
#include "platform/path_style.h"
#include "support/AsciiCase.h"

struct TakenRow {
    std::string productVersion, fileVersion, date, company, fileName;
    int bits = 0;
    // The cells of the window's list and of the tsv export.
    std::vector<std::string> cells;

    const std::vector<std::string>& Cells() const { return cells; }
};

// Takes every pending record out, in order, and frees it.
inline std::vector<TakenRow> TakeRows(CScanEngine& engine)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> taken;
    engine.TakePendingResults(taken);
    std::vector<TakenRow> rows;
    for (int i = 0; i < taken.GetSize(); ++i) {
        const dllVersionInfo* r = taken[i];
        const auto cells = RowCells(*r);
        rows.push_back({r->GetProductVersion(), r->GetFileVersion(), r->GetDate(), r->GetCompany(), r->GetFileName(),
                        r->GetBits(), std::vector<std::string>(cells.begin(), cells.end())});
        delete r;
    }
    return rows;
}

inline std::vector<std::string> FileNamesOf(const std::vector<TakenRow>& rows)
{
    std::vector<std::string> names;
    for (const TakenRow& row : rows) names.push_back(row.fileName);
    return names;
}

// The empty filter, every bitness class, and `directory` as the only entry.
inline void TakeEveryModuleOf(CScanEngine& engine, const std::string& directory)
{
    engine.m_filters.RemoveAll();
    engine.m_filters.Add("");
    engine.m_directories.RemoveAll();
    engine.m_directories.Add(directory.c_str());
    engine.m_include16Bit = engine.m_include32Bit = engine.m_include64Bit = engine.m_includeUnknownBits = 1;
}

// The Filename text of a row for `path`: upper-cased where the platform
// shows it so.
inline std::string RowPathOf(std::string path)
{
    if (platform::kUpperCaseRowPaths) {
        for (char& c : path) c = support::ToUpperAscii(c);
    }
    return path;
}
