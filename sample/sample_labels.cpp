// The mailing side of the sample history: a starter label layout that the print queue opens
// at start, a list file of customers and vendors to load into the queue, and a form letter
// for the Letter Wizard to merge with the queue.
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
#include "shell/posting_unit.h"
#include "shell/record_file.h"
#include "shell/sample_company.h"
#include "shell/text.h"

namespace {

inline constexpr std::string_view LayoutFileName = "Address Labels.LBL";
inline constexpr std::string_view ListFileName = "Mailing List.LST";
inline constexpr std::string_view LetterFileName = "Payment Reminder.RTF";

// A reminder to the customers of the list (those who owe the most), in rich text as a word
// processor writes it, with the merge keywords the wizard fills from each customer and from
// the company.
constexpr std::string_view ReminderLetter =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\pard\\qc\\b\\fs28 LWCMPNAME\\b0\\fs20\\par\r\n"
    "LWCMPADD1\\par\r\nLWCMPADD2\\par\r\nLWCMPADD3\\par\r\n"
    "\\pard\\par\r\n"
    "LWCSTNAME\\par\r\nLWCSTADD1\\par\r\nLWCSTADD2\\par\r\n\\par\r\n"
    "Account number: LWCSTNO\\par\r\n\\par\r\n"
    "Dear Customer,\\par\r\n\\par\r\n"
    "Our records show a balance of \\b LWCSTBAL\\b0  on your account, due as "
    "follows:\\par\r\n\\pard\\li720\r\n"
    "Current: LWCSTACUR\\par\r\n31 to 60 days: LWCSTA3060\\par\r\n"
    "61 to 90 days: LWCSTA6090\\par\r\nOver 90 days: LWCSTAOV90\\par\r\n"
    "\\pard\\par\r\nYour terms with us are LWCSTTERMS.\\par\r\n\\par\r\n"
    "If you have already sent your payment, please accept our thanks and disregard this "
    "letter. Otherwise we would be glad to receive it within the next ten days, or to hear "
    "from you if anything in your account needs looking into.\\par\r\n\\par\r\n"
    "Yours sincerely,\\par\r\n\\par\r\n\\par\r\n"
    "Accounts Department\\par\r\nLWCMPNAME\\par\r\n}\r\n";

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
        throw std::runtime_error(
            WithWriteReason("The sample label layout could not be written.").toStdString());
    if (!ReplaceFile(folder.file(LetterFileName), ReminderLetter))
        throw std::runtime_error(
            WithWriteReason("The sample form letter could not be written.").toStdString());

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
        throw std::runtime_error(
            WithWriteReason("The sample print-queue list could not be written.").toStdString());
    counts.queueRows = static_cast<int>(items.size());
}
