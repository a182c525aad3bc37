#pragma once
// Mailing labels from the print queue: the sheet the layout describes, where each label of a
// run goes, what each label holds (its record found again by number or code), the print run
// itself, and the calibration ruler page. Everything in printer pixels.

#include <QImage>
#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "platform/font_setting.h"
#include "reports/labels/label_layout.h"
#include "reports/labels/label_queue.h"

class PrintCanvas;

// --- the sheet ---------------------------------------------------------------------------

// The six layout fields as their controls show them.
struct LabelSheetFields {
    std::string top, left, columns, rows, width, height;
};

bool AnyLayoutFieldBlank(const LabelSheetFields& fields);

struct LabelSheet {
    int top = 0;
    int left = 0;
    int columns = 1;
    int rows = 1;
    int width = 0;   // of one label, spacing included
    int height = 0;  // likewise
};

// Which of the six fields a refusal is about, so that the window can focus it.
enum class SheetField { Top, Left, Columns, Rows, Width, Height };

struct SheetRead {
    std::optional<LabelSheet> sheet;
    SheetField field = SheetField::Top;
    std::string problem;  // set when there is no sheet
};

// The sheet of whole numbers the fields describe; a field that is not a whole number, or a
// sheet without a column or row, is refused with a message for the user.
SheetRead ReadLabelSheet(const LabelSheetFields& fields);

// Why a run cannot begin at the start label: the labels before it must all be on the first
// sheet, or the first label would land below the sheet's last row.
std::optional<std::string> StartLabelRefusal(const LabelSheet& sheet, int startLabel);

// A label's top-left corner on its page (pages from 1).
struct LabelSpot {
    int page = 1;
    int x = 0;
    int y = 0;

    bool operator==(const LabelSpot&) const = default;
};

// Hands out the spots of a run's labels one by one, the first at position `startLabel`
// (counted across, then down) of the first sheet; positions before it are passed over. A
// new page starts only for a label that follows the sheet's last row, so a run never ends
// on a blank page. A start below 1 counts as 1.
class LabelPlacer {
public:
    LabelPlacer(const LabelSheet& sheet, int startLabel);
    LabelSpot Next();

private:
    void Advance();
    LabelSheet sheet_;
    LabelSpot at_;
    int column_ = 1;
    int row_ = 1;
    bool pastLastRow_ = false;
};

// The spots of `count` labels.
std::vector<LabelSpot> PlaceLabels(const LabelSheet& sheet, int startLabel, int count);

// The layout as it stood when last opened or saved, against what the controls show now:
// the six sheet fields, the bitmap path, line width, caption and the return-address choice,
// each trimmed.
struct LayoutShown {
    LabelSheetFields sheet;
    std::string bitmapPath;  // as stored (the file system's bytes)
    std::string lineWidth;
    std::string caption;
    bool returnAddress = false;
};
bool LayoutDiffers(const LabelLayoutRec& saved, const LayoutShown& shown);

// The pen width of the line between the addresses: blank or 0 is 1. Nothing when the text
// is not a digit.
std::optional<int> LabelLineWidth(const std::string& text);

// --- the records behind the queue ---------------------------------------------------------

// A queue row's record found again; monostate when it is no longer on file.
using QueueRecord = std::variant<std::monostate, CustomerRec, VendorRec, ProductRec>;

struct QueueLookup {
    std::vector<QueueRecord> records;  // one per queue row, in queue order
    // The rows whose record is gone ("customer C100"), in queue order.
    std::vector<std::string> missing;
    // Set when a file the rows need could not be opened: nothing was looked up.
    std::string problem;
};

// Opens the customer, vendor and (with `products`) product files the rows need and finds each
// row's record by its number (key 2) or code (key 1). A number that does not fit its field
// names no record. Product rows are passed over without `products`.
QueueLookup LookUpQueue(const std::vector<LabelQueueItem>& items, bool products);

// "These records of the print queue are no longer on file: ..." with `outcome` after it;
// long lists are cut short with a count of the rest.
std::string NotOnFileText(const std::vector<std::string>& missing, std::string_view outcome);

// What a label holds, line by line: name and the billing (or shipping) address of a customer
// or vendor; code, description, price and location of a product. Empty for monostate.
std::vector<std::string> LabelLines(const QueueRecord& record, bool shippingAddress);

// --- printing ----------------------------------------------------------------------------

// The company's block printed above each addressee.
struct ReturnAddress {
    std::string companyName;
    std::array<std::string, 4> companyLines;
    QImage bitmap;  // none when null
    bool printLine = false;
    int lineWidth = 1;
    std::string caption;  // printed left of the addressee; at most 10 characters
};

struct LabelRun {
    LabelSheet sheet;
    FontSpec font;
    int startLabel = 1;
    int copies = 1;  // of each label; below 1 counts as 1
    std::optional<ReturnAddress> returnAddress;
};

struct LabelPrintOutcome {
    long long printed = 0;
    bool endedWell = false;
};

// Prints `copies` labels of every entry, in order, as one job "Mailing Labels". A job an
// error interrupts is abandoned.
LabelPrintOutcome PrintLabels(PrintCanvas& canvas, const LabelRun& run,
                              const std::vector<std::vector<std::string>>& labels);

// The page of rulers, marked every 25 printer pixels up to 1500, with which the user
// measures margins and label sizes. True when the job ended well.
bool PrintCalibrationRuler(PrintCanvas& canvas);
