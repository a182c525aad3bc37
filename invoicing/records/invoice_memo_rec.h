#pragma once
// The memo of a memo invoice (1892 bytes, file stem + "M"): 25 lines of free text, joined
// to the header by the invoice number. Bytes 0..3 are the engine's.

#include "engine/record_fields.h"

class InvoiceMemoRec : public fields::Record<InvoiceMemoRec, 1892> {};

namespace InvoiceMemo {

using Text = fields::Text<InvoiceMemoRec>;
using Number = fields::Number<InvoiceMemoRec>;

inline constexpr int LineCount = 25;
inline constexpr int LineWidth = 74;

inline constexpr Number MemoInvNumber{4, 9};  // key 1, unique

// Line k (from 0) at 14 + 75k; longer text is cut to 74.
inline constexpr auto MemoLines = fields::TextRun<InvoiceMemoRec, LineCount>(14, LineWidth);

}  // namespace InvoiceMemo
