#include "platform/posix/version/user_language.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace version_reader {

namespace {

constexpr WORD kEnglishUnitedStates = 0x0409;

struct Locale {
    const char* name;  // "ll" (the language's default) or "ll_CC"
    WORD language;
};

// The common locales; a language alone maps to the sublanguage Windows
// treats as its default.
constexpr Locale kLocales[] = {
    {"ar", 0x0401},    {"bg", 0x0402},    {"ca", 0x0403},    {"cs", 0x0405},    {"da", 0x0406},    {"de", 0x0407},
    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de_LU", 0x1007}, {"el", 0x0408},    {"en", 0x0409},    {"en_AU", 0x0C09},
    {"en_CA", 0x1009}, {"en_GB", 0x0809}, {"en_IE", 0x1809}, {"en_IN", 0x4009}, {"en_NZ", 0x1409}, {"en_ZA", 0x1C09},
    {"es", 0x0C0A},    {"es_AR", 0x2C0A}, {"es_MX", 0x080A}, {"et", 0x0425},    {"fi", 0x040B},    {"fr", 0x040C},
    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"he", 0x040D},    {"hr", 0x041A},    {"hu", 0x040E},
    {"is", 0x040F},    {"it", 0x0410},    {"it_CH", 0x0810}, {"ja", 0x0411},    {"ko", 0x0412},    {"lt", 0x0427},
    {"lv", 0x0426},    {"nb", 0x0414},    {"nl", 0x0413},    {"nl_BE", 0x0813}, {"nn", 0x0814},    {"pl", 0x0415},
    {"pt", 0x0416},    {"pt_PT", 0x0816}, {"ro", 0x0418},    {"ru", 0x0419},    {"sk", 0x041B},    {"sl", 0x0424},
    {"sv", 0x041D},    {"sv_FI", 0x081D}, {"th", 0x041E},    {"tr", 0x041F},    {"uk", 0x0422},    {"vi", 0x042A},
    {"zh", 0x0804},    {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404},
};

const Locale* FindLocale(const std::string& name)
{
    for (const Locale& locale : kLocales) {
        if (name == locale.name) return &locale;
    }
    return nullptr;
}

}  // namespace

WORD LanguageFromLocaleName(const char* localeName)
{
    if (!localeName) return kEnglishUnitedStates;
    // Code set and modifier ("ll_CC.UTF-8@euro") do not change the language.
    std::string name(localeName, std::strcspn(localeName, ".@"));
    if (const Locale* exact = FindLocale(name)) return exact->language;
    name.resize(std::min(name.find('_'), name.size()));
    if (const Locale* language = FindLocale(name)) return language->language;
    return kEnglishUnitedStates;  // also "C" and "POSIX"
}

WORD UserLanguage()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return LanguageFromLocaleName(value);
    }
    return kEnglishUnitedStates;
}

}  // namespace version_reader
