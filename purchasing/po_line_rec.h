#pragma once
// One line of a purchase order (224 bytes, file stem + "PD"): an ordered line, the one line
// of a memo order, or a receiver line of a later receipt. Joined to the header by the order
// number. Bytes 0..3 are the engine's; bytes not named stay zero.

#include "engine/record_fields.h"

class POLineRec : public fields::Record<POLineRec, 224> {};

namespace POLine {

using Text = fields::Text<POLineRec>;
using Number = fields::Number<POLineRec>;

// Quantity ordered (characters 1-10), description (11-42), unit price (43-52), tax flag
// (53: "Y", "N", "M" on a memo order) and extension (54-63), each blank-padded to its width.
// Receiver lines carry "0" as quantity and extension, so sums over an order ignore them.
inline constexpr Text LineText{4, 65};
inline constexpr Text LineKind{70, 1};    // "P" ordered line, "L" receiver line; part of key 4
inline constexpr Text LineStatus{72, 1};  // "O"
inline constexpr Number LineCompanyNumber{76, 5};
inline constexpr Number LinePONumber{82, 9};  // key 2, part of key 4
inline constexpr Text LinePODateYMD{92, 10};  // the order's yyyy/mm/dd; key 1
// On a memo order the code typed there or "** NONE **"; part of key 4.
inline constexpr Text LineProductCode{103, 10};
inline constexpr Number LineVendorNumber{114, 8};
inline constexpr Text LineVendorShortName{123, 10};
inline constexpr Text LineReceived{134, 1};        // "Y" received, "N" not
inline constexpr Text LineReceiptDate{136, 10};    // yyyy/mm/dd, " " when none; key 3
inline constexpr Number LineReceivedQty{147, 10};  // "0" when none
// "Auto-Rec" when the order was marked received on entry, " " when none; key 5.
inline constexpr Text LineReceiverNumber{158, 9};
// On a receiver line of a product that the order names on more than one line, which of those
// ordered lines it belongs to: "2" for the second in record order, and so on. Empty for the
// first, so that receiver lines of a product named once stay as they always were.
inline constexpr Number LineOrderedLine{168, 2};

inline constexpr const char* KindOrdered = "P";
inline constexpr const char* KindReceiver = "L";

// A receiver line, recording a later receipt; any other line is one of the order's own.
inline bool IsReceiverLine(const POLineRec& line) {
    return line.get(LineKind) == KindReceiver;
}

}  // namespace POLine
