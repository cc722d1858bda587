// Facts of a module beyond the window's columns, read only for a scan that
// asks for them (the console scanner's --fields): the window's scan never
// sets a reader, so its rows cost what they always did.
#pragma once

#include <optional>
#include <string>
#include <vector>

// One value per asked fact, in the order asked; none where it cannot be read.
using ExtraFactValues = std::vector<std::optional<std::string>>;

class ExtraFactReader {
public:
    virtual ~ExtraFactReader() = default;
    // Called on the worker, for each row the bitness classes keep, with the
    // path the module is read under.
    virtual ExtraFactValues Read(const char* path) const = 0;
};
