#include "framework/CPtrArray.h"

void CPtrArray::SetSize(int newSize, int /*growBy*/)
{
    if (newSize <= 0) {
        std::vector<void*>().swap(m_items);
        return;
    }
    m_items.resize(static_cast<std::size_t>(newSize), nullptr);
}

void CPtrArray::SetAtGrow(int index, void* item)
{
    if (index < 0) return;
    if (static_cast<std::size_t>(index) >= m_items.size()) {
        m_items.resize(static_cast<std::size_t>(index) + 1, nullptr);
    }
    m_items[static_cast<std::size_t>(index)] = item;
}

int CPtrArray::Add(void* item)
{
    m_items.push_back(item);
    return GetSize() - 1;
}
