#pragma once
// HistorySession: what the sample history posts through. The program's posting code works on
// the current company, its open files and "today"; a session sets these up for one company
// of a data folder, apart from whatever the caller has installed, and puts everything back
// when it ends. Every file set the postings touch stays open for the whole session, and the
// writes are made durable in batches rather than one posting at a time, so that a history
// of a million invoices costs no more per invoice than one of a hundred.
//
// Nothing here waits for a user: a message the posting code would show is kept, and the
// step that showed it fails with that text (RaiseIfTold).

#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/entry/entry_lines.h"
#include "masters/product_rec.h"
#include "shell/company/company_rec.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/sample_company.h"

class HistorySession {
public:
    // The company (its number) must be on file in the folder and the engine running. Raises
    // std::runtime_error with a text for the user when a file set cannot be opened.
    HistorySession(const DataFolder& folder, const CompanyRec& company, Date today);
    ~HistorySession();
    HistorySession(const HistorySession&) = delete;
    HistorySession& operator=(const HistorySession&) = delete;

    Date today() const;
    const DateFormat& dates() const { return dates_; }
    const CompanyRec& company() const;  // as stored now

    // Called after each posting: every so many postings the writes so far are made durable.
    void Posted();
    // Makes the writes so far durable; raises std::runtime_error when they cannot be saved.
    // Called when the last posting is made (the session's end keeps what it can, silently).
    void Finish();
    // Raises std::runtime_error with `what` and the first message the posting code showed
    // since the last call, when it showed one.
    void RaiseIfTold(std::string_view what);

private:
    struct Installed;
    std::unique_ptr<Installed> installed_;
    DateFormat dates_;
    int sinceDurable_ = 0;
};

// A grid row of the product as the entry dialog fills it: on an invoice at its sales price
// and invoice description, on a purchase order at its cost and order description.
EntryRow DocumentRow(const ProductRec& product, int quantity, bool purchase);

// Makes `entry` a memo document of the product on `row`: its code, quantity, description and
// net, and the hidden grid row a memo document keeps (the product's unit cost alone).
void SetMemoProduct(DocumentEntry& entry, const EntryRow& row);

// The document entries' amounts as the entry dialogs show them: net, tax at the rate on the
// rows flagged "Y" while `taxOn`, and total.
void SetEntryTotals(DocumentEntry& entry, bool taxOn, std::string_view ratePercent);

// `count` days drawn from 0 .. days - 1 (indexes into a calendar), in ascending order.
std::vector<int> SortedDays(SampleRandom& random, int count, int days);

// Events waiting for their day (an index into a calendar): taken in day order, and on one
// day in the order they were put in.
template <class Event>
class Waiting {
public:
    void Put(int day, Event event) { queue_.push({day, ++put_, std::move(event)}); }
    // Takes every event due by `day`, in order.
    void TakeUpTo(int day, const std::function<void(int day, const Event&)>& take) {
        while (!queue_.empty() && queue_.top().day <= day) {
            const Entry e = queue_.top();
            queue_.pop();
            take(e.day, e.event);
        }
    }

private:
    struct Entry {
        int day = 0;
        int order = 0;
        Event event;
        bool operator>(const Entry& o) const {
            return day != o.day ? day > o.day : order > o.order;
        }
    };
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue_;
    int put_ = 0;
};

struct HistoryCounts;

// What each part of the history holds while it writes: the session, random picks of its
// own, the days of the history (index 0 the first, days - 1 today, then `future` days after
// it for dates ahead) and the products on file.
class HistoryPart {
protected:
    HistoryPart(HistorySession& session, uint32_t seed, int days, int future,
                HistoryCounts& counts);

    const ProductRec& AnyProduct();
    std::string DateText(int day) const;
    int Today() const { return days_ - 1; }

    HistorySession& session_;
    SampleRandom random_;
    const int days_;
    HistoryCounts& counts_;
    const std::vector<Date> calendar_;
    const std::vector<ProductRec> products_;
};

// The `past` days that end with `today`, then `future` days after it: today is at index
// past - 1.
std::vector<Date> Calendar(Date today, int past, int future);
