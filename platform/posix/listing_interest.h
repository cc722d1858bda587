// What a walker wants of the files its listings give, so that a listing
// need not look at what the walker will pass over. Only a symbolic link
// costs a look (is it a directory, which the listing leaves out, or a
// file?): a link to a file the walker does not want is left out unlooked
// at, as a link to a directory would be, and the walk is the same.
#pragma once

namespace posix {

using WantedFileName = bool (*)(const char* name, const void* context);

// While one lives, listings this thread opens leave out the symbolic links
// whose names `wanted` refuses, for their whole life: `context` must
// outlive them. Scopes nest; the innermost holds.
class ListingInterest {
public:
    ListingInterest(WantedFileName wanted, const void* context);
    ~ListingInterest();
    ListingInterest(const ListingInterest&) = delete;
    ListingInterest& operator=(const ListingInterest&) = delete;

    WantedFileName Wanted() const { return m_wanted; }
    const void* Context() const { return m_context; }
    // The interest in force on this thread; null when none.
    static const ListingInterest* Current();

private:
    WantedFileName m_wanted;
    const void* m_context;
    const ListingInterest* m_outer;
};

}  // namespace posix
