#pragma once
// The document buffer: one invoice or purchase order as every rendering of it (the view
// window, the printed pages, the e-mail) sees it. Its loaders fill it and then hand it to a
// renderer. It is never cleared as a whole: each loader sets the fields of its own kind of
// document and empties DocumentLines 1..99, and every other field keeps what the previous
// document left.
//
// Text is record text (Windows-1252). Amounts are kept whole even when wider than their
// nominal width: a cut figure would be a wrong one.

#include <array>
#include <string>
#include <string_view>

#include "shell/unit_state.h"

struct DocumentRecord {
    std::string AddrLine1, AddrLine2, AddrLine3, AddrLine4, AddrLine5;  // 35 each
    std::string ShipLine1, ShipLine2, ShipLine3, ShipLine4;             // 35 each
    std::string AccountNo;                                              // 8
    std::string DocNumber;                                              // 9
    std::string DocDate;                                                // 10, as typed
    std::string Reference;                                              // 80
    std::string Terms;                                                  // 35
    // ",0.00" right-justified to 12.
    std::string NetAmount, TaxAmount, TotalAmount, PaidAmount, BalanceDue;
    std::string Kind;            // "P" line items, "M" memo, "D" deposit
    std::string PrintedFlag;     // "Y" once printed or e-mailed
    std::string DocType;         // invoice type letter, or "O" for a purchase order
    std::string PrintNotes;      // "Y": the account's notes go on the document
    std::string Notes;           // 205
    std::string DateRequired;    // purchase orders, display order
    std::string DateReceived;    // purchase orders, display order
    std::string DatePaid;        // display order; "/" when none
    std::string EMailAddress;    // 50
    std::string AccountBalance;  // ",0.00", not justified
    std::string DateEmailed;     // as stored

    // The address lines 1..5 and ship-to lines 1..4 by number, for renderers that walk them.
    const std::string& AddrLine(int k) const;
    const std::string& ShipLine(int k) const;
};

inline constexpr int DocumentLineCount = 99;
inline constexpr int DocumentMemoLines = 25;
// Width of a line-item document line; its columns are laid down by DocumentLineColumn.
inline constexpr int DocumentLineWidth = 81;

// The character columns (1-based, inclusive) of a line-item document line.
namespace DocumentLineColumn {
struct Span {
    int first, last;
};
inline constexpr Span Code{1, 10};
inline constexpr Span Quantity{12, 21};
inline constexpr Span Description{23, 55};
inline constexpr Span UnitPrice{57, 66};
inline constexpr Span TaxFlag{68, 68};
inline constexpr Span Extension{70, 81};
}  // namespace DocumentLineColumn

struct DocumentState {
    ::DocumentRecord DocumentRecord;
    // Index 0 is never written: a document holds at most 99 lines, from index 1.
    std::array<std::string, DocumentLineCount + 1> DocumentLines;
    // Current, period 1, period 2, over: ",0.00" padded on the right to 12.
    std::array<std::string, 4> DocumentAging;
    // What the printing routine produces: "INV", "PSL", "FCP" or "PO".
    std::string OutputMode;
    std::string DocumentFirstQty;   // memo documents: quantity of the first line record
    std::string DocumentFirstCode;  // memo documents: product code of that record
    std::string DocumentSignature1, DocumentSignature2;    // purchase orders
    std::string DocumentRequiredYMD, DocumentReceivedYMD;  // purchase orders, as stored
};

DocumentState& Document();
using DocumentStateScope = UnitStateScope<DocumentState>;

inline constexpr std::string_view OutputInvoiceMode = "INV";
inline constexpr std::string_view OutputPackingSlip = "PSL";
inline constexpr std::string_view OutputFileCopy = "FCP";
inline constexpr std::string_view OutputPurchaseOrder = "PO";

// Characters first..last (1-based) of the text; what lies beyond its end is missing.
std::string Columns(std::string_view text, int first, int last);
inline std::string Columns(std::string_view text, DocumentLineColumn::Span span) {
    return Columns(text, span.first, span.last);
}

// Whether a line-item document line is shown: it holds anything (trimmed, at least two
// characters). Every posted line is, described or not, so that the lines shown explain the
// document's total; only the empty entries of the buffer are left out.
bool IsShownLine(std::string_view line);

// A stored "yyyy/mm/dd" date in the company's date order: "M" gives "mm/dd/yyyy", "D"
// "dd/mm/yyyy", "Y" the date as stored. An empty date gives "/".
std::string StoredDateForDisplay(std::string_view ymd, std::string_view dateOrderSetting);

// A number shown with thousands separators and as many decimals as it was typed with (none
// to four; more than four show none): "1234.125" gives "1,234.125", "3." gives "3". The text
// is trimmed and its commas removed first. Text that is not a number comes back trimmed.
std::string FormatAsTyped(std::string_view text);

// A stored amount (commas allowed; blank is 0) formatted ",0.00"; text that is not a number
// comes back trimmed, as stored.
std::string FormatAmount(std::string_view text);
