#include "invoicing/documents/invoice_print.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/posting/aging.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_form.h"
#include "invoicing/documents/invoice_output_mark.h"
#include "invoicing/records/invoice_rec.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

class InvoiceForm : public DocumentForm {
public:
    InvoiceForm(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company)
        : DocumentForm(canvas, doc, company,
                       {FormText(company.get(Company::InvoiceShipToCaption)),
                        "Invoice Number: ", "Account Number: "}),
          slip_(doc.OutputMode == OutputPackingSlip),
          copy_(doc.OutputMode == OutputFileCopy),
          credit_(IsNegativeAmount(d_.TotalAmount)) {}

    bool Print() {
        PrintJob job(page_.canvas(), Title());
        PageHead(true);
        if (IsMemoForm())
            MemoBody();
        else
            LineBody();
        if (slip_) {
            if (page_.layout().horizontalLines) page_.Across(y_);
        } else {
            Totals();
        }
        Notes();
        if (!slip_) Aging();
        return job.End();
    }

private:
    QString Title() const {
        const QString number = FormTrimmed(d_.DocNumber);
        if (slip_) return "Packing Slip - " + number;
        if (copy_) return "File Copy - " + number;
        return "Invoice - " + number;
    }

    bool IsMemoForm() const override { return d_.Kind == "M" || d_.Kind == "D" || d_.Kind == "T"; }
    bool Prices() const override { return !slip_; }

    QString Caption(bool first) const override {
        if (slip_) return "PACKING SLIP";
        if (copy_) return "FILE COPY";
        if (credit_) return first ? "CREDIT" : "C  R  E  D  I  T";
        return "INVOICE";
    }
    QString DuplicateBanner() const override {
        const bool reprint = doc_.OutputMode == OutputInvoiceMode && d_.PrintedFlag == "Y" &&
                             company_.get(Company::PrintDuplicate);
        return reprint ? "** Duplicate **" : QString();
    }

    void MemoBody() {
        page_.UseFont(MemoFont());
        const int L = page_.L();
        y_ = headingRow_ + 2 * L;
        if (d_.Kind == "D") {
            page_.Text(x0_, y_, "Deposit on Account");
            y_ += L;
        } else if (d_.Kind == "T") {
            page_.Text(x0_, y_, "Deposit on Account - Offset against invoices.");
            y_ += L;
        } else {
            MemoLines();
        }
        MemoTotalsPosition();
    }

    void Totals() {
        const bool lines = page_.layout().horizontalLines;
        const int L = page_.L();
        TotalAndTaxRows();
        y_ += L;
        TotalRow("Grand Total:", d_.TotalAmount);
        if (TrimBlanks(d_.DatePaid).size() > 7)
            page_.Text(b1_, y_, "Paid Date: " + FormText(d_.DatePaid));
        y_ += L;
        TotalRow("Paid Amount:", d_.PaidAmount);
        y_ += L;
        TotalRow("Balance Due:", d_.BalanceDue);
        y_ += L + page_.h();
        if (lines) page_.Across(y_);
    }

    // The customer's notes in four lines low on the page, when the customer asks for them
    // and there is room.
    void Notes() {
        if (d_.PrintNotes != "Y" || TrimBlanks(d_.Notes).empty()) return;
        if (y_ >= page_.H() - 100 - 7 * page_.L()) return;
        page_.UseFont(Font(Company::SalesMessageFont));
        const int L = page_.L();
        const QStringList lines = page_.WrapText(FormText(d_.Notes), page_.W() / 2);
        for (int k = 0; k < 4 && k < lines.size(); ++k)
            page_.PageCentred(page_.H() - 100 - (7 - k) * L, lines[k].trimmed().left(80));
    }

    // The account's aging at the foot of the page: the four buckets and the balance.
    void Aging() {
        page_.UseFont(Font(Company::AgingFont));
        const int L = page_.L();
        const int H = page_.H();
        if (page_.layout().shading) page_.ShadedBand(H - 3 * L - page_.h(), H - 20);
        const std::array<std::string, 4> captions = AgingBucketCaptions(company_);
        const int width = (page_.W() - 40) / 5;
        for (int k = 0; k < 5; ++k) {
            const int right = 20 + (k + 1) * width - gap_;
            const bool balance = k == 4;
            page_.RightAligned(right, H - 3 * L,
                               balance ? QString("Balance") : FormTrimmed(captions[k]));
            page_.RightAligned(right, H - 2 * L,
                               FormTrimmed(balance ? d_.AccountBalance : doc_.DocumentAging[k]));
        }
    }

    bool slip_;
    bool copy_;
    bool credit_;
};

}  // namespace

bool PrintInvoicePages(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company) {
    return InvoiceForm(canvas, doc, company).Print();
}

void PrintInvoiceDocument() {
    const DocumentState& doc = Document();
    const DocumentRecord& d = doc.DocumentRecord;
    const QString number = FormTrimmed(d.DocNumber);
    PrintCanvas& canvas = Printer();
    if (!PrintInvoicePages(canvas, doc, Shell().companies.CurrentCompany))
        RaiseError(QString("Invoice %1 could not be printed.").arg(number));
    if (d.PrintedFlag == "Y") return;
    canvas.WhenPrinted([stored = d.DocNumber, number] {
        if (!MarkInvoiceOutput(stored, std::nullopt))
            MessageBox(QString("Invoice %1 was printed, but it could not be marked as printed.")
                           .arg(number),
                       "Print Invoice", MsgIcon::Information);
    });
}
