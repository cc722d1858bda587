#include "platform/posix/version/shared_module_open.h"

namespace posix {

namespace {

thread_local SharedModuleOpen* t_sharedOpen = nullptr;

}  // namespace

SharedModuleOpen::SharedModuleOpen(const char* path) : m_path(path ? path : ""), m_outer(t_sharedOpen)
{
    t_sharedOpen = this;
}

SharedModuleOpen::~SharedModuleOpen() { t_sharedOpen = m_outer; }

std::shared_ptr<const version_reader::BoundedFile> SharedOpenOf(const char* path)
{
    SharedModuleOpen* const scope = t_sharedOpen;
    if (!scope || !path || scope->m_path.empty() || scope->m_path != path) return nullptr;
    if (!scope->m_file) {
        scope->m_file = std::make_shared<const version_reader::BoundedFile>(
            path, version_reader::BoundedFile::ForEveryReading{});
    }
    return scope->m_file;
}

}  // namespace posix
