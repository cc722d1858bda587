#pragma once

#include <string>

namespace posix {

// The Wine prefix whose drives and system directory stand in for Windows'
// ($WINEPREFIX, default ~/.wine); it need not exist.
std::string WinePrefix();

}  // namespace posix
