// One crafted file and the row the engine must make of it. Each table of
// cases is its own file; the one test that runs them all is in
// MalformedModuleTest.cpp.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "ModuleRow.h"
#include "crafted_images.h"

namespace malformed {

struct MalformedCase {
    MalformedCase(std::string caseName, std::function<crafted::Bytes()> builder, ModuleRow row)
        : name(std::move(caseName)), build(std::move(builder)), expected(std::move(row))
    {
    }

    // Where Wine's version.dll answers otherwise than our reader; the
    // Windows build expects this row instead.
    MalformedCase WineGives(ModuleRow row) const
    {
        MalformedCase copy = *this;
        copy.wine = std::move(row);
        return copy;
    }
    // Leaves the row out of the Windows build: `why` it is not safe there,
    // through a fault of Wine's version.dll or of the engine's use of it.
    MalformedCase WineUnsafe(const char* why) const
    {
        MalformedCase copy = *this;
        copy.wineUnsafe = why;
        return copy;
    }

    std::string name;
    std::function<crafted::Bytes()> build;
    ModuleRow expected;                // our POSIX reader, and Windows unless `wine` says otherwise
    std::optional<ModuleRow> wine;     // Wine's version.dll, where it differs
    const char* wineUnsafe = nullptr;  // why the Windows build leaves the row out
};

inline void PrintTo(const MalformedCase& c, std::ostream* out)
{
    *out << c.name;
}

// The test's name: the case's name with every other character than a
// letter or a digit made '_'.
std::string TestNameOf(std::string caseName);
std::string CaseName(const ::testing::TestParamInfo<MalformedCase>& info);

class MalformedModule : public ::testing::TestWithParam<MalformedCase> {};

}  // namespace malformed
