// Every handle the stand-in hands out names an entry of one process-wide
// table: an object and the kind of object it is. A handle is looked up,
// never followed, so a closed handle, a handle of another kind or a made-up
// value is refused instead of read through.
#pragma once

#include <initializer_list>
#include <memory>

#include "platform/posix/win32_types.h"

namespace posix {

enum class HandleKind : unsigned char {
    File,
    FindListing,
    Thread,
    RegistryKey,
    Module
};

// Enters `object` under a new handle. Handle values are never used twice, so
// a closed handle stays refused.
HANDLE AddHandle(HandleKind kind, std::shared_ptr<void> object);

// The object behind `handle` when the handle is open and of `kind`; null
// otherwise. The object lives on while it is held, even when another thread
// closes the handle meanwhile.
std::shared_ptr<void> FindHandle(HANDLE handle, HandleKind kind);

// Closes `handle` when it is open and of one of `kinds`. False when it was not.
bool RemoveHandle(HANDLE handle, std::initializer_list<HandleKind> kinds);

// The same for a type that names its kind as `kHandleKind`.
template <class Object>
HANDLE AddHandle(std::shared_ptr<Object> object)
{
    return AddHandle(Object::kHandleKind, std::move(object));
}

template <class Object>
std::shared_ptr<Object> FindHandle(HANDLE handle)
{
    const std::shared_ptr<void> object = FindHandle(handle, Object::kHandleKind);
    // The kind was checked, so the object is an Object.
    return std::shared_ptr<Object>(object, static_cast<Object*>(object.get()));
}

}  // namespace posix
