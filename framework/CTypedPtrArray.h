// A pointer array whose elements are typed, as the framework's template.
#pragma once

#include "framework/CPtrArray.h"

template <class BaseArray, class Type>
class CTypedPtrArray : public BaseArray {
public:
    Type GetAt(int index) const { return static_cast<Type>(BaseArray::GetAt(index)); }
    Type operator[](int index) const { return GetAt(index); }
    void SetAtGrow(int index, Type item) { BaseArray::SetAtGrow(index, item); }
    int Add(Type item) { return BaseArray::Add(item); }
};
