// CScanEngine: its state, AddResult and the pending records.
#include "engine/ScanEngine.h"

#include "engine/ModuleBitness.h"
#include "framework/CSingleLock.h"

CScanEngine::CScanEngine()
{
    LookUpRedirectionFunctions();
}

CScanEngine::~CScanEngine()
{
    // The worker uses this state until it ends: stop it and wait first.
    StopScan();
    WaitForWorkerToEnd();
    // Nobody else can take these any more; freeing them here loses nothing.
    DiscardPendingResults();
}

void CScanEngine::SetProgressDirectory(const char* directory)
{
    CSingleLock lock(&m_progressLock, true);
    if (directory) {
        m_currentDirectory = directory;
    } else {
        m_currentDirectory.Empty();
    }
    m_progressChanged = 1;
}

bool CScanEngine::WantsBitness(int bits) const
{
    switch (bits) {
    case 16: return m_include16Bit != 0;
    case 32: return m_include32Bit != 0;
    case 64: return m_include64Bit != 0;
    default: return m_includeUnknownBits != 0;
    }
}

void CScanEngine::AddResult(const char* path, const char* company, const char* productVersion, const char* fileVersion,
                            const char* date, const char* readPath)
{
    // The probe opens the file: done before the lock, which guards only the
    // append.
    const int bits = path ? GetModuleBitness(readPath ? readPath : path) : 0;
    AddModuleRow(path, company, productVersion, fileVersion, date, bits);
}

void CScanEngine::AddModuleRow(const char* path, const char* company, const char* productVersion,
                               const char* fileVersion, const char* date, int bits, std::unique_ptr<RowFacts> facts)
{
    if (path && !WantsBitness(bits)) return;

    auto* record = new dllVersionInfo;
    if (path) {
        record->SetFileName(path);
        record->SetBits(bits);
        record->SetFacts(std::move(facts));
    }
    if (company) record->SetCompany(company);
    if (productVersion) record->SetProductVersion(productVersion);
    if (fileVersion) record->SetFileVersion(fileVersion);
    if (date) record->SetDate(date);

    CSingleLock lock(&m_resultsLock, true);
    m_pendingResults.SetAtGrow(m_pendingResults.GetSize(), record);
}

void CScanEngine::TakePendingResults(CTypedPtrArray<CPtrArray, dllVersionInfo*>& taken)
{
    CSingleLock lock(&m_resultsLock, true);
    const int count = m_pendingResults.GetSize();
    for (int i = 0; i < count; ++i) {
        if (dllVersionInfo* record = m_pendingResults[i]) taken.SetAtGrow(taken.GetSize(), record);
    }
    m_pendingResults.SetSize(0, -1);
}

void CScanEngine::DiscardPendingResults()
{
    CSingleLock lock(&m_resultsLock, true);
    const int count = m_pendingResults.GetSize();
    for (int i = 0; i < count; ++i) delete m_pendingResults[i];
    m_pendingResults.SetSize(0, -1);
}
