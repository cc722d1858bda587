// An ordered list of untyped pointers, as the framework's pointer array. It
// owns only its storage: emptying or destroying it never frees the pointees.
#pragma once

#include <vector>

class CPtrArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }

    // Resizes (new slots are null); a size of 0 also releases the storage.
    void SetSize(int newSize, int growBy = -1);
    // Stores `item` at `index`, growing with null slots as needed.
    void SetAtGrow(int index, void* item);
    int Add(void* item);
    void RemoveAll() { SetSize(0); }

    void* GetAt(int index) const { return m_items[static_cast<std::size_t>(index)]; }
    void*& operator[](int index) { return m_items[static_cast<std::size_t>(index)]; }
    void* operator[](int index) const { return GetAt(index); }

private:
    std::vector<void*> m_items;
};
