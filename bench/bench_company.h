#pragma once
// The sample company the benchmarks measure: the sample company's masters, then a year of its
// history ending `today` through the sample history, which posts through the program's own
// posting code. The engine must be running.

#include <algorithm>
#include <cstdint>

#include "sample/company_history.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/sample_company.h"

namespace benchcompany {

struct CompanySize {
    int64_t invoices = 0;
    int customers = 0;
    int products = 0;
    int purchaseOrders = 0;
};

inline HistoryCounts WriteSampleCompany(const DataFolder& folder, int number,
                                        const CompanySize& size, Date today) {
    SampleOptions sample;
    sample.counts = {{"customers", size.customers}, {"vendors", 40}, {"products", size.products}};
    const CompanyRec company = CreateSampleCompany(folder, number, DefaultSampleName, sample);
    HistoryOptions history;
    history.invoices = static_cast<int>(size.invoices);
    // About 4,000 invoices paid later, whatever their number: the rest at the sale (the
    // receivables total has ten characters).
    history.paidAtSalePerMille =
        std::clamp(1000 - static_cast<int>(4'000'000LL / std::max<int64_t>(size.invoices, 1)),
                   HistoryOptions{}.paidAtSalePerMille, 1000);
    history.purchaseOrders = size.purchaseOrders;
    history.queueRows = 0;
    history.today = today;
    return WriteCompanyHistory(folder, company, history);
}

}  // namespace benchcompany
