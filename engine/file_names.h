#pragma once
// File names as the program's files are found and created: existing files are matched
// without regard to the case of their name, new files get the name as given.

#include <filesystem>
#include <string_view>

namespace filenames {

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// `path` when it exists; otherwise the entry of its folder whose name equals path's file name
// ignoring ASCII case (the first in name order when several do); otherwise `path` unchanged,
// which is the name a new file gets.
std::filesystem::path findExisting(const std::filesystem::path& path);

// findExisting(base + extension), for names given without extension ("cvcomp" + ".DAT").
std::filesystem::path withExtension(std::string_view base, std::string_view extension);

// True when findExisting(path) names an existing regular file.
bool exists(const std::filesystem::path& path);

// Makes a rename or creation in `folder` durable.
void syncFolder(const std::filesystem::path& folder);

}  // namespace filenames
