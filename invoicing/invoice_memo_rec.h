#pragma once
// The memo of a memo invoice (1892 bytes, file stem + "M"): 25 lines of free text, joined
// to the header by the invoice number. Bytes 0..3 are the engine's.

#include <array>
#include <utility>

#include "engine/record_fields.h"

class InvoiceMemoRec : public fields::Record<InvoiceMemoRec, 1892> {};

namespace InvoiceMemo {

using Text = fields::Text<InvoiceMemoRec>;
using Number = fields::Number<InvoiceMemoRec>;

inline constexpr int LineCount = 25;
inline constexpr int LineWidth = 74;

inline constexpr Number MemoInvNumber{4, 9};  // key 1, unique

namespace detail {
template <std::size_t... K>
constexpr std::array<Text, sizeof...(K)> Lines(std::index_sequence<K...>) {
    return {{Text{14 + (LineWidth + 1) * static_cast<int>(K), LineWidth}...}};
}
}  // namespace detail

// Line k (from 0) at 14 + 75k; longer text is cut to 74.
inline constexpr std::array<Text, LineCount> MemoLines =
    detail::Lines(std::make_index_sequence<LineCount>{});

}  // namespace InvoiceMemo
