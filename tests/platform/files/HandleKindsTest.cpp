// Every function of the stand-in that takes a handle refuses a handle of
// another kind, a closed one and a made-up value, with the error Windows
// gives, instead of following it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TempTree.h"
#include "platform/posix/system/system_errors.h"
#include "platform/win32.h"

namespace {

enum Kind {
    kFile,
    kListing,
    kThread,
    kKey,
    kModule,
    kNoKind
};

struct Handle {
    const char* what;
    Kind kind;  // kNoKind: closed or never handed out
    HANDLE value;
};

struct Taker {
    const char* name;
    std::vector<Kind> accepts;
    // True when the call refused the handle as no handle of its kind.
    std::function<bool(HANDLE)> refuses;
    bool closes = false;
};

HKEY Key(HANDLE handle)
{
    return static_cast<HKEY>(handle);
}

bool FailsWithLastError(bool failed, DWORD error)
{
    return failed && GetLastError() == error;
}

std::vector<Taker> Takers()
{
    const auto invalid = [](bool failed) { return FailsWithLastError(failed, ERROR_INVALID_HANDLE); };
    // Windows' answer for a handle that names no loaded module.
    const auto noModule = [](bool failed) { return FailsWithLastError(failed, ERROR_MOD_NOT_FOUND); };
    return {
        {"GetFileSizeEx",
         {kFile},
         [=](HANDLE h) {
             LARGE_INTEGER size;
             return invalid(!GetFileSizeEx(h, &size));
         }},
        {"SetFilePointerEx", {kFile}, [=](HANDLE h) { return invalid(!SetFilePointerEx(h, {}, nullptr, FILE_BEGIN)); }},
        {"ReadFile",
         {kFile},
         [=](HANDLE h) {
             char b[2];
             DWORD n;
             return invalid(!ReadFile(h, b, 2, &n, nullptr));
         }},
        {"GetFileTime",
         {kFile},
         [=](HANDLE h) {
             FILETIME t;
             return invalid(!GetFileTime(h, &t, &t, &t));
         }},
        {"FindNextFileA",
         {kListing},
         [=](HANDLE h) {
             WIN32_FIND_DATAA entry;
             return invalid(!FindNextFileA(h, &entry));
         }},
        {"WaitForSingleObject", {kThread}, [=](HANDLE h) { return invalid(WaitForSingleObject(h, 0) == WAIT_FAILED); }},
        {"SetThreadDescription",
         {kThread},
         [](HANDLE h) { return SetThreadDescription(h, u"x") == HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE); }},
        {"RegOpenKeyExA",
         {kKey},
         [](HANDLE h) {
             HKEY same = nullptr;
             const LONG result = RegOpenKeyExA(Key(h), "", 0, KEY_READ, &same);
             if (result == ERROR_SUCCESS) RegCloseKey(same);
             return result == ERROR_INVALID_HANDLE;
         }},
        {"RegQueryValueExA",
         {kKey},
         [](HANDLE h) {
             return RegQueryValueExA(Key(h), "x", nullptr, nullptr, nullptr, nullptr) == ERROR_INVALID_HANDLE;
         }},
        {"GetProcAddress",
         {kModule},
         [=](HANDLE h) { return noModule(!GetProcAddress(static_cast<HMODULE>(h), "x")); }},
        {"GetModuleFileNameA",
         {kModule},
         [=](HANDLE h) {
             char p[MAX_PATH];
             return noModule(GetModuleFileNameA(static_cast<HMODULE>(h), p, MAX_PATH) == 0);
         }},
        {"CloseHandle", {kFile, kThread}, [=](HANDLE h) { return invalid(!CloseHandle(h)); }, true},
        {"FindClose", {kListing}, [=](HANDLE h) { return invalid(!FindClose(h)); }, true},
        {"RegCloseKey", {kKey}, [](HANDLE h) { return RegCloseKey(Key(h)) == ERROR_INVALID_HANDLE; }, true},
        {"FreeLibrary", {kModule}, [=](HANDLE h) { return noModule(!FreeLibrary(static_cast<HMODULE>(h))); }, true},
    };
}

bool Accepts(const Taker& taker, Kind kind)
{
    for (Kind accepted : taker.accepts) {
        if (accepted == kind) return true;
    }
    return false;
}

unsigned WINAPI ReturnAtOnce(void*)
{
    return 0;
}

HANDLE OpenFile(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

HANDLE OpenListing(const std::string& directory)
{
    WIN32_FIND_DATAA entry;
    return FindFirstFileA((directory + "/*.*").c_str(), &entry);
}

HANDLE OpenKey()
{
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE", 0, KEY_READ, &key);
    return key;
}

TEST(HandleKinds, EveryHandleTakerRefusesOtherKindsClosedAndMadeUpHandles)
{
    TempTree tree;
    tree.AddFile("m.dll", "MZ");
    const std::string file = tree.PathOf("m.dll");

    HANDLE closedFile = OpenFile(file);
    CloseHandle(closedFile);
    HANDLE closedListing = OpenListing(tree.Root());
    FindClose(closedListing);
    HANDLE closedKey = OpenKey();
    RegCloseKey(Key(closedKey));
    HMODULE unloaded = LoadLibraryA("netapi32.dll");
    FreeLibrary(unloaded);
    int somewhere = 0;

    const std::vector<Handle> handles = {
        {"file", kFile, OpenFile(file)},
        {"listing", kListing, OpenListing(tree.Root())},
        {"thread", kThread, reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ReturnAtOnce, nullptr, 0, nullptr))},
        {"key", kKey, OpenKey()},
        {"module", kModule, GetModuleHandleA("kernel32.dll")},
        {"closed file", kNoKind, closedFile},
        {"closed listing", kNoKind, closedListing},
        {"closed key", kNoKind, closedKey},
        {"unloaded module", kNoKind, unloaded},
        {"address of a local", kNoKind, &somewhere},
        {"odd number", kNoKind, reinterpret_cast<HANDLE>(0x1235)},
        {"INVALID_HANDLE_VALUE", kNoKind, INVALID_HANDLE_VALUE},
        {"null", kNoKind, nullptr},
    };
    for (const Handle& handle : handles) {
        if (handle.kind != kNoKind) {
            ASSERT_NE(handle.value, nullptr) << handle.what;
        }
    }

    const std::vector<Taker> takers = Takers();
    // What closes runs last, on handles of its own kind only at the end.
    for (bool closers : {false, true}) {
        for (const Taker& taker : takers) {
            if (taker.closes != closers) continue;
            for (const Handle& handle : handles) {
                const bool accepts = Accepts(taker, handle.kind);
                if (accepts && taker.closes) continue;
                EXPECT_EQ(taker.refuses(handle.value), !accepts) << taker.name << " given " << handle.what;
            }
        }
    }
    for (const Taker& taker : takers) {
        for (const Handle& handle : handles) {
            if (taker.closes && Accepts(taker, handle.kind)) {
                EXPECT_FALSE(taker.refuses(handle.value)) << taker.name;
            }
        }
    }
}

}  // namespace
