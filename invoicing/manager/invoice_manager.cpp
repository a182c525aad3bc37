#include "invoicing/manager/invoice_manager.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <unordered_set>

#include "engine/engine.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/invoicing_state.h"
#include "mail/mail_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "platform/stat_form.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

using namespace Invoice;

// A text column: padded to its width, never cut (a longer field widens its column).
std::string Col(std::string_view text, int width) {
    return PadRightWith(text, ' ', width);
}

std::string Amount(std::string_view stored) {
    return RightJustify(FormatAmount(stored), ' ', 12);
}

std::string Joined(std::initializer_list<std::string> columns) {
    std::string row;
    for (const std::string& c : columns) {
        if (!row.empty()) row += ' ';
        row += c;
    }
    return PadRightWith(row, ' ', InvoiceListWidth).substr(0, InvoiceListWidth);
}

constexpr std::array<InvoiceOrder, 6> Orders{{
    {"ByInvoiceDate1", "By Invoice &Date", 3},
    {"ByTransactionType1", "By &Transaction Type", 5},
    {"ByInvoiceNumber1", "By Invoice &Number", 1},
    {"ByCustomerNumber1", "By &Customer Number", 2},
    {"ByKeyCode1", "By &Key Code", 4},
    {"ByDatePaid1", "By Date &Paid", 6},
}};

// Sets the output flags for the scope and clears them again on every way out.
class [[nodiscard]] OutputFlags {
public:
    explicit OutputFlags(bool batch) {
        InvoiceOutputState& out = InvoiceOutput();
        out.InvoiceOutputToPrinter = 1;
        out.InvoiceBatchRunning = batch ? 1 : 0;
    }
    ~OutputFlags() {
        InvoiceOutputState& out = InvoiceOutput();
        out.InvoiceOutputToPrinter = 0;
        out.InvoiceBatchRunning = 0;
    }
    OutputFlags(const OutputFlags&) = delete;
    OutputFlags& operator=(const OutputFlags&) = delete;
};

QString DocumentNumber() {
    return FromCp1252(TrimBlanks(Document().DocumentRecord.DocNumber));
}

}  // namespace

std::string InvoiceListHeader() {
    return Joined({Col("Year/Mo/Dy", 10), "T", Col("Invoice#", 9), Col("Cust#", 8),
                   Col("Short Name", 10), RightJustify("Grand Total", ' ', 12),
                   RightJustify("Amount Due", ' ', 12), RightJustify("Paid Amount", ' ', 12),
                   Col("Key Code", 8), Col("Date Paid", 10), Col("CO#", 5)});
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
    return Joined({Col(record.get(InvDateYMD).substr(0, 10), 10), Col(record.get(InvType), 1),
                   Col(record.get(InvNumber), 9), Col(record.get(InvCustomerNumber), 8),
                   Col(record.get(InvCustomerShortName), 10), Amount(record.get(InvTotal)),
                   Amount(record.get(InvDue)), Amount(record.get(InvPaid)),
                   Col(record.get(InvKeyCode), 8), Col(record.get(InvDatePaid), 10),
                   Col(record.get(InvCompanyNumber), 5)});
}

std::string UnreadableInvoiceRow(std::string_view key) {
    return "****  " + std::string(key);
}

std::span<const InvoiceOrder> InvoiceOrders() {
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
    CloseRebuildStatus();
    const bool toPrinter = OutputGoesToPrinter();
    if (!toPrinter && !CheckEmailSetup()) return;
    InvoiceOutcome outcome = InvoiceOutcome::NotLoaded;
    {
        const WaitCursor wait;
        const OutputFlags flags(false);
        InvoiceOutput().InvoiceOutputNumber = number;
        outcome = OutputInvoice();
    }
    if (outcome == InvoiceOutcome::NotLoaded) {
        // The buffer still holds the invoice output before: its number must not be reported.
        view.SetStatusText(1, "Invoice " + FromCp1252(number) + " was not output.");
        return;
    }
    const QString shown = DocumentNumber();
    if (toPrinter) {
        view.SetStatusText(1, "Invoice " + shown + " sent to print queue.");
        return;
    }
    if (outcome == InvoiceOutcome::NoAddress) {
        view.SetStatusText(1, "Invoice " + shown + " was not sent by e-mail.");
        MessageBox("This customer has no e-mail address. Invoice not sent by e-mail.",
                   "E-Mail Invoice", MsgIcon::Information);
        return;
    }
    view.SetStatusText(1, "Invoice " + shown + " sent by e-mail.");
    Mail().msSMTP1.Disconnect();
    MessageBox("Invoice sent by e-mail.", "E-Mail Invoice");
}

std::vector<std::string> InvoicesToBatchPrint() {
    const FileSetHandle file = Invoicing().InvoiceFile;
    std::vector<std::string> numbers;
    // An invoice whose number several records carry is one document: it goes out once.
    std::unordered_set<std::string> listed;
    int32_t ref = 0;
    for (;;) {
        NextUsedRecord(file, ref);
        if (!EngineOK) break;
        InvoiceRec rec;
        ReadRecord(file, ref, rec.bytes());
        if (!EngineOK) continue;
        const std::string type = TrimBlanks(rec.get(InvType));
        const bool invoice = type == "G" || type == "I" || type == "M" || type == "Z";
        if (!invoice || TrimBlanks(rec.get(InvPrinted)) == "Y") continue;
        const std::string number = TrimBlanks(rec.get(InvNumber));
        if (listed.insert(UpperAscii(number)).second) numbers.push_back(number);
    }
    return numbers;
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
    const std::vector<std::string> numbers = InvoicesToBatchPrint();
    if (numbers.empty()) {
        MessageBox("There are no invoices to print.", "Batch Print", MsgIcon::Information);
        return;
    }
    if (!InvBatch) throw std::logic_error("The batch dialog has not been created.");
    const bool email = !OutputGoesToPrinter();
    const int listed = static_cast<int>(numbers.size());
    const BatchDialogText text = BatchDialogTexts(listed, email, Shell().companies.CurrentCompany);
    TInvBatch& dlg = *InvBatch;
    dlg.setWindowTitle(InvBatchCaption);
    dlg.Label1->setText(text.label1);
    dlg.Label2->setText(text.label2);
    dlg.Label3->setText(text.label3);
    dlg.Button1->setText(text.button);
    dlg.BatchNum->SetText(QString::number(listed));
    if (dlg.ShowModal() != Modal::Ok) return;
    if (email && !CheckEmailSetup()) return;

    const int n = std::min(dlg.Count().value_or(0), listed);
    int output = 0;
    int noAddress = 0;
    {
        const WaitCursor wait;
        const OutputFlags flags(true);
        ClearRebuildStatus();  // raises when the progress window is missing
        StatForm->Label2->setText("Working...");
        StatForm->setWindowTitle(email ? "E-Mail Mode" : "Printer Mode");
        const StatFormShown progress;
        for (int i = 0; i < n; ++i) {
            const std::string& number = numbers[static_cast<std::size_t>(i)];
            StatForm->Label2->setText("Processing Invoice " + FromCp1252(number) + " ...");
            ProcessPendingMessages();
            InvoiceOutput().InvoiceOutputNumber = number;
            switch (OutputInvoice()) {
                case InvoiceOutcome::Printed:
                case InvoiceOutcome::Emailed: ++output; break;
                case InvoiceOutcome::NoAddress: ++noAddress; break;
                default: break;
            }
        }
    }
    if (!email) {
        view.SetStatusText(
            1, QString("Batch Print complete. %1 invoices sent to spooler.").arg(output));
        return;
    }
    view.SetStatusText(1, QString("Batch Print complete. %1 invoices sent to e-mail, %2 skipped "
                                  "(no e-mail address).")
                              .arg(output)
                              .arg(noAddress));
    Mail().msSMTP1.Disconnect();
    MessageBox("E-mail operation complete.", "Batch E-Mail");
}

void CloseRebuildStatus() {
    if (StatForm && StatForm->isVisible()) StatForm->hide();
}
