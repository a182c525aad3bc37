#pragma once
// Sorting by a key that is costly to make (a row's joined text, say): each element's key is
// made once, not twice per comparison.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// Sorts `items` by makeKey(item) ascending; items of equal keys keep their order.
template <class T, class MakeKey>
void StableSortByKey(std::vector<T>& items, MakeKey makeKey) {
    using Key = decltype(makeKey(items.front()));
    std::vector<std::pair<Key, std::size_t>> keys;
    keys.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) keys.emplace_back(makeKey(items[i]), i);
    // The position breaks ties, which keeps equal keys in their order.
    std::sort(keys.begin(), keys.end());
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const auto& [key, at] : keys) sorted.push_back(std::move(items[at]));
    items = std::move(sorted);
}
