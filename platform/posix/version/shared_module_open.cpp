#include "platform/posix/version/shared_module_open.h"

namespace posix {

namespace {

thread_local SharedModuleOpen* t_sharedOpen = nullptr;

}  // namespace

SharedModuleOpen::SharedModuleOpen(const char* path, std::shared_ptr<const version_reader::BoundedFile> file)
    : m_path(path ? path : ""), m_file(std::move(file)), m_outer(t_sharedOpen)
{
    t_sharedOpen = this;
}

SharedModuleOpen::~SharedModuleOpen()
{
    t_sharedOpen = m_outer;
}

std::shared_ptr<const version_reader::BoundedFile> SharedOpenOf(const char* path)
{
    SharedModuleOpen* const scope = t_sharedOpen;
    if (!scope || !path || scope->m_path.empty() || scope->m_path != path) return nullptr;
    return scope->m_file;
}

}  // namespace posix
