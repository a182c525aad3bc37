// The label side of the sample history: a starter label layout that the print queue opens
// at start, and a list file of customers and vendors to load into the queue.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/decimal.h"
#include "masters/master_files.h"
#include "reports/labels/label_layout.h"
#include "reports/labels/label_queue.h"
#include "sample/company_history.h"
#include "sample/history_session.h"
#include "shell/record_file.h"
#include "shell/sample_company.h"
#include "shell/text.h"

namespace {

inline constexpr std::string_view LayoutFileName = "Address Labels.LBL";
inline constexpr std::string_view ListFileName = "Mailing List.LST";

// Three labels across and ten down on a letter sheet, in printer units of 1/300 inch.
LabelLayoutRec StarterLayout() {
    using namespace LabelLayout;
    LabelLayoutRec layout;
    layout.set(Description, "Address labels, 3 across by 10 down");
    layout.set(LeftMargin, "56 ");
    layout.set(TopMargin, "150");
    layout.set(ColumnsAcross, "3");
    layout.set(RowsDown, "10");
    layout.set(LabelWidth, "788 ");
    layout.set(LabelHeight, "300 ");
    layout.set(FontName, "Arial");
    layout.set(FontSize, 10);
    layout.set(BitmapPath, " ");
    layout.set(LineWidth, "1");
    return layout;
}

template <class Rec>
Decimal AmountOf(const Rec& r, const auto& field) {
    return Decimal::ParseBlankAsZero(StripCommas(r.get(field))).value_or(Decimal());
}

}  // namespace

void WriteSampleLabels(const DataFolder& folder, const CompanyRec& company, uint32_t seed, int rows,
                       HistoryCounts& counts) {
    if (rows <= 0) return;
    HistorySession session(folder, company, Clock{}.today());
    const std::filesystem::path layoutFile = std::filesystem::absolute(folder.file(LayoutFileName));
    if (!WriteLabelLayoutFile(layoutFile, StarterLayout()) ||
        !WriteLastLabelPath(folder, layoutFile))
        throw std::runtime_error("The sample label layout could not be written.");

    // The customers who owe the most come first, as for a reminder mailing; a couple of
    // vendors close the list.
    std::vector<CustomerRec> customers = LiveRecords<CustomerRec>(CustomerData().handle());
    std::stable_sort(customers.begin(), customers.end(), [](const auto& a, const auto& b) {
        return AmountOf(a, Customer::Balance) > AmountOf(b, Customer::Balance);
    });
    const std::vector<VendorRec> vendors = LiveRecords<VendorRec>(VendorData().handle());
    SampleRandom random(seed);
    const std::size_t vendorRows = std::min<std::size_t>(vendors.size(), rows >= 4 ? 2 : 0);
    std::vector<LabelQueueItem> items;
    for (const CustomerRec& c : customers) {
        if (items.size() + vendorRows >= static_cast<std::size_t>(rows)) break;
        items.push_back(MakeLabelQueueItem(LabelKind::Customer, TrimBlanks(c.get(Customer::Number)),
                                           c.get(Customer::Name), c.get(Customer::MailSort),
                                           c.get(Customer::Type)));
    }
    for (std::size_t k = 0; k < vendorRows; ++k) {
        const VendorRec& v = random.pick(vendors);
        items.push_back(MakeLabelQueueItem(LabelKind::Vendor, TrimBlanks(v.get(Vendor::Number)),
                                           v.get(Vendor::Name), v.get(Vendor::MailSort),
                                           v.get(Vendor::Type)));
    }
    if (!ReplaceFile(folder.file(ListFileName), BuildListFile(items)))
        throw std::runtime_error("The sample print-queue list could not be written.");
    counts.queueRows = static_cast<int>(items.size());
}
