// The sample company's history: its three parts, and the fillers that write them.
#include "sample/company_history.h"

#include "shell/app_context.h"
#include "shell/sample_company.h"

namespace {

Date TodayOr(Date today) {
    return today == Date{} ? Clock{}.today() : today;
}

}  // namespace

HistoryCounts WriteCompanyHistory(const DataFolder& folder, const CompanyRec& company,
                                  const HistoryOptions& options) {
    HistoryCounts counts;
    const Date today = TodayOr(options.today);
    WriteSampleSales(folder, company, FillerSeed(options.seed, "invoices"), options.invoices, today,
                     options.days, counts, options.paidAtSalePerMille);
    WriteSamplePurchases(folder, company, FillerSeed(options.seed, "orders"),
                         options.purchaseOrders, today, options.days, counts);
    WriteSampleLabels(folder, company, FillerSeed(options.seed, "labels"), options.queueRows,
                      counts);
    return counts;
}

void RegisterSampleHistoryFillers(Date today) {
    constexpr int Year = 365;
    RegisterSampleFiller("invoices", [today](const DataFolder& folder, const CompanyRec& company,
                                             uint32_t seed, int count) {
        HistoryCounts counts;
        WriteSampleSales(folder, company, seed, count, TodayOr(today), Year, counts);
    });
    RegisterSampleFiller("orders", [today](const DataFolder& folder, const CompanyRec& company,
                                           uint32_t seed, int count) {
        HistoryCounts counts;
        WriteSamplePurchases(folder, company, seed, count, TodayOr(today), Year, counts);
    });
    RegisterSampleFiller("labels", [](const DataFolder& folder, const CompanyRec& company,
                                      uint32_t seed, int count) {
        HistoryCounts counts;
        WriteSampleLabels(folder, company, seed, count, counts);
    });
}
