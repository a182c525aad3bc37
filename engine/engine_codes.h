#pragma once
// The error codes and key shapes that the engine's calls and its data and index files share.
// Plain C++, no Qt.

#include <array>
#include <cstdint>

// Codes the callers test. The full range is 9900 to 10475.
namespace EngineCode {
inline constexpr int32_t FileInUse = 9900;          // class 2: the set is open in another process
inline constexpr int32_t NoSuchFileSet = 9903;      // neither NAME.DAT nor NAME.IX exists
inline constexpr int32_t IndexDefective = 10010;    // NAME.IX defective, missing or out of step
inline constexpr int32_t BadHandle = 10040;         // handle is not an open file set
inline constexpr int32_t BadArgument = 10050;       // key number, key length or buffer size wrong
inline constexpr int32_t DataFileDefective = 10060; // NAME.DAT header or size is not valid
inline constexpr int32_t IoError = 10110;           // class 2: the operating system refused I/O
inline constexpr int32_t KeyTooLong = 10125;        // AddKey: key longer than the index's length
inline constexpr int32_t RefZero = 10130;           // PutRecord: Ref 0
inline constexpr int32_t RefOutOfRange = 10135;     // Ref outside the file
inline constexpr int32_t RecordDeleted = 10140;     // PutRecord/DeleteRecord on a deleted slot
inline constexpr int32_t KeyNotFound = 10210;       // SearchKey: nothing at or after the key
inline constexpr int32_t KeyToDeleteMissing = 10220;// DeleteKey: entry not in the index
inline constexpr int32_t DuplicateKey = 10230;      // AddKey: unique index holds the key
inline constexpr int32_t NoNextKey = 10250;         // NextKey after the last / PrevKey before the first
inline constexpr int32_t NoNextRecord = 10275;      // NextUsedRecord: no further live record
inline constexpr int32_t NotStarted = 10300;        // engine not started
inline constexpr int32_t RebuildAborted = 10450;    // progress routine cleared EngineOK
}  // namespace EngineCode

inline constexpr int MaxKeyLength = 30;
inline constexpr int MaxKeys = 100;
inline constexpr int MaxNameLength = 192;  // of a set's own name, without its folder

struct KeyDesc {
    int length = 0;           // 1..30
    bool duplicates = false;  // index allows the same key for several records
    // The index lists only the records whose key is not empty: a rebuild leaves the others
    // out. Told by the caller of a rebuild; the index file does not keep it.
    bool partial = false;
};
using KeyDescTable = std::array<KeyDesc, MaxKeys>;
