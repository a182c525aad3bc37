#pragma once
// For tests of the file layers: what a file set holds (the entries of an index, a stored
// record), adding a record through a unit's buffer and add routine, what opening a set says
// and bytes written over a file.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine.h"

using Entries = std::vector<std::pair<std::string, int32_t>>;

// The (key, Ref) entries of index keyNr, in index order.
inline Entries IndexEntries(FileSetHandle handle, int keyNr) {
    Entries entries;
    ClearKeyPosition(handle, keyNr);
    for (;;) {
        int32_t ref = 0;
        std::string key;
        NextKey(handle, keyNr, ref, key);
        if (!EngineOK) break;
        entries.emplace_back(std::move(key), ref);
    }
    return entries;
}

// Puts the record into the unit's buffer and adds it with the unit's add routine.
template <class Rec>
int32_t AddThrough(Rec& buffer, bool (*add)(int32_t&), const Rec& record) {
    buffer = record;
    int32_t ref = 0;
    EXPECT_TRUE(add(ref)) << EngineErrorCode;
    return ref;
}

template <class Rec>
Rec StoredIn(FileSetHandle file, int32_t ref) {
    Rec r;
    ReadRecord(file, ref, r.bytes());
    EXPECT_TRUE(EngineOK) << EngineErrorCode;
    return r;
}

namespace testsupport {

// The engine's code for opening the set (0 when it opens); the set is closed again.
inline int32_t OpenCode(const std::string& set) {
    FileSetHandle h = 0;
    OpenFileSet(h, set);
    const int32_t code = EngineErrorCode;
    if (EngineOK) CloseFileSet(h);
    return code;
}

// Writes the bytes over the file at the offset, as damage from outside the engine.
inline void Overwrite(const std::filesystem::path& path, uint64_t offset, std::string_view bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
