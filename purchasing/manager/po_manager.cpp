#include "purchasing/manager/po_manager.h"

#include <array>

#include "engine/decimal.h"
#include "invoicing/documents/invoice_output.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "purchasing/add_po.h"
#include "purchasing/po_document.h"
#include "purchasing/po_files.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

using namespace PurchaseOrder;

constexpr std::array<ListOrder, ListOrderCount> Orders{{
    {"ByInvoiceDate1", "By PO &Date", PODateKey},
    {"ByInvoiceNumber1", "By PO &Number", PONumberKey},
    {"ByCustomerNumber1", "By &Vendor Number", POVendorKey},
    {"ByKeyCode1", "By &Key Code", POKeyCodeKey},
    {"ByR1", "By &Receive Date", POReceivedDateKey},
    {"ByRequiredDate1", "&By Required Date", PODateRequiredKey},
}};

std::string Trimmed(const PORec& record, fields::Text<PORec> field) {
    return TrimBlanks(record.get(field));
}
std::string Trimmed(const PORec& record, fields::Number<PORec> field) {
    return TrimBlanks(record.get(field));
}

// Sets the output flags for a print (on) or clears them (off).
void SetOutputFlags(bool on, bool batch) {
    PODocumentState& out = PODocument();
    out.POOutputToPrinter = on ? 1 : 0;
    out.POBatchRunning = on && batch ? 1 : 0;
}

}  // namespace

std::string POListHeader() {
    return ListRow({ListColumn("Year/Mo/Dy", 10), ListColumn("PO#", 9), ListColumn("Vendor#", 8),
                    ListColumn("Short Name", 10), RightJustify("Grand Total", ' ', 12),
                    ListColumn("Key Code", 8), ListColumn("Received", 10),
                    ListColumn("Required", 10), ListColumn("CO#", 5)});
}

std::string POListRow(PORec record) {
    if (IsDamagedPO(record)) {
        // In the row only: the record on file stays as it is until the user deletes it.
        (void)record.set(POTotal, "0");
        (void)record.set(POVendorNumber, "0");
        record.set(POVendorShortName, "BAD RECORD");
        (void)record.set(PONumber, "DELETE ME");
    }
    return ListRow(
        {ListColumn(record.get(PODateYMD).substr(0, 10), 10),
         ListColumn(Trimmed(record, PONumber), 9), ListColumn(Trimmed(record, POVendorNumber), 8),
         ListColumn(Trimmed(record, POVendorShortName), 10), ListAmount(record.get(POTotal)),
         ListColumn(Trimmed(record, POKeyCode), 8), ListColumn(Trimmed(record, POReceivedDate), 10),
         ListColumn(Trimmed(record, PODateRequired), 10),
         ListColumn(record.get(POCompanyNumber), 5)});
}

std::span<const ListOrder> POOrders() {
    return Orders;
}

bool POFilterAdmits(const PORec& record, std::string_view vendor) {
    return Trimmed(record, POVendorNumber) == vendor;
}

void ViewPO(const std::string& number) {
    PODocumentState& out = PODocument();
    out.CurrentPONumber = number;
    out.POOutputToPrinter = 0;
    BuildPODocument();
}

void PrintPOCommand(POManagerView& view, const std::string& number) {
    PrintOneDocument(
        number, [&view](int panel, const QString& text) { view.SetStatusText(panel, text); },
        {"PO", "This vendor has no e-mail address. PO not sent by e-mail.", "E-Mail PO",
         "PO sent by e-mail."},
        [&number] {
            SetOutputFlags(true, false);
            const ScopeExit clear([] { SetOutputFlags(false, false); });
            PODocument().CurrentPONumber = number;
            return BuildPODocument();
        });
}

std::vector<std::string> POsToBatchPrint() {
    return DocumentsToBatch(Purchasing().POFile, PORec::Size,
                            [](std::span<const uint8_t> record) -> std::optional<std::string> {
                                if (TrimBlanks(fields::Get(record, POPrinted)) == "Y" ||
                                    TrimBlanks(fields::Get(record, POStatus)) != StatusOpen)
                                    return std::nullopt;
                                return fields::Get(record, PONumber);
                            });
}

QString POBatchCaption(bool email) {
    return email ? "PO Batch E-Mail" : "PO Batch Print";
}

BatchDialogText POBatchDialogTexts(int count, bool email, const CompanyRec& company) {
    if (email)
        return {QString("There are %1 PO(s) to e-mail.").arg(count), "* E-Mail Mode *",
                "(No file copies are e-mailed.)", "&E-Mail"};
    return {QString("There are %1 PO(s) to print.").arg(count), " ",
            company.get(Company::PrintPOFileCopies) ? "File Copies will be printed."
                                                    : "File Copies are turned off.",
            "&Print"};
}

void BatchPrintPOs(POManagerView& view) {
    CloseRebuildStatus();
    BatchRun run;
    run.email = !OutputGoesToPrinter();
    const std::vector<std::string> numbers = POsToBatchPrint();
    run.nothing = "There are no POs to print.";
    run.caption = POBatchCaption(run.email);
    run.text = POBatchDialogTexts(static_cast<int>(numbers.size()), run.email,
                                  Shell().companies.CurrentCompany);
    run.progressLabel = &TStatForm::Label1;
    run.processing = "Processing PO ";
    run.jobTitle = "Purchase Orders";
    run.flags = [](bool on) { SetOutputFlags(on, true); };
    run.output = [](const std::string& number) {
        PODocument().CurrentPONumber = number;
        return BuildPODocument();
    };
    const std::optional<BatchOutcome> done = RunBatchOutput(numbers, run);
    if (!done) return;
    if (!run.email) {
        view.SetStatusText(1, BatchPrintStatus(done->end, done->sent, "POs"));
        return;
    }
    view.SetStatusText(1, QString("Batch Print complete. %1 POs sent by e-mail, %2 skipped (no "
                                  "e-mail address).")
                              .arg(done->sent)
                              .arg(done->noAddress.size()));
    Mail().msSMTP1.Disconnect();
    if (!done->noAddress.empty())
        MessageBox("These POs were not sent: their vendors have no e-mail address: " +
                       FromCp1252(JoinedWith(done->noAddress, ", ")) + ".",
                   "Batch E-Mail", MsgIcon::Information);
    MessageBox("E-mail operation complete.", "Batch E-Mail", MsgIcon::Information);
}
