// What both bodies of a ModuleFile share.
#include "platform/file/ModuleFile.h"

#ifdef _WIN32
#include "platform/file/ModuleFileBody_win32.h"
#else
#include "platform/file/ModuleFileBody_posix.h"
#endif

namespace platform {

ModuleFile::ModuleFile() = default;
ModuleFile::~ModuleFile() = default;
ModuleFile::ModuleFile(ModuleFile&&) noexcept = default;
ModuleFile& ModuleFile::operator=(ModuleFile&&) noexcept = default;

bool ModuleFile::IsOpen() const
{
    return m_body != nullptr;
}

}  // namespace platform
