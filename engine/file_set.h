#pragma once
// What engine.cpp and rebuild.cpp share: the open-set registry and the status setters.

#include <filesystem>
#include <string_view>

#include "engine/data_file.h"
#include "engine/engine.h"
#include "engine/engine_codes.h"
#include "engine/file_io.h"

namespace engine_detail {

// Validates a set name (a path without extension).
Code checkName(std::string_view name);
Code checkKeyTable(int keyCount, const KeyDescTable& keys);
// True when this process has the set whose data file is `datPath` open.
bool isOpenHere(const std::filesystem::path& datPath);
// Before a set is created or rebuilt: the journal of its folder is emptied (this process's)
// or replayed (one left by a process that died), so that no image in it is written over
// the new files later.
Code settleFolder(const std::filesystem::path& datPath);

// Every call starts with begin() and ends with finish(code), true when the call went well.
// Both are inline: walks make a call per entry.
inline void begin() {
    EngineOK = true;
    EngineErrorCode = 0;
    EngineSystemError = 0;
    engine_io::noteError(0);
}
// finish() of a call that failed: its code is noted, and false returned.
bool finishFailed(Code code);
inline bool finish(Code code) {
    return code == 0 || finishFailed(code);
}

}  // namespace engine_detail
