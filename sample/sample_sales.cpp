// The sales side of the sample history: invoices over the year, payments in full and in
// part, deposits on account, each posted in date order through the program's posting code.
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/receivables/payment.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "sample/company_history.h"
#include "sample/history_session.h"
#include "shell/record_file.h"
#include "shell/sample_company.h"
#include "shell/text.h"

namespace {

constexpr std::array InvoiceKeyCodes{"COUNTER", "PHONE", "WEB", "REP-EAST", "REP-WEST"};
constexpr std::array InvoiceNotes{
    "",          "", "Delivered by van", "Collected at the counter", "Customer order ref. on file",
    "Rush order"};
constexpr std::array CommentRows{"Thank you for your order.", "Delivered to site.",
                                 "Balance of order to follow."};
constexpr std::array Services{"Workshop repairs", "On-site service call", "Tool sharpening",
                              "Equipment rental", "Delivery and set-up"};
constexpr std::array MemoTexts{"Work carried out as agreed by telephone.",
                               "Parts and labour included.", "Inspected and tested before return.",
                               "Please call us with any questions.",
                               "Next service due in 6 months."};

struct Buyer {
    std::string number, shortName, terms;
    bool taxExempt = false;
};

// A payment waiting for its day: of an invoice (in full, or `percent` of it), or a deposit.
struct Receipt {
    std::size_t customer = 0;
    std::string invoice;  // empty for a deposit
    int percent = 100;
    Decimal deposit;
};

class SalesWriter : HistoryPart {
public:
    SalesWriter(HistorySession& session, uint32_t seed, int days, HistoryCounts& counts,
                int paidAtSalePerMille)
        : HistoryPart(session, seed, days, 0, counts), paidAtSalePerMille_(paidAtSalePerMille) {
        for (const CustomerRec& c : LiveRecords<CustomerRec>(CustomerData().handle()))
            customers_.push_back({TrimBlanks(c.get(Customer::Number)), c.get(Customer::ShortName),
                                  c.get(Customer::Terms),
                                  TrimBlanks(c.get(Customer::TaxExempt)) == "Y"});
    }

    void Write(int invoices) {
        if (invoices <= 0) return;
        if (customers_.empty() || products_.empty())
            throw std::runtime_error("The sample invoices need customers and products on file.");
        // Days in ascending order, so numbers rise with dates as they would in the office.
        const std::vector<int> days = SortedDays(random_, invoices, days_);
        // A deposit now and then, from the last two months.
        for (int k = 0; k < std::max(1, invoices / 150); ++k) {
            const int day = std::max(0, Today() - random_.number(0, 60));
            Receipt deposit;
            deposit.customer = random_.below(static_cast<uint32_t>(customers_.size()));
            deposit.deposit = Decimal::FromScaled(random_.number(10, 60) * 10 * Decimal::Scale);
            waiting_.Put(day, deposit);
        }
        const auto pay = [this](int day, const Receipt& r) { Pay(day, r); };
        for (const int day : days) {
            waiting_.TakeUpTo(day, pay);
            Sell(day);
        }
        waiting_.TakeUpTo(Today(), pay);
    }

private:
    void FillLines(InvoiceEntry& e) {
        const int rows = random_.number(1, 5);
        for (int k = 0; k < rows; ++k)
            e.rows.push_back(
                DocumentRow(AnyProduct(), random_.chance(15) ? 24 : random_.number(1, 12), false));
        if (random_.chance(20)) {
            EntryRow comment;
            comment.description = random_.pick(CommentRows);
            e.rows.push_back(comment);
        }
    }

    void FillMemo(InvoiceEntry& e) {
        e.memo = true;
        if (random_.chance(50)) {
            const ProductRec& p = AnyProduct();
            SetMemoProduct(e, DocumentRow(p, random_.number(1, 6), false));
        } else {
            e.memoQuantity = "1";
            e.memoDescription = random_.pick(Services);
            e.net = Decimal::FromScaled(random_.number(4500, 48000) * (Decimal::Scale / 100))
                        .format(",0.00");
        }
        e.tax = "0.00";
        e.total = e.net;
        const int lines = random_.number(2, 4);
        for (int k = 0; k < lines; ++k) e.memoLines.push_back(random_.pick(MemoTexts));
    }

    void Sell(int day) {
        const CompanyRec& company = session_.company();
        const std::size_t who = random_.below(static_cast<uint32_t>(customers_.size()));
        const Buyer& c = customers_[who];
        InvoiceEntry e;
        const auto number =
            ProposeDocumentNumber(company.get(Company::NextInvoiceNumber),
                                  TrimBlanks(company.get(Company::InvoiceNumberPrefix)) == "Y",
                                  calendar_[day], Invoice::InvNumber.width);
        if (!number) throw std::runtime_error("No further invoice number fits its field.");
        e.number = *number;
        e.date = DateText(day);
        e.customerNumber = c.number;
        e.customerShortName = c.shortName;
        e.terms = c.terms;
        e.keyCode = random_.pick(InvoiceKeyCodes);
        e.notes = random_.pick(InvoiceNotes);
        if (random_.chance(17)) {
            FillMemo(e);
            ++counts_.memoInvoices;
        } else {
            FillLines(e);
            const std::string rate = TrimBlanks(company.get(Company::TaxRate));
            SetEntryTotals(e, !c.taxExempt, rate);
        }
        // Some pay at the counter; the others pay later, in part, or not yet.
        const bool paidAtSale =
            random_.below(1000) < static_cast<uint32_t>(std::max(paidAtSalePerMille_, 0));
        e.paid = paidAtSale ? e.total : "0.00";

        const PostingPlan plan = PlanInvoicePosting(e, false);
        if (!plan.posting)
            throw std::runtime_error("Invoice " + e.number +
                                     " was refused: " + plan.refusal.toStdString());
        NoInvoiceManagerView view;
        WriteInvoicePosting(*plan.posting, view, false);
        session_.RaiseIfTold("Invoice " + e.number);
        session_.Posted();
        ++counts_.invoices;
        if (paidAtSale) {
            ++counts_.paidInFull;
            return;
        }

        // The older the invoice, the likelier it has been paid by now.
        const int age = Today() - day;
        const int roll = random_.number(0, 99);
        const auto [full, part] = age > 90   ? std::pair{78, 90}
                                  : age > 60 ? std::pair{65, 80}
                                  : age > 30 ? std::pair{45, 60}
                                             : std::pair{15, 25};
        if (roll >= part) return;
        const int payday = std::min(Today(), day + random_.number(7, 40));
        Receipt payment;
        payment.customer = who;
        payment.invoice = TrimBlanks(plan.posting->header.get(Invoice::InvNumber));
        payment.percent = roll < full ? 100 : random_.number(20, 70);
        waiting_.Put(payday, payment);
    }

    // The invoice's open record: the one of that number that is not a payment.
    int32_t OpenInvoice(const std::string& number, InvoiceRec& record) const {
        InvoiceRec probe;
        static_cast<void>(probe.set(Invoice::InvNumber, number));
        return InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                                  record.bytes(), [](std::span<const uint8_t> bytes) {
                                      InvoiceRec r;
                                      std::copy(bytes.begin(), bytes.end(), r.bytes().begin());
                                      const std::string type = TrimBlanks(r.get(Invoice::InvType));
                                      return type == Invoice::TypeRegular;
                                  });
    }

    void Pay(int day, const Receipt& r) {
        const Buyer& c = customers_[r.customer];
        PaymentEntry e;
        e.customerNumber = c.number;
        e.shortName = c.shortName;
        e.paymentDate = DateText(day);
        PaymentItem item;
        if (r.invoice.empty()) {
            item = {std::string(DepositItemNumber),
                    DepositListDate(e.paymentDate, session_.dates().order()), r.deposit, false, 0};
            e.notes = "Deposit on account";
        } else {
            InvoiceRec inv;
            const int32_t ref = OpenInvoice(r.invoice, inv);
            if (ref == 0) throw std::runtime_error("Invoice " + r.invoice + " is not on file.");
            const Decimal due = *Decimal::ParseBlankAsZero(StripCommas(inv.get(Invoice::InvDue)));
            Decimal amount = due;
            if (r.percent < 100)
                amount = (due * Decimal::FromScaled(r.percent * (Decimal::Scale / 100))).round(2);
            const bool partial = amount < due;
            if (amount.isZero()) return;
            item = {r.invoice, ListedDate(inv, session_.dates().order()), amount, partial, ref};
            e.notes = "Check " + std::to_string(random_.number(1001, 9899));
        }
        e.paidAmount = item.amount.format("0.00");
        e.items.push_back(item);

        const PaymentPlan plan = PlanPayments(e);
        if (!plan.posting)
            throw std::runtime_error("The payment of customer " + c.number +
                                     " was refused: " + plan.refusal.text.toStdString());
        WritePayments(*plan.posting);
        session_.RaiseIfTold("The payment of customer " + c.number);
        session_.Posted();
        if (r.invoice.empty())
            ++counts_.deposits;
        else if (item.partial)
            ++counts_.paidInPart;
        else
            ++counts_.paidInFull;
    }

    const int paidAtSalePerMille_;
    std::vector<Buyer> customers_;
    Waiting<Receipt> waiting_;
};

}  // namespace

void WriteSampleSales(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                      int invoices, Date today, int days, HistoryCounts& counts,
                      int paidAtSalePerMille) {
    HistorySession session(folder, company, today);
    SalesWriter(session, seed, days, counts, paidAtSalePerMille).Write(invoices);
    session.Finish();
}
