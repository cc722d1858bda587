#include "framework/window/CMenu.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct MenuWrappers {
    std::mutex mutex;
    std::unordered_map<HMENU, std::unique_ptr<CMenu>> menus;
};

MenuWrappers& TheWrappers()
{
    static MenuWrappers* wrappers = new MenuWrappers;  // never destroyed, like the window map
    return *wrappers;
}

}  // namespace

CMenu* CMenu::FromHandle(HMENU menu)
{
    if (!menu) return nullptr;
    MenuWrappers& wrappers = TheWrappers();
    std::lock_guard<std::mutex> lock(wrappers.mutex);
    auto found = wrappers.menus.find(menu);
    if (found != wrappers.menus.end()) return found->second.get();
    // The handles of destroyed menus can come back for new ones.
    for (auto it = wrappers.menus.begin(); it != wrappers.menus.end();) {
        it = IsMenu(it->first) ? std::next(it) : wrappers.menus.erase(it);
    }
    auto wrapper = std::make_unique<CMenu>();
    wrapper->m_hMenu = menu;
    return wrappers.menus.emplace(menu, std::move(wrapper)).first->second.get();
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCSTR text)
{
    return ::AppendMenuA(m_hMenu, flags, id, text);
}
