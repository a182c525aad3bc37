#pragma once
// The invoice header record (544 bytes, file stem + "I"). The same file holds invoices,
// payment, partial-payment and deposit records and finance-charge invoices; InvType tells
// them apart. Every field is named here once. Bytes 0..3 are the engine's.

#include "engine/record_fields.h"

class InvoiceRec : public fields::Record<InvoiceRec, 544> {};

namespace Invoice {

using Text = fields::Text<InvoiceRec>;
using Number = fields::Number<InvoiceRec>;

inline constexpr Number InvNumber{4, 9};  // upper-cased at entry; key 1, part of key 5
inline constexpr Text InvType{14, 1};     // type letter, below; part of key 5
// "None" by default; "Deposit", "Partial", "Interest" on records payments and finance
// charges make; key 4.
inline constexpr Text InvKeyCode{16, 8};
inline constexpr Number InvCustomerNumber{25, 8};  // key 2
inline constexpr Number InvCompanyNumber{34, 5};
inline constexpr Text InvDate{40, 10};    // as typed, in the company's short date format
inline constexpr Text InvPrinted{51, 1};  // "Y" once printed or e-mailed
inline constexpr Text InvMonth{53, 2};    // two digits
inline constexpr Text InvDay{56, 2};      // two digits
inline constexpr Text InvYear{59, 4};
inline constexpr Text InvDateYMD{64, 10};  // yyyy/mm/dd; key 3
inline constexpr Text InvNotes{75, 80};    // notes, comments or reference
inline constexpr Text InvTerms{156, 35};
inline constexpr Text InvStatementNote{192, 35};
inline constexpr Text InvKind{228, 1};  // "P" line items, "M" memo, "D" deposit
inline constexpr Text InvCustomerShortName{230, 10};
inline constexpr Number InvNet{241, 10};
inline constexpr Number InvTax{252, 10};
inline constexpr Number InvTotal{263, 10};
inline constexpr Number InvPaid{274, 10};         // on payment records the payment
inline constexpr Number InvDue{285, 10};          // InvTotal - InvPaid, "0.00"
inline constexpr Text InvDatePaid{296, 10};       // yyyy/mm/dd of full payment; key 6
inline constexpr Text InvPaidFlag{309, 1};        // "P" when paid in full
inline constexpr Text InvRepeatNextDue{311, 10};  // only on imported records
inline constexpr Text InvRepeatCreated{326, 3};   // only on imported records
inline constexpr Text InvEmailedDate{336, 10};    // short date format
inline constexpr Text InvShipTo1{399, 35};
inline constexpr Text InvShipTo2{435, 35};
inline constexpr Text InvShipTo3{471, 35};
inline constexpr Text InvShipTo4{507, 35};

// Type letters (InvType).
inline constexpr const char* TypeRegular = "I";          // also finance-charge invoices
inline constexpr const char* TypePartialRecord = "X";    // a partial payment against a "Z"
inline constexpr const char* TypePartlyPaid = "Z";       // invoice with partial payments
inline constexpr const char* TypeDeposit = "D";          // deposit on account
inline constexpr const char* TypeDepositTaken = "T";     // offsets a "D"
inline constexpr const char* TypeRepeatGenerated = "G";  // imported only
inline constexpr const char* TypeRepeatMaster = "R";     // imported only

// Kinds (InvKind).
inline constexpr const char* KindLineItems = "P";
inline constexpr const char* KindMemo = "M";
inline constexpr const char* KindDeposit = "D";

}  // namespace Invoice
