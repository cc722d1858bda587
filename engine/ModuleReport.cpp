// CScanEngine's inspection of one listed file: InspectFile, and the row it adds.
#include "engine/ModuleFacts.h"
#include "engine/ModuleReadPool.h"
#include "engine/ScanEngine.h"
#include "engine/VersionNumbers.h"
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

    // The console scanner's readers take the file from here, in this order.
    if (m_readPool) {
        m_readPool->Submit(rowPath, path, m_walkRoot);
        return;
    }
    AddInspectedModule(rowPath, InspectModule(path, m_inspection), m_walkRoot);
}

void CScanEngine::AddInspectedModule(const char* rowPath, ModuleFacts module, const char* foundUnder)
{
    const ModuleVersionInfo& version = module.version;
    const CString productVersion = FormatVersionText(VersionWordsToNumber(version.productVersionMS),
                                                     VersionWordsToNumber(version.productVersionLS));
    const CString fileVersion =
        FormatVersionText(VersionWordsToNumber(version.fileVersionMS), VersionWordsToNumber(version.fileVersionLS));
    const CString company = version.company;
    const CString date = module.date;
    const int bits = module.bits;
    std::unique_ptr<RowFacts> facts;
    if (m_keepRowFacts) facts.reset(new RowFacts{std::make_shared<const ModuleFacts>(std::move(module)), foundUnder});
    AddModuleRow(rowPath, company, productVersion, fileVersion, date, bits, std::move(facts));
}
