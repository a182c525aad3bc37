#pragma once
// What the printed invoice and the printed purchase order share: the page head (logo,
// caption, company block), the address and ship-to block, the heading block, the table of
// lines with its page breaks, and the memo body. A form supplies its captions and its page
// head's banners; the drawing is done here once.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_page.h"

class CompanyRec;

struct TableColumn {
    int start = 0;
    int width = 0;
    int end() const { return start + width; }
};

// The captions of the address and heading blocks.
struct FormCaptions {
    QString shipTo;
    QString number;   // "Invoice Number: "
    QString account;  // "Account Number: "
};

class DocumentForm {
public:
    virtual ~DocumentForm() = default;
    DocumentForm(const DocumentForm&) = delete;
    DocumentForm& operator=(const DocumentForm&) = delete;

protected:
    DocumentForm(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company,
                 FormCaptions captions);

    // The form's differences from the shared layout.
    virtual QString Caption(bool first) const = 0;
    // The banner of a reprint on the first page, empty for none; later pages carry their
    // page number in its place.
    virtual QString DuplicateBanner() const = 0;
    // Whether the product-code column is printed, and the number of X's that centre the
    // table (an "x" follows them).
    virtual bool Codes() const { return true; }
    virtual int TableTemplate() const { return 83; }
    virtual bool IsMemoForm() const = 0;
    // Whether the table shows prices and extensions (a packing slip shows neither).
    virtual bool Prices() const { return true; }

    FontSpec Font(const Company::Font& font) const { return CompanyFont(company_, font); }
    // The managers' font two points larger, in the body font's style and colour.
    FontSpec MemoFont() const;

    // The company block, the address block and the heading block from the top margin.
    void PageHead(bool first);
    // The described lines one per row, with a new page (and its head) before any line but
    // the last once the page is full; then the totals' room and the vertical rules.
    void LineBody();
    // The memo lines 1..25 (blank lines from 20 on take no room), from the first-line row.
    void MemoLines();
    // The totals' row positions of a memo document: well down the page, at sixths.
    void MemoTotalsPosition();
    // The rule above the totals, then "Total:" and, when the company has a tax heading or
    // there is tax, the tax row; y is left on the last row.
    void TotalAndTaxRows();
    // A caption at B3 and its amount right-aligned to the extension column's end.
    void TotalRow(const QString& caption, const std::string& amount) const;
    void VerticalRules(std::size_t count) const;
    std::size_t RuleCount() const { return boundaries_.size(); }

    const DocumentState& doc_;
    const DocumentRecord& d_;
    const CompanyRec& company_;
    DocumentPage page_;
    std::optional<QImage> logo_;
    FormCaptions captions_;
    int y_ = 0;
    int tableTop_ = 0;
    int headingRow_ = 0;
    int x0_ = 1;
    int gap_ = 0;
    int b1_ = 0, b3_ = 0, b5_ = 0;

private:
    void CompanyBlock(int x);
    void AddressBlock();
    void HeadingBlock();
    void LayColumns();
    void ColumnHeadings() const;
    void PrintLine(const std::string& line) const;

    TableColumn code_, quantity_, description_, price_, tax_, extension_;
    std::vector<int> boundaries_;
};

// Text helpers of the printed forms.
QString FormText(std::string_view text);
QString FormTrimmed(std::string_view text);
// Whether a stored amount (commas allowed) is below zero.
bool IsNegativeAmount(std::string_view amount);
