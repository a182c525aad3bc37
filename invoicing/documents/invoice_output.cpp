#include "invoicing/documents/invoice_output.h"

#include <QRadioButton>
#include <algorithm>
#include <stdexcept>

#include "engine/decimal.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_page.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/documents/invoice_output_mark.h"
#include "invoicing/documents/invoice_print.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/print_queue_adder.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "shell/app_context.h"
#include "shell/main_window.h"
#include "shell/text.h"

std::function<void()> ShowDocumentView;
std::function<void(int panel, const QString& text)> InvoiceManagerStatusText;

InvoiceOutputState& InvoiceOutput() {
    return InstalledOrBuiltIn<InvoiceOutputState>();
}

void ShowDocumentInView() {
    if (!ShowDocumentView) throw std::logic_error("The document view window is missing.");
    ShowDocumentView();
}

void PrintFileCopies(std::string_view copiesSetting, const std::function<void()>& print) {
    Document().OutputMode = OutputFileCopy;
    const int copies = WholeNumber(copiesSetting).value_or(0);
    for (int k = 0; k < copies; ++k) print();
}

Decimal DocumentAmount(std::string_view stored, std::string_view what, std::string_view document,
                       std::string_view number) {
    if (const auto value = Decimal::ParseBlankAsZero(StripCommas(stored))) return *value;
    RaiseError(QString("The %1 of %2 %3 is not a number (\"%4\"), so the %2 cannot be output.")
                   .arg(FromCp1252(what), FromCp1252(document), FromCp1252(TrimBlanks(number)),
                        FromCp1252(stored)));
}

void DocumentAmountsTooLarge(std::string_view document, std::string_view number) {
    RaiseError(QString("The amounts of %1 %2 are too large to add up.")
                   .arg(FromCp1252(document), FromCp1252(number)));
}

void SetMemoDocumentLines(DocumentState& doc, const std::vector<std::string>& lines,
                          std::size_t minLength) {
    doc.DocumentLines[1] =
        PadRightWith(lines.empty() ? std::string() : lines[0], ' ', MemoLineWidth);
    for (int k = 2; k <= DocumentMemoLines && k <= static_cast<int>(lines.size()); ++k)
        if (TrimBlanks(lines[k - 1]).size() >= minLength)
            doc.DocumentLines[k] = PadRightWith(lines[k - 1], ' ', MemoLineWidth);
}

std::string JustifiedAmount(Decimal value) {
    return RightJustify(value.format(",0.00"), ' ', 12);
}

bool OutputGoesToPrinter() {
    return !MainForm || MainForm->PrinDef->isChecked();
}

std::string QuantityColumn(std::string_view lineText) {
    const std::string quantity = StripCommas(Columns(lineText, 1, 10));
    if (quantity.empty()) return std::string(10, ' ');
    std::string shown = FormatAsTyped(quantity);
    // The quantity came from ten characters, so without separators it fits the column again.
    if (shown.size() > 10 && IsNumberText(quantity)) std::erase(shown, ',');
    return RightJustify(shown, ' ', 10);
}

std::string InvoiceDocumentLine(const InvoiceLineRec& line) {
    return DocumentLineText(line.get(InvoiceLine::LineProductCode),
                            line.get(InvoiceLine::LineText));
}

std::string DocumentLineText(std::string_view code, std::string_view text) {
    std::string out = PadRightWith(TrimBlanks(code), ' ', 10);
    out += ' ';
    out += QuantityColumn(text);
    out += ' ';
    out += PadRightWith(TrimBlanks(Columns(text, 11, 42)), ' ', 33);
    out += ' ';
    out += RightJustify(Columns(text, 43, 52), ' ', 10);
    out += ' ';
    out += Columns(text, 53, 53).empty() ? std::string(" ") : Columns(text, 53, 53);
    out += ' ';
    out += RightJustify(Columns(text, 54, 65), ' ', 12);
    return out;
}

namespace {

std::string Upper(std::string_view text) {
    return UpperAscii(TrimBlanks(text));
}

// A stored amount as a number; one that is not a number ends the output with its reason.
Decimal AmountOf(const InvoiceRec& record, Invoice::Number field, const char* what) {
    return DocumentAmount(record.get(field), what, "invoice", record.get(Invoice::InvNumber));
}

[[noreturn]] void AmountsTooLarge(const std::string& number) {
    DocumentAmountsTooLarge("invoice", number);
}

std::string Justified(Decimal value) {
    return JustifiedAmount(value);
}

// The line records of the invoice number (upper-cased), in key-2 order.
void WalkLines(const std::string& number, const std::function<bool(const InvoiceLineRec&)>& take) {
    InvoiceLineRec probe;
    if (!probe.set(InvoiceLine::LineInvNumber, number)) return;
    WalkKeyRecords<InvoiceLineRec>(
        InvoiceLineData(), InvoiceLineNumberKey, BuildInvoiceLineKey(probe, InvoiceLineNumberKey),
        number, [&take](int32_t, const InvoiceLineRec& line) { return take(line); });
}

struct HeaderSums {
    InvoiceRec last;
    Decimal paid, total, tax;
};

// Every header record of the number: the sums over all of them, and the last.
std::optional<HeaderSums> ReadHeaders(const std::string& target) {
    std::optional<HeaderSums> sums;
    try {
        WalkInvoiceHeaders(target, [&sums](int32_t, const InvoiceRec& rec) {
            if (!sums) sums.emplace();
            sums->paid += AmountOf(rec, Invoice::InvPaid, "paid amount");
            sums->total += AmountOf(rec, Invoice::InvTotal, "total");
            sums->tax += AmountOf(rec, Invoice::InvTax, "tax");
            sums->last = rec;
            return true;
        });
    } catch (const DecimalOverflow&) {
        AmountsTooLarge(target);
    }
    return sums;
}

// The customer with the number, exactly; the customer file is opened for the look-up
// unless its manager has it open.
std::optional<CustomerRec> FindCustomer(std::string_view number) {
    const StepFile open(CustomerData());
    if (!open.ok()) return std::nullopt;
    CustomerRec probe;
    if (!probe.set(Customer::Number, TrimBlanks(number))) return std::nullopt;
    CustomerRec found;
    if (CustomerData().Find(CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey),
                            found.bytes()) == 0)
        return std::nullopt;
    return found;
}

void LoadLineItems(DocumentState& doc, const std::string& number) {
    int index = 1;
    WalkLines(number, [&](const InvoiceLineRec& line) {
        doc.DocumentLines[index] = InvoiceDocumentLine(line);
        return ++index <= DocumentLineCount;
    });
}

void LoadMemo(DocumentState& doc, const std::string& number) {
    WalkLines(number, [&](const InvoiceLineRec& line) {
        doc.DocumentFirstCode = TrimBlanks(line.get(InvoiceLine::LineProductCode));
        doc.DocumentFirstQty = TrimBlanks(Columns(line.get(InvoiceLine::LineText), 1, 10));
        return false;
    });
    InvoiceMemoRec probe;
    InvoiceMemoRec memo;
    const bool found =
        probe.set(InvoiceMemo::MemoInvNumber, number) &&
        InvoiceMemoData().Find(InvoiceMemoNumberKey, BuildInvoiceMemoKey(probe, 1), memo.bytes());
    // Without its memo the invoice shows empty memo lines, never another invoice's text.
    if (!found) {
        MessageBox("Error reading memo data.", ProgramCaption(), MsgIcon::None, MsgButtons::Ok);
        memo.clear();
    }
    SetMemoDocumentLines(doc, InvoiceMemoLines(memo), 1);
}

}  // namespace

std::optional<LoadedInvoice> LoadInvoiceDocument() {
    InvoiceOutputState& out = InvoiceOutput();
    DocumentState& doc = Document();
    DocumentRecord& d = doc.DocumentRecord;
    const CompanyRec& company = Shell().companies.CurrentCompany;

    const std::string target = Upper(out.InvoiceOutputNumber);
    const std::optional<HeaderSums> sums = ReadHeaders(target);
    if (!sums) {
        MessageBox(QString("Invoice %1 is not on file.").arg(FromCp1252(target)), "Invoice Output",
                   MsgIcon::Information);
        return std::nullopt;
    }
    LoadedInvoice loaded{sums->last, std::nullopt};
    const InvoiceRec& h = loaded.header;
    out.InvoiceMemoMode = h.get(Invoice::InvKind) == Invoice::KindMemo ? 1 : 0;

    Decimal net, due;
    try {
        net = sums->total - sums->tax;
        due = sums->total - sums->paid;
    } catch (const DecimalOverflow&) {
        AmountsTooLarge(target);
    }
    d.DocType = h.get(Invoice::InvType);
    d.DocNumber = h.get(Invoice::InvNumber);
    d.DocDate = h.get(Invoice::InvDate);
    d.Reference = h.get(Invoice::InvNotes);
    d.Terms = h.get(Invoice::InvTerms);
    d.DateEmailed = h.get(Invoice::InvEmailedDate);
    d.DatePaid =
        StoredDateForDisplay(h.get(Invoice::InvDatePaid), company.get(Company::DateOrderSetting));
    d.PaidAmount = Justified(sums->paid);
    d.NetAmount = Justified(net);
    d.TaxAmount = Justified(sums->tax);
    d.BalanceDue = Justified(due);
    d.TotalAmount = Justified(sums->total);
    d.PrintedFlag = h.get(Invoice::InvPrinted);
    d.Kind = h.get(Invoice::InvKind);

    // A customer number with no record leaves the customer's fields empty: taking whatever
    // record the search landed on would address the invoice to another customer.
    loaded.customer = FindCustomer(h.get(Invoice::InvCustomerNumber));
    if (loaded.customer) Masters().CustomerBuf = *loaded.customer;
    const CustomerRec customer = loaded.customer.value_or(CustomerRec{});
    d.AccountNo =
        loaded.customer ? customer.get(Customer::Number) : h.get(Invoice::InvCustomerNumber);
    d.AddrLine1 = customer.get(Customer::Name);
    d.AddrLine2 = customer.get(Customer::Address[0]);
    d.AddrLine3 = customer.get(Customer::Address[1]);
    d.AddrLine4 = customer.get(Customer::Address[2]);
    d.AddrLine5 = customer.get(Customer::Address[3]);
    d.EMailAddress = customer.get(Customer::Email);
    d.ShipLine1 = h.get(Invoice::InvShipTo1);
    d.ShipLine2 = h.get(Invoice::InvShipTo2);
    d.ShipLine3 = h.get(Invoice::InvShipTo3);
    d.ShipLine4 = h.get(Invoice::InvShipTo4);
    d.PrintNotes = customer.get(Customer::PrintNotes);
    d.Notes = customer.get(Customer::Notes);
    for (std::size_t k = 0; k < doc.DocumentAging.size(); ++k)
        doc.DocumentAging[k] =
            PadRightWith(FormatAmount(customer.get(Customer::Amounts[k])), ' ', 12);
    d.AccountBalance = FormatAmount(customer.get(Customer::Balance));

    std::fill(doc.DocumentLines.begin() + 1, doc.DocumentLines.end(), std::string());
    const std::string number = Upper(h.get(Invoice::InvNumber));
    if (out.InvoiceMemoMode)
        LoadMemo(doc, number);
    else
        LoadLineItems(doc, number);
    return loaded;
}

DocumentOutcome OutputInvoice() {
    const std::optional<LoadedInvoice> loaded = LoadInvoiceDocument();
    if (!loaded) return DocumentOutcome::NotLoaded;
    if (!InvoiceOutput().InvoiceOutputToPrinter) {
        ShowDocumentInView();
        return DocumentOutcome::Viewed;
    }

    DocumentState& doc = Document();
    doc.OutputMode = OutputInvoiceMode;
    if (!OutputGoesToPrinter())
        return EmailInvoiceDocument() ? DocumentOutcome::Emailed : DocumentOutcome::NoAddress;

    const CompanyRec& company = Shell().companies.CurrentCompany;
    const QString number = FromCp1252(TrimBlanks(loaded->header.get(Invoice::InvNumber)));
    // The invoice, its packing slip and its file copies are one job (one PDF file), or part of
    // the batch's.
    PrintBatch job(Printer(), "Invoice - " + number);
    PrintInvoiceDocument();
    if (TrimBlanks(company.get(Company::QueueBatchCustomers)) == "Y" &&
        InvoiceOutput().InvoiceBatchRunning && loaded->customer && AddCustomerToPrintQueue) {
        const CustomerRec& c = *loaded->customer;
        Printer().WhenPrinted(
            [row = CustomerLabelRow{c.get(Customer::Number), c.get(Customer::Name),
                                    c.get(Customer::MailSort), c.get(Customer::Type)}] {
                if (AddCustomerToPrintQueue) AddCustomerToPrintQueue(row);
            });
    }
    if (company.get(Company::PrintPackingSlip)) {
        doc.OutputMode = OutputPackingSlip;
        PrintInvoiceDocument();
    }
    if (company.get(Company::PrintInvoiceFileCopies))
        PrintFileCopies(company.get(Company::InvoiceFileCopies), PrintInvoiceDocument);
    if (!job.End()) RaiseError(QString("Invoice %1 could not be printed.").arg(number));
    if (InvoiceManagerStatusText)
        InvoiceManagerStatusText(
            1,
            "Invoice " + FromCp1252(loaded->header.get(Invoice::InvNumber)) + " sent to printer.");
    return DocumentOutcome::Printed;
}