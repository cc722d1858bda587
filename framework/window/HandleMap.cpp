#include "framework/window/HandleMap.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "framework/window/CListCtrl.h"
#include "framework/window/CWnd.h"

namespace afx_internal {
namespace {

struct Entry {
    CWnd* object = nullptr;
    std::unique_ptr<CWnd> wrapper;  // set when the map made the object itself
};

struct Map {
    std::mutex mutex;
    std::unordered_map<HWND, Entry> entries;
};

// Made on first use and never destroyed: windows may still be looked up
// while other static objects end.
Map& TheMap()
{
    static Map* map = new Map;
    return *map;
}

std::unique_ptr<CWnd> MakeWrapper(HWND window)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    std::unique_ptr<CWnd> wrapper;
    if (lstrcmpiA(className, WC_LISTVIEWA) == 0) {
        wrapper = std::make_unique<CListCtrl>();
    } else {
        wrapper = std::make_unique<CWnd>();
    }
    wrapper->m_hWnd = window;
    return wrapper;
}

// Erases the wrappers for which `gone` holds. The caller holds the lock.
template <class Predicate>
void DropWrappers(Map& map, Predicate gone)
{
    for (auto it = map.entries.begin(); it != map.entries.end();) {
        if (it->second.wrapper && gone(it->first)) {
            it->second.wrapper->m_hWnd = nullptr;  // nothing left to unbind
            it = map.entries.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

CWnd* WindowFromHandle(HWND window)
{
    if (!window) return nullptr;
    Map& map = TheMap();
    std::lock_guard<std::mutex> lock(map.mutex);
    auto found = map.entries.find(window);
    if (found != map.entries.end()) return found->second.object;
    // Handles of destroyed windows can come back for new windows.
    DropWrappers(map, [](HWND handle) { return !IsWindow(handle); });
    Entry entry;
    entry.wrapper = MakeWrapper(window);
    entry.object = entry.wrapper.get();
    return map.entries.emplace(window, std::move(entry)).first->second.object;
}

CWnd* PermanentWindowFromHandle(HWND window)
{
    if (!window) return nullptr;
    Map& map = TheMap();
    std::lock_guard<std::mutex> lock(map.mutex);
    auto found = map.entries.find(window);
    if (found == map.entries.end() || found->second.wrapper) return nullptr;
    return found->second.object;
}

void BindWindow(HWND window, CWnd* object)
{
    Map& map = TheMap();
    std::lock_guard<std::mutex> lock(map.mutex);
    Entry& entry = map.entries[window];
    if (entry.wrapper) entry.wrapper->m_hWnd = nullptr;
    entry.wrapper.reset();
    entry.object = object;
    object->m_hWnd = window;
}

void UnbindWindow(HWND window)
{
    Map& map = TheMap();
    std::lock_guard<std::mutex> lock(map.mutex);
    auto found = map.entries.find(window);
    if (found != map.entries.end()) {
        if (found->second.object) found->second.object->m_hWnd = nullptr;
        map.entries.erase(found);
    }
    DropWrappers(map, [window](HWND handle) { return !IsWindow(handle) || IsChild(window, handle); });
}

}  // namespace afx_internal
