// `modaris-scan --compare OLD NEW`: what differs between two inventories
// written with --format jsonl (any --fields, with or without --loads).
//
// Rows are matched by a key that ignores ASCII case and the kind of
// separator: a scan's copy by its path under foundUnder (the directory its
// walk started from), or by its whole path (fileName) when a file has no
// foundUnder; a load list's row (one with importName) by the file name of
// its program and its importName; or by the fields of --key. The smaller file
// is read into memory, the larger streams past it, so two million-row files
// take the memory of the smaller one (plus the keys of the larger one's rows
// that match nothing, kept to find a key used twice).
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "compare/CompareFormat.h"

namespace compare {

struct CompareOptions {
    // The two files; "-" reads one of them from standard input.
    std::string oldPath;
    std::string newPath;
    // --key=FIELDS: the fields whose values match rows; empty for the
    // default key above.
    std::vector<std::string> keyFields;
    // --compare-fields=LIST: the fields whose change counts; empty for
    // every field present in both files but host, date, modified,
    // foundUnder and the key's own (the default key of a scan stands for
    // fileName; in a load list, or with --key, fileName counts: which copy
    // was chosen is the point).
    std::vector<std::string> compareFields;
    CompareFormat format = CompareFormat::Tsv;
    // --header: tsv begins with a line of headings (csv always has one).
    bool header = false;
    // -q: no summary and no progress line on standard error.
    bool quiet = false;
    // Begins each message on standard error.
    std::string programName = "modaris-scan";
};

// The exit status, as diff's.
enum CompareStatus {
    kCompareSame = 0,
    kCompareDifferent = 1,
    kCompareTrouble = 2
};

// Compares, writes one row per difference to `out` (added, removed or
// changed, the key, and each changed field's old and new value; the format
// is described in compare/DifferenceWriter.h) and, unless quiet, the summary
// "3 added, 1 removed, 5 changed, 1,204 the same" to `err`, where a progress
// line is drawn while reading when it is a terminal. Returns a CompareStatus:
// 2 for a file that cannot be read or is no modaris jsonl (the message names
// the line and what is wrong), for a key that two rows of one file share
// (both lines named), for a last line cut short (the rows before it are
// compared) and for a field of --compare-fields that neither file has.
// Writes already made stay written: the larger file is compared as it is
// read.
int RunCompare(const CompareOptions& options, std::FILE* standardInput, std::FILE* out, std::FILE* err);

// The names of --key or --compare-fields (`option`, for the message),
// separated by commas; nullopt with the problem in `error` for an empty name,
// a name given twice, or (for --key) a name the output uses itself.
std::optional<std::vector<std::string>> ParseCompareFieldList(const std::string& list, const std::string& option,
                                                              std::string& error);

}  // namespace compare
