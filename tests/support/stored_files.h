#pragma once
// For tests of the file layers: what a file set holds (the entries of an index, a stored
// record) and adding a record through a unit's buffer and add routine.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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
