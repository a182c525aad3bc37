#include "purchasing/po_document.h"

#include <algorithm>

#include "engine/decimal.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/documents/po_email.h"
#include "invoicing/documents/po_print.h"
#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "purchasing/add_po.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "purchasing/purchasing_state.h"
#include "shell/app_context.h"
#include "shell/file_layer.h"
#include "shell/text.h"

PODocumentState& PODocument() {
    return InstalledOrBuiltIn<PODocumentState>();
}

namespace {

using namespace PurchaseOrder;

constexpr const char* DocumentName = "purchase order";

std::string Upper(std::string_view text) {
    return UpperAscii(TrimBlanks(text));
}

struct HeaderSums {
    PORec last;
    Decimal total, tax;
};

// Every header record of the number (key 1, exact): the sums over all of them, and the last.
std::optional<HeaderSums> ReadHeaders(const std::string& target) {
    std::optional<HeaderSums> sums;
    PORec probe;
    if (!probe.set(PONumber, target)) return sums;
    try {
        WalkKeyRecords<PORec>(
            POData(), PONumberKey, BuildPOKey(probe, PONumberKey), target,
            [&sums](int32_t, const PORec& rec) {
                if (!sums) sums.emplace();
                const std::string number = rec.get(PONumber);
                sums->total += DocumentAmount(rec.get(POTotal), "total", DocumentName, number);
                sums->tax += DocumentAmount(rec.get(POTax), "tax", DocumentName, number);
                sums->last = rec;
                return true;
            });
    } catch (const DecimalOverflow&) {
        DocumentAmountsTooLarge(DocumentName, target);
    }
    return sums;
}

// The line records of the order number (upper-cased), in key-2 order.
void WalkLines(const std::string& number, const std::function<bool(const POLineRec&)>& take) {
    POLineRec probe;
    if (!probe.set(POLine::LinePONumber, number)) return;
    WalkKeyRecords<POLineRec>(POLineData(), POLineNumberKey, BuildPOLineKey(probe, POLineNumberKey),
                              number,
                              [&take](int32_t, const POLineRec& line) { return take(line); });
}

void LoadLineItems(DocumentState& doc, const std::string& number) {
    int index = 1;
    WalkLines(number, [&](const POLineRec& line) {
        // Receiver lines record what came in; the document shows what was ordered.
        if (POLine::IsReceiverLine(line)) return true;
        doc.DocumentLines[index] =
            DocumentLineText(line.get(POLine::LineProductCode), line.get(POLine::LineText));
        return ++index <= DocumentLineCount;
    });
}

void LoadMemo(DocumentState& doc, const std::string& number) {
    WalkLines(number, [&](const POLineRec& line) {
        doc.DocumentFirstCode = TrimBlanks(line.get(POLine::LineProductCode));
        doc.DocumentFirstQty = TrimBlanks(Columns(line.get(POLine::LineText), 1, 10));
        return false;
    });
    POMemoRec probe;
    POMemoRec memo;
    const bool found = probe.set(POMemo::MemoPONumber, number) &&
                       POMemoData().Find(POMemoNumberKey, BuildPOMemoKey(probe, POMemoNumberKey),
                                         memo.bytes()) != 0;
    // Without its memo the order shows empty memo lines, never another order's text.
    if (!found) {
        MessageBox("Error reading memo data.", ProgramCaption(), MsgIcon::None, MsgButtons::Ok);
        memo.clear();
    }
    // A lone character on a memo line is a stray keystroke, not text for the vendor.
    SetMemoDocumentLines(doc, POMemoLines(memo), 2);
}

}  // namespace

std::optional<VendorRec> FindVendorByNumber(std::string_view number) {
    const StepFile open(VendorData());
    if (!open.ok()) return std::nullopt;
    VendorRec probe;
    if (!probe.set(Vendor::Number, TrimBlanks(number))) return std::nullopt;
    VendorRec found;
    if (VendorData().Find(VendorNumberKey, BuildVendorKey(probe, VendorNumberKey), found.bytes()) ==
        0)
        return std::nullopt;
    return found;
}

std::optional<LoadedPO> LoadPODocument() {
    DocumentState& doc = Document();
    DocumentRecord& d = doc.DocumentRecord;
    const CompanyRec& company = Shell().companies.CurrentCompany;

    const std::string target = Upper(PODocument().CurrentPONumber);
    const std::optional<HeaderSums> sums = ReadHeaders(target);
    if (!sums) {
        MessageBox(QString("Purchase order %1 is not on file.").arg(FromCp1252(target)),
                   "Purchase Order Output", MsgIcon::Information);
        return std::nullopt;
    }
    LoadedPO loaded{sums->last, std::nullopt};
    const PORec& h = loaded.header;
    Purchasing().POMemoMode = h.get(POType) == TypeMemo ? 1 : 0;

    Decimal net;
    try {
        net = sums->total - sums->tax;
    } catch (const DecimalOverflow&) {
        DocumentAmountsTooLarge(DocumentName, target);
    }
    const std::string order = company.get(Company::DateOrderSetting);
    d.DocType = h.get(POStatus);
    d.DocNumber = h.get(PONumber);
    d.DocDate = h.get(PODate);
    d.Reference = h.get(PONotes);
    d.Terms = h.get(POTerms);
    d.ShipLine1 = h.get(POShipTo1);
    d.ShipLine2 = h.get(POShipTo2);
    d.ShipLine3 = h.get(POShipTo3);
    d.ShipLine4 = h.get(POShipTo4);
    d.DatePaid.clear();
    d.DateEmailed = h.get(POEmailedDate);
    d.DateRequired = StoredDateForDisplay(h.get(PODateRequired), order);
    d.DateReceived = StoredDateForDisplay(h.get(POReceivedDate), order);
    doc.DocumentSignature1 = h.get(POSignature1);
    doc.DocumentSignature2 = h.get(POSignature2);
    doc.DocumentRequiredYMD = h.get(PODateRequired);
    doc.DocumentReceivedYMD = h.get(POReceivedDate);
    d.NetAmount = JustifiedAmount(net);
    d.TaxAmount = JustifiedAmount(sums->tax);
    d.TotalAmount = JustifiedAmount(sums->total);
    d.PrintedFlag = h.get(POPrinted);
    d.Kind = h.get(POType);

    // A vendor number with no record leaves the vendor's fields empty: taking whatever
    // record the search landed on would address the order to another vendor.
    loaded.vendor = FindVendorByNumber(h.get(POVendorNumber));
    if (loaded.vendor) Masters().VendorBuf = *loaded.vendor;
    const VendorRec vendor = loaded.vendor.value_or(VendorRec{});
    d.AccountNo = loaded.vendor ? vendor.get(Vendor::Number) : h.get(POVendorNumber);
    d.AddrLine1 = vendor.get(Vendor::Name);
    d.AddrLine2 = vendor.get(Vendor::Address[0]);
    d.AddrLine3 = vendor.get(Vendor::Address[1]);
    d.AddrLine4 = vendor.get(Vendor::Address[2]);
    d.AddrLine5 = vendor.get(Vendor::Address[3]);
    d.EMailAddress = vendor.get(Vendor::Email);
    d.PrintNotes = vendor.get(Vendor::PrintNotes);
    d.Notes = vendor.get(Vendor::Notes);
    for (std::size_t k = 0; k < doc.DocumentAging.size(); ++k)
        doc.DocumentAging[k] = PadRightWith(FormatAmount(vendor.get(Vendor::Amounts[k])), ' ', 12);

    std::fill(doc.DocumentLines.begin() + 1, doc.DocumentLines.end(), std::string());
    const std::string number = Upper(h.get(PONumber));
    if (Purchasing().POMemoMode)
        LoadMemo(doc, number);
    else
        LoadLineItems(doc, number);
    return loaded;
}

DocumentOutcome BuildPODocument() {
    const std::optional<LoadedPO> loaded = LoadPODocument();
    if (!loaded) return DocumentOutcome::NotLoaded;
    if (!PODocument().POOutputToPrinter) {
        ShowDocumentInView();
        return DocumentOutcome::Viewed;
    }

    Document().OutputMode = OutputPurchaseOrder;
    if (!OutputGoesToPrinter())
        return EmailPurchaseOrderDocument() ? DocumentOutcome::Emailed : DocumentOutcome::NoAddress;

    const CompanyRec& company = Shell().companies.CurrentCompany;
    const QString number = FromCp1252(TrimBlanks(loaded->header.get(PONumber)));
    // The order and its file copies are one job (one PDF file), or part of the batch's.
    PrintBatch job(Printer(), "PO - " + number);
    PrintPurchaseOrderDocument();
    if (TrimBlanks(company.get(Company::QueueBatchVendors)) == "Y" && PODocument().POBatchRunning &&
        loaded->vendor && AddVendorToPrintQueue) {
        const VendorRec& v = *loaded->vendor;
        Printer().WhenPrinted([row = VendorLabelRow{v.get(Vendor::Number), v.get(Vendor::Name),
                                                    v.get(Vendor::MailSort), v.get(Vendor::Type)}] {
            if (AddVendorToPrintQueue) AddVendorToPrintQueue(row);
        });
    }
    if (company.get(Company::PrintPOFileCopies))
        PrintFileCopies(company.get(Company::POFileCopies), PrintPurchaseOrderDocument);
    if (!job.End()) RaiseError(QString("Purchase order %1 could not be printed.").arg(number));
    return DocumentOutcome::Printed;
}