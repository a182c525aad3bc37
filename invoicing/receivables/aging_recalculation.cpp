#include "invoicing/receivables/aging_recalculation.h"

#include <QLabel>
#include <optional>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "invoicing/posting/aging.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/posting/plan_refusal.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/message_host.h"
#include "platform/status_window.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/record_file.h"
#include "shell/text.h"

namespace {

const QString Caption = QStringLiteral("Customer Aging");

// A run that reads at least this many records shows its progress; one that reads fewer is
// over before a window could be of use.
constexpr int32_t ProgressFrom = 200000;
constexpr int32_t ProgressEvery = 1000;

// A customer's number as key 2 of the invoice file and its open-item index hold it.
std::string CustomerKey(std::string_view number) {
    return KeyText(number, 8);
}

// The progress window of a long run: shown only when the files are large.
class Progress {
public:
    explicit Progress(int32_t total) : total_(total) {
        if (total < ProgressFrom || !StatForm) return;
        ClearRebuildStatus();
        StatForm->setWindowTitle(Caption);
        StatForm->Label2->setText("Recalculating the customers' aging...");
        shown_.emplace();
    }
    void Step() {
        if (!shown_ || ++done_ % ProgressEvery != 0) return;
        StatForm->Label1->setText(QString("%1 of %2 records").arg(done_).arg(total_));
        ProcessPendingMessages();
    }

private:
    int32_t total_;
    int32_t done_ = 0;
    std::optional<StatFormShown> shown_;
};

// Whether the company has the file set at all. A company without invoices or customers yet
// has nothing to age, and the run does not make their files (nor ask to).
bool SetExists(const DataFile& file) {
    if (IsFileSetOpen(file.handle())) return true;
    FileSetHandle handle = 0;
    OpenFiles(handle, file.OpenName(), file.desc().file, false);
    if (!EngineOK) return EngineErrorCode != EngineCode::NoSuchFileSet;
    CloseFileSet(handle);
    return true;
}

// Every live record of an open file in record order.
template <class Rec, class Visit>
bool ForEachRecord(const DataFile& file, Visit&& visit) {
    int32_t ref = 0;
    for (;;) {
        NextUsedRecord(file.handle(), ref);
        if (!EngineOK) return EngineErrorCode == EngineCode::NoNextRecord;
        Rec record;
        if (!file.ReadRec(ref, record.bytes())) return false;
        visit(ref, record);
    }
}

enum class Walk { Done, Unreadable, OutOfStep };

// The records of the open-item index in its order (by customer, then in record order), each
// with the customer key it is listed under. OutOfStep when a record is not the open record
// of its customer that the index says it is: nothing can be taken from the index then.
template <class Visit>
Walk ForEachListedInvoice(Visit&& visit) {
    const DataFile& file = InvoiceData();
    int32_t ref = 0;
    std::string key;
    bool more = file.Search("", ref, InvoiceOpenItemKey, &key);
    if (!more && EngineErrorCode != EngineCode::KeyNotFound) return Walk::Unreadable;
    while (more) {
        InvoiceRec record;
        if (!file.ReadRec(ref, record.bytes())) return Walk::Unreadable;
        if (BuildInvoiceKey(record, InvoiceOpenItemKey) != key) return Walk::OutOfStep;
        visit(key, record);
        more = file.RetryLocked([&] { NextKey(file.handle(), InvoiceOpenItemKey, ref, key); });
        if (!more && EngineErrorCode != EngineCode::NoNextKey) return Walk::Unreadable;
    }
    return Walk::Done;
}

// Whether the invoice set has its open-item index (a set of an older company gets it when
// the file layer can reindex it).
bool HasOpenItemIndex() {
    const bool has = KeyCount(InvoiceData().handle()) >= InvoiceOpenItemKey;
    ClearEngineStatus();
    return has;
}

}  // namespace

std::string LastAgingRun(const DataFolder& folder, std::string_view companyNumber) {
    const auto content = ReadWholeFile(folder.file(AgingRunFileName));
    if (!content) return {};
    std::istringstream lines(*content);
    std::string number;
    std::string day;
    while (lines >> number >> day)
        if (number == TrimBlanks(companyNumber)) return day;
    return {};
}

bool RecordAgingRun(const DataFolder& folder, std::string_view companyNumber,
                    std::string_view ymd) {
    const std::string own = TrimBlanks(companyNumber);
    std::string content;
    if (const auto old = ReadWholeFile(folder.file(AgingRunFileName))) {
        std::istringstream lines(*old);
        std::string number;
        std::string day;
        while (lines >> number >> day)
            if (number != own) content += number + " " + day + "\r\n";
    }
    content += own + " " + std::string(ymd) + "\r\n";
    return ReplaceFile(folder.file(AgingRunFileName), content);
}

AgingRecalculation RecalculateCustomerAging() {
    AgingRecalculation run;
    const ShellContext& shell = Shell();
    const auto periods = CompanyAgingPeriods(shell.companies.CurrentCompany);
    if (!periods) {
        run.refusal =
            "The company's aging periods are not whole numbers of days, so the customers' "
            "aging cannot be recalculated. Please correct them in the company settings.";
        return run;
    }
    const DateFormat dates = shell.companies.dateFormat();
    const Date today = shell.clock.today();

    if (!SetExists(InvoiceData()) || !SetExists(CustomerData())) return run;
    const StepFile invoices(InvoiceData());
    const StepFile customers(CustomerData());
    if (!invoices.ok() || !customers.ok()) {
        run.refusal = QString("The %1 file cannot be opened (error %2), so the customers' aging "
                              "was not recalculated.")
                          .arg(invoices.ok() ? "customer" : "invoice")
                          .arg(EngineErrorCode);
        return run;
    }
    // The open records alone where the index lists them, else every record.
    const bool listed = HasOpenItemIndex();
    Progress progress((listed ? IndexKeyCount(InvoiceData().handle(), InvoiceOpenItemKey)
                              : UsedRecordCount(InvoiceData().handle())) +
                      UsedRecordCount(CustomerData().handle()));

    // Pass 1: the open records of every customer, summed into its four buckets.
    std::unordered_map<std::string, AgingSums> sums;
    std::unordered_map<std::string, QString> unreadable;  // customer -> why it cannot be aged
    // An open record of the customer under `key`.
    const auto age = [&](const std::string& key, const InvoiceRec& inv) {
        if (unreadable.count(key)) return;
        try {
            const auto date = InvoiceAgingDate(inv, dates);
            if (!date) {
                if (AmountOf(inv.get(Invoice::InvDue)).value_or(Decimal()).isZero()) return;
                throw PlanRefusal{QString("The date of invoice %1 cannot be read.")
                                      .arg(FromCp1252(TrimBlanks(inv.get(Invoice::InvNumber))))};
            }
            sums.try_emplace(key, *periods, today).first->second.Add(*date, inv);
        } catch (const PlanRefusal& refused) {
            unreadable[key] = refused.text;
        }
    };
    Walk walk = Walk::OutOfStep;
    if (listed) {
        // The index lists only records that owe an amount.
        walk = ForEachListedInvoice([&](const std::string& key, const InvoiceRec& inv) {
            progress.Step();
            age(key, inv);
        });
        // An index out of step with its records is no reason to age wrongly: every record
        // is read instead.
        if (walk == Walk::OutOfStep) {
            sums.clear();
            unreadable.clear();
        }
    }
    if (walk == Walk::OutOfStep) {
        const auto ageIfOpen = [&](int32_t, const InvoiceRec& inv) {
            progress.Step();
            // Nothing due, nothing aged.
            if (InvoiceOwesAmount(inv.bytes())) age(BuildInvoiceKey(inv, InvoiceCustomerKey), inv);
        };
        walk = ForEachRecord<InvoiceRec>(InvoiceData(), ageIfOpen) ? Walk::Done : Walk::Unreadable;
    }
    if (walk != Walk::Done) {
        run.refusal = QString("The invoice file cannot be read (error %1), so the customers' "
                              "aging was not recalculated.")
                          .arg(EngineErrorCode);
        return run;
    }

    // Pass 2: each customer gets its sums; one without open records has nothing aged.
    const AgingSums nothingOpen(*periods, today);
    std::vector<std::pair<int32_t, CustomerRec>> changed;
    const bool customersRead = ForEachRecord<CustomerRec>(
        CustomerData(), [&](int32_t ref, const CustomerRec& customer) {
            progress.Step();
            const std::string key = CustomerKey(customer.get(Customer::Number));
            const auto skip = [&](const QString& why) {
                run.skipped << QString("Customer %1: %2")
                                   .arg(FromCp1252(TrimBlanks(customer.get(Customer::Number))), why);
            };
            if (const auto bad = unreadable.find(key); bad != unreadable.end()) {
                skip(bad->second);
                return;
            }
            CustomerRec aged = customer;
            try {
                const auto found = sums.find(key);
                (found != sums.end() ? found->second : nothingOpen).WriteTo(aged);
            } catch (const PlanRefusal& refused) {
                skip(refused.text);
                return;
            }
            if (aged != customer) changed.emplace_back(ref, aged);
        });
    if (!customersRead) {
        run.refusal = QString("The customer file cannot be read (error %1), so the customers' "
                              "aging was not recalculated.")
                          .arg(EngineErrorCode);
        return run;
    }

    // Every customer or none: a run cut short would leave some aged to today and others not.
    PostAsOneUnit([&changed] {
        for (const auto& [ref, customer] : changed)
            if (!CustomerData().PutRec(customer.bytes(), ref))
                RaiseError(QString("The customer file cannot be written (error %1), so the "
                                   "customers' aging was not recalculated.")
                               .arg(EngineErrorCode));
    });
    run.changed = static_cast<int>(changed.size());
    return run;
}

void RecalculateAgingOncePerDay() {
    ShellContext& shell = Shell();
    const std::string number = shell.companies.fileStem();
    if (number.empty()) return;
    const std::string today = SortableDate(shell.clock.today());
    if (LastAgingRun(shell.folder, number) == today) return;

    // It runs at start-up too, outside any command: an error it raises is shown here and the
    // program goes on, with the day not recorded so that it runs again.
    AgingRecalculation run;
    if (!RunCommand([&run] { run = RecalculateCustomerAging(); })) return;
    if (!run.refusal.isEmpty()) {
        MessageBox(run.refusal, Caption, MsgIcon::Warning);
        return;
    }
    if (!run.skipped.isEmpty())
        MessageBox("The aging of these customers was left as it was; please correct their "
                   "invoices:\n\n" +
                       run.skipped.join("\n"),
                   Caption, MsgIcon::Information);
    if (!RecordAgingRun(shell.folder, number, today)) {
        const QString name = QString::fromUtf8(AgingRunFileName.data(),
                                               static_cast<qsizetype>(AgingRunFileName.size()));
        MessageBox(WithWriteReason(QString("The day of the aging recalculation could not be saved "
                                           "in %1; it will run again at the next start.")
                                       .arg(name)),
                   Caption, MsgIcon::Information);
    }
}
