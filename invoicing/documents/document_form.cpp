#include "invoicing/documents/document_form.h"

#include <algorithm>
#include <array>
#include <utility>

#include "engine/decimal.h"
#include "platform/cp1252.h"
#include "platform/printer.h"
#include "shell/text.h"

QString FormText(std::string_view text) {
    return FromCp1252(text);
}

QString FormTrimmed(std::string_view text) {
    return FromCp1252(TrimBlanks(text));
}

bool IsNegativeAmount(std::string_view amount) {
    const std::optional<Decimal> value = Decimal::Parse(StripCommas(amount));
    return value && value->isNegative();
}

namespace {

namespace Col = DocumentLineColumn;

// The extension as an amount; an empty one stays empty.
QString Extension(std::string_view line) {
    const std::string text = TrimBlanks(Columns(line, Col::Extension));
    return text.empty() ? QString() : FormText(FormatAmount(text));
}

}  // namespace

DocumentForm::DocumentForm(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company,
                           FormCaptions captions)
    : doc_(doc),
      d_(doc.DocumentRecord),
      company_(company),
      page_(canvas, DocumentLayout::Of(company)),
      logo_(CompanyLogo(company)),
      captions_(std::move(captions)) {}

FontSpec DocumentForm::MemoFont() const {
    FontSpec memo = Font(Company::BodyFont);
    memo.name = FormTrimmed(company_.get(Company::ManagersFont.name));
    if (memo.name.isEmpty()) memo.name = FontSpec{}.name;
    const int size = company_.get(Company::ManagersFont.size);
    memo.size = (size >= 1 && size <= 96 ? size : FontSpec{}.size) + 2;
    return memo;
}

void DocumentForm::PageHead(bool first) {
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
        if (first) page_.RightHalfCentred(y_ + 5 * body, FormTrimmed(d_.DocNumber));
        page_.UseFont(Font(Company::CompanyAddressFont));
        const int L = page_.L();
        if (!first) {
            page_.RightHalfCentred(y_ + 4 * L,
                                   "page number " + QString::number(page_.canvas().PageNumber()));
        } else if (const QString banner = DuplicateBanner(); !banner.isEmpty()) {
            page_.RightHalfCentred(y_ + 4 * L - page_.h(), banner);
        }
        CompanyBlock(l.left + logoOffset + l.push);
    }
    AddressBlock();
    HeadingBlock();
}

void DocumentForm::CompanyBlock(int x) {
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
        page_.Text(x, y_, FormText(lines[k]));
        y_ += k + 1 < lines.size() ? L : 4 * L;
    }
}

void DocumentForm::AddressBlock() {
    const DocumentLayout& l = page_.layout();
    page_.UseFont(Font(Company::CustomerAddressFont));
    const int L = page_.L();
    const int left = l.left + l.push;
    const int right = page_.C() + l.push;
    page_.Text(left, y_, FormText(d_.AddrLine1));
    if (TrimBlanks(d_.ShipLine1).size() >= 2) page_.Text(right, y_, captions_.shipTo);
    for (int k = 2; k <= 5; ++k) {
        y_ += L;
        page_.Text(left, y_, FormText(d_.AddrLine(k)));
        page_.Text(right, y_, FormText(d_.ShipLine(k - 1)));
    }
    y_ += 3 * L;
}

void DocumentForm::HeadingBlock() {
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
    page_.Text(l.left, y_, "Date: " + FormTrimmed(d_.DocDate));
    const QString number = captions_.number + FormTrimmed(d_.DocNumber);
    page_.Text(page_.C() - page_.Width(number) / 2 - page_.Width("XXXX"), y_, number);
    page_.Text(2 * (page_.W() / 3), y_, captions_.account + FormTrimmed(d_.AccountNo));
    page_.Text(l.left, y_ + L, "Payment Terms: " + FormText(d_.Terms));
    page_.Text(l.left, y_ + 2 * L, "Reference: " + FormText(d_.Reference));
    headingRow_ = y_ + 4 * L;
    y_ += 6 * L;
    LayColumns();
}

// Columns centred on the page by a template of X's in the body font.
void DocumentForm::LayColumns() {
    const bool memo = IsMemoForm();
    const QString templ = memo ? QString(80, 'X') : QString(TableTemplate(), 'X') + "x";
    x0_ = std::max(1, (page_.W() - page_.Width(templ)) / 2);
    gap_ = page_.Width("Xx");
    const bool codes = Codes();
    int x = x0_;
    code_ = {};
    for (auto [column, n] :
         std::initializer_list<std::pair<TableColumn*, int>>{{&code_, 10},
                                                             {&quantity_, 10},
                                                             {&description_, 31},
                                                             {&price_, 10},
                                                             {&tax_, 1},
                                                             {&extension_, 12}}) {
        if (column == &code_ && !codes) continue;
        *column = {x, page_.Width(QString(n, 'X'))};
        x = column->end() + gap_;
    }
    // Vertical rules after every column but the last; the totals stand on three of them.
    boundaries_.clear();
    const auto after = [this](const TableColumn& c) { return c.end() + gap_ / 2; };
    if (codes) boundaries_.push_back(after(code_));
    for (const TableColumn* c : {&quantity_, &description_, &price_, &tax_})
        boundaries_.push_back(after(*c));
    b1_ = after(quantity_);
    b3_ = after(description_);
    b5_ = after(tax_);
}

void DocumentForm::ColumnHeadings() const {
    const int y = headingRow_;
    if (Codes()) page_.Text(code_.start, y, FormTrimmed(company_.get(Company::CodeHeading)));
    page_.Text(quantity_.start, y, FormTrimmed(company_.get(Company::QuantityHeading)));
    page_.Text(description_.start, y, FormTrimmed(company_.get(Company::DescriptionHeading)));
    if (!Prices()) return;
    page_.Text(price_.start, y, FormTrimmed(company_.get(Company::UnitCostHeading)));
    page_.Text(tax_.start, y, "T");
    page_.Text(extension_.start, y, FormTrimmed(company_.get(Company::ExtensionHeading)));
}

void DocumentForm::PrintLine(const std::string& line) const {
    if (Codes()) page_.Text(code_.start, y_, FormTrimmed(Columns(line, 1, 10)));
    page_.RightAligned(quantity_.end(), y_, FormTrimmed(Columns(line, 11, 22)));
    page_.Text(description_.start, y_, FormTrimmed(Columns(line, 23, 54)));
    if (!Prices()) return;
    page_.RightAligned(price_.end(), y_, FormText(FormatAsTyped(Columns(line, 55, 66))));
    page_.Text(tax_.start, y_, FormText(Columns(line, Col::TaxFlag)));
    page_.RightAligned(extension_.end(), y_, Extension(line));
}

void DocumentForm::VerticalRules(std::size_t count) const {
    if (!page_.layout().verticalLines) return;
    count = std::min(count, boundaries_.size());
    for (std::size_t k = 0; k < count; ++k) page_.VerticalLine(boundaries_[k], tableTop_, y_);
}

void DocumentForm::LineBody() {
    // Every line the document holds is printed, wherever it stands among the 99.
    std::vector<int> shown;
    for (int i = 1; i <= DocumentLineCount; ++i)
        if (IsShownLine(doc_.DocumentLines[i])) shown.push_back(i);
    const std::size_t rules = Prices() ? RuleCount() : RuleCount() - 3;
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
            VerticalRules(rules);
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
    VerticalRules(rules);
}

void DocumentForm::MemoLines() {
    for (int i = 1; i <= DocumentMemoLines; ++i) {
        const std::string& line = doc_.DocumentLines[i];
        if (i >= 20 && TrimBlanks(line).empty()) continue;
        page_.Text(x0_, y_, FormText(line));
        y_ += page_.L();
    }
}

void DocumentForm::MemoTotalsPosition() {
    y_ = std::max(y_, page_.H() - 100 - 14 * page_.L());
    const int sixth = page_.W() / 6;
    b1_ = sixth;
    b3_ = 3 * sixth;
    b5_ = 4 * sixth;
    gap_ = page_.Width("Xx");
}

void DocumentForm::TotalAndTaxRows() {
    if (page_.layout().horizontalLines) page_.Across(y_);
    y_ += page_.h();
    TotalRow("Total:", d_.NetAmount);
    const std::optional<Decimal> tax = Decimal::Parse(StripCommas(d_.TaxAmount));
    if (!TrimBlanks(company_.get(Company::TaxHeading)).empty() || !tax || !tax->isZero()) {
        y_ += page_.L();
        TotalRow(FormText(company_.get(Company::TaxHeading)), d_.TaxAmount);
    }
}

void DocumentForm::TotalRow(const QString& caption, const std::string& amount) const {
    const int right = b5_ + gap_ / 2 + page_.Width(QString(12, 'X'));
    page_.Text(b3_, y_, caption);
    page_.RightAligned(right, y_, FormTrimmed(amount));
}
