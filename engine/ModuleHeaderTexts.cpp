#include "engine/ModuleHeaderTexts.h"

#include <cstdio>

namespace {

// Year, month and day of a count of days since 1970-01-01 in the proleptic
// Gregorian calendar: counted in 400-year eras from 0000-03-01, so that the
// leap day ends each year.
struct CivilDate {
    unsigned year, month, day;
};

CivilDate CivilDateOfDay(std::uint32_t daysSince1970)
{
    constexpr std::uint32_t kDaysFrom0000March1To1970 = 719468;
    constexpr std::uint32_t kDaysPerEra = 146097;
    const std::uint32_t days = daysSince1970 + kDaysFrom0000March1To1970;
    const std::uint32_t era = days / kDaysPerEra;
    const std::uint32_t dayOfEra = days - era * kDaysPerEra;
    const std::uint32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::uint32_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const unsigned month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const unsigned year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

}  // namespace

std::string MachineText(const ModuleHeader& header)
{
    switch (header.kind) {
    case ModuleKind::NotAModule: return {};
    case ModuleKind::Ne: return "ne";
    case ModuleKind::Pe: break;
    }
    switch (header.machine) {
    case 0x014C: return "i386";
    case 0x8664: return "amd64";
    case 0xAA64: return "arm64";
    case 0x01C0:  // ARM, as Windows CE built it
    case 0x01C4:  // ARMNT: Thumb-2, as Windows on 32-bit ARM builds it
        return "arm";
    case 0x0200: return "ia64";
    default: break;
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(header.machine));
    return text;
}

std::string SubsystemText(const ModuleHeader& header)
{
    if (header.kind != ModuleKind::Pe) return {};
    switch (header.subsystem) {
    case 1: return "native";
    case 2: return "windows-gui";
    case 3: return "windows-cui";
    case 7: return "posix-cui";
    case 9: return "windows-ce-gui";
    case 10: return "efi-application";
    case 11: return "efi-boot-service-driver";
    case 12: return "efi-runtime-driver";
    case 16: return "boot-application";
    default: return std::to_string(header.subsystem);
    }
}

std::string LinkTimeText(const ModuleHeader& header)
{
    return header.kind == ModuleKind::Pe ? UtcTimeText(header.timeDateStamp) : std::string();
}

const char* ManagedText(const ModuleHeader& header) { return header.managed ? "true" : "false"; }

std::string UtcTimeText(std::uint32_t secondsSince1970)
{
    constexpr std::uint32_t kSecondsPerDay = 86400;
    const CivilDate date = CivilDateOfDay(secondsSince1970 / kSecondsPerDay);
    const std::uint32_t secondOfDay = secondsSince1970 % kSecondsPerDay;
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", date.year, date.month, date.day,
                  static_cast<unsigned>(secondOfDay / 3600), static_cast<unsigned>(secondOfDay / 60 % 60),
                  static_cast<unsigned>(secondOfDay % 60));
    return text;
}
