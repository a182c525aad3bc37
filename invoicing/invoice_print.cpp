#include "invoicing/invoice_print.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/aging.h"
#include "invoicing/document_buffer.h"
#include "invoicing/document_page.h"
#include "invoicing/invoice_output.h"
#include "invoicing/invoice_rec.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

namespace Col = DocumentLineColumn;

QString Q(std::string_view text) {
    return FromCp1252(text);
}
QString Trimmed(std::string_view text) {
    return FromCp1252(TrimBlanks(text));
}

bool IsNegative(std::string_view amount) {
    const std::optional<Decimal> value = Decimal::Parse(StripCommas(amount));
    return value && value->isNegative();
}

// The extension as an amount; an empty one stays empty.
QString Extension(std::string_view line) {
    const std::string text = TrimBlanks(Columns(line, Col::Extension));
    return text.empty() ? QString() : Q(FormatAmount(text));
}

struct Column {
    int start = 0;
    int width = 0;
    int end() const { return start + width; }
};

class InvoiceForm {
public:
    InvoiceForm(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company)
        : doc_(doc),
          d_(doc.DocumentRecord),
          company_(company),
          page_(canvas, DocumentLayout::Of(company)),
          logo_(CompanyLogo(company)),
          slip_(doc.OutputMode == OutputPackingSlip),
          copy_(doc.OutputMode == OutputFileCopy),
          credit_(IsNegative(d_.TotalAmount)) {}

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
        const QString number = Trimmed(d_.DocNumber);
        if (slip_) return "Packing Slip - " + number;
        if (copy_) return "File Copy - " + number;
        return "Invoice - " + number;
    }

    bool IsMemoForm() const { return d_.Kind == "M" || d_.Kind == "D" || d_.Kind == "T"; }

    FontSpec Font(const Company::Font& font) const { return CompanyFont(company_, font); }

    // The company block, the customer and ship-to block and the heading block; on the first
    // page with the invoice number, on later ones with the page number.
    void PageHead(bool first) {
        const DocumentLayout& l = page_.layout();
        page_.RestorePen();
        page_.PageBox();
        page_.UseFont(Font(Company::BodyFont));
        const int body = page_.L();
        y_ = l.top + 2 * body;
        int logoOffset = 0;
        page_.UseFont(Font(Company::CaptionFont), false);
        if (l.letterhead) {
            y_ += 9 * body;
        } else {
            if (logo_) {
                PrintBitmap(page_.canvas(), *logo_, l.left, y_);
                logoOffset = logo_->width() + 25;
            }
            page_.RightHalfCentred(y_ + 2 * body, Caption(first));
            if (first) page_.RightHalfCentred(y_ + 5 * body, Trimmed(d_.DocNumber));
            page_.UseFont(Font(Company::CompanyAddressFont));
            const int L = page_.L();
            if (!first)
                page_.RightHalfCentred(
                    y_ + 4 * L, "page number " + QString::number(page_.canvas().PageNumber()));
            else if (doc_.OutputMode == OutputInvoiceMode && d_.PrintedFlag == "Y" &&
                     company_.get(Company::PrintDuplicate))
                page_.RightHalfCentred(y_ + 4 * L - page_.h(), "** Duplicate **");
            CompanyBlock(l.left + logoOffset + l.push);
        }
        AddressBlock();
        HeadingBlock();
    }

    QString Caption(bool first) const {
        if (slip_) return "PACKING SLIP";
        if (copy_) return "FILE COPY";
        if (credit_) return first ? "CREDIT" : "C  R  E  D  I  T";
        return "INVOICE";
    }

    void CompanyBlock(int x) {
        const int L = page_.L();
        if (page_.layout().omitCompany) {
            y_ += 9 * L;
            return;
        }
        const std::array<std::string, 6> lines{
            company_.get(Company::Name),       company_.get(Company::Address[0]),
            company_.get(Company::Address[1]), company_.get(Company::Address[2]),
            company_.get(Company::Address[3]), company_.get(Company::ExtraAddress)};
        for (std::size_t k = 0; k < lines.size(); ++k) {
            page_.Text(x, y_, Q(lines[k]));
            y_ += k + 1 < lines.size() ? L : 4 * L;
        }
    }

    void AddressBlock() {
        const DocumentLayout& l = page_.layout();
        page_.UseFont(Font(Company::CustomerAddressFont));
        const int L = page_.L();
        const int left = l.left + l.push;
        const int right = page_.C() + l.push;
        page_.Text(left, y_, Q(d_.AddrLine1));
        if (TrimBlanks(d_.ShipLine1).size() >= 2)
            page_.Text(right, y_, Q(company_.get(Company::InvoiceShipToCaption)));
        for (int k = 2; k <= 5; ++k) {
            y_ += L;
            page_.Text(left, y_, Q(d_.AddrLine(k)));
            page_.Text(right, y_, Q(d_.ShipLine(k - 1)));
        }
        y_ += 3 * L;
    }

    void HeadingBlock() {
        const DocumentLayout& l = page_.layout();
        page_.UseFont(Font(Company::BodyFont));
        const int L = page_.L();
        const int h = page_.h();
        if (l.shading) page_.ShadedBand(y_ - h, y_ + 3 * L + h);
        if (l.horizontalLines) {
            page_.Across(y_ - h);
            page_.Across(y_ + 3 * L + h);
            page_.Across(y_ + 5 * L + h);
        }
        tableTop_ = y_ + 3 * L + h;
        page_.Text(l.left, y_, "Date: " + Trimmed(d_.DocDate));
        const QString number = "Invoice Number: " + Trimmed(d_.DocNumber);
        page_.Text(page_.C() - page_.Width(number) / 2 - page_.Width("XXXX"), y_, number);
        page_.Text(2 * (page_.W() / 3), y_, "Account Number: " + Trimmed(d_.AccountNo));
        page_.Text(l.left, y_ + L, "Payment Terms: " + Q(d_.Terms));
        page_.Text(l.left, y_ + 2 * L, "Reference: " + Q(d_.Reference));
        headingRow_ = y_ + 4 * L;
        y_ += 6 * L;
        LayColumns(IsMemoForm() ? 80 : 83);
    }

    // Columns centred on the page by a template of X's in the body font.
    void LayColumns(int xs) {
        const QString templ = QString(xs, 'X') + (IsMemoForm() ? "" : "x");
        x0_ = std::max(1, (page_.W() - page_.Width(templ)) / 2);
        gap_ = page_.Width("Xx");
        int x = x0_;
        for (auto [column, n] : std::initializer_list<std::pair<Column*, int>>{{&code_, 10},
                                                                               {&quantity_, 10},
                                                                               {&description_, 31},
                                                                               {&price_, 10},
                                                                               {&tax_, 1},
                                                                               {&extension_, 12}}) {
            *column = {x, page_.Width(QString(n, 'X'))};
            x = column->end() + gap_;
        }
        // Vertical rules after every column but the last; the totals stand on three of them.
        boundaries_.clear();
        for (const Column* c : {&code_, &quantity_, &description_, &price_, &tax_})
            boundaries_.push_back(c->end() + gap_ / 2);
        b1_ = boundaries_[1];
        b3_ = boundaries_[2];
        b5_ = boundaries_[4];
    }

    void ColumnHeadings() {
        const int y = headingRow_;
        page_.Text(code_.start, y, Trimmed(company_.get(Company::CodeHeading)));
        page_.Text(quantity_.start, y, Trimmed(company_.get(Company::QuantityHeading)));
        page_.Text(description_.start, y, Trimmed(company_.get(Company::DescriptionHeading)));
        if (slip_) return;
        page_.Text(price_.start, y, Trimmed(company_.get(Company::UnitCostHeading)));
        page_.Text(tax_.start, y, "T");
        page_.Text(extension_.start, y, Trimmed(company_.get(Company::ExtensionHeading)));
    }

    void PrintLine(const std::string& line) {
        page_.Text(code_.start, y_, Trimmed(Columns(line, 1, 10)));
        page_.RightAligned(quantity_.end(), y_, Trimmed(Columns(line, 11, 22)));
        page_.Text(description_.start, y_, Trimmed(Columns(line, 23, 54)));
        if (slip_) return;
        page_.RightAligned(price_.end(), y_, Q(FormatAsTyped(Columns(line, 55, 66))));
        page_.Text(tax_.start, y_, Q(Columns(line, Col::TaxFlag)));
        page_.RightAligned(extension_.end(), y_, Extension(line));
    }

    void VerticalRules() {
        if (!page_.layout().verticalLines) return;
        const std::size_t count = slip_ ? 2 : boundaries_.size();
        for (std::size_t k = 0; k < count; ++k) page_.VerticalLine(boundaries_[k], tableTop_, y_);
    }

    void LineBody() {
        std::vector<int> shown;
        for (int i = 1; i <= DocumentLineCount; ++i)
            if (IsShownLine(doc_.DocumentLines[i])) shown.push_back(i);
        int onPage = 0;
        for (std::size_t k = 0; k < shown.size(); ++k) {
            if (onPage == 0) ColumnHeadings();
            PrintLine(doc_.DocumentLines[shown[k]]);
            ++onPage;
            y_ += page_.L();
            // The last line never breaks the page: the totals follow it.
            if (k + 1 < shown.size() && y_ > page_.H() - 10 * page_.L()) {
                onPage = 0;
                y_ += page_.h();
                VerticalRules();
                page_.PageCentred(y_ + 3 * page_.L(),
                                  "Continued on page number " +
                                      QString::number(page_.canvas().PageNumber() + 1) + " ...");
                page_.canvas().NewPage();
                PageHead(false);
            }
        }
        if (shown.empty()) ColumnHeadings();
        const DocumentLayout& l = page_.layout();
        if (l.moveTotalsDown && onPage <= l.maxLines) y_ += (l.maxLines - onPage + 1) * page_.L();
        y_ += page_.h();
        VerticalRules();
    }

    void MemoBody() {
        FontSpec memo = Font(Company::BodyFont);
        memo.name = Trimmed(company_.get(Company::ManagersFont.name));
        if (memo.name.isEmpty()) memo.name = FontSpec{}.name;
        const int size = company_.get(Company::ManagersFont.size);
        memo.size = (size >= 1 && size <= 96 ? size : FontSpec{}.size) + 2;
        page_.UseFont(memo);
        const int L = page_.L();
        y_ = headingRow_ + 2 * L;
        if (d_.Kind == "D") {
            page_.Text(x0_, y_, "Deposit on Account");
            y_ += L;
        } else if (d_.Kind == "T") {
            page_.Text(x0_, y_, "Deposit on Account - Offset against invoices.");
            y_ += L;
        } else {
            for (int i = 1; i <= DocumentMemoLines; ++i) {
                const std::string& line = doc_.DocumentLines[i];
                if (i >= 20 && TrimBlanks(line).empty()) continue;
                page_.Text(x0_, y_, Q(line));
                y_ += L;
            }
        }
        y_ = std::max(y_, page_.H() - 100 - 14 * L);
        const int sixth = page_.W() / 6;
        b1_ = sixth;
        b3_ = 3 * sixth;
        b5_ = 4 * sixth;
        gap_ = page_.Width("Xx");
    }

    void Totals() {
        const bool lines = page_.layout().horizontalLines;
        const int L = page_.L();
        const int right = b5_ + gap_ / 2 + page_.Width(QString(12, 'X'));
        const auto row = [&](const QString& caption, const std::string& amount) {
            page_.Text(b3_, y_, caption);
            page_.RightAligned(right, y_, Trimmed(amount));
        };
        if (lines) page_.Across(y_);
        y_ += page_.h();
        row("Total:", d_.NetAmount);
        const std::optional<Decimal> tax = Decimal::Parse(StripCommas(d_.TaxAmount));
        if (!TrimBlanks(company_.get(Company::TaxHeading)).empty() || !tax || !tax->isZero()) {
            y_ += L;
            row(Q(company_.get(Company::TaxHeading)), d_.TaxAmount);
        }
        y_ += L;
        row("Grand Total:", d_.TotalAmount);
        if (TrimBlanks(d_.DatePaid).size() > 7) page_.Text(b1_, y_, "Paid Date: " + Q(d_.DatePaid));
        y_ += L;
        row("Paid Amount:", d_.PaidAmount);
        y_ += L;
        row("Balance Due:", d_.BalanceDue);
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
        const QStringList lines = page_.WrapText(Q(d_.Notes), page_.W() / 2);
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
                               balance ? QString("Balance") : Trimmed(captions[k]));
            page_.RightAligned(right, H - 2 * L,
                               Trimmed(balance ? d_.AccountBalance : doc_.DocumentAging[k]));
        }
    }

    const DocumentState& doc_;
    const DocumentRecord& d_;
    const CompanyRec& company_;
    DocumentPage page_;
    std::optional<QImage> logo_;
    bool slip_;
    bool copy_;
    bool credit_;
    int y_ = 0;
    int tableTop_ = 0;
    int headingRow_ = 0;
    int x0_ = 1;
    int gap_ = 0;
    Column code_, quantity_, description_, price_, tax_, extension_;
    std::vector<int> boundaries_;
    int b1_ = 0, b3_ = 0, b5_ = 0;
};

}  // namespace

bool PrintInvoicePages(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company) {
    return InvoiceForm(canvas, doc, company).Print();
}

void PrintInvoiceDocument() {
    const DocumentState& doc = Document();
    const DocumentRecord& d = doc.DocumentRecord;
    const QString number = Trimmed(d.DocNumber);
    if (!PrintInvoicePages(Printer(), doc, Shell().companies.CurrentCompany))
        RaiseError(QString("Invoice %1 could not be printed.").arg(number));
    if (d.PrintedFlag != "Y" && !MarkInvoiceOutput(d.DocNumber, std::nullopt))
        MessageBox(
            QString("Invoice %1 was printed, but it could not be marked as printed.").arg(number),
            "Print Invoice", MsgIcon::Information);
}
