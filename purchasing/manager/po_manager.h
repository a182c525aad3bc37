#pragma once
// The Purchase Order Manager's work apart from its window: the rows of its list, its six
// orders, the vendor filter, and its output commands (view, print or e-mail, batch print or
// e-mail) over the manager's view (add_po.h).

#include <span>
#include <string>
#include <vector>

#include "invoicing/manager/document_manager_form.h"
#include "invoicing/manager/document_output_commands.h"
#include "purchasing/po_change.h"
#include "purchasing/po_rec.h"

class CompanyRec;
class POManagerView;

// The column titles, laid out as the rows are.
std::string POListHeader();

// The row of a record read from the file (record text). A damaged record (IsDamagedPO) is
// shown as "DELETE ME" / "BAD RECORD" with a zero total; the record itself is not changed.
std::string POListRow(PORec record);

// The six orders in menu order.
std::span<const ListOrder> POOrders();

// The vendor filter: the record's trimmed vendor number is the one filtered on.
bool POFilterAdmits(const PORec& record, std::string_view vendor);

// --- output ---

// Shows order `number` in the view window.
void ViewPO(const std::string& number);

// Prints order `number`, or e-mails it when that is the main window's output choice (after
// the company's mail set-up has been checked), and tells the outcome on the manager.
void PrintPOCommand(POManagerView& view, const std::string& number);

// The order numbers a batch outputs, in record order: of every open order not printed yet,
// each number once. POFile must be open.
std::vector<std::string> POsToBatchPrint();

// The batch dialog's caption and texts for `count` orders.
QString POBatchCaption(bool email);
BatchDialogText POBatchDialogTexts(int count, bool email, const CompanyRec& company);

// Batch print or e-mail: the unprinted open orders listed, the batch dialog asks how many,
// and that many are output in record order under the progress window. By e-mail, only the
// orders sent are counted; those whose vendor has no address are named apart.
void BatchPrintPOs(POManagerView& view);
