#include "invoicing/documents/document_buffer.h"

#include <algorithm>

#include "engine/decimal.h"
#include "shell/text.h"

DocumentState& Document() {
    return InstalledOrBuiltIn<DocumentState>();
}

const std::string& DocumentRecord::AddrLine(int k) const {
    switch (k) {
        case 1:
            return AddrLine1;
        case 2:
            return AddrLine2;
        case 3:
            return AddrLine3;
        case 4:
            return AddrLine4;
        default:
            return AddrLine5;
    }
}

const std::string& DocumentRecord::ShipLine(int k) const {
    switch (k) {
        case 1:
            return ShipLine1;
        case 2:
            return ShipLine2;
        case 3:
            return ShipLine3;
        default:
            return ShipLine4;
    }
}

std::string Columns(std::string_view text, int first, int last) {
    const auto size = static_cast<int>(text.size());
    first = std::max(first, 1);
    last = std::min(last, size);
    if (first > last) return {};
    return std::string(text.substr(first - 1, last - first + 1));
}

bool IsShownLine(std::string_view line) {
    return TrimBlanks(line).size() >= 2;
}

std::string StoredDateForDisplay(std::string_view ymd, std::string_view dateOrderSetting) {
    const std::string order = TrimBlanks(dateOrderSetting);
    // "yyyy/mm/dd": the month with its slash is characters 6-8, the day 9-10.
    if (order == "D") return Columns(ymd, 9, 10) + "/" + Columns(ymd, 6, 8) + Columns(ymd, 1, 4);
    if (order == "Y") return TrimBlanks(ymd).empty() ? "/" : std::string(ymd);
    return Columns(ymd, 6, 8) + Columns(ymd, 9, 10) + "/" + Columns(ymd, 1, 4);
}

std::string FormatAsTyped(std::string_view text) {
    const std::string plain = StripCommas(text);
    const std::optional<Decimal> value = Decimal::Parse(plain);
    if (!value) return TrimBlanks(text);
    const std::size_t point = plain.find('.');
    const std::size_t decimals = point == std::string::npos ? 0 : plain.size() - point - 1;
    static constexpr std::array<std::string_view, 5> patterns{",0", ",0.0", ",0.00", ",0.000",
                                                              ",0.0000"};
    return value->format(decimals < patterns.size() ? patterns[decimals] : ",0");
}

std::string FormatAmount(std::string_view text) {
    const std::optional<Decimal> value = Decimal::ParseBlankAsZero(StripCommas(text));
    return value ? value->format(",0.00") : TrimBlanks(text);
}
