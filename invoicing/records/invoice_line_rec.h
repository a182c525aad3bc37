#pragma once
// One line of an invoice (196 bytes, file stem + "D"), joined to the header by the invoice
// number. Bytes not named stay zero. Bytes 0..3 are the engine's.

#include "engine/record_fields.h"

class InvoiceLineRec : public fields::Record<InvoiceLineRec, 196> {};

namespace InvoiceLine {

using Text = fields::Text<InvoiceLineRec>;
using Number = fields::Number<InvoiceLineRec>;

// Quantity (characters 1-10), description (11-42), unit price (43-52), tax flag (53) and
// extension (54-65), each blank-padded to its width.
inline constexpr Text LineText{4, 65};
inline constexpr Text LineKind{70, 1};    // "P" line-item invoice, "M" memo invoice
inline constexpr Text LineStatus{72, 1};  // "I"
inline constexpr Number LineCompanyNumber{76, 5};
inline constexpr Number LineInvNumber{82, 9};  // as typed; key 2
inline constexpr Text LineSortDate{92, 10};    // the invoice's yyyy/mm/dd; key 1
inline constexpr Text LineProductCode{103, 10};
inline constexpr Number LineCustomerNumber{114, 8};
inline constexpr Text LineCustomerShortName{123, 10};
inline constexpr Number LineUnitCost{147, 10};  // at entry, commas removed

}  // namespace InvoiceLine
