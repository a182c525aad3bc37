#include "reports/labels/label_print.h"

#include <algorithm>
#include <optional>

#include "invoicing/posting/invoice_posting.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "platform/printer.h"
#include "shell/text.h"

namespace {

struct NamedField {
    SheetField field;
    const char* name;
    const std::string LabelSheetFields::*text;
    int LabelSheet::*value;
};

constexpr std::array<NamedField, 6> kSheetFields{{
    {SheetField::Top, "top margin", &LabelSheetFields::top, &LabelSheet::top},
    {SheetField::Left, "left margin", &LabelSheetFields::left, &LabelSheet::left},
    {SheetField::Columns, "number of columns across", &LabelSheetFields::columns,
     &LabelSheet::columns},
    {SheetField::Rows, "number of rows down", &LabelSheetFields::rows, &LabelSheet::rows},
    {SheetField::Width, "label width", &LabelSheetFields::width, &LabelSheet::width},
    {SheetField::Height, "label height", &LabelSheetFields::height, &LabelSheet::height},
}};

// Finds the record whose key `keyNr` is built from `number` in the field; nothing when the
// number does not fit the field (it cannot name a record) or no record has it.
template <class Rec, class Field>
QueueRecord FindByNumber(const DataFile& file, int keyNr, Field field, std::string_view number) {
    Rec probe;
    if (!probe.set(field, TrimBlanks(number))) return {};
    Rec found;
    if (file.Find(keyNr, file.BuildKey(probe.bytes(), keyNr), found.bytes()) == 0) return {};
    return found;
}

const char* KindNoun(std::optional<LabelKind> kind) {
    if (!kind) return "row";
    switch (*kind) {
        case LabelKind::Customer:
            return "customer";
        case LabelKind::Vendor:
            return "vendor";
        case LabelKind::Product:
            return "product";
    }
    return "row";
}

template <class Fields, class Rec>
std::vector<std::string> PartyLines(const Rec& party, bool shippingAddress) {
    std::vector<std::string> lines{party.get(Fields::Name)};
    for (const auto& line : shippingAddress ? Fields::Address2 : Fields::Address)
        lines.push_back(party.get(line));
    return lines;
}

}  // namespace

bool AnyLayoutFieldBlank(const LabelSheetFields& fields) {
    return std::any_of(kSheetFields.begin(), kSheetFields.end(), [&fields](const NamedField& f) {
        return TrimBlanks(fields.*f.text).empty();
    });
}

SheetRead ReadLabelSheet(const LabelSheetFields& fields) {
    SheetRead read;
    LabelSheet sheet;
    for (const NamedField& f : kSheetFields) {
        const std::string text = TrimBlanks(fields.*f.text);
        const auto value = WholeNumber(text);
        if (!value) {
            read.field = f.field;
            read.problem = "The " + std::string(f.name) + " '" + text +
                           "' is not a whole number. Unable to print.";
            return read;
        }
        sheet.*f.value = *value;
    }
    for (const NamedField& f : {kSheetFields[2], kSheetFields[3]}) {
        if (sheet.*f.value < 1) {
            read.field = f.field;
            read.problem = "The " + std::string(f.name) + " must be at least 1. Unable to print.";
            return read;
        }
    }
    read.sheet = sheet;
    return read;
}

std::optional<std::string> StartLabelRefusal(const LabelSheet& sheet, int startLabel) {
    const long long perSheet = static_cast<long long>(sheet.columns) * sheet.rows;
    if (startLabel <= perSheet) return std::nullopt;
    return "A sheet holds " + std::to_string(perSheet) + " labels (" +
           std::to_string(sheet.columns) + " across, " + std::to_string(sheet.rows) +
           " down): printing cannot start at label " + std::to_string(startLabel) +
           ". Unable to print.";
}

LabelPlacer::LabelPlacer(const LabelSheet& sheet, int startLabel)
    : sheet_(sheet), at_{1, sheet.left, sheet.top} {
    for (int passed = 1; passed < startLabel; ++passed) Advance();
    // Passing over positions never starts a page.
    pastLastRow_ = false;
}

void LabelPlacer::Advance() {
    at_.x += sheet_.width;
    if (++column_ <= sheet_.columns) return;
    at_.y += sheet_.height;
    at_.x = sheet_.left;
    column_ = 1;
    pastLastRow_ = ++row_ > sheet_.rows;
}

LabelSpot LabelPlacer::Next() {
    if (pastLastRow_) {
        at_ = {at_.page + 1, sheet_.left, sheet_.top};
        row_ = 1;
        pastLastRow_ = false;
    }
    const LabelSpot spot = at_;
    Advance();
    return spot;
}

std::vector<LabelSpot> PlaceLabels(const LabelSheet& sheet, int startLabel, int count) {
    std::vector<LabelSpot> spots;
    LabelPlacer placer(sheet, startLabel);
    for (int i = 0; i < count; ++i) spots.push_back(placer.Next());
    return spots;
}

bool LayoutDiffers(const LabelLayoutRec& saved, const LayoutShown& shown) {
    using namespace LabelLayout;
    const std::array<std::pair<Text, const std::string*>, 9> texts{{
        {TopMargin, &shown.sheet.top},
        {LeftMargin, &shown.sheet.left},
        {ColumnsAcross, &shown.sheet.columns},
        {RowsDown, &shown.sheet.rows},
        {LabelWidth, &shown.sheet.width},
        {LabelHeight, &shown.sheet.height},
        {BitmapPath, &shown.bitmapPath},
        {LineWidth, &shown.lineWidth},
        {Caption, &shown.caption},
    }};
    for (const auto& [field, text] : texts)
        if (TrimBlanks(saved.get(field)) != TrimBlanks(*text)) return true;
    return saved.get(PrintReturnAddress) != shown.returnAddress;
}

std::optional<int> LabelLineWidth(const std::string& text) {
    const std::string digit = TrimBlanks(text);
    if (digit.empty()) return 1;
    const auto value = WholeNumber(digit);
    if (!value || *value < 0) return std::nullopt;
    return std::max(*value, 1);
}

QueueLookup LookUpQueue(const std::vector<LabelQueueItem>& items, bool products) {
    QueueLookup lookup;
    const auto needs = [&items](LabelKind kind) {
        return std::any_of(items.begin(), items.end(), [kind](const LabelQueueItem& item) {
            return LabelKindOf(TrimBlanks(item.subItems[3])) == kind;
        });
    };
    // Each file is open for the lookups only; one that cannot be opened stops them all, so
    // that no label or line goes missing without a word.
    std::array<std::optional<StepFile>, 3> open;
    const std::array<std::pair<LabelKind, const DataFile*>, 3> files{{
        {LabelKind::Customer, &CustomerData()},
        {LabelKind::Vendor, &VendorData()},
        {LabelKind::Product, &ProductData()},
    }};
    for (std::size_t k = 0; k < files.size(); ++k) {
        const auto [kind, file] = files[k];
        if ((kind == LabelKind::Product && !products) || !needs(kind)) continue;
        if (!open[k].emplace(*file).ok()) {
            lookup.problem = std::string("The ") + KindNoun(kind) +
                             " file cannot be opened (error " + std::to_string(EngineErrorCode) +
                             ").";
            return lookup;
        }
    }

    lookup.records.reserve(items.size());
    for (const LabelQueueItem& item : items) {
        const auto kind = LabelKindOf(TrimBlanks(item.subItems[3]));
        QueueRecord& record = lookup.records.emplace_back();
        if (kind == LabelKind::Customer)
            record = FindByNumber<CustomerRec>(CustomerData(), CustomerNumberKey, Customer::Number,
                                               item.caption);
        else if (kind == LabelKind::Vendor)
            record = FindByNumber<VendorRec>(VendorData(), VendorNumberKey, Vendor::Number,
                                             item.caption);
        else if (kind == LabelKind::Product && products)
            record = FindByNumber<ProductRec>(ProductData(), ProductCodeKey, Product::Code,
                                              item.caption);
        else if (kind == LabelKind::Product)
            continue;
        if (std::holds_alternative<std::monostate>(record))
            lookup.missing.push_back(std::string(KindNoun(kind)) + " " + TrimBlanks(item.caption));
    }
    return lookup;
}

std::string NotOnFileText(const std::vector<std::string>& missing, std::string_view outcome) {
    constexpr std::size_t kListed = 10;
    std::string names;
    for (std::size_t i = 0; i < missing.size() && i < kListed; ++i)
        names += (i ? ", " : "") + missing[i];
    if (missing.size() > kListed)
        names += " and " + std::to_string(missing.size() - kListed) + " more";
    return "These records of the print queue are no longer on file: " + names + ". " +
           std::string(outcome);
}

std::vector<std::string> LabelLines(const QueueRecord& record, bool shippingAddress) {
    if (const auto* c = std::get_if<CustomerRec>(&record))
        return PartyLines<Customer>(*c, shippingAddress);
    if (const auto* v = std::get_if<VendorRec>(&record))
        return PartyLines<Vendor>(*v, shippingAddress);
    if (const auto* p = std::get_if<ProductRec>(&record))
        return {p->get(Product::Code), p->get(Product::Description), p->get(Product::SalesPrice),
                p->get(Product::Location)};
    return {};
}

namespace {

class LabelPrinter {
public:
    LabelPrinter(PrintCanvas& canvas, const LabelRun& run) : canvas_(canvas), run_(run) {}

    LabelPrintOutcome Print(const std::vector<std::vector<std::string>>& labels) {
        const int copies = std::max(run_.copies, 1);
        LabelPlacer placer(run_.sheet, run_.startLabel);
        canvas_.SetFont(run_.font);
        canvas_.SetBrushStyle(BrushStyle::Clear);
        canvas_.SetPenStyle(PenStyle::Solid);
        lh_ = canvas_.TextHeight("MXjpy");
        PrintJob job(canvas_, "Mailing Labels");
        LabelPrintOutcome outcome;
        for (const std::vector<std::string>& lines : labels) {
            for (int copy = 0; copy < copies; ++copy) {
                const LabelSpot spot = placer.Next();
                if (spot.page > canvas_.PageNumber()) canvas_.NewPage();
                PrintLabel(spot.x, spot.y, lines);
                ++outcome.printed;
            }
        }
        outcome.endedWell = job.End();
        return outcome;
    }

private:
    void Text(int x, int y, const std::string& text) {
        if (!text.empty()) canvas_.TextOut(x, y, FromCp1252(text));
    }

    void PrintLabel(int x, int y, const std::vector<std::string>& lines) {
        int offset = 0;
        int captionWidth = 0;
        if (const auto& from = run_.returnAddress) {
            int shift = 0;
            if (!from->bitmap.isNull()) {
                canvas_.Draw(x, y, from->bitmap);
                shift = from->bitmap.width() + 25;
            }
            Text(x + shift, y, from->companyName);
            for (int k = 0; k < 4; ++k) Text(x + shift, y + (k + 1) * lh_, from->companyLines[k]);
            if (from->printLine) {
                const int lineY = y + 5 * lh_ + 20;
                canvas_.SetPenWidth(from->lineWidth);
                canvas_.MoveTo(x - 25, lineY);
                canvas_.LineTo(x + (run_.sheet.width / 10) * 8, lineY);
            }
            offset = 6 * lh_;
            // Even without a caption the addressee keeps one character's indent.
            captionWidth = canvas_.TextWidth(FromCp1252(from->caption) + "X");
            Text(x, y + offset, from->caption);
        }
        for (std::size_t i = 0; i < lines.size(); ++i)
            Text(x + captionWidth, y + offset + static_cast<int>(i) * lh_, lines[i]);
    }

    PrintCanvas& canvas_;
    const LabelRun& run_;
    int lh_ = 0;
};

}  // namespace

LabelPrintOutcome PrintLabels(PrintCanvas& canvas, const LabelRun& run,
                              const std::vector<std::vector<std::string>>& labels) {
    return LabelPrinter(canvas, run).Print(labels);
}

bool PrintCalibrationRuler(PrintCanvas& canvas) {
    constexpr int kEnd = 1500;
    constexpr int kStep = 25;
    // The ruler's numbers need no particular font, only a readable one.
    canvas.SetFont(FontSpec{});
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.SetPenStyle(PenStyle::Solid);
    PrintJob job(canvas, "Calibration Ruler");
    const int th = canvas.TextHeight("20");
    const auto line = [&canvas](int width, int x1, int y1, int x2, int y2) {
        canvas.SetPenWidth(width);
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    for (int y = 0; y <= kEnd; y += kStep) {
        if (y % 100 == 0) {
            line(3, 50, y, 300, y);
            canvas.TextOut(325, y - th / 2, QString::number(y));
        } else {
            line(1, 100, y, 250, y);
        }
    }
    for (int x = 0; x <= kEnd; x += kStep) {
        if (x % 100 == 0) {
            line(3, x, 1750, x, 2000);
            canvas.TextOut(x - th, 2025, QString::number(x));
        } else {
            line(1, x, 1800, x, 1950);
        }
    }
    canvas.TextOut(300, 2525,
                   "Use the top ruler for vertical height measurement and the bottom ruler to "
                   "measure horizontal width.");
    canvas.TextOut(300, 2535 + th,
                   "Be sure to include any spacing between labels in your height and width "
                   "measurements.");
    canvas.SetPenWidth(1);
    return job.End();
}
