#include "invoicing/entry/entry_lines.h"

#include "shell/text.h"
#include "shell/text.h"

std::optional<Decimal> EntryNumber(std::string_view text) {
    return Decimal::ParseBlankAsZero(StripCommas(text));
}

bool IsNumberEntry(std::string_view text) {
    return EntryNumber(StripCommas(text).substr(0, 15)).has_value();
}

std::optional<Decimal> LineExtension(std::optional<Decimal> quantity,
                                     std::optional<Decimal> unitPrice) {
    if (!quantity || !unitPrice) return Decimal();
    const auto product = Decimal::Mul(*quantity, *unitPrice);
    if (!product) return std::nullopt;
    return product->round(2);
}

std::optional<Decimal> StockAfter(Decimal onHand, Decimal oldQuantity, Decimal quantity,
                                  bool sameProduct, int direction) {
    const bool buying = direction > 0;
    std::optional<Decimal> before = onHand;
    if (sameProduct)
        before = buying ? Decimal::Sub(onHand, oldQuantity) : Decimal::Add(onHand, oldQuantity);
    if (!before) return std::nullopt;
    return buying ? Decimal::Add(*before, quantity) : Decimal::Sub(*before, quantity);
}

bool SameProductCode(std::string_view a, std::string_view b) {
    return KeyText(a, 10) == KeyText(b, 10);
}

EntryTotals ComputeEntryTotals(std::span<const EntryRow> rows, bool taxOn,
                               std::string_view ratePercent) {
    std::optional<Decimal> net = Decimal(), taxable = Decimal();
    for (const EntryRow& row : rows) {
        const auto extension = EntryNumber(row.extension);
        if (!extension || !net) {
            net.reset();
            break;
        }
        net = Decimal::Add(*net, *extension);
        if (taxOn && row.taxFlag == "Y" && taxable) taxable = Decimal::Add(*taxable, *extension);
    }
    EntryTotals totals;
    totals.net = net;
    const auto rate = EntryNumber(ratePercent);
    if (taxable && rate)
        if (const auto raw = Decimal::Mul(*taxable, *rate))
            if (const auto tax = Decimal::Div(*raw, Decimal::FromScaled(100 * Decimal::Scale)))
                totals.tax = tax->round(2);
    if (net && totals.tax) totals.total = Decimal::Add(*net, *totals.tax);
    return totals;
}

std::optional<LineProblem> CheckEntryLines(std::span<const EntryRow> rows,
                                           std::string_view nothingTo) {
    bool described = false;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const EntryRow& r = rows[k];
        const int row = static_cast<int>(k) + 1;
        const std::string line = "Line " + std::to_string(row) + " has ";
        if (!IsNumberEntry(r.quantity))
            return LineProblem{line + "an invalid QUANTITY value.", row, EntryCol::Quantity};
        if (!TrimBlanks(r.description).empty()) {
            described = true;
            const bool noQuantity = TrimBlanks(r.quantity).empty();
            const bool noPrice = TrimBlanks(r.unitPrice).empty();
            if (noQuantity && !noPrice)
                return LineProblem{line + "a unit price but no quantity.", row, EntryCol::Quantity};
            if (!noQuantity && noPrice)
                return LineProblem{line + "a quantity but no unit price.", row,
                                   EntryCol::UnitPrice};
        }
        if (!IsNumberEntry(r.unitPrice))
            return LineProblem{line + "an invalid UNIT PRICE value.", row, EntryCol::UnitPrice};
        if (!LineExtension(EntryNumber(r.quantity), EntryNumber(r.unitPrice)))
            return LineProblem{line + "an extension too large to compute.", row,
                               EntryCol::Quantity};
    }
    if (!described)
        return LineProblem{
            "You do not have a description on any of your line items. At least one description "
            "field is required or you have nothing to " +
                std::string(nothingTo) + ".",
            0, 0};
    return std::nullopt;
}

std::optional<std::string> ProposeDocumentNumber(std::string_view next, bool prefixed, Date date,
                                                 int maxLength) {
    std::string number = TrimBlanks(next);
    if (prefixed) {
        const std::string year = std::to_string(date.year);
        number = (date.month < 10 ? "0" : "") + std::to_string(date.month) +
                 year.substr(year.size() >= 2 ? year.size() - 2 : 0) + number;
    }
    if (number.size() > static_cast<std::size_t>(maxLength)) return std::nullopt;
    return UpperAscii(number);
}
