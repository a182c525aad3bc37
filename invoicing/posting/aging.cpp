#include "invoicing/posting/aging.h"

#include <charconv>
#include <string>

#include "shell/text.h"

AgingBucket AgingBucketOf(int64_t ageDays, const AgingPeriods& periods) {
    if (ageDays <= periods[0]) return AgingBucket::Current;
    if (ageDays <= periods[1]) return AgingBucket::Period1;
    if (ageDays <= periods[2]) return AgingBucket::Period2;
    return AgingBucket::Over;
}

std::optional<Date> InvoiceAgingDate(const InvoiceRec& invoice, const DateFormat& typedOrder) {
    if (auto date = ParseSortableDate(TrimBlanks(invoice.get(Invoice::InvDateYMD)))) return date;
    return typedOrder.parse(invoice.get(Invoice::InvDate));
}

std::optional<AgingPeriods> CompanyAgingPeriods(const CompanyRec& company) {
    AgingPeriods periods{};
    for (std::size_t k = 0; k < periods.size(); ++k) {
        const std::string text = TrimBlanks(company.get(Company::AgingPeriod[k]));
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, periods[k]);
        if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    }
    return periods;
}

std::array<std::string, 4> AgingBucketCaptions(const CompanyRec& company) {
    std::array<std::string, 4> captions;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::string caption = TrimBlanks(company.get(Company::AgingCaption[k]));
        captions[k] = caption.empty() ? TrimBlanks(company.get(Company::AgingPeriod[k])) : caption;
    }
    captions[3] = "Over " + TrimBlanks(company.get(Company::AgingPeriod[2]));
    return captions;
}
