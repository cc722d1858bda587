#include "framework/CStringArray.h"

void CStringArray::SetSize(int newSize, int /*growBy*/)
{
    if (newSize <= 0) {
        std::vector<CString>().swap(m_items);
        return;
    }
    m_items.resize(static_cast<std::size_t>(newSize));
}

void CStringArray::SetAtGrow(int index, const CString& text)
{
    if (index < 0) return;
    if (static_cast<std::size_t>(index) >= m_items.size()) {
        m_items.resize(static_cast<std::size_t>(index) + 1);
    }
    m_items[static_cast<std::size_t>(index)] = text;
}

int CStringArray::Add(const CString& text)
{
    m_items.push_back(text);
    return GetSize() - 1;
}
