/* What Wine's loader maps for a program: a DLL is loaded here with
 * LoadLibraryExA (its own directory standing in for the program's); an .exe
 * is started under the debug API and, at the loader's breakpoint (imports
 * resolved, the entry point not yet run), its modules are listed. Prints one
 * "module<TAB>path" line per module, "harness<TAB>path" for the modules this
 * program had before, "failed<TAB>code" when the program could not be loaded.
 *
 *   oracle_modules.exe [--path=DIRS] PROGRAM
 *
 * --path sets the PATH the program sees. */
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

static void print_modules(HANDLE process, const char* label)
{
    HMODULE modules[1024];
    DWORD needed = 0, count, i;
    if (!EnumProcessModules(process, modules, sizeof modules, &needed)) return;
    count = needed / sizeof modules[0];
    if (count > 1024) count = 1024;
    for (i = 0; i < count; i++) {
        char path[MAX_PATH * 2];
        if (GetModuleFileNameExA(process, modules[i], path, sizeof path)) printf("%s\t%s\n", label, path);
    }
}

static int ends_with_dll(const char* path)
{
    size_t length = strlen(path);
    return length >= 4 && _stricmp(path + length - 4, ".dll") == 0;
}

static int run_program(const char* program)
{
    char command[MAX_PATH * 2 + 3], directory[MAX_PATH];
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION info;
    DEBUG_EVENT event;
    char* slash;
    int listed = 0;

    snprintf(command, sizeof command, "\"%s\"", program);
    snprintf(directory, sizeof directory, "%s", program);
    slash = strrchr(directory, '\\');
    if (slash) *slash = 0;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, DEBUG_ONLY_THIS_PROCESS, NULL, slash ? directory : NULL,
                        &startup, &info)) {
        printf("failed\t%lu\n", GetLastError());
        return 1;
    }
    for (;;) {
        DWORD status = DBG_CONTINUE;
        if (!WaitForDebugEvent(&event, 30000)) {
            TerminateProcess(info.hProcess, 1);
            printf("failed\ttimeout\n");
            return 1;
        }
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (!listed && event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
                print_modules(info.hProcess, "module");
                listed = 1;
                TerminateProcess(info.hProcess, 0);
            } else if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            if (!listed) printf("failed\t%08lx\n", event.u.ExitProcess.dwExitCode);
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            return listed ? 0 : 1;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

int main(int argc, char** argv)
{
    const char* program = NULL;
    int i;
    for (i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--path=", 7) == 0) SetEnvironmentVariableA("PATH", argv[i] + 7);
        else program = argv[i];
    }
    if (!program) {
        fprintf(stderr, "usage: oracle_modules.exe [--path=DIRS] PROGRAM\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    if (!ends_with_dll(program)) return run_program(program);

    print_modules(GetCurrentProcess(), "harness");
    if (!LoadLibraryExA(program, NULL, LOAD_WITH_ALTERED_SEARCH_PATH)) {
        printf("failed\t%lu\n", GetLastError());
        return 1;
    }
    print_modules(GetCurrentProcess(), "module");
    return 0;
}
