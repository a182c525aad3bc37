#include "invoicing/documents/po_print.h"

#include <QStringList>
#include <optional>

#include "engine/decimal.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_form.h"
#include "platform/application.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "shell/app_context.h"
#include "shell/text.h"

std::function<bool(std::string_view number, const std::optional<std::string>& emailedDate)>
    MarkPurchaseOrderOutput;

namespace {

class PurchaseOrderForm : public DocumentForm {
public:
    PurchaseOrderForm(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company)
        : DocumentForm(
              canvas, doc, company,
              {FormText(company.get(Company::POShipToCaption)), "PO Number: ", "Vendor Number: "}),
          copy_(doc.OutputMode == OutputFileCopy),
          credit_(IsNegativeAmount(d_.TotalAmount)) {}

    bool Print() {
        // A file copy goes out under the title of the order's own job.
        const QString title = copy_ ? page_.canvas().Title() : "PO - " + FormTrimmed(d_.DocNumber);
        PrintJob job(page_.canvas(), title);
        PageHead(true);
        if (IsMemoForm())
            MemoBody();
        else
            LineBody();
        Totals();
        Messages();
        Signatures();
        return job.End();
    }

private:
    bool IsMemoForm() const override { return d_.Kind == "M"; }
    bool Codes() const override { return company_.get(Company::ProductCodesOnPOs); }
    int TableTemplate() const override { return Codes() ? 83 : 72; }

    QString Caption(bool first) const override {
        if (copy_) return FormText(company_.get(Company::POFileCopyCaption));
        if (credit_) return first ? "PO CREDIT" : "C  R  E  D  I  T";
        return FormText(company_.get(Company::POCaption));
    }
    QString DuplicateBanner() const override {
        const bool reprint = doc_.OutputMode == OutputPurchaseOrder && d_.PrintedFlag == "Y" &&
                             TrimBlanks(company_.get(Company::PrintDuplicatePO)) == "Y";
        return reprint ? "** Duplicate PO **" : QString();
    }

    void MemoBody() {
        page_.UseFont(MemoFont());
        page_.Text(x0_, headingRow_, FormTrimmed(company_.get(Company::POMemoHeader)));
        MemoLines();
        MemoTotalsPosition();
    }

    void Totals() {
        const bool lines = page_.layout().horizontalLines;
        const int L = page_.L();
        TotalAndTaxRows();
        y_ += L;
        page_.Text(b1_, y_ - L, "Date Required: " + FormTrimmed(d_.DateRequired));
        if (TrimBlanks(d_.DateReceived).size() > 7)
            page_.Text(b1_, y_, "Date Received: " + FormTrimmed(d_.DateReceived));
        TotalRow("Grand Total:", d_.TotalAmount);
        y_ += L + page_.h();
        if (lines) page_.Across(y_);
    }

    // Four lines low on the page: the company's order messages, or the vendor's notes.
    void Messages() {
        if (y_ >= page_.H() - 100 - 7 * page_.L()) return;
        if (!company_.get(Company::PrintSalesMessages)) return;
        page_.UseFont(Font(Company::SalesMessageFont));
        const int L = page_.L();
        const bool notes = d_.PrintNotes == "Y";
        const QStringList noteLines =
            notes ? page_.WrapText(FormText(d_.Notes), page_.W() / 2) : QStringList();
        for (int k = 0; k < 4; ++k) {
            const QString line = notes ? noteLines.value(k).trimmed()
                                       : FormTrimmed(company_.get(Company::POMessage[k]));
            page_.PageCentred(page_.H() - 100 - (7 - k) * L, line.left(80));
        }
    }

    void Signatures() {
        page_.UseFont(Font(Company::AgingFont));
        const int L = page_.L();
        const int H = page_.H();
        if (page_.layout().shading) page_.ShadedBand(H - 3 * L - page_.h(), H - 20);
        const int left = page_.layout().left;
        page_.Text(left, H - 3 * L, FormText(doc_.DocumentSignature1));
        page_.Text(left, H - 2 * L, FormText(doc_.DocumentSignature2));
    }

    bool copy_;
    bool credit_;
};

// Settings the form falls back on are written into the company in memory, as the settings
// window then shows them; the company file is not written.
void FillLayoutDefaults(CompanyRec& company) {
    if (TrimBlanks(company.get(Company::PushAddress)).empty())
        (void)company.set(Company::PushAddress, "0");
    if (TrimBlanks(company.get(Company::ShadingSpacing)).empty())
        (void)company.set(Company::ShadingSpacing, "8");
}

}  // namespace

bool PrintPurchaseOrderPages(PrintCanvas& canvas, const DocumentState& doc,
                             const CompanyRec& company) {
    return PurchaseOrderForm(canvas, doc, company).Print();
}

void PrintPurchaseOrderDocument() {
    const DocumentState& doc = Document();
    const DocumentRecord& d = doc.DocumentRecord;
    CompanyRec& company = Shell().companies.CurrentCompany;
    FillLayoutDefaults(company);
    const QString number = FormTrimmed(d.DocNumber);
    PrintCanvas& canvas = Printer();
    if (!PrintPurchaseOrderPages(canvas, doc, company))
        RaiseError(QString("Purchase order %1 could not be printed.").arg(number));
    if (d.PrintedFlag == "Y") return;
    canvas.WhenPrinted([stored = d.DocNumber, number] {
        if (!MarkPurchaseOrderOutput || !MarkPurchaseOrderOutput(stored, std::nullopt))
            MessageBox(QString("Purchase order %1 was printed, but it could not be marked as "
                               "printed.")
                           .arg(number),
                       "Print Purchase Order", MsgIcon::Information);
    });
}
