#pragma once
// The row a browse list hands to its owner: key, record and the text the owner fills in.

#include <cstdint>
#include <string>

// One row of a browse list, as handed to the owner's row builder and filter.
struct RR {
    static constexpr size_t MaxKeyLength = 30;
    static constexpr size_t MaxTextLength = 128;

    std::string Key;              // the row's index key
    int32_t Ref = 0;              // its data record
    int Status = 0;               // 0 record read, -1 record unreadable
    std::string BRLRowEltString;  // the row's text (Windows-1252), filled by the owner
};
