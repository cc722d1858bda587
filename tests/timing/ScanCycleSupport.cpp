#include "ScanCycleSupport.h"

#include "TakenRows.h"

bool StartLikeTheWindow(CScanEngine& engine, const std::string& directory)
{
    engine.WaitForWorkerToEnd();
    engine.DiscardPendingResults();  // "&Auto clear"
    engine.m_foundCount = 0;
    engine.SetProgressDirectory("");
    TakeEveryModuleOf(engine, directory);
    engine.m_scanSubdirectories = 1;
    return engine.BeginScanWorker();
}
