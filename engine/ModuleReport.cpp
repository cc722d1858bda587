#include "engine/FileDate.h"
#include "engine/ModuleBitness.h"
#include "engine/ScanEngine.h"
#include "engine/VersionNumbers.h"
#include "engine/VersionResource.h"
#include "platform/SharedModuleOpen.h"
#include "platform/path_style.h"

void CScanEngine::InspectFile(const char* directory, const char* fileName, const char* readName)
{
    // Every inspection counts, also one whose row the bitness filter drops.
    ++m_foundCount;

    // Separators are neither removed nor merged: a root "c:\" gives two.
    CString rowPath(directory);
    rowPath += platform::kPathSeparator;
    // The row shows the path upper-cased, but the file is read under the
    // name it is listed under: where case tells files apart (under Wine, or
    // in a case-sensitive folder) the upper-cased name is another file or
    // none, and Wine would search every directory on the path for it.
    CString path(rowPath);
    path += readName ? readName : fileName;
    rowPath += fileName;
    if (platform::kUpperCaseRowPaths) rowPath.MakeUpper();

    ModuleVersionInfo version;
    CString date;
    int bits = 0;
    {
        // The version, the date and the bitness, in the order of separate
        // reads; the facts beyond the columns are read after it ends.
        const platform::SharedModuleOpen inspection(path);
        version = ReadModuleVersionInfo(path);
        date = ReadLastWriteDate(path);
        bits = GetModuleBitness(path);
    }
    const CString productVersion = FormatVersionText(VersionWordsToNumber(version.productVersionMS),
                                                     VersionWordsToNumber(version.productVersionLS));
    const CString fileVersion = FormatVersionText(VersionWordsToNumber(version.fileVersionMS),
                                                  VersionWordsToNumber(version.fileVersionLS));
    AddModuleRow(rowPath, version.company, productVersion, fileVersion, date, bits, path);
}
