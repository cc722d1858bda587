// Prints what the engine finds in the given directories, one line per
// module: folder number, name, product version, file version, company and
// bitness, tab separated. Built for both platforms, so that the POSIX
// stand-in can be compared with the real Windows API on the same files.
//
// Windows' version.dll crashes on some damaged modules (it reads outside the
// file's mapping). On Windows each folder is read on a thread of its own and
// a crash ends only that thread: the folder is reported as "crashed<TAB>N"
// and the rest are read in the same process, which spares the differential
// check a Wine start per crash.
#include <cstdio>
#include <string>

#include "engine/ScanEngine.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

// One folder's rows, as printed. A fresh engine per folder: one whose thread
// crashed is left as it was, whatever it held.
std::string ReadFolder(int number, const char* folder)
{
    auto* engine = new CScanEngine;
    engine->m_filters.Add("");
    engine->m_scanSubdirectories = 0;
    engine->m_include16Bit = engine->m_includeUnknownBits = 1;
    engine->m_keepScanning = 1;
    engine->ScanDirectory(folder);
    CTypedPtrArray<CPtrArray, dllVersionInfo*> rows;
    engine->TakePendingResults(rows);
    std::string printed;
    for (int r = 0; r < rows.GetSize(); ++r) {
        const dllVersionInfo* row = rows[r];
        const std::string fields[] = {std::to_string(number),   BaseName(row->GetFileName()),
                                      row->GetProductVersion(), row->GetFileVersion(),
                                      row->GetCompany(),        std::to_string(row->GetBits())};
        for (const std::string& field : fields) printed += field + '\t';
        printed.back() = '\n';
        delete row;
    }
    delete engine;
    return printed;
}

#ifdef _WIN32
constexpr DWORD kFolderCrashed = 0xC0DE;

LONG WINAPI EndOnlyTheFaultingThread(EXCEPTION_POINTERS*)
{
    ExitThread(kFolderCrashed);
}

struct FolderJob {
    int number;
    const char* folder;
    std::string printed;
};

DWORD WINAPI ReadFolderJob(void* parameter)
{
    auto* job = static_cast<FolderJob*>(parameter);
    job->printed = ReadFolder(job->number, job->folder);
    return 0;
}

// The folder's rows, or nothing when reading it crashed.
bool ReadFolderApart(FolderJob& job)
{
    HANDLE thread = CreateThread(nullptr, 0, ReadFolderJob, &job, 0, nullptr);
    if (!thread) {
        job.printed = ReadFolder(job.number, job.folder);
        return true;
    }
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code != kFolderCrashed;
}
#endif

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    SetUnhandledExceptionFilter(EndOnlyTheFaultingThread);
#endif
    for (int i = 1; i < argc; ++i) {
#ifdef _WIN32
        FolderJob job{i, argv[i], {}};
        if (!ReadFolderApart(job)) {
            std::printf("crashed\t%d\n", i);
            continue;
        }
        std::fputs(job.printed.c_str(), stdout);
#else
        std::fputs(ReadFolder(i, argv[i]).c_str(), stdout);
#endif
    }
    return 0;
}
