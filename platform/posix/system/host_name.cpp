#include "platform/posix/system/host_name.h"

#include <unistd.h>

namespace posix {

namespace {

std::string HostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

}  // namespace

std::string HostLabel()
{
    const std::string name = HostName();
    return name.substr(0, name.find('.'));
}

std::string HostDomain()
{
    const std::string name = HostName();
    const std::size_t dot = name.find('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace posix
