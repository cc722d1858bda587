#include "engine_queries.h"

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/VersionResource.h"
#include "platform/win32.h"

namespace fuzz {

namespace {

// What the engine adds to the size it is given, and never tells the reader of.
constexpr std::size_t kEngineSlack = 10;
constexpr std::uint8_t kSlackCanary = 0xA5;
constexpr std::uint32_t kLargestVersionBlock = 0x7FFFFFF0;
// The most of a block the engine copies, however large the size query says.
constexpr std::uint32_t kLargestCopy = 512 * 1024;
constexpr UINT kFixedInfoSize = 52;

// Keeps the reads of the answers from being optimised away.
volatile unsigned g_sink = 0;

void Touch(const void* at, std::size_t length)
{
    const auto* bytes = static_cast<const volatile unsigned char*>(at);
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += bytes[i];
    g_sink = g_sink + sum;
}

class CopiedBlock {
public:
    CopiedBlock(const char* file, std::uint32_t size)
        : file_(file), size_(size), bytes_(new unsigned char[size + kEngineSlack]())
    {
        std::memset(bytes_.get() + size_, kSlackCanary, kEngineSlack);
    }

    const char* File() const { return file_; }
    std::uint32_t Size() const { return size_; }
    unsigned char* Data() const { return bytes_.get(); }
    const unsigned char* End() const { return bytes_.get() + size_; }
    const unsigned char* EndWithSlack() const { return End() + kEngineSlack; }
    bool Contains(const void* at, std::size_t length) const
    {
        const auto* begin = static_cast<const unsigned char*>(at);
        return begin >= Data() && begin <= End() && length <= static_cast<std::size_t>(End() - begin);
    }
    bool SlackUntouched() const
    {
        for (std::size_t i = 0; i < kEngineSlack; ++i) {
            if (End()[i] != kSlackCanary) return false;
        }
        return true;
    }

private:
    const char* file_;
    std::uint32_t size_;
    std::unique_ptr<unsigned char[]> bytes_;
};

// The copy is two halves: the block up to the root's wLength (as the copy
// left it), where values are returned in place, and from 4 bytes past it
// the converted texts (of 32-bit blocks, and of 16-bit ones that are not
// ASCII), each at its own offset, so a text never passes 4 + 2 * wLength.
// Converted texts end in a NUL inside the block and are well-formed UTF-8,
// since unpaired surrogates and bytes that are no character of their code
// page become U+FFFD.
// A value in place may lie in the second half too: the walk goes on past
// the root's wLength into the copy, as Windows' does.
std::size_t RootLength(const unsigned char* block)
{
    return block[0] | block[1] << 8;
}

bool InSecondHalf(const CopiedBlock& block, const void* value)
{
    return static_cast<const unsigned char*>(value) >= block.Data() + RootLength(block.Data()) + 4;
}

// Whether the query wrote the value it points at (a converted text) or
// points at bytes in place: on two fresh copies, the value's first byte is
// flipped two ways before the same query. Every byte the walk reads to a
// node lies before that node's value, and a text's first converted byte
// comes from units before it, so only a conversion makes the two agree.
// Two copies of the file: asked only of a value that breaks a converted
// text's promises, so that the fuzzer's rate stays as it was.
bool WrittenByTheQuery(const CopiedBlock& block, const char* path, const void* value)
{
    const std::size_t offset = static_cast<std::size_t>(static_cast<const unsigned char*>(value) - block.Data());
    if (offset >= block.Size()) return false;
    unsigned char seen[2] = {};
    const unsigned char flips[2] = {0xFF, 0x0F};
    for (int i = 0; i < 2; ++i) {
        const CopiedBlock copy(block.File(), block.Size());
        if (!GetFileVersionInfoA(copy.File(), 0, copy.Size(), copy.Data())) return false;
        copy.Data()[offset] ^= flips[i];
        void* again = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(copy.Data(), path, &again, &length) || again != copy.Data() + offset) return false;
        seen[i] = copy.Data()[offset];
    }
    return seen[0] == seen[1];
}

struct Query {
    bool found = false;
    const void* value = nullptr;
    UINT length = 0;
    // What the block holds from the value on: all the engine reads of it.
    std::size_t room = 0;
    // Where converted texts go: a value there may be one, or lie in place.
    bool inSecondHalf = false;
};

// One VerQueryValueA with the checks that hold for every query: a found
// value lies in the block (an empty text may sit elsewhere, as a C string);
// a value in place may be stated longer than the copy, as Windows states
// it, and only what the block holds is read; a converted text stays in its
// half; a failed query leaves the pointer alone and the length 0.
Query Ask(const CopiedBlock& block, const char* path, VersionAnswers& answers)
{
    static char untouched[1];
    Query query;
    void* value = untouched;
    UINT length = 0xDEADu;
    query.found = VerQueryValueA(block.Data(), path, &value, &length) != FALSE;
    const std::string where = std::string("query ") + path + ": ";
    if (!query.found) {
        if (value != untouched) answers.faults.push_back(where + "failed but moved the value pointer");
        if (length != 0) answers.faults.push_back(where + "failed but left a length");
        return query;
    }
    query.length = length;
    if (!value || value == untouched) {
        answers.faults.push_back(where + "found without a value pointer");
        return query;
    }
    query.value = value;
    const auto* at = static_cast<const unsigned char*>(value);
    if (at >= block.Data() && at < block.EndWithSlack())
        query.room = static_cast<std::size_t>(block.EndWithSlack() - at);
    query.inSecondHalf = query.room > 0 && InSecondHalf(block, value);
    const std::size_t end = static_cast<std::size_t>(at - block.Data()) + length;
    if (query.inSecondHalf && end > 2 * RootLength(block.Data()) + 4 && WrittenByTheQuery(block, path, value)) {
        answers.faults.push_back(where + "converted text of " + std::to_string(length) + " bytes runs past its half");
        query.value = nullptr;
    } else if (block.Contains(value, length)) {
        Touch(value, length);
    } else if (query.room > 0) {
        Touch(value, query.room);
    } else if (length != 0) {
        answers.faults.push_back(where + "value of " + std::to_string(length) + " bytes outside the block");
        query.value = nullptr;
    } else {
        Touch(value, 1);
        if (*static_cast<const char*>(value) != '\0') {
            answers.faults.push_back(where + "empty value outside the block is no empty text");
            query.value = nullptr;
        }
    }
    return query;
}

void ReadFixedInfo(const CopiedBlock& block, VersionAnswers& answers)
{
    const Query root = Ask(block, "\\", answers);
    answers.fixedFound = root.found;
    answers.fixedLength = root.length;
    if (!root.value || root.length < kFixedInfoSize || root.room < kFixedInfoSize) return;
    std::uint32_t words[13];
    std::memcpy(words, root.value, sizeof words);
    answers.fileVersionMS = words[2];
    answers.fileVersionLS = words[3];
    answers.productVersionMS = words[4];
    answers.productVersionLS = words[5];
}

// The engine keeps the text up to its NUL, never past the block and its slack.
std::string TextAt(const CopiedBlock& block, const char* text)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(text);
    if (begin < block.Data() || begin >= block.EndWithSlack()) return text;
    const std::size_t room = static_cast<std::size_t>(block.EndWithSlack() - begin);
    const void* end = std::memchr(text, 0, room);
    return std::string(text, end ? static_cast<const char*>(end) - text : room);
}

bool IsWellFormedUtf8(const unsigned char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length;) {
        const unsigned lead = text[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t extra = lead >= 0xC2 && lead < 0xE0   ? 1
                                  : lead >= 0xE0 && lead < 0xF0 ? 2
                                  : lead >= 0xF0 && lead < 0xF5 ? 3
                                                                : 0;
        if (extra == 0 || i + extra >= length) return false;
        std::uint32_t cp = lead & (0x3Fu >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((text[i + k] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (text[i + k] & 0x3Fu);
        }
        const std::uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
        i += extra + 1;
    }
    return true;
}

// The promises of a converted text that `text` breaks.
std::vector<std::string> ConvertedTextFaults(const CopiedBlock& block, const Query& text)
{
    std::vector<std::string> faults;
    const auto* begin = static_cast<const unsigned char*>(text.value);
    if (!block.Contains(begin, text.length)) return faults;  // the empty text outside, checked already
    // Length 0 with a text there: longer than its room, so converted as far
    // as the room goes, as Windows fails the conversion; it still ends there.
    std::size_t length = text.length;
    if (length == 0 && text.room > 0) {
        const void* nul = std::memchr(begin, 0, text.room);
        length = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - begin) : text.room;
    }
    const bool nulInside = length > 0 && begin[length - 1] == 0;
    if (!nulInside && (!block.Contains(begin, length + 1) || begin[length] != 0))
        faults.push_back("converted text not ended by a NUL inside the block");
    if (!IsWellFormedUtf8(begin, length)) faults.push_back("converted text is no well-formed UTF-8");
    return faults;
}

void ReadCompany(const CopiedBlock& block, VersionAnswers& answers)
{
    const Query table = Ask(block, "\\VarFileInfo\\Translation", answers);
    answers.translationFound = table.found;
    if (!table.value) return;
    const auto* entries = static_cast<const unsigned char*>(table.value);
    const std::size_t count = std::min<std::size_t>(table.length, table.room) / 4;
    for (std::size_t j = 0; j < count; ++j) {
        const unsigned language = entries[4 * j] | entries[4 * j + 1] << 8;
        const unsigned codePage = entries[4 * j + 2] | entries[4 * j + 3] << 8;
        answers.translations.push_back(language | codePage << 16);
        char path[64];
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\CompanyName", language, codePage);
        const Query company = Ask(block, path, answers);
        if (!company.value) continue;
        if (company.inSecondHalf) {
            const std::vector<std::string> faults = ConvertedTextFaults(block, company);
            if (!faults.empty() && WrittenByTheQuery(block, path, company.value)) {
                for (const std::string& fault : faults)
                    answers.faults.push_back(std::string("query ") + path + ": " + fault);
            }
        }
        answers.companyFound = true;
        answers.company = TextAt(block, static_cast<const char*>(company.value));
    }
}

}  // namespace

VersionAnswers AskLikeTheEngine(const char* path)
{
    VersionAnswers answers;
    DWORD handle = 1;
    answers.size = GetFileVersionInfoSizeA(path, &handle);
    if (handle != 0) answers.faults.push_back("size query left the handle at " + std::to_string(handle));
    if (answers.size == 0 || answers.size > kLargestVersionBlock) return answers;

    const CopiedBlock block(path, std::min(answers.size, kLargestCopy));
    answers.copied = GetFileVersionInfoA(path, handle, block.Size(), block.Data()) != FALSE;
    if (!answers.copied) {
        answers.faults.push_back("copy refused after the size query gave " + std::to_string(answers.size));
        return answers;
    }
    if (!block.SlackUntouched()) answers.faults.push_back("copy wrote past the length it was given");
    ReadFixedInfo(block, answers);
    ReadCompany(block, answers);
    if (!block.SlackUntouched()) answers.faults.push_back("a query wrote past the block");
    return answers;
}

std::vector<std::string> CompareWithEngine(const VersionAnswers& answers, const ModuleVersionInfo& engine)
{
    std::vector<std::string> faults;
    const bool sameVersions =
        engine.productVersionMS == answers.productVersionMS && engine.productVersionLS == answers.productVersionLS &&
        engine.fileVersionMS == answers.fileVersionMS && engine.fileVersionLS == answers.fileVersionLS;
    if (!sameVersions) faults.push_back("the engine read other version words");
    if (std::string(engine.company.GetString(), engine.company.GetLength()) != answers.company)
        faults.push_back("the engine read another company name");
    return faults;
}

void PinReaderLanguage()
{
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
    setenv("LC_ALL", "de_AT.UTF-8", 1);
}

}  // namespace fuzz
