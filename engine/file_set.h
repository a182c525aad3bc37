#pragma once
// What engine.cpp and rebuild.cpp share: the open-set registry and the status setters.

#include <filesystem>
#include <string_view>

#include "engine/data_file.h"
#include "engine/engine_codes.h"

namespace engine_detail {

// Validates a set name (a path without extension).
Code checkName(std::string_view name);
Code checkKeyTable(int keyCount, const KeyDescTable& keys);
// True when this process has the set whose data file is `datPath` open.
bool isOpenHere(const std::filesystem::path& datPath);

// Every call starts with begin() and ends with finish(code).
void begin();
bool finish(Code code);

}  // namespace engine_detail
