// Which files a walk wants, told to the listings it opens. Windows' listing
// gives every entry with its kind at no cost, and ignores this. The POSIX
// stand-in must look at a symbolic link to tell a directory from a file: it
// looks only at the links the walk wants (posix/listing_interest.h).
#pragma once

#ifdef _WIN32

namespace platform {

using WantedFileName = bool (*)(const char* name, const void* context);

class ListingInterest {
public:
    ListingInterest(WantedFileName, const void*) {}
    ListingInterest(const ListingInterest&) = delete;
    ListingInterest& operator=(const ListingInterest&) = delete;
};

}  // namespace platform

#else

#include "platform/posix/listing_interest.h"

namespace platform {
using posix::ListingInterest;
using posix::WantedFileName;
}  // namespace platform

#endif
