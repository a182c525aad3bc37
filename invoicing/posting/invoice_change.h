#pragma once
// Changing and deleting an invoice, the Invoice Manager's Edit and Delete: what posting did
// (stock of the products sold, the customer's balance and aging, the company's receivables)
// is taken back, and for a change posted again from the entry dialog in edit mode. Each is
// computed and checked whole before the first write, as posting is; the writes then follow
// in their fixed order.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/posting/plan_refusal.h"
#include "invoicing/posting/posting_steps.h"

// One line record of an invoice as stored.
struct StoredLine {
    int32_t ref = 0;
    InvoiceLineRec record;
};

// The lines filed under the invoice number (compared trimmed and upper-cased), in the order
// of the line file's number key. A line file that cannot be opened refuses (PlanRefusal).
std::vector<StoredLine> InvoiceLinesOf(std::string_view number);

// The invoice's customer; refuses when it is not on file, as its balance could not be
// corrected.
CustomerChange InvoiceCustomerOrRefuse(std::string_view number);

// Why the lines cannot be edited in the entry dialog's rows: more of them than it has rows.
// Empty when they fit.
QString LinesBeyondGrid(const std::vector<StoredLine>& lines);

// The quantity of a stored line: characters 1 to 10 of its text, trimmed.
std::string LineQuantity(const InvoiceLineRec& line);

// --- deleting ---

struct LineRemoval {
    StoredLine line;
    // The product with this line's quantity given back (and those of the lines before it).
    std::optional<StockChange> stock;
};

struct InvoiceDeletion {
    int32_t headerRef = 0;
    InvoiceRec header;
    std::vector<LineRemoval> lines;
    std::optional<CustomerChange> customer;       // nothing: not corrected
    std::optional<std::string> receivablesTotal;  // "0.00"; nothing: not corrected
    bool memo = false;                            // a memo invoice: its memo record goes too
    int32_t memoRef = 0;  // the memo record; 0 when none is on file
    // The corrections that could not be computed from a damaged invoice, each with its reason;
    // the user is told of them once the invoice is deleted.
    QStringList skipped;
};

struct DeletionPlan : PlanRefusalText {
    std::optional<InvoiceDeletion> deletion;
};

// Computes the deletion of the header record at headerRef, reading its lines, products,
// customer, company and memo record (the invoice files must be open). A damaged invoice (an
// amount, its date, its customer or a product's stock unreadable) is still deleted whole; the
// corrections that cannot be computed are listed in `skipped`.
DeletionPlan PlanInvoiceDeletion(int32_t headerRef, const InvoiceRec& header);

// The writes of a computed deletion, in order: header, each line after its stock, customer,
// company, memo; then the manager's labels and status. A step that must not fail raises its
// error ("Delete operation failed", "Delete detail recs failed", "Modify operation failed").
void WriteInvoiceDeletion(const InvoiceDeletion& deletion, InvoiceManagerView& view);

// --- changing ---

// The invoice as read when the edit began, with the lines the dialog's rows were filled from
// (row r from line r).
struct InvoiceUnderEdit {
    int32_t ref = 0;
    InvoiceRec header;
    std::vector<StoredLine> lines;
};

struct LineWrite {
    enum class Action { Rewrite, Delete, Add };
    Action action = Action::Rewrite;
    int32_t ref = 0;        // Rewrite and Delete
    InvoiceLineRec record;  // Rewrite and Add: the line as it will be written
};

struct InvoiceChange {
    int32_t headerRef = 0;
    InvoiceRec oldHeader;  // as read for editing: a record changed since is not overwritten
    InvoiceRec header;
    std::vector<LineWrite> lines;
    std::vector<StockChange> stock;
    CustomerChange customer;
    std::string receivablesTotal;  // "0.00"
    std::optional<InvoiceMemoRec> memo;
    int32_t memoRef = 0;  // the memo record rewritten; 0: the memo is added
};

struct ChangePlan : PlanRefusalText {
    std::optional<InvoiceChange> change;
};

// Computes the change of the invoice under edit to what the entry dialog holds.
ChangePlan PlanInvoiceChange(const InvoiceUnderEdit& old, const InvoiceEntry& entry);

// The writes of a computed change as one unit, in order: header, lines, stock, customer,
// company, memo; then the manager's list, labels and status. A write that fails raises its
// error ("Modify operation failed", "Detail delete operation failed.", "detail add failed.",
// "memo replace operation failed") and nothing of the change is saved.
void WriteInvoiceChange(const InvoiceChange& change, InvoiceManagerView& view);

// --- the manager's commands ---

// Deletes the invoice highlighted in the manager's list after its guards and confirmations.
// True when it was deleted.
bool DeleteInvoice(InvoiceManagerView& view);

// Edits the invoice highlighted in the manager's list in the entry dialog ProdInv and posts
// the change. True when a change was written.
bool ModifyInvoice(InvoiceManagerView& view);
