// HistorySession: the company, files, clock and message host the sample history posts with.
#include "sample/history_session.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "engine/decimal.h"
#include "engine/engine.h"
#include "engine/file_names.h"
#include "invoicing/invoicing_state.h"
#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "platform/message_host.h"
#include "purchasing/company_files.h"
#include "purchasing/purchasing_state.h"
#include "shell/app_context.h"
#include "shell/company/company_file.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

// Postings between two points at which the writes are made durable.
constexpr int PostingsPerDurableBatch = 256;

// Answers every box as closing it would and keeps the first text shown.
class SilentHost : public UnattendedHost {
public:
    MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                          MsgButtons buttons) override {
        if (told.isEmpty()) told = caption + ": " + text;
        return UnattendedHost::ShowMessage(text, caption, icon, buttons);
    }
    int ShowModal(Form&) override {
        if (told.isEmpty()) told = "a window was shown";
        return static_cast<int>(MsgResult::Cancel);
    }

    QString told;
};

std::runtime_error Failure(std::string_view what) {
    const QString text = QString::fromUtf8(what.data(), static_cast<qsizetype>(what.size()));
    return std::runtime_error(
        WithSystemReason(QString("%1 (error %2).").arg(text).arg(EngineErrorCode)).toStdString());
}

}  // namespace

struct HistorySession::Installed {
    Installed(const DataFolder& folder) : shell(folder.path()) {}

    ShellContextScope shell;
    MastersStateScope masters;
    InvoicingStateScope invoicing;
    PurchasingStateScope purchasing;
    SilentHost host;
    MessageHost* previousHost = nullptr;
    // The company file stays open too: postings open and close it on every change, which
    // then shares this handle's open set instead of checking it anew each time.
    FileSetHandle companyFile = 0;
    std::vector<FileSetHandle> held;  // sets whose bracket the session holds

    void Hold() {
        for (const FileSetHandle h : held) LockFileSet(h);
    }
    void Release() {
        for (const FileSetHandle h : held) UnlockFileSet(h);
    }
};

HistorySession::HistorySession(const DataFolder& folder, const CompanyRec& company, Date today)
    : installed_(std::make_unique<Installed>(folder)) {
    Installed& in = *installed_;
    in.previousHost = InstallHost(&in.host);
    ShellContext& shell = in.shell.context();
    shell.clock.setToday(today);
    const std::string number = TrimBlanks(company.get(Company::CompanyNumber));
    const auto stored = FindCompany(shell.folder, number);
    if (!stored) {
        InstallHost(in.previousHost);
        throw std::runtime_error("Company " + number + " is not in the company file.");
    }
    shell.companies.CurrentCompany = *stored;
    shell.companies.CompanyBuf = *stored;
    dates_ = shell.companies.dateFormat();

    try {
        OpenFileSet(in.companyFile, folder.fileSet(CompanyFileName));
        if (!EngineOK) throw Failure("The company file cannot be opened");
        for (const DataFile* f : AllCompanyDataFiles()) {
            const DataFile& file = *f;
            if (!filenames::exists(file.OpenName() + ".DAT") && !file.Create())
                throw Failure("The file set " + file.OpenName() + " cannot be created");
            if (!file.Open())
                throw Failure("The file set " + file.OpenName() + " cannot be opened");
            in.held.push_back(file.handle());
        }
        in.held.push_back(in.companyFile);
        in.Hold();
    } catch (...) {
        for (const DataFile* f : AllCompanyDataFiles()) f->Close();
        if (in.companyFile != 0) CloseFileSet(in.companyFile);
        InstallHost(in.previousHost);
        throw;
    }
    // Each posting is a unit of work of its own; inside the session's unit it only joins it,
    // and the session's unit is made durable every so many postings.
    BeginUnit();
}

HistorySession::~HistorySession() {
    Installed& in = *installed_;
    // Ends the session's unit, keeping what was posted. After a posting that failed the
    // engine has rolled the whole unit back (the postings since the last durable point), and
    // this only closes it.
    if (InUnit()) CommitUnit();
    in.Release();
    for (const DataFile* f : AllCompanyDataFiles()) f->Close();
    CloseFileSet(in.companyFile);
    InstallHost(in.previousHost);
}

Date HistorySession::today() const {
    return installed_->shell.context().clock.today();
}

const CompanyRec& HistorySession::company() const {
    return installed_->shell.context().companies.CurrentCompany;
}

void HistorySession::Posted() {
    if (++sinceDurable_ < PostingsPerDurableBatch) return;
    sinceDurable_ = 0;
    Finish();
    BeginUnit();
}

void HistorySession::Finish() {
    if (!InUnit()) return;
    CommitUnit();
    if (!EngineOK) throw Failure("The postings cannot be saved");
}

void HistorySession::RaiseIfTold(std::string_view what) {
    QString& told = installed_->host.told;
    if (told.isEmpty()) return;
    const std::string text = told.toStdString();
    told.clear();
    throw std::runtime_error(std::string(what) + ": " + text);
}

EntryRow DocumentRow(const ProductRec& p, int quantity, bool purchase) {
    EntryRow row;
    row.code = TrimBlanks(p.get(Product::Code));
    row.quantity = std::to_string(quantity);
    row.description = p.get(purchase ? Product::PODescription : Product::Description);
    const Decimal price = Decimal::ParseBlankAsZero(
                              StripCommas(p.get(purchase ? Product::Cost : Product::SalesPrice)))
                              .value_or(Decimal());
    row.unitPrice = price.format(",0.00");
    row.taxFlag = p.get(purchase ? Product::TaxableOnPOs : Product::TaxableOnInvoices) ? "Y" : "N";
    const auto extension = LineExtension(Decimal::FromInt(quantity), price);
    if (!extension)
        throw std::runtime_error("The amount of product " + row.code + " does not fit.");
    row.extension = extension->format(",0.00");
    row.unitCost = TrimBlanks(p.get(Product::Cost));
    return row;
}

void SetMemoProduct(DocumentEntry& entry, const EntryRow& row) {
    entry.memo = true;
    entry.stockCode = row.code;
    entry.memoQuantity = row.quantity;
    entry.memoDescription = row.description;
    entry.net = row.extension;
    EntryRow cost;
    cost.unitCost = row.unitCost;
    entry.rows.push_back(cost);
}

void SetEntryTotals(DocumentEntry& entry, bool taxOn, std::string_view ratePercent) {
    const EntryTotals totals = ComputeEntryTotals(entry.rows, taxOn, ratePercent);
    if (!totals.net || !totals.tax || !totals.total)
        throw std::runtime_error("The totals of document " + entry.number + " do not fit.");
    entry.net = totals.net->format(",0.00");
    entry.tax = totals.tax->format(",0.00");
    entry.total = totals.total->format(",0.00");
}

namespace {

Date DayBefore(Date d) {
    if (--d.day > 0) return d;
    if (--d.month == 0) {
        d.month = 12;
        --d.year;
    }
    d.day = DaysInMonth(d.year, d.month);
    return d;
}

Date DayAfter(Date d) {
    if (++d.day <= DaysInMonth(d.year, d.month)) return d;
    d.day = 1;
    if (++d.month == 13) {
        d.month = 1;
        ++d.year;
    }
    return d;
}

}  // namespace

HistoryPart::HistoryPart(HistorySession& session, uint32_t seed, int days, int future,
                         HistoryCounts& counts)
    : session_(session),
      random_(seed),
      days_(std::max(days, 1)),
      counts_(counts),
      calendar_(Calendar(session.today(), days_, future)),
      products_(LiveRecords<ProductRec>(ProductData().handle())) {}

const ProductRec& HistoryPart::AnyProduct() {
    if (products_.empty()) throw std::runtime_error("The sample history needs products on file.");
    return products_[random_.below(static_cast<uint32_t>(products_.size()))];
}

std::string HistoryPart::DateText(int day) const {
    return session_.dates().format(calendar_[static_cast<std::size_t>(day)]);
}

std::vector<int> SortedDays(SampleRandom& random, int count, int days) {
    std::vector<int> picked(static_cast<std::size_t>(std::max(count, 0)));
    for (int& d : picked) d = random.number(0, days - 1);
    std::sort(picked.begin(), picked.end());
    return picked;
}

std::vector<Date> Calendar(Date today, int past, int future) {
    std::vector<Date> days;
    days.reserve(static_cast<std::size_t>(std::max(past, 1) + std::max(future, 0)));
    Date d = today;
    for (int k = 1; k < past; ++k) d = DayBefore(d);
    for (int k = 0; k < past; ++k, d = DayAfter(d)) days.push_back(d);
    for (int k = 0; k < future; ++k, d = DayAfter(d)) days.push_back(d);
    return days;
}
