#pragma once
// The Invoice Manager's work apart from its window: the rows of its list, its six orders,
// the customer filter, and its output commands (view, print or e-mail, batch print) over the
// manager's view (add_invoice.h).

#include <QString>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/manager/document_manager_form.h"
#include "invoicing/manager/document_output_commands.h"
#include "invoicing/records/invoice_rec.h"

class CompanyRec;
class InvoiceManagerView;

// The column titles, laid out as the rows are.
std::string InvoiceListHeader();

// Whether the record's grand total, amount due or paid amount is blank or not a number: the
// list shows such a record as "DELETE ME" / "BAD RECORD" with zero amounts, so that the user
// finds it and can delete it.
bool IsDamagedInvoice(const InvoiceRec& record);

// The row of a record read from the file (record text). A damaged record is shown marked;
// the record itself is not changed.
std::string InvoiceListRow(InvoiceRec record);

// The six orders in menu order.
std::span<const ListOrder> InvoiceOrders();

// The customer filter: the record's trimmed customer number is the one filtered on.
bool InvoiceFilterAdmits(const InvoiceRec& record, std::string_view customer);

// --- output ---

// Shows invoice `number` in the view window.
void ViewInvoice(const std::string& number);

// Prints invoice `number`, or e-mails it when that is the main window's output choice (after
// the company's mail set-up has been checked), and tells the outcome on the manager.
void PrintInvoiceCommand(InvoiceManagerView& view, const std::string& number);

// The invoice numbers a batch print outputs, in record order: of every invoice record
// ("G", "I", "M", "Z") not printed yet, each number once. InvoiceFile must be open.
std::vector<std::string> InvoicesToBatchPrint();

// The batch dialog's texts for `count` invoices.
BatchDialogText BatchDialogTexts(int count, bool email, const CompanyRec& company);

// Batch print: the unprinted invoices listed, the batch dialog asks how many, and that many
// of them are printed (or e-mailed) in record order under the progress window.
void BatchPrintInvoices(InvoiceManagerView& view);
