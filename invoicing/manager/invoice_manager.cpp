#include "invoicing/manager/invoice_manager.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>

#include "engine/engine.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/invoicing_state.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/posting/add_invoice.h"
#include "mail/mail_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

using namespace Invoice;

constexpr std::array<ListOrder, ListOrderCount> Orders{{
    {"ByInvoiceDate1", "By Invoice &Date", 3},
    {"ByTransactionType1", "By &Transaction Type", 5},
    {"ByInvoiceNumber1", "By Invoice &Number", 1},
    {"ByCustomerNumber1", "By &Customer Number", 2},
    {"ByKeyCode1", "By &Key Code", 4},
    {"ByDatePaid1", "By Date &Paid", 6},
}};

// Sets the output flags for a print (on) or clears them (off).
void SetOutputFlags(bool on, bool batch) {
    InvoiceOutputState& out = InvoiceOutput();
    out.InvoiceOutputToPrinter = on ? 1 : 0;
    out.InvoiceBatchRunning = on && batch ? 1 : 0;
}

}  // namespace

std::string InvoiceListHeader() {
    return ListRow({ListColumn("Year/Mo/Dy", 10), "T", ListColumn("Invoice#", 9),
                    ListColumn("Cust#", 8), ListColumn("Short Name", 10),
                    RightJustify("Grand Total", ' ', 12), RightJustify("Amount Due", ' ', 12),
                    RightJustify("Paid Amount", ' ', 12), ListColumn("Key Code", 8),
                    ListColumn("Date Paid", 10), ListColumn("CO#", 5)});
}

bool IsDamagedInvoice(const InvoiceRec& record) {
    const auto bad = [&record](fields::Number<InvoiceRec> field) {
        const std::string text = TrimBlanks(record.get(field));
        return text.empty() || !Decimal::Parse(StripCommas(text));
    };
    return bad(InvTotal) || bad(InvDue) || bad(InvPaid);
}

std::string InvoiceListRow(InvoiceRec record) {
    if (IsDamagedInvoice(record)) {
        // In the row only: the record on file stays as it is until the user deletes it.
        for (const auto field : {InvTotal, InvDue, InvPaid}) (void)record.set(field, "0");
        record.set(InvCustomerShortName, "BAD RECORD");
        (void)record.set(InvNumber, "DELETE ME");
    }
    return ListRow(
        {ListColumn(record.get(InvDateYMD).substr(0, 10), 10), ListColumn(record.get(InvType), 1),
         ListColumn(record.get(InvNumber), 9), ListColumn(record.get(InvCustomerNumber), 8),
         ListColumn(record.get(InvCustomerShortName), 10), ListAmount(record.get(InvTotal)),
         ListAmount(record.get(InvDue)), ListAmount(record.get(InvPaid)),
         ListColumn(record.get(InvKeyCode), 8), ListColumn(record.get(InvDatePaid), 10),
         ListColumn(record.get(InvCompanyNumber), 5)});
}

std::span<const ListOrder> InvoiceOrders() {
    return Orders;
}

bool InvoiceFilterAdmits(const InvoiceRec& record, std::string_view customer) {
    return TrimBlanks(record.get(InvCustomerNumber)) == customer;
}

void ViewInvoice(const std::string& number) {
    InvoiceOutputState& out = InvoiceOutput();
    out.InvoiceOutputNumber = number;
    out.InvoiceOutputToPrinter = 0;
    OutputInvoice();
}

void PrintInvoiceCommand(InvoiceManagerView& view, const std::string& number) {
    PrintOneDocument(
        number, [&view](int panel, const QString& text) { view.SetStatusText(panel, text); },
        {"Invoice", "This customer has no e-mail address. Invoice not sent by e-mail.",
         "E-Mail Invoice", "Invoice sent by e-mail."},
        [&number] {
            SetOutputFlags(true, false);
            const ScopeExit clear([] { SetOutputFlags(false, false); });
            InvoiceOutput().InvoiceOutputNumber = number;
            return OutputInvoice();
        });
}

std::vector<std::string> InvoicesToBatchPrint() {
    return DocumentsToBatch(Invoicing().InvoiceFile, InvoiceRec::Size,
                            [](std::span<const uint8_t> record) -> std::optional<std::string> {
                                const std::string type = TrimBlanks(fields::Get(record, InvType));
                                const bool invoice =
                                    type == "G" || type == "I" || type == "M" || type == "Z";
                                if (!invoice || TrimBlanks(fields::Get(record, InvPrinted)) == "Y")
                                    return std::nullopt;
                                return fields::Get(record, InvNumber);
                            });
}

BatchDialogText BatchDialogTexts(int count, bool email, const CompanyRec& company) {
    if (email)
        return {QString("There are %1 invoice(s) to e-mail.").arg(count), "* E-Mail Mode *",
                "(No packing slips or copies.)", "&E-Mail"};
    return {QString("There are %1 invoice(s) to print.").arg(count),
            company.get(Company::PrintPackingSlip) ? "Packing Slips will be printed."
                                                   : "Packing Slips are turned off.",
            company.get(Company::PrintInvoiceFileCopies) ? "File Copies will be printed."
                                                         : "File Copies are turned off.",
            "&Print"};
}

void BatchPrintInvoices(InvoiceManagerView& view) {
    CloseRebuildStatus();
    BatchRun run;
    run.email = !OutputGoesToPrinter();
    const std::vector<std::string> numbers = InvoicesToBatchPrint();
    run.nothing = "There are no invoices to print.";
    run.caption = InvBatchCaption;
    run.text = BatchDialogTexts(static_cast<int>(numbers.size()), run.email,
                                Shell().companies.CurrentCompany);
    run.progressLabel = &TStatForm::Label2;
    run.processing = "Processing Invoice ";
    run.jobTitle = "Invoices";
    run.flags = [](bool on) { SetOutputFlags(on, true); };
    run.output = [](const std::string& number) {
        InvoiceOutput().InvoiceOutputNumber = number;
        return OutputInvoice();
    };
    const std::optional<BatchOutcome> done = RunBatchOutput(numbers, run);
    if (!done) return;
    if (!run.email) {
        view.SetStatusText(1, BatchPrintStatus(done->end, done->sent, "invoices"));
        return;
    }
    view.SetStatusText(1, QString("Batch Print complete. %1 invoices sent to e-mail, %2 skipped "
                                  "(no e-mail address).")
                              .arg(done->sent)
                              .arg(done->noAddress.size()));
    Mail().msSMTP1.Disconnect();
    MessageBox("E-mail operation complete.", "Batch E-Mail");
}
