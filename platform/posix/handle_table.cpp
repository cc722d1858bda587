#include "platform/posix/handle_table.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace posix {

namespace {

struct Entry {
    HandleKind kind;
    std::shared_ptr<void> object;
};

class HandleTable {
public:
    HANDLE Add(HandleKind kind, std::shared_ptr<void> object)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Multiples of 4 from 4 on, as Windows numbers handles: never null,
        // never INVALID_HANDLE_VALUE, never a predefined registry key.
        m_lastValue += 4;
        m_entries.emplace(m_lastValue, Entry{kind, std::move(object)});
        return reinterpret_cast<HANDLE>(m_lastValue);
    }

    std::shared_ptr<void> Find(HANDLE handle, HandleKind kind)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto entry = m_entries.find(reinterpret_cast<std::uintptr_t>(handle));
        if (entry == m_entries.end() || entry->second.kind != kind) return nullptr;
        return entry->second.object;
    }

    bool Remove(HANDLE handle, std::initializer_list<HandleKind> kinds)
    {
        std::shared_ptr<void> object;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto entry = m_entries.find(reinterpret_cast<std::uintptr_t>(handle));
            if (entry == m_entries.end() || std::find(kinds.begin(), kinds.end(), entry->second.kind) == kinds.end())
                return false;
            object = std::move(entry->second.object);
            m_entries.erase(entry);
        }
        // Ends here, outside the lock, unless another thread still holds it.
        return true;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, Entry> m_entries;
    std::uintptr_t m_lastValue = 0;
};

// Never destroyed: a thread may still use its handles while the program ends.
HandleTable& Table()
{
    static HandleTable* const table = new HandleTable;
    return *table;
}

}  // namespace

HANDLE AddHandle(HandleKind kind, std::shared_ptr<void> object)
{
    return Table().Add(kind, std::move(object));
}

std::shared_ptr<void> FindHandle(HANDLE handle, HandleKind kind)
{
    return Table().Find(handle, kind);
}

bool RemoveHandle(HANDLE handle, std::initializer_list<HandleKind> kinds)
{
    return Table().Remove(handle, kinds);
}

}  // namespace posix
