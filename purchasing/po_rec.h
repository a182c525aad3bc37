#pragma once
// The purchase-order header record (684 bytes, file stem + "O"). Every field is named here
// once. Bytes 0..3 are the engine's; the stretches not named are never written (zero).

#include "engine/record_fields.h"

class PORec : public fields::Record<PORec, 684> {};

namespace PurchaseOrder {

using Text = fields::Text<PORec>;
using Number = fields::Number<PORec>;

inline constexpr Number PONumber{4, 9};         // upper-cased at entry; key 1, part of key 5
inline constexpr Text POStatus{14, 1};          // always "O"; part of key 5
inline constexpr Text POKeyCode{16, 8};         // key 4
inline constexpr Number POVendorNumber{25, 8};  // key 2
inline constexpr Number POCompanyNumber{34, 5};
inline constexpr Text PODate{40, 10};    // as typed, in the company's date order
inline constexpr Text POPrinted{51, 1};  // empty at add; "Y" once printed or e-mailed
inline constexpr Text POMonth{53, 2};    // two digits
inline constexpr Text PODay{56, 2};      // two digits
inline constexpr Text POYear{59, 4};
inline constexpr Text PODateYMD{64, 10};  // yyyy/mm/dd; key 3
inline constexpr Text PONotes{75, 80};    // notes, comments or reference
inline constexpr Text POTerms{156, 35};
inline constexpr Text POType{228, 1};  // "P" line items, "M" memo
inline constexpr Text POVendorShortName{230, 10};
inline constexpr Number PONet{241, 10};
inline constexpr Number POTax{252, 10};
inline constexpr Number POTotal{263, 10};
inline constexpr Text POSignature1{276, 75};
inline constexpr Text POSignature2{352, 75};
inline constexpr Text POMarkedReceived{428, 1};  // "Y" marked received on entry, else "N"
// yyyy/mm/dd on which the order became fully received; one blank until then. Key 6.
inline constexpr Text POReceivedDate{430, 10};
inline constexpr Text PODateRequired{441, 10};  // yyyy/mm/dd; key 7
inline constexpr Text POEmailedDate{458, 10};   // short date format
inline constexpr Text POShipTo1{537, 35};
inline constexpr Text POShipTo2{573, 35};
inline constexpr Text POShipTo3{609, 35};
inline constexpr Text POShipTo4{645, 35};

inline constexpr const char* StatusOpen = "O";
inline constexpr const char* TypeLineItems = "P";
inline constexpr const char* TypeMemo = "M";
// POReceivedDate of an order not fully received.
inline constexpr const char* NotReceived = " ";

}  // namespace PurchaseOrder
