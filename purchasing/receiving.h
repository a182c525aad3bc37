#pragma once
// Receiving ordered goods: the list of a purchase order's ordered lines with what was ordered
// and what has come in so far, and the posting of the quantities received today. Posting is
// computed and checked whole before anything is written (products found, ordered lines
// found, stock and quantities fitting their fields, receiver number free, header on file);
// only a plan that passes is written. Plain logic over the company's files: no widgets.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/posting/invoice_posting.h"
#include "platform/message_host.h"
#include "purchasing/po_line_rec.h"
#include "purchasing/po_rec.h"
#include "shell/company/company_rec.h"

// Columns of the wizard's grid.
namespace RecvCol {
inline constexpr int Description = 0, Code = 1, UnitCost = 2, Ordered = 3, Kind = 4, ToDate = 5,
                     InToday = 6, BalanceDue = 7, Count = 8;
}

// One row of the grid as shown (record text).
struct ReceivingRow {
    std::string description;
    std::string code;
    std::string unitCost;
    std::string ordered;
    std::string kind;
    std::string toDate;   // received so far on this product's ordered line
    std::string inToday;  // typed: received today
    std::string balanceDue;
    // The ordered line the row stands for, which its receipt is credited to; 0: the first
    // ordered line of the row's product.
    int32_t lineRef = 0;
};

// What a load of an order found.
struct ReceivingList {
    std::vector<ReceivingRow> rows;
    Decimal totalOrdered;
    Decimal totalReceived;
    // Why there is no list: the line file cannot be read, or a stored quantity is not a
    // number (its totals would be wrong).
    QString error;
};

// The ordered lines of order `poNumber` of the current company (trimmed, any case), in
// product-code order. Every line of the order counts in the totals; an ordered line with an
// ordered quantity becomes a row, unless `openOnly` and nothing is due on it, a line without
// a product ("** NONE **", a comment with a quantity) too. A row's To Date is its own
// receipt plus the receiver lines that belong to it: a product the order names on two lines
// has two rows, each with its own receipts.
ReceivingList LoadReceivingList(std::string_view poNumber, bool openOnly);

// Ordered - To Date - In Today as general number text; a cell that is not a number counts 0.
std::string BalanceDueText(const ReceivingRow& row);
// The row with everything still due received today (In Today := Ordered - To Date).
void ReceiveAll(ReceivingRow& row);
// The row with nothing received today.
void ReceiveNone(ReceivingRow& row);

// The receiver number proposed after a load: the company's next receiver number, or the
// order's number when the company has none.
std::string ProposedReceiverNumber(const CompanyRec& company, std::string_view poNumber);
// The company's next receiver number after `receiver`: its value + 1 as a whole number.
// Nothing when the receiver number is not a number: the company's number is then left as
// it is.
std::optional<std::string> NextReceiverNumberAfter(std::string_view receiver);

// What the wizard holds when Post is pressed (record text).
struct ReceivingEntry {
    std::string poNumber;        // PONum as it stands now
    std::string loadedPONumber;  // the order the rows were loaded from (ReceivePONumber)
    std::string receiverNumber;  // RNum
    std::string receiverDate;    // RDate, in the company's date order
    std::string openQuantity;    // OpenAmt of the load
    std::vector<ReceivingRow> rows;
};

// The field a refusal sends the user back to.
enum class ReceivingField { None, PONumber, ReceiverNumber, Grid, ReceiverDate };

struct ReceivingRefusal {
    // Empty when the user declined a question, which said all there was to say.
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::Information;
    ReceivingField field = ReceivingField::None;
    int row = -1;  // the grid row, with ReceivingField::Grid
};

// One row's receipt: the product's stock (none for a line without a product), then the
// ordered line's first receipt (lineRef the line to rewrite) or a receiver line to add
// (lineRef 0).
struct RowReceipt {
    std::optional<StockChange> stock;
    int32_t lineRef = 0;
    POLineRec line;
};

// Everything a posting writes, in the order it writes it.
struct ReceivingPosting {
    std::string poNumber;  // the order received
    std::vector<RowReceipt> receipts;
    // The codes of the rows left out because their products are not on file.
    std::vector<std::string> skippedProducts;
    std::optional<std::string> nextReceiverNumber;  // nothing: left as it is
    int32_t headerRef = 0;
    PORec headerAsRead;
    PORec header;  // with its received date
};

struct ReceivingPlan {
    std::optional<ReceivingPosting> posting;
    ReceivingRefusal refusal;
};

// A Yes/No question (question icon); true on Yes.
using ReceivingQuestion = std::function<bool(const QString& text, const QString& caption)>;

// Runs the checks of Post in their order, asking the over-receipt and future-date questions
// through `ask`, then computes the posting for the current company (Shell()) from its
// product, PO line, PO and company files. A row whose product is not on file is left out
// (skippedProducts) and does not count as received; when that leaves nothing, the posting is
// refused. An order whose open quantity the receipt brings to 0 or below is received: it
// takes the receipt date, or keeps the date it was fully received on before. Writes nothing.
ReceivingPlan PlanReceiving(const ReceivingEntry& entry, const ReceivingQuestion& ask);

// The writes of a computed posting, in order: for each row the stock and the line, then the
// company's next receiver number, then the order's received date. A line that cannot be
// rewritten raises "Receiver detail modify operation failed", ending the posting there.
void WriteReceiving(const ReceivingPosting& posting);
