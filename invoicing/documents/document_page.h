#pragma once
// The page model of the printed documents (invoices, packing slips, file copies, purchase
// orders): the company's layout settings, its printed fonts, and the drawing steps the forms
// share, in printer pixels on the program's print canvas.

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/font_setting.h"
#include "shell/company/company_rec.h"

class PrintCanvas;

// A printed font of the company as the canvas takes it.
FontSpec CompanyFont(const CompanyRec& company, const Company::Font& font);

// The layout settings of the company, each read as a whole number with a sound default when
// the stored text is not one.
struct DocumentLayout {
    int left = 0;            // left form margin
    int top = 0;             // top form margin
    int push = 0;            // extra shift of the address blocks to the right
    int boxTop = 0;          // top of the box around the page
    int lineWidth = 1;       // pen width
    int shadingSpacing = 8;  // distance of the shading lines
    int maxLines = 0;        // lines the totals are moved down to
    bool dottedShading = false;
    bool box = false, shading = false, letterhead = false, verticalLines = false,
         horizontalLines = false, moveTotalsDown = false, omitCompany = false;

    static DocumentLayout Of(const CompanyRec& company);
};

// The logo when the company asks for it and its file can be read (a relative name is taken
// from the data folder); nothing otherwise.
std::optional<QImage> CompanyLogo(const CompanyRec& company);

// Draws the whole bitmap with its top-left corner at (x, y) at its own size in printer units.
void PrintBitmap(PrintCanvas& canvas, const QImage& bitmap, int x, int y);

// Drawing on one page with the current font's line height at hand.
class DocumentPage {
public:
    DocumentPage(PrintCanvas& canvas, const DocumentLayout& layout);

    PrintCanvas& canvas() const { return canvas_; }
    const DocumentLayout& layout() const { return layout_; }
    int W() const { return width_; }
    int H() const { return height_; }
    int C() const { return width_ / 2; }
    // The line height of the font set last ("MXjpy"), and half of it.
    int L() const { return lineHeight_; }
    int h() const { return lineHeight_ / 2; }

    // Sets the font; with `measure` L follows it.
    void UseFont(const FontSpec& font, bool measure = true);
    int Width(const QString& text) const;

    void Text(int x, int y, const QString& text) const;
    // Centred in the right half of the page / on the whole page.
    void RightHalfCentred(int y, const QString& text) const;
    void PageCentred(int y, const QString& text) const;
    // Ends at x.
    void RightAligned(int x, int y, const QString& text) const;
    // A line from x = 20 to x = W - 20.
    void Across(int y) const;
    void VerticalLine(int x, int top, int bottom) const;
    // The company's pen: its line width, solid, transparent text.
    void RestorePen() const;
    // The shaded band from top to bottom across the page: a rectangle with lines every
    // shading-spacing pixels inside it, dotted when the company asks for dots.
    void ShadedBand(int top, int bottom) const;
    // The box around the page when the company asks for it.
    void PageBox() const;

    // The text broken into lines no wider than `width` in the current font, words kept whole
    // where they fit; line breaks in the text are kept.
    QStringList WrapText(const QString& text, int width) const;

private:
    PrintCanvas& canvas_;
    DocumentLayout layout_;
    int width_;
    int height_;
    int lineHeight_ = 0;
};
