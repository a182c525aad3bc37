#pragma once
// Where a key lies between an index's first and last keys, read from the key bytes alone.
// The scroll bar uses it to place its thumb without counting the index.

#include <string>
#include <string_view>

namespace browse {

// 0 at or before `first`, 1 at or after `last`, in between by the key's bytes.
double keyFraction(std::string_view first, std::string_view last, std::string_view key);

// The key that keyFraction would place at `fraction` (0..1), between `first` and `last`.
std::string keyAtFraction(std::string_view first, std::string_view last, double fraction);

}  // namespace browse
