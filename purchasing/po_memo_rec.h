#pragma once
// The text of a memo purchase order (1892 bytes, file stem + "PM"): 25 lines, joined to the
// header by the order number. Bytes 0..3 are the engine's; the last three are never written.

#include "engine/record_fields.h"

class POMemoRec : public fields::Record<POMemoRec, 1892> {};

namespace POMemo {

using Text = fields::Text<POMemoRec>;
using Number = fields::Number<POMemoRec>;

inline constexpr int LineCount = 25;
inline constexpr int LineWidth = 74;

inline constexpr Number MemoPONumber{4, 9};  // key 1, unique
// Line i (from 0) at 14 + 75i; the last ends at offset 1888.
inline constexpr auto MemoLine = fields::TextRun<POMemoRec, LineCount>(14, LineWidth);

}  // namespace POMemo
