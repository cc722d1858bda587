// Prints what the engine finds in the given directories, one line per
// module: name, product version, file version, company and bitness, tab
// separated. Built for both platforms, so that the POSIX stand-in can be
// compared with the real Windows API on the same files.
#include <cstdio>

#include "engine/ScanEngine.h"

namespace {

// The file name of a row's path, whatever the separator.
const char* BaseName(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\') name = p + 1;
    }
    return name;
}

}  // namespace

int main(int argc, char** argv)
{
    CScanEngine engine;
    engine.m_filters.Add("");
    engine.m_scanSubdirectories = 0;
    engine.m_include16Bit = engine.m_includeUnknownBits = 1;
    engine.m_keepScanning = 1;
    for (int i = 1; i < argc; ++i) {
        engine.ScanDirectory(argv[i]);
        CTypedPtrArray<CPtrArray, dllVersionInfo*> rows;
        engine.TakePendingResults(rows);
        for (int r = 0; r < rows.GetSize(); ++r) {
            const dllVersionInfo* row = rows[r];
            std::printf("%d\t%s\t%s\t%s\t%s\t%d\n", i, BaseName(row->GetFileName()), row->GetProductVersion(),
                        row->GetFileVersion(), row->GetCompany(), row->GetBits());
            delete row;
        }
    }
    return 0;
}
