// An ordered list of texts, as the framework's string array.
#pragma once

#include <vector>

#include "framework/CString.h"

class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }

    // Resizes; a size of 0 also releases the storage. The growth hint is
    // accepted for the framework's signature and not needed here.
    void SetSize(int newSize, int growBy = -1);
    // Stores `text` at `index`, growing the array with empty texts as needed.
    void SetAtGrow(int index, const CString& text);
    int Add(const CString& text);
    void RemoveAll() { SetSize(0); }

    const CString& GetAt(int index) const { return m_items[static_cast<std::size_t>(index)]; }
    CString& operator[](int index) { return m_items[static_cast<std::size_t>(index)]; }
    const CString& operator[](int index) const { return GetAt(index); }

private:
    std::vector<CString> m_items;
};
