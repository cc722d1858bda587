#include "ScanCycleSupport.h"

#include "framework/CSingleLock.h"

bool StartLikeTheWindow(CScanEngine& engine, const std::string& directory)
{
    engine.WaitForWorkerToEnd();
    engine.m_include16Bit = engine.m_include32Bit = engine.m_include64Bit = engine.m_includeUnknownBits = 1;
    engine.DiscardPendingResults();  // "&Auto clear"
    engine.m_foundCount = 0;
    engine.SetProgressDirectory("");
    engine.m_filters.RemoveAll();
    engine.m_filters.Add("");
    engine.m_scanSubdirectories = 1;
    engine.m_directories.RemoveAll();
    engine.m_directories.Add(directory.c_str());
    return engine.BeginScanWorker();
}

void TimerTick(CScanEngine& engine, std::vector<std::string>& rows)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> taken;
    engine.TakePendingResults(taken);
    for (int i = 0; i < taken.GetSize(); ++i) {
        rows.push_back(taken[i]->GetFileName());
        delete taken[i];
    }
    CSingleLock lock(&engine.m_progressLock, true);
    const CString shown = engine.m_currentDirectory;
    engine.m_progressChanged = 0;
}

bool IsPrefixOf(const std::vector<std::string>& rows, const std::vector<std::string>& whole)
{
    if (rows.size() > whole.size()) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] != whole[i]) return false;
    }
    return true;
}
