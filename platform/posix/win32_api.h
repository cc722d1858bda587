// The Win32 functions that the engine calls, under their real names and
// signatures, implemented over POSIX by the files beside this one.
#pragma once

#include "win32_types.h"

// Last error, per thread.
DWORD GetLastError();
void SetLastError(DWORD error);

// Files (file_api.cpp).
// Reading only: GENERIC_READ and OPEN_EXISTING.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize);
// FILE_BEGIN only.
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPointer, DWORD moveMethod);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime);
// Files and threads.
BOOL CloseHandle(HANDLE object);

// Times (time_api.cpp).
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);

// Directory listing (find_api.cpp): whole directories, "dir/*.*" or "dir/*".
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData);
BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE findFile);

// Version resources (version/).
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

// System facts (sysinfo stand-in).
BOOL GetVersionExA(LPOSVERSIONINFOA versionInfo);
void GetSystemInfo(LPSYSTEM_INFO systemInfo);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
BOOL GetComputerNameExA(COMPUTER_NAME_FORMAT format, LPSTR buffer, LPDWORD size);

// Read-only registry (sysinfo stand-in).
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegCloseKey(HKEY key);

// Modules and run-time lookup (module_table.cpp): a fixed set of system
// modules whose functions are found by name.
HMODULE LoadLibraryA(LPCSTR fileName);
HMODULE GetModuleHandleA(LPCSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Threads (thread_api.cpp).
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned(WINAPI* startAddress)(void*), void* argument,
                         unsigned initFlag, unsigned* threadId);
HRESULT SetThreadDescription(HANDLE thread, PCWSTR description);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
