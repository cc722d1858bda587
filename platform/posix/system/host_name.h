// This computer's name as the system's calls give it.
#pragma once

#include <string>

namespace posix {

// The host name's first label, as the kernel has it; "localhost" when it
// cannot be read.
std::string HostLabel();
// What follows the first dot of the host name; empty when there is none.
std::string HostDomain();

}  // namespace posix
