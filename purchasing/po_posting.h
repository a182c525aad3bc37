#pragma once
// Posting a new purchase order: from what the entry dialog holds when OK is pressed,
// everything the posting writes is computed and checked first (dates, amounts, every value
// fitting its field, the vendor found, stock of an order marked received, the company's
// numbers, the memo number free). Only a plan that passes is written, so an order that cannot
// be written whole is refused before anything is written. Plain logic: it reads the company's
// files and writes none.

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/posting/invoice_posting.h"
#include "invoicing/posting/plan_refusal.h"
#include "masters/party_rec.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/po_line_rec.h"
#include "purchasing/po_memo_rec.h"
#include "purchasing/po_rec.h"

// The receiver number of the lines of an order marked received on entry.
inline constexpr const char* AutoReceiverNumber = "Auto-Rec";

// A vendor's row in the print queue.
struct VendorLabelRow {
    std::string number, name, sortCode, type;
};

// Everything the posting of a new order writes, in the order it writes it.
struct POPosting {
    PORec header;
    std::vector<POLineRec> lines;    // one per posted row
    std::vector<StockChange> stock;  // only for an order marked received
    VendorRec vendor;                // the order's vendor, for VendorBuf
    std::optional<VendorLabelRow> labelRow;
    std::optional<std::string> nextPONumber;  // nothing: left as it is
    std::string lastPONumber;
    std::optional<POMemoRec> memo;
    std::string number;  // as typed, for the status text
    bool memoOrder = false;
    bool print = false;
};

struct POPostingPlan : PlanRefusalText {
    std::optional<POPosting> posting;
};

// Computes the posting of a new order for the current company (Shell()), reading its company
// record, vendor, products and the order memo file (the order files must be open).
POPostingPlan PlanPOPosting(const POEntry& entry);

// The sortable dates of the entry: the order date and, for an order marked received, the
// receipt date (empty otherwise).
struct POEntryDates {
    std::string ymd;
    std::string received;
};

// The header fields the entry dialog holds: number (upper-cased), dates, receipt mark, notes,
// terms, vendor, key code, amounts, signatures and ship-to lines. Status, company and type are
// the caller's. Refuses (PlanRefusal) what cannot be stored.
POEntryDates FillPOHeaderFromEntry(PORec& header, const POEntry& entry);

// The ordered line of grid row `rowNr`, received in full on `received` when the entry is
// marked received; the receiver number is left blank. Refuses what cannot be stored.
void FillPOLineFromRow(POLineRec& line, const POEntry& entry, int rowNr, const EntryRow& row,
                       std::string_view companyNumber, std::string_view ymd,
                       std::string_view received);

// The memo record of a memo order: the entry's number and its memo lines. The memo key is
// unique: a number whose memo is on file, other than the record `own` (0: none), refuses.
POMemoRec POMemoFromEntry(const POEntry& entry, int32_t own);
