#pragma once

namespace compare {

// The formats of the differences, as the scanner writes its rows.
enum class CompareFormat {
    Tsv,
    Csv,
    Jsonl
};

}  // namespace compare
