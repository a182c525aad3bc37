#include "invoicing/documents/document_page.h"

#include <filesystem>

#include "platform/cp1252.h"
#include "platform/printer.h"
#include "shell/app_context.h"
#include "shell/text.h"

FontSpec CompanyFont(const CompanyRec& company, const Company::Font& font) {
    FontSpec chosen;
    const QString name = FromCp1252(TrimBlanks(company.get(font.name)));
    if (!name.isEmpty()) chosen.name = name;
    const int size = company.get(font.size);
    // A damaged size would print nothing readable; the default size stands in for it.
    if (size >= 1 && size <= 96) chosen.size = size;
    chosen.color = company.get(font.colour);
    chosen.style = company.get(font.style);
    return chosen;
}

DocumentLayout DocumentLayout::Of(const CompanyRec& c) {
    using namespace Company;
    DocumentLayout l;
    const auto whole = [&c](Number field, int fallback) {
        return WholeNumber(c.get(field)).value_or(fallback);
    };
    l.left = whole(LeftFormMargin, 0);
    l.top = whole(TopFormMargin, 0);
    l.push = whole(PushAddress, 0);
    l.boxTop = whole(BoxTop, 0);
    l.lineWidth = std::max(1, whole(LineWidth, 1));
    l.shadingSpacing = whole(ShadingSpacing, 8);
    // Spacing below 1 would never leave the band.
    if (l.shadingSpacing < 1) l.shadingSpacing = 8;
    l.maxLines = whole(MaxLines, 0);
    l.dottedShading = TrimBlanks(c.get(ShadingStyle)) == "D";
    l.box = c.get(InvoiceBox);
    l.shading = c.get(UseShading);
    l.letterhead = c.get(LetterheadStyle);
    l.verticalLines = c.get(VerticalLines);
    l.horizontalLines = c.get(HorizontalLines);
    l.moveTotalsDown = c.get(MoveTotalsDown);
    l.omitCompany = TrimBlanks(c.get(OmitCompanyName)) == "Y";
    return l;
}

std::optional<QImage> CompanyLogo(const CompanyRec& company) {
    if (!company.get(Company::PrintLogo)) return std::nullopt;
    const QString name = FromCp1252(TrimBlanks(company.get(Company::LogoFile)));
    if (name.isEmpty()) return std::nullopt;
    std::filesystem::path path = name.toStdString();
    if (path.is_relative() && HasShellContext()) path = Shell().folder.path() / path;
    QImage image(QString::fromStdString(path.string()));
    if (image.isNull()) return std::nullopt;
    return image;
}

void PrintBitmap(PrintCanvas& canvas, const QImage& bitmap, int x, int y) {
    canvas.Draw(x, y, bitmap);
}

DocumentPage::DocumentPage(PrintCanvas& canvas, const DocumentLayout& layout)
    : canvas_(canvas), layout_(layout), width_(canvas.PageWidth()), height_(canvas.PageHeight()) {}

void DocumentPage::UseFont(const FontSpec& font, bool measure) {
    canvas_.SetFont(font);
    if (measure) lineHeight_ = canvas_.TextHeight("MXjpy");
}

int DocumentPage::Width(const QString& text) const {
    return canvas_.TextWidth(text);
}

void DocumentPage::Text(int x, int y, const QString& text) const {
    canvas_.TextOut(x, y, text);
}

void DocumentPage::RightHalfCentred(int y, const QString& text) const {
    Text(C() + (C() - Width(text)) / 2, y, text);
}

void DocumentPage::PageCentred(int y, const QString& text) const {
    Text(C() - Width(text) / 2, y, text);
}

void DocumentPage::RightAligned(int x, int y, const QString& text) const {
    Text(x - Width(text), y, text);
}

void DocumentPage::Across(int y) const {
    canvas_.MoveTo(20, y);
    canvas_.LineTo(width_ - 20, y);
}

void DocumentPage::VerticalLine(int x, int top, int bottom) const {
    canvas_.MoveTo(x, top);
    canvas_.LineTo(x, bottom);
}

void DocumentPage::RestorePen() const {
    canvas_.SetBrushStyle(BrushStyle::Clear);
    canvas_.SetPenWidth(layout_.lineWidth);
    canvas_.SetPenStyle(PenStyle::Solid);
}

void DocumentPage::ShadedBand(int top, int bottom) const {
    canvas_.SetPenWidth(1);
    canvas_.SetBrushStyle(BrushStyle::Clear);
    canvas_.Rectangle(20, top, width_ - 20, bottom);
    canvas_.SetPenStyle(layout_.dottedShading ? PenStyle::Dot : PenStyle::Solid);
    for (int y = top + layout_.shadingSpacing; y < bottom - 2; y += layout_.shadingSpacing)
        Across(y);
    RestorePen();
}

void DocumentPage::PageBox() const {
    if (layout_.box) canvas_.Rectangle(20, layout_.boxTop, width_ - 20, height_ - 20);
}

QStringList DocumentPage::WrapText(const QString& text, int width) const {
    QStringList lines;
    QString normalised = text;
    normalised.replace("\r\n", "\n").replace('\r', '\n');
    for (const QString& paragraph : normalised.split('\n')) {
        QString line;
        for (const QString& word : paragraph.split(' ', Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + ' ' + word;
            if (line.isEmpty() || Width(candidate) <= width) {
                line = candidate;
                continue;
            }
            lines << line;
            line = word;
        }
        lines << line;
    }
    while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}
