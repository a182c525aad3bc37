#pragma once
// The arithmetic and checks of a document's line grid, shared by invoice and purchase-order
// entry: numbers as typed, line extensions, the stock a line leaves, the totals and the
// checks of the lines when OK is pressed. Plain functions over record text (Windows-1252).

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "shell/dates.h"

inline constexpr int EntryGridRows = 99;

// Grid columns.
namespace EntryCol {
inline constexpr int Line = 0, Code = 1, Quantity = 2, Description = 3, UnitPrice = 4, Tax = 5,
                     Extension = 6, Count = 7;
}

// One grid row as shown (record text).
struct EntryRow {
    std::string code;         // column 1 "Product#"
    std::string quantity;     // column 2
    std::string description;  // column 3
    std::string unitPrice;    // column 4
    std::string taxFlag;      // column 5 "T"
    std::string extension;    // column 6
    std::string unitCost;     // the product's cost when the row was filled
};

// What an entry dialog holds when OK is pressed, as both documents have it (record text,
// Windows-1252).
struct DocumentEntry {
    std::string number;  // INum, upper-cased as typed
    std::string date;    // IDate, in the company's date order
    std::string notes;
    std::string terms;
    std::string keyCode;
    std::string net, tax, total;  // as shown, ",0.00"
    bool memo = false;
    std::vector<EntryRow> rows;          // grid rows 1..99
    std::vector<std::string> memoLines;  // Memo1, line by line
    std::string stockCode;               // StkName: the memo document's product
    std::string memoQuantity;            // MemoQuan
    std::string memoDescription;         // MemoPDesc
    std::array<std::string, 4> shipTo;
    bool print = false;
};

// An amount or quantity as typed or shown: commas removed, blank is 0; nothing when the text
// is not a number.
std::optional<Decimal> EntryNumber(std::string_view text);
// Whether a field passes as a number in the OK checks: commas removed, cut to 15 characters.
bool IsNumberEntry(std::string_view text);

// Quantity x unit price rounded half away from zero to cents. A missing factor (text that is
// not a number) counts as 0; nothing only when the product does not fit.
std::optional<Decimal> LineExtension(std::optional<Decimal> quantity,
                                     std::optional<Decimal> unitPrice);

// The stock of a product once the document is posted. `direction` is -1 for a sale, +1 for a
// purchase. A changed document first takes back what the row moved before (`oldQuantity`),
// but only when the row still holds the product it was loaded with (`sameProduct`).
std::optional<Decimal> StockAfter(Decimal onHand, Decimal oldQuantity, Decimal quantity,
                                  bool sameProduct, int direction);

// Whether two product codes name the same product, as key 1 compares them.
bool SameProductCode(std::string_view a, std::string_view b);

struct EntryTotals {
    // Nothing where a sum does not fit or a row's extension is not a number.
    std::optional<Decimal> net, tax, total;
};
// Net of every row's extension; tax at `ratePercent` on the rows flagged "Y" while `taxOn`,
// rounded to cents.
EntryTotals ComputeEntryTotals(std::span<const EntryRow> rows, bool taxOn,
                               std::string_view ratePercent);

// The first fault of the lines, as OK reports it: the message, and the cell to go to.
struct LineProblem {
    std::string message;
    int row = 0;  // 1..99; 0 when no row is at fault (no description at all)
    int col = 0;
};
// Checks rows 1..n in turn: a quantity and a unit price that are numbers, both or neither on
// a described row, an extension that can be computed; then that some row has a description.
// `nothingTo` ends the last message: "... or you have nothing to " + nothingTo + ".".
std::optional<LineProblem> CheckEntryLines(std::span<const EntryRow> rows,
                                           std::string_view nothingTo);

// The number proposed to a new document: the company's next number, with the month (two
// digits) and the last two digits of the year of `date` in front when `prefixed`. Nothing
// when it would not fit `maxLength`: a cut number would be another number.
std::optional<std::string> ProposeDocumentNumber(std::string_view next, bool prefixed, Date date,
                                                 int maxLength);
