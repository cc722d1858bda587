#include "platform/posix/version/module_inspection.h"

namespace posix {

namespace {

thread_local ModuleInspection* t_inspection = nullptr;

}  // namespace

ModuleInspection::ModuleInspection(const char* path) : m_path(path ? path : ""), m_outer(t_inspection)
{
    t_inspection = this;
}

ModuleInspection::~ModuleInspection() { t_inspection = m_outer; }

std::shared_ptr<const version_reader::BoundedFile> InspectedFile(const char* path)
{
    ModuleInspection* const inspection = t_inspection;
    if (!inspection || !path || inspection->m_path.empty() || inspection->m_path != path) return nullptr;
    if (!inspection->m_file) {
        inspection->m_file = std::make_shared<const version_reader::BoundedFile>(
            path, version_reader::BoundedFile::ForEveryReading{});
    }
    return inspection->m_file;
}

}  // namespace posix
