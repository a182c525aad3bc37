#pragma once
// Changing and deleting a purchase order, the Purchase Order Manager's Edit and Delete: the
// receipts of the order are taken back out of stock, and for a change the order is written
// again from the entry dialog in edit mode. Each is computed and checked whole before the
// first write, as posting is; the writes then follow in their fixed order.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/posting/plan_refusal.h"
#include "purchasing/add_po.h"
#include "purchasing/po_posting.h"

// One line record of an order as stored.
struct StoredPOLine {
    int32_t ref = 0;
    POLineRec record;
};

// The lines filed under the order number (compared trimmed and upper-cased), receiver lines
// included, in the order of the line file's number key. A line file that cannot be opened
// refuses (PlanRefusal): unread lines would keep their receipts in stock.
std::vector<StoredPOLine> POLinesOf(std::string_view number);

// The ordered quantity of a stored line: characters 1 to 10 of its text, trimmed.
std::string POLineQuantity(const POLineRec& line);

// --- deleting ---

struct POLineRemoval {
    StoredPOLine line;
    // The product with this line's receipt taken out (and those of the lines before it).
    std::optional<StockChange> stock;
};

struct PODeletion {
    int32_t headerRef = 0;
    PORec header;
    std::vector<POLineRemoval> lines;
    // The stock corrections that could not be computed, each with its reason; the user is told
    // of them once the order is deleted.
    QStringList skipped;
    bool memo = false;    // a memo order: its memo record goes too
    int32_t memoRef = 0;  // the memo record; 0 when none is on file
};

struct PODeletionPlan : PlanRefusalText {
    std::optional<PODeletion> deletion;
};

// Whether the header's number, vendor number or total is blank, or the total not a number:
// the manager lists such an order as "DELETE ME" so that the user can delete it.
bool IsDamagedPO(const PORec& header);

// Computes the deletion of the order header at headerRef, reading its lines, products and
// memo record (the order files must be open). An order is always deleted, a damaged one too:
// a stock correction that cannot be computed is skipped and named. Its lines go only when it
// has a number (lines under a blank number belong to no order).
PODeletionPlan PlanPODeletion(int32_t headerRef, const PORec& header);

// The writes of a computed deletion, in order: header, each line after its stock, memo; then
// the manager's caption and status. "Delete operation failed" and "Delete detail recs failed"
// are raised; a memo that cannot be deleted is told.
void WritePODeletion(const PODeletion& deletion, POManagerView& view);

// --- changing ---

// The order as read when the edit began, with the lines the dialog's rows were filled from.
struct POUnderEdit {
    int32_t ref = 0;
    PORec header;
    std::vector<StoredPOLine> lines;  // ordered lines only: an order with receivers is not edited
};

struct POLineWrite {
    enum class Action { Rewrite, Delete, Add };
    Action action = Action::Rewrite;
    int32_t ref = 0;   // Rewrite and Delete
    POLineRec record;  // Rewrite and Add: the line as it will be written
};

struct POChange {
    int32_t headerRef = 0;
    PORec oldHeader;  // as read for editing: a record changed since is not overwritten
    PORec header;
    std::vector<POLineWrite> lines;
    std::vector<StockChange> stock;
    std::optional<POMemoRec> memo;
    int32_t memoRef = 0;  // the memo record rewritten; 0: the memo is added
    std::string number;   // as typed, for the status text
};

// What keeps a stored order from being changed in the entry dialog: receiver lines (its
// later receipts would be lost), or more lines than the grid holds. Nothing when it can be.
std::optional<PlanRefusal> POEditRefusal(const std::vector<StoredPOLine>& lines);

struct POChangePlan : PlanRefusalText {
    std::optional<POChange> change;
};

// Whether writing the entry takes goods back out of stock that came in by receiving rather
// than by marking the order received on entry: the order has receipts on file and Mark
// Received is not ticked. The user is asked before such a change is written.
bool POChangeTakesBackReceipts(const POUnderEdit& old, const POEntry& entry);

// Computes the change of the order under edit to what the entry dialog holds.
POChangePlan PlanPOChange(const POUnderEdit& old, const POEntry& entry);

// The writes of a computed change, in order: header, lines, stock, memo; then the manager's
// list, caption and status. "Modify operation failed", "Detail delete operation failed.",
// "Modify PO detail failed." and "memo replace operation failed" are raised; a line that
// cannot be added is told ("PO detail add failed.") and the rest goes on.
void WritePOChange(const POChange& change, POManagerView& view);

// --- the manager's commands ---

// Reads the record highlighted in the manager's list into POBuf; its Ref, 0 when there is no
// list or nothing could be read.
int32_t ReadHighlightedPO(POManagerView& view);

// Changes the order highlighted in the manager's list: its guards and questions, then the
// entry dialog filled from the order on file, and on OK the change written. True when it was
// changed.
bool EditPO(POManagerView& view);

// Deletes the order highlighted in the manager's list after its guards and confirmations.
// True when it was deleted.
bool DeletePO(POManagerView& view);
