#pragma once
// The logic of the Payment Wizard (unit Payment).
// Money received from one customer: full payments of open invoices, partial payments,
// deposits on account and the clearing of deposits against invoices. The wizard's lists hold
// PaymentItems; posting takes what the wizard holds when "&Post" is pressed (PaymentEntry),
// computes every record it will write and checks each against its field before the first
// write (PlanPayments), and only then writes (WritePayments).

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "shell/dates.h"

// The number column of a deposit that is not on file yet.
inline constexpr std::string_view DepositItemNumber = "DEPOSIT";

// One row of the open list or of the post list.
struct PaymentItem {
    std::string number;    // invoice number, or DepositItemNumber
    std::string date;      // the 8-character date column
    Decimal amount;        // in cents: amount due (open list) or amount paid on it (post list)
    bool partial = false;  // the "P" column
    // The record the row stands for; 0 for a new deposit. Posting acts on this record, not
    // on whichever record of the number an index search meets first: numbers repeat.
    int32_t ref = 0;

    bool IsNewDeposit() const { return ref == 0; }
};

// The row text: number padded to 9, blank, date (8), blank, amount ",0.00" right-justified
// in 12, and "P" on partial items.
std::string PaymentItemText(const PaymentItem& item);

// The date column of a listed record, from its stored day, month and two-digit year:
// "dd/mm/yy" day first, "mm/dd/yy" month first, "yy/mm/dd" year first.
std::string ListedDate(const InvoiceRec& record, DateOrder order);
// The date column of a new deposit, from the payment date as typed: its characters 1-6 and
// 9-10, or 3-4 and 5-10 when the year comes first.
std::string DepositListDate(std::string_view paymentDate, DateOrder order);

struct OpenItems {
    std::vector<PaymentItem> items;  // sorted by their text
    // Why the list may be incomplete (a file that cannot be read, an amount that is not a
    // number); empty when it is whole.
    QString problem;
};

// The customer's open invoices and deposits: every record of the customer number (key 2)
// that is not paid in full and not a repeat-billing master, with an amount due, and every
// partly paid invoice. Opens the invoice file for the listing and closes it again.
OpenItems ListOpenItems(std::string_view customerNumber);

enum class PaidAmountCheck { Empty, Ok, Negative, NotNumeric };
// The paid amount as typed: digits with at most one decimal point; no sign, no commas.
PaidAmountCheck CheckPaidAmount(std::string_view typed, Decimal* value = nullptr);

struct PostedTotal {
    Decimal sum;            // of the post list's amounts
    bool postable = false;  // "&Post" is enabled
};
// "&Post" is enabled exactly while the post list is not empty and its amounts add up to the
// paid amount (both to the cent).
PostedTotal TotalPosted(const std::vector<PaymentItem>& posted, std::string_view paidAmount);

struct Refusal {
    QString text;
    QString caption;
};
// The amount of the partial-payment / deposit dialog (commas allowed): above zero, and for a
// partial payment below the amount due. The amount is taken to the cent, as it will be
// listed and posted.
std::optional<Refusal> CheckDialogAmount(std::string_view typed, bool depositMode,
                                         Decimal amountDue, Decimal& amount);

// What the wizard holds when "&Post" is pressed (record text).
struct PaymentEntry {
    std::string customerNumber;      // PCustNum
    std::string shortName;           // Sname
    std::string paymentDate;         // PmtDate as typed
    std::string paidAmount;          // PAmt as typed
    std::string notes;               // PNotes
    std::vector<PaymentItem> items;  // the post list, in its order
};

// One write into the invoice file.
struct PaymentWrite {
    bool add = false;
    int32_t ref = 0;    // the record rewritten
    InvoiceRec before;  // ... as the file holds it when this write comes
    InvoiceRec record;  // as it will be written
    QString failure;    // raised when the write fails
};

// Everything a posting writes, in the order it writes it.
struct PaymentPosting {
    std::vector<PaymentWrite> writes;
    int32_t customerRef = 0;
    CustomerRec customerBefore;
    CustomerRec customer;  // balance lowered, last payment date, re-aged
    Decimal paid;
};

enum class PaymentField { None, PaymentDate, PaidAmount };

struct PaymentPlan {
    std::optional<PaymentPosting> posting;
    Refusal refusal;  // why there is none
    PaymentField field = PaymentField::None;
};

// Computes the posting for the current company (Shell()), reading its invoice, customer and
// company files and writing none.
PaymentPlan PlanPayments(const PaymentEntry& entry);

// Writes a computed posting as one unit: the invoice records in order, then the customer,
// then the company's receivables total (CurrentCompany follows). A write that fails raises
// its text with the reason and nothing of the posting is saved.
void WritePayments(const PaymentPosting& posting);
