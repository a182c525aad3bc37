// The purchasing side of the sample history: purchase orders over the year, received in
// full, in part or not at all through receiving, in date order.
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/decimal.h"
#include "masters/master_files.h"
#include "purchasing/add_po.h"
#include "purchasing/po_posting.h"
#include "purchasing/receiving.h"
#include "sample/company_history.h"
#include "sample/history_session.h"
#include "shell/record_file.h"
#include "shell/sample_company.h"
#include "shell/text.h"

namespace {

constexpr std::array OrderKeyCodes{"STOCK", "RESTOCK", "SPECIAL"};
constexpr std::array OrderNotes{"", "Please confirm the delivery date.",
                                "Deliver to the rear entrance.", "Part of the quarterly restock"};
constexpr std::array MemoTexts{"Pack in mixed cartons, labelled by aisle.",
                               "Price as quoted on the telephone.",
                               "Partial deliveries are accepted."};

// A delivery waiting for its day: everything still due on the order, or part of it.
struct Delivery {
    std::string po;
    bool whole = true;
};

class PurchasesWriter : HistoryPart {
public:
    // Orders are wanted up to a month after they are written.
    PurchasesWriter(HistorySession& session, uint32_t seed, int days, HistoryCounts& counts)
        : HistoryPart(session, seed, days, 31, counts),
          vendors_(LiveRecords<VendorRec>(VendorData().handle())) {}

    void Write(int orders) {
        if (orders <= 0) return;
        if (vendors_.empty() || products_.empty())
            throw std::runtime_error(
                "The sample purchase orders need vendors and products on file.");
        const auto receive = [this](int day, const Delivery& d) { Receive(day, d); };
        for (const int day : SortedDays(random_, orders, days_)) {
            waiting_.TakeUpTo(day, receive);
            Order(day);
        }
        waiting_.TakeUpTo(Today(), receive);
    }

private:
    void Order(int day) {
        const CompanyRec& company = session_.company();
        const VendorRec& vendor = vendors_[random_.below(static_cast<uint32_t>(vendors_.size()))];
        POEntry e;
        const auto number = ProposeDocumentNumber(company.get(Company::NextPONumber),
                                                  TrimBlanks(company.get(Company::POPrefix)) == "Y",
                                                  calendar_[day], PurchaseOrder::PONumber.width);
        if (!number) throw std::runtime_error("No further PO number fits its field.");
        e.number = *number;
        e.date = DateText(day);
        e.dateRequired = DateText(day + random_.number(7, 30));
        e.vendorNumber = TrimBlanks(vendor.get(Vendor::Number));
        e.vendorShortName = vendor.get(Vendor::ShortName);
        e.terms = TrimBlanks(company.get(Company::DefaultPOTerms));
        e.keyCode = random_.pick(OrderKeyCodes);
        e.notes = random_.pick(OrderNotes);
        e.signature1 = company.get(Company::POSignature[0]);
        e.signature2 = company.get(Company::POSignature[1]);
        for (std::size_t k = 0; k < 3; ++k) e.shipTo[k] = company.get(Company::POShipTo[k]);
        const bool taxOn =
            company.get(Company::TaxOnPOs) && TrimBlanks(vendor.get(Vendor::TaxExempt)) != "Y";
        if (random_.chance(12)) {
            // A memo order of one product with its instructions.
            const EntryRow row = DocumentRow(AnyProduct(), 10 * random_.number(2, 12), true);
            SetMemoProduct(e, row);
            e.tax = "0.00";
            e.total = row.extension;
            e.memoLines = {e.notes, random_.pick(MemoTexts)};
        } else {
            const int rows = random_.number(1, 4);
            for (int k = 0; k < rows; ++k)
                e.rows.push_back(DocumentRow(AnyProduct(), 5 * random_.number(2, 24), true));
            SetEntryTotals(e, taxOn, TrimBlanks(company.get(Company::TaxRate)));
        }

        // Older orders have mostly come in; the last fortnight's are still on their way.
        const int age = Today() - day;
        const int roll = random_.number(0, 99);
        const auto [whole, part] = age > 30   ? std::pair{65, 85}
                                   : age > 14 ? std::pair{35, 60}
                                              : std::pair{0, 0};
        const int arrives = std::min(Today(), day + random_.number(5, 25));
        // Now and then goods arrive with the order and it is marked received as it is entered.
        if (roll < whole && random_.chance(10)) {
            e.markReceived = true;
            e.receivedDate = DateText(day);
        }

        const POPostingPlan plan = PlanPOPosting(e);
        if (!plan.posting)
            throw std::runtime_error("PO " + e.number +
                                     " was refused: " + plan.refusal.toStdString());
        NoPOManagerView view;
        WritePOPosting(*plan.posting, view);
        session_.RaiseIfTold("PO " + e.number);
        session_.Posted();
        ++counts_.purchaseOrders;
        if (e.markReceived)
            ++counts_.receivedInFull;
        else if (roll < part)
            waiting_.Put(arrives, {TrimBlanks(plan.posting->header.get(PurchaseOrder::PONumber)),
                                   roll < whole});
    }

    void Receive(int day, const Delivery& d) {
        ReceivingList list = LoadReceivingList(d.po, true);
        if (!list.error.isEmpty())
            throw std::runtime_error("PO " + d.po + ": " + list.error.toStdString());
        if (list.rows.empty()) return;  // nothing on it that comes into stock
        for (std::size_t k = 0; k < list.rows.size(); ++k) {
            ReceivingRow& row = list.rows[k];
            if (d.whole) {
                ReceiveAll(row);
                continue;
            }
            // Part of the first line, and of some others.
            const Decimal ordered =
                Decimal::ParseBlankAsZero(StripCommas(row.ordered)).value_or(Decimal());
            // Half of it, in whole units.
            const Decimal half =
                Decimal::FromScaled(ordered.scaled() / Decimal::Scale / 2 * Decimal::Scale);
            if ((k == 0 || random_.chance(50)) && half > Decimal())
                row.inToday = half.general();
            else
                ReceiveNone(row);
        }
        ReceivingEntry e;
        e.poNumber = d.po;
        e.loadedPONumber = d.po;
        e.receiverNumber = ProposedReceiverNumber(session_.company(), d.po);
        e.receiverDate = DateText(day);
        e.openQuantity =
            Decimal::Sub(list.totalOrdered, list.totalReceived).value_or(Decimal()).general();
        e.rows = std::move(list.rows);

        const ReceivingPlan plan =
            PlanReceiving(e, [](const QString&, const QString&) { return true; });
        if (!plan.posting)
            throw std::runtime_error("The receipt of PO " + d.po +
                                     " was refused: " + plan.refusal.text.toStdString());
        WriteReceiving(*plan.posting);
        session_.RaiseIfTold("The receipt of PO " + d.po);
        session_.Posted();
        ++(d.whole ? counts_.receivedInFull : counts_.receivedInPart);
    }

    const std::vector<VendorRec> vendors_;
    Waiting<Delivery> waiting_;
};

}  // namespace

void WriteSamplePurchases(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                          int orders, Date today, int days, HistoryCounts& counts) {
    HistorySession session(folder, company, today);
    PurchasesWriter(session, seed, days, counts).Write(orders);
    session.Finish();
}
