// Postings of every kind through the program's posting code, the session they run in and
// the facts they leave on file.
#include "tests/books/posting_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "engine/engine.h"
#include "invoicing/invoicing_state.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/invoice_change.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/receivables/interest.h"
#include "invoicing/receivables/payment.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "masters/sample_masters.h"
#include "platform/application.h"
#include "platform/scope_guard.h"
#include "purchasing/company_files.h"
#include "purchasing/po_change.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "purchasing/po_posting.h"
#include "purchasing/purchasing_state.h"
#include "purchasing/receiving.h"
#include "sample/history_session.h"
#include "shell/app_context.h"
#include "shell/company/company_list.h"
#include "shell/file_layer.h"
#include "tests/support/stored_files.h"

namespace bookstest {

using testsupport::Amount;
using testsupport::Key;

const char* PostingKindName(PostingKind kind) {
    static constexpr std::array<const char*, PostingKindCount> names{
        "invoice add",     "invoice change", "invoice delete",  "payment in full",
        "payment in part", "deposit",        "finance charges", "PO add",
        "PO change",       "PO delete",      "receipt"};
    return names[static_cast<std::size_t>(kind)];
}

// --- facts -------------------------------------------------------------------------------

namespace {

std::string Money(std::string_view text) {
    return Amount(text).format("0.00");
}

// The fact of an invoice record that stands for a document: an invoice, or a deposit.
std::optional<Fact> InvoiceFact(const InvoiceRec& r) {
    const std::string number = Key(r.get(Invoice::InvNumber));
    const std::string type = TrimBlanks(r.get(Invoice::InvType));
    if (type == Invoice::TypeDeposit)
        return Fact{"deposit " + number, "due " + Money(r.get(Invoice::InvDue))};
    if (type != Invoice::TypeRegular && type != Invoice::TypePartlyPaid) return std::nullopt;
    return Fact{"invoice " + number, "total " + Money(r.get(Invoice::InvTotal)) + " due " +
                                         Money(r.get(Invoice::InvDue))};
}

Fact OrderFact(const PORec& po) {
    const bool dated = !TrimBlanks(po.get(PurchaseOrder::POReceivedDate)).empty();
    return {"PO " + Key(po.get(PurchaseOrder::PONumber)),
            "total " + Money(po.get(PurchaseOrder::POTotal)) + (dated ? " received" : "")};
}

// Receipts are told by their receiver numbers; orders marked received on entry share one.
std::optional<std::string> ReceiverOf(const POLineRec& line) {
    const std::string receiver = Key(line.get(POLine::LineReceiverNumber));
    if (receiver.empty() || receiver == Key(AutoReceiverNumber)) return std::nullopt;
    return "receiver " + receiver;
}

}  // namespace

Facts ObservedFacts(const testsupport::CompanyBooks& books) {
    Facts facts;
    for (const InvoiceRec& r : books.invoices)
        if (const auto fact = InvoiceFact(r)) facts[fact->key] = fact->value;
    for (const PORec& po : books.orders) {
        const Fact fact = OrderFact(po);
        facts[fact.key] = fact.value;
    }
    std::map<std::string, Decimal> received;
    for (const POLineRec& line : books.orderLines)
        if (const auto receiver = ReceiverOf(line))
            received[*receiver] += Amount(line.get(POLine::LineReceivedQty));
    for (const auto& [receiver, quantity] : received) facts[receiver] = "qty " + quantity.general();
    return facts;
}

std::vector<std::string> FactsNotOnFile(const Facts& expected, const Facts& observed) {
    std::vector<std::string> missing;
    for (const auto& [key, value] : expected) {
        const auto it = observed.find(key);
        const std::string found = it == observed.end() ? std::string() : it->second;
        if (found != value)
            missing.push_back(key + ": expected \"" + value + "\", on file \"" + found + "\"");
    }
    return missing;
}

Facts After(Facts facts, const std::vector<Fact>& posted) {
    for (const Fact& f : posted) {
        if (f.value.empty())
            facts.erase(f.key);
        else
            facts[f.key] = f.value;
    }
    return facts;
}

// --- the company -------------------------------------------------------------------------

namespace {

// The live records of the open set that key keyNr lists: all of them, or for a partial
// index those whose key is not empty.
int32_t ListedRecords(FileSetHandle h, const DataFile& file, int keyNr) {
    if (!file.desc().file.isPartial(keyNr)) return UsedRecordCount(h);
    int32_t listed = 0;
    std::vector<uint8_t> record(static_cast<size_t>(file.recordLength()));
    for (int32_t ref = 0;;) {
        NextUsedRecord(h, ref);
        if (!EngineOK) break;
        ReadRecord(h, ref, record);
        if (EngineOK && !file.BuildKey(record, keyNr).empty()) ++listed;
    }
    return listed;
}

// The entries of every index of the company's files that do not lead to a live record of
// their key, and indexes whose count is not the records', one line each: an index trusted
// without belonging to its data file shows here.
std::vector<std::string> IndexFaults() {
    std::vector<std::string> faults;
    for (const DataFile* file : AllCompanyDataFiles()) {
        FileSetHandle h = 0;
        OpenFileSet(h, file->OpenName());
        if (!EngineOK) {
            if (EngineErrorCode != EngineCode::NoSuchFileSet)
                faults.push_back(file->OpenName() + " cannot be opened: " +
                                 std::to_string(EngineErrorCode));
            continue;
        }
        const FileSetCloser closer(h);
        std::vector<uint8_t> record(static_cast<size_t>(file->recordLength()));
        for (int keyNr = 1; keyNr <= file->desc().file.keyCount(); ++keyNr) {
            const int32_t live = ListedRecords(h, *file, keyNr);
            const Entries entries = IndexEntries(h, keyNr);
            for (const auto& [key, ref] : entries) {
                ReadRecord(h, ref, record);
                if (!EngineOK || record[0] != 0 || record[1] != 0 || record[2] != 0 ||
                    record[3] != 0 || file->BuildKey(record, keyNr).substr(0, MaxKeyLength) != key)
                    faults.push_back(file->OpenName() + " key " + std::to_string(keyNr) + " \"" +
                                     key + "\" leads to record " + std::to_string(ref) +
                                     " of another key");
            }
            if (static_cast<int32_t>(entries.size()) != live)
                faults.push_back(file->OpenName() + " key " + std::to_string(keyNr) + ": " +
                                 std::to_string(entries.size()) + " entries for " +
                                 std::to_string(live) + " records");
        }
    }
    ClearEngineStatus();
    return faults;
}

}  // namespace

struct BooksSession::Scopes {
    explicit Scopes(const DataFolder& folder) : shell(folder.path()) {}
    ShellContextScope shell;
    MastersStateScope masters;
    InvoicingStateScope invoicing;
    PurchasingStateScope purchasing;
};

BooksSession::BooksSession(const DataFolder& folder, ScriptedHost& host)
    : scopes_(std::make_unique<Scopes>(folder)) {
    ShellContext& shell = scopes_->shell.context();
    shell.clock.setToday(Today);
    // The program's own start: one question for every set whose index cannot be trusted, the
    // company file's and the company's, answered Yes.
    const ScopedAssign<std::function<std::vector<const DataFile*>()>> files(
        CompanyDataFiles, [] { return AllCompanyDataFiles(); });
    CompanyRec named;
    EXPECT_TRUE(named.set(Company::CompanyNumber, CompanyNumber));
    std::vector<std::string> sets{folder.fileSet(CompanyFileName)};
    {
        const ScopedAssign<CompanyRec> current(shell.companies.CurrentCompany, named);
        for (const DataFile* file : AllCompanyDataFiles()) sets.push_back(file->OpenName());
    }
    for (const std::string& set : sets)
        if (testsupport::OpenCode(set) == EngineCode::IndexDefective) ++rebuilt_;
    if (rebuilt_ > 0) host.Answer(MsgResult::Yes);
    const size_t shownBefore = host.Record().size();
    {
        const OneRebuildQuestion once;
        EXPECT_TRUE(RebuildUntrustedCompanySets(&named)) << EngineErrorCode;
    }
    for (size_t i = shownBefore; i < host.Record().size(); ++i)
        if (host.Record()[i].icon == MsgIcon::Question) ++questions_;
    const auto company = FindCompany(folder, CompanyNumber);
    EXPECT_TRUE(company) << "company not readable: " << EngineErrorCode;
    if (!company) return;
    shell.companies.CurrentCompany = *company;
    shell.companies.CompanyBuf = *company;
}

BooksSession::~BooksSession() = default;

std::map<std::string, Decimal> CreateCompany(const DataFolder& folder) {
    const CompanyRec company = CreateSampleCompany(folder, std::stoi(CompanyNumber), "Fault Lane",
                                                   {.seed = 9, .counts = {}});
    EXPECT_TRUE(FillSampleMasters(folder, company, 9, 8, 3, 12));
    {
        ScriptedHost quiet([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
        const BooksSession session(folder, quiet);
        for (const DataFile* file : AllCompanyDataFiles())
            if (testsupport::OpenCode(file->OpenName()) == EngineCode::NoSuchFileSet) {
                EXPECT_TRUE(file->Create());
            }
        // One product not kept in stock and one that selling does not deplete.
        const StepFile open(ProductData());
        std::vector<std::pair<int32_t, ProductRec>> products;
        for (int32_t ref = 0;;) {
            NextUsedRecord(ProductData().handle(), ref);
            if (!EngineOK) break;
            ProductRec p;
            ReadRecord(ProductData().handle(), ref, p.bytes());
            products.emplace_back(ref, p);
        }
        EXPECT_GE(products.size(), 2u);
        products[0].second.set(Product::NonStock, true);
        products[1].second.set(Product::NonDepleting, true);
        for (int k = 0; k < 2; ++k)
            EXPECT_TRUE(ProductData().PutRec(products[k].second.bytes(), products[k].first));
    }
    return testsupport::StockOnHand(folder, CompanyNumber);
}

// --- the driver --------------------------------------------------------------------------

namespace {

// Every live record of the file with its Ref.
template <class Rec>
std::vector<std::pair<int32_t, Rec>> RecordsOf(const DataFile& file) {
    std::vector<std::pair<int32_t, Rec>> out;
    const StepFile open(file);
    if (!open.ok()) return out;
    for (int32_t ref = 0;;) {
        NextUsedRecord(file.handle(), ref);
        if (!EngineOK) break;
        Rec r;
        ReadRecord(file.handle(), ref, r.bytes());
        if (!EngineOK) break;
        out.emplace_back(ref, r);
    }
    ClearEngineStatus();
    return out;
}

const CompanyRec& CurrentCompany() {
    return Shell().companies.CurrentCompany;
}

std::string DateText(Date date) {
    return Shell().companies.dateFormat().format(date);
}

}  // namespace

struct PostingDriver::Impl {
    explicit Impl(uint32_t seed) : random(seed), days(Calendar(Today, 150, 0)) {}

    SampleRandom random;
    const std::vector<Date> days;

    template <class List>
    auto& Pick(List& list) {
        return list[random.below(static_cast<uint32_t>(list.size()))];
    }
    Date AnyDay() { return days[random.below(static_cast<uint32_t>(days.size()))]; }

    std::vector<ProductRec> Products() {
        std::vector<ProductRec> products;
        for (auto& [ref, p] : RecordsOf<ProductRec>(ProductData())) products.push_back(p);
        return products;
    }

    // Now and then a document names its first line's product again on a later line.
    void FillRows(DocumentEntry& e, bool purchase) {
        const std::vector<ProductRec> products = Products();
        if (products.empty()) return;
        const int rows = random.number(1, 3);
        std::size_t first = 0;
        for (int k = 0; k < rows; ++k) {
            const std::size_t at = k > 0 && random.chance(30)
                                       ? first
                                       : random.below(static_cast<uint32_t>(products.size()));
            if (k == 0) first = at;
            e.rows.push_back(
                DocumentRow(products[at], random.number(1, 6) * (purchase ? 5 : 1), purchase));
        }
    }

    void FillMemo(DocumentEntry& e, bool purchase) {
        e.memo = true;
        const std::vector<ProductRec> products = Products();
        const EntryRow row = DocumentRow(Pick(products), random.number(1, 4), purchase);
        if (random.chance(60)) {
            SetMemoProduct(e, row);
        } else {
            e.memoQuantity = "1";
            e.memoDescription = "Service as agreed";
            e.net = Decimal::FromScaled(random.number(2000, 30000) * (Decimal::Scale / 100))
                        .format(",0.00");
        }
        e.tax = "0.00";
        e.total = e.net;
        e.memoLines = {"Work done as agreed.", "Thank you."};
    }

    // --- invoices ---

    void FillInvoice(InvoiceEntry& e, bool memo, const CustomerRec& c) {
        if (memo) {
            FillMemo(e, false);
        } else {
            FillRows(e, false);
            SetEntryTotals(e, TrimBlanks(c.get(Customer::TaxExempt)) != "Y",
                           TrimBlanks(CurrentCompany().get(Company::TaxRate)));
        }
        e.paid = "0.00";
    }

    std::optional<PostingResult> InvoiceAdd(std::function<void()>& write) {
        const auto customers = RecordsOf<CustomerRec>(CustomerData());
        if (customers.empty()) return std::nullopt;
        const CustomerRec& c = Pick(customers).second;
        const Date date = AnyDay();
        InvoiceEntry e;
        e.number = ProposeDocumentNumber(
                       CurrentCompany().get(Company::NextInvoiceNumber),
                       TrimBlanks(CurrentCompany().get(Company::InvoiceNumberPrefix)) == "Y", date,
                       Invoice::InvNumber.width)
                       .value_or("");
        e.date = DateText(date);
        e.customerNumber = TrimBlanks(c.get(Customer::Number));
        e.customerShortName = c.get(Customer::ShortName);
        e.terms = c.get(Customer::Terms);
        e.keyCode = "FAULTS";
        FillInvoice(e, random.chance(20), c);
        if (random.chance(10)) e.paid = e.total;  // paid at the counter

        PostingPlan plan = PlanInvoicePosting(e, false);
        if (!plan.posting) return Refused("invoice " + e.number, plan.refusal);
        PostingResult r;
        r.what = "invoice " + e.number + " added";
        r.facts.push_back(*InvoiceFact(plan.posting->header));
        write = [posting = std::move(*plan.posting)] {
            NoInvoiceManagerView view;
            WriteInvoicePosting(posting, view, false);
        };
        return r;
    }

    // An unpaid invoice the manager lets the user change or delete.
    std::optional<std::pair<int32_t, InvoiceRec>> OpenInvoice() {
        std::vector<std::pair<int32_t, InvoiceRec>> candidates;
        for (auto& [ref, r] : RecordsOf<InvoiceRec>(InvoiceData()))
            if (TrimBlanks(r.get(Invoice::InvType)) == Invoice::TypeRegular &&
                Amount(r.get(Invoice::InvPaid)).isZero())
                candidates.emplace_back(ref, r);
        if (candidates.empty()) return std::nullopt;
        return Pick(candidates);
    }

    std::optional<PostingResult> InvoiceChange(std::function<void()>& write) {
        const auto picked = OpenInvoice();
        if (!picked) return std::nullopt;
        InvoiceUnderEdit old{picked->first, picked->second, {}};
        const InvoiceRec& h = old.header;
        old.lines = InvoiceLinesOf(h.get(Invoice::InvNumber));
        const auto customer = FindCustomerByNumber(h.get(Invoice::InvCustomerNumber));
        if (!customer) return std::nullopt;
        InvoiceEntry e;
        e.number = TrimBlanks(h.get(Invoice::InvNumber));
        e.date = TrimBlanks(h.get(Invoice::InvDate));
        e.customerNumber = TrimBlanks(h.get(Invoice::InvCustomerNumber));
        e.customerShortName = h.get(Invoice::InvCustomerShortName);
        e.terms = h.get(Invoice::InvTerms);
        e.keyCode = h.get(Invoice::InvKeyCode);
        e.notes = "Changed";
        FillInvoice(e, TrimBlanks(h.get(Invoice::InvKind)) == Invoice::KindMemo, customer->record);

        ChangePlan plan = PlanInvoiceChange(old, e);
        if (!plan.change) return Refused("change of invoice " + e.number, plan.refusal);
        PostingResult r;
        r.what = "invoice " + e.number + " changed";
        r.facts.push_back(*InvoiceFact(plan.change->header));
        write = [change = std::move(*plan.change)] {
            NoInvoiceManagerView view;
            WriteInvoiceChange(change, view);
        };
        return r;
    }

    std::optional<PostingResult> InvoiceDelete(std::function<void()>& write) {
        std::optional<std::pair<int32_t, InvoiceRec>> picked;
        if (random.chance(25)) {
            // A deposit on account may be deleted too.
            std::vector<std::pair<int32_t, InvoiceRec>> deposits;
            for (auto& [ref, r] : RecordsOf<InvoiceRec>(InvoiceData()))
                if (TrimBlanks(r.get(Invoice::InvType)) == Invoice::TypeDeposit)
                    deposits.emplace_back(ref, r);
            if (!deposits.empty()) picked = Pick(deposits);
        }
        if (!picked) picked = OpenInvoice();
        if (!picked) return std::nullopt;
        const DeletionPlan plan = PlanInvoiceDeletion(picked->first, picked->second);
        if (!plan.deletion) return Refused("deletion of invoice", plan.refusal);
        PostingResult r;
        const Fact gone = *InvoiceFact(picked->second);
        r.what = gone.key + " deleted";
        r.facts.push_back({gone.key, ""});
        write = [deletion = *plan.deletion] {
            NoInvoiceManagerView view;
            WriteInvoiceDeletion(deletion, view);
        };
        return r;
    }

    // --- receivables ---

    std::optional<PostingResult> Payment(bool inPart, bool deposit, std::function<void()>& write) {
        const auto customers = RecordsOf<CustomerRec>(CustomerData());
        std::vector<std::pair<CustomerRec, PaymentItem>> open;
        for (const auto& [ref, c] : customers) {
            if (deposit) {
                open.emplace_back(c, PaymentItem{});
                continue;
            }
            for (const PaymentItem& item : ListOpenItems(c.get(Customer::Number)).items)
                if (item.amount > Decimal::FromScaled(Decimal::Scale)) open.emplace_back(c, item);
        }
        if (open.empty()) return std::nullopt;
        const auto& [c, listed] = Pick(open);
        PaymentEntry e;
        e.customerNumber = TrimBlanks(c.get(Customer::Number));
        e.shortName = c.get(Customer::ShortName);
        e.paymentDate = DateText(Today);
        e.notes = "Check " + std::to_string(random.number(1001, 9899));
        PaymentItem item = listed;
        if (deposit) {
            item = {std::string(DepositItemNumber),
                    DepositListDate(e.paymentDate, Shell().companies.dateFormat().order()),
                    Decimal::FromScaled(random.number(5, 40) * 10 * Decimal::Scale), false, 0};
        } else {
            item.partial = inPart;
            if (inPart)
                item.amount = (listed.amount *
                               Decimal::FromScaled(random.number(20, 80) * (Decimal::Scale / 100)))
                                  .round(2);
        }
        e.paidAmount = item.amount.format("0.00");
        e.items.push_back(item);

        PaymentPlan plan = PlanPayments(e);
        if (!plan.posting)
            return Refused("payment of customer " + e.customerNumber, plan.refusal.text);
        PostingResult r;
        r.what = (deposit  ? "deposit of "
                  : inPart ? "part payment of "
                           : "payment of ") +
                 item.amount.format("0.00") + " for " + (deposit ? e.customerNumber : item.number);
        for (const PaymentWrite& w : plan.posting->writes)
            if (const auto fact = InvoiceFact(w.record)) r.facts.push_back(*fact);
        write = [posting = std::move(*plan.posting)] { WritePayments(posting); };
        return r;
    }

    std::optional<PostingResult> FinanceCharges(std::function<void()>& write) {
        auto files = std::make_shared<InterestFiles>();
        if (!files->ok()) return Refused("finance charges", files->refusal());
        InterestTerms terms;
        terms.rate = Decimal::FromScaled(15 * Decimal::Scale / 10);
        terms.minimum = Decimal::FromScaled(Decimal::Scale / 2);
        const InterestScan scan = ScanInterestCustomers(terms);
        if (!scan.refusal.isEmpty()) return Refused("finance charges", scan.refusal);
        if (scan.customers.empty()) return std::nullopt;
        InterestInvoiceData data;
        data.date = DateText(Today);
        data.comments = "Finance charge on overdue balance";
        data.rateText = "1.5";
        data.minimumText = "0.50";
        InterestPlanResult plan = PlanInterestInvoices(data, scan.customers);
        if (!plan.plan) return Refused("finance charges", plan.refusal);
        PostingResult r;
        r.what = std::to_string(plan.plan->invoices.size()) + " finance-charge invoices";
        for (const InterestInvoice& invoice : plan.plan->invoices)
            r.facts.push_back(*InvoiceFact(invoice.header));
        // The wizard keeps the files open from the scan to the end of the run.
        write = [files, run = std::move(*plan.plan)] { WriteInterestInvoices(run); };
        return r;
    }

    // --- purchasing ---

    void FillOrder(POEntry& e, bool memo, const VendorRec& v) {
        const CompanyRec& c = CurrentCompany();
        e.vendorNumber = TrimBlanks(v.get(Vendor::Number));
        e.vendorShortName = v.get(Vendor::ShortName);
        e.terms = TrimBlanks(c.get(Company::DefaultPOTerms));
        e.signature1 = c.get(Company::POSignature[0]);
        e.signature2 = c.get(Company::POSignature[1]);
        if (memo) {
            FillMemo(e, true);
        } else {
            FillRows(e, true);
            SetEntryTotals(e,
                           c.get(Company::TaxOnPOs) && TrimBlanks(v.get(Vendor::TaxExempt)) != "Y",
                           TrimBlanks(c.get(Company::TaxRate)));
        }
        e.dateRequired = DateText(Today);
        if (random.chance(15)) {
            e.markReceived = true;
            e.receivedDate = DateText(Today);
        }
    }

    std::optional<PostingResult> POAdd(std::function<void()>& write) {
        const auto vendors = RecordsOf<VendorRec>(VendorData());
        if (vendors.empty()) return std::nullopt;
        const Date date = AnyDay();
        POEntry e;
        e.number = ProposeDocumentNumber(CurrentCompany().get(Company::NextPONumber),
                                         TrimBlanks(CurrentCompany().get(Company::POPrefix)) == "Y",
                                         date, PurchaseOrder::PONumber.width)
                       .value_or("");
        e.date = DateText(date);
        e.keyCode = "FAULTS";
        FillOrder(e, random.chance(15), Pick(vendors).second);

        POPostingPlan plan = PlanPOPosting(e);
        if (!plan.posting) return Refused("PO " + e.number, plan.refusal);
        PostingResult r;
        r.what = "PO " + e.number + " added";
        r.facts.push_back(OrderFact(plan.posting->header));
        write = [posting = std::move(*plan.posting)] {
            NoPOManagerView view;
            WritePOPosting(posting, view);
        };
        return r;
    }

    std::optional<std::pair<int32_t, PORec>> AnyOrder() {
        auto orders = RecordsOf<PORec>(POData());
        if (orders.empty()) return std::nullopt;
        return Pick(orders);
    }

    // The receipts the lines record, gone with them.
    static void ReceiversGone(const std::vector<StoredPOLine>& lines, std::vector<Fact>& facts) {
        for (const StoredPOLine& line : lines)
            if (const auto receiver = ReceiverOf(line.record)) facts.push_back({*receiver, ""});
    }

    std::optional<PostingResult> POChange(std::function<void()>& write) {
        const auto picked = AnyOrder();
        if (!picked) return std::nullopt;
        POUnderEdit old{picked->first, picked->second, {}};
        const PORec& h = old.header;
        old.lines = POLinesOf(h.get(PurchaseOrder::PONumber));
        if (POEditRefusal(old.lines)) return std::nullopt;  // receipts on it: not editable
        const auto vendors = RecordsOf<VendorRec>(VendorData());
        const auto vendor = std::find_if(vendors.begin(), vendors.end(), [&](const auto& v) {
            return Key(v.second.get(Vendor::Number)) == Key(h.get(PurchaseOrder::POVendorNumber));
        });
        if (vendor == vendors.end()) return std::nullopt;
        POEntry e;
        e.number = TrimBlanks(h.get(PurchaseOrder::PONumber));
        e.date = TrimBlanks(h.get(PurchaseOrder::PODate));
        e.keyCode = h.get(PurchaseOrder::POKeyCode);
        e.notes = "Changed";
        FillOrder(e, TrimBlanks(h.get(PurchaseOrder::POType)) == PurchaseOrder::TypeMemo,
                  vendor->second);

        POChangePlan plan = PlanPOChange(old, e);
        if (!plan.change) return Refused("change of PO " + e.number, plan.refusal);
        PostingResult r;
        r.what = "PO " + e.number + " changed";
        ReceiversGone(old.lines, r.facts);
        r.facts.push_back(OrderFact(plan.change->header));
        write = [change = std::move(*plan.change)] {
            NoPOManagerView view;
            WritePOChange(change, view);
        };
        return r;
    }

    std::optional<PostingResult> PODelete(std::function<void()>& write) {
        const auto picked = AnyOrder();
        if (!picked) return std::nullopt;
        const PODeletionPlan plan = PlanPODeletion(picked->first, picked->second);
        if (!plan.deletion) return Refused("deletion of PO", plan.refusal);
        PostingResult r;
        const Fact gone = OrderFact(picked->second);
        r.what = gone.key + " deleted";
        std::vector<StoredPOLine> lines;
        for (const POLineRemoval& removal : plan.deletion->lines) lines.push_back(removal.line);
        ReceiversGone(lines, r.facts);
        r.facts.push_back({gone.key, ""});
        write = [deletion = *plan.deletion] {
            NoPOManagerView view;
            WritePODeletion(deletion, view);
        };
        return r;
    }

    std::optional<PostingResult> Receipt(std::function<void()>& write) {
        std::vector<std::pair<std::string, ReceivingList>> open;
        for (const auto& [ref, po] : RecordsOf<PORec>(POData())) {
            const std::string number = TrimBlanks(po.get(PurchaseOrder::PONumber));
            ReceivingList list = LoadReceivingList(number, true);
            if (list.error.isEmpty() && !list.rows.empty()) open.emplace_back(number, list);
        }
        if (open.empty()) return std::nullopt;
        auto [number, list] = Pick(open);
        const bool whole = random.chance(50);
        bool any = false;
        for (std::size_t k = 0; k < list.rows.size(); ++k) {
            ReceivingRow& row = list.rows[k];
            ReceiveAll(row);
            const Decimal all = Amount(row.inToday);
            // A line received in full or over has nothing more to come.
            if (all <= Decimal()) {
                ReceiveNone(row);
                continue;
            }
            any = true;
            const Decimal half =
                Decimal::FromScaled(all.scaled() / Decimal::Scale / 2 * Decimal::Scale);
            if (!whole && (k == 0 || random.chance(50)) && half > Decimal()) {
                row.inToday = half.general();
                row.balanceDue = BalanceDueText(row);
            }
        }
        if (!any) return std::nullopt;
        ReceivingEntry e;
        e.poNumber = number;
        e.loadedPONumber = number;
        e.receiverNumber = ProposedReceiverNumber(CurrentCompany(), number);
        e.receiverDate = DateText(Today);
        e.openQuantity =
            Decimal::Sub(list.totalOrdered, list.totalReceived).value_or(Decimal()).general();
        e.rows = std::move(list.rows);

        ReceivingPlan plan = PlanReceiving(e, [](const QString&, const QString&) { return true; });
        if (!plan.posting) return Refused("receipt of PO " + number, plan.refusal.text);
        PostingResult r;
        r.what = "receipt " + e.receiverNumber + " on PO " + number;
        Decimal quantity;
        for (const RowReceipt& receipt : plan.posting->receipts)
            quantity += Amount(receipt.line.get(POLine::LineReceivedQty));
        POLineRec probe;
        probe.set(POLine::LineReceiverNumber, e.receiverNumber);
        r.facts.push_back({*ReceiverOf(probe), "qty " + quantity.general()});
        r.facts.push_back(OrderFact(plan.posting->header));
        write = [posting = std::move(*plan.posting)] { WriteReceiving(posting); };
        return r;
    }

    static std::optional<PostingResult> Refused(const std::string& what, const QString& why) {
        ADD_FAILURE() << what << " was refused: " << why.toStdString();
        return std::nullopt;
    }

    std::optional<PostingResult> Plan(PostingKind kind, std::function<void()>& write) {
        switch (kind) {
            case PostingKind::InvoiceAdd:
                return InvoiceAdd(write);
            case PostingKind::InvoiceChange:
                return InvoiceChange(write);
            case PostingKind::InvoiceDelete:
                return InvoiceDelete(write);
            case PostingKind::PaymentInFull:
                return Payment(false, false, write);
            case PostingKind::PaymentInPart:
                return Payment(true, false, write);
            case PostingKind::Deposit:
                return Payment(false, true, write);
            case PostingKind::FinanceCharges:
                return FinanceCharges(write);
            case PostingKind::POAdd:
                return POAdd(write);
            case PostingKind::POChange:
                return POChange(write);
            case PostingKind::PODelete:
                return PODelete(write);
            case PostingKind::Receipt:
                return Receipt(write);
        }
        return std::nullopt;
    }
};

PostingDriver::PostingDriver(uint32_t seed) : impl_(std::make_unique<Impl>(seed)) {}
PostingDriver::~PostingDriver() = default;

PostingResult PostingDriver::Post(PostingKind kind,
                                  const std::function<void(const PostingResult&)>& beforeWrite) {
    const bool invoices = kind == PostingKind::InvoiceAdd || kind == PostingKind::InvoiceChange ||
                          kind == PostingKind::InvoiceDelete;
    const bool orders = kind == PostingKind::POAdd || kind == PostingKind::POChange ||
                        kind == PostingKind::PODelete;
    // Invoices are posted from the Invoice Manager and orders from the Purchase Order
    // Manager, which keep their documents' files open while they are shown.
    HeldFiles held;
    if (invoices) held.Hold({&InvoiceData(), &InvoiceLineData(), &InvoiceMemoData()});
    if (orders) held.Hold({&POData(), &POLineData(), &POMemoData()});
    if (holdFiles) held.Hold({&CustomerData(), &ProductData()});

    std::function<void()> write;
    std::optional<PostingResult> planned = impl_->Plan(kind, write);
    if (!planned) {
        PostingResult nothing;
        nothing.kind = kind;
        return nothing;
    }
    PostingResult result = std::move(*planned);
    result.kind = kind;
    if (beforeWrite) beforeWrite(result);
    try {
        write();
        result.outcome = PostingResult::Outcome::Returned;
    } catch (const AppError& error) {
        result.outcome = PostingResult::Outcome::Failed;
        result.error = error.Text().toStdString();
    }
    return result;
}

// --- after a restart ---------------------------------------------------------------------

RestartFindings CheckAfterRestart(const DataFolder& folder, ScriptedHost& host,
                                  const std::map<std::string, Decimal>& opening, Facts& model,
                                  const std::vector<Fact>* inFlight) {
    RestartFindings found;
    const BooksSession session(folder, host);
    found.rebuilt = session.rebuilt();
    found.questions = session.questions();
    found.indexFaults = IndexFaults();
    const testsupport::CompanyBooks books = testsupport::ReadCompanyBooks(folder, CompanyNumber);
    found.unreadable = books.unreadable;
    found.halfPosted = testsupport::HalfPostedDocuments(books);
    found.disagreements = testsupport::BooksDisagreements(books, Today, opening);
    const Facts observed = ObservedFacts(books);
    if (observed == model) return found;
    if (inFlight && observed == After(model, *inFlight)) {
        found.inFlightDone = true;
        model = observed;
        return found;
    }
    found.lost = FactsNotOnFile(model, observed);
    for (const auto& [key, value] : observed)
        if (!model.count(key))
            found.lost.push_back(key + ": on file \"" + value + "\", not posted");
    model = observed;  // go on from what is there
    return found;
}

void RestartTally::Add(const RestartFindings& found, const std::string& where) {
    rebuilt += found.rebuilt;
    questions += found.questions;
    mostQuestions = std::max(mostQuestions, found.questions);
    indexFaults += static_cast<int>(found.indexFaults.size());
    inFlightDone += found.inFlightDone ? 1 : 0;
    halfPosted += static_cast<int>(found.halfPosted.size());
    disagreeing += static_cast<int>(found.disagreements.size() + found.unreadable.size());
    lost += static_cast<int>(found.lost.size());
    const auto note = [&](const std::string& what) { notes.push_back(where + ": " + what); };
    for (const std::string& file : found.unreadable) note("cannot read " + file);
    for (const std::string& p : found.indexFaults) note("index: " + p);
    for (const std::string& p : found.halfPosted) note("half-posted: " + p);
    for (const std::string& p : found.disagreements) note(p);
    for (const std::string& p : found.lost) note(p);
}

std::string RestartTally::Summary() const {
    std::string text = std::to_string(inFlightDone) + " postings in flight found done; " +
                       std::to_string(rebuilt) + " sets rebuilt after " +
                       std::to_string(questions) + " questions (at most " +
                       std::to_string(mostQuestions) + " at one start); " +
                       std::to_string(indexFaults) + " index faults; " +
                       std::to_string(halfPosted) +
                       " half-posted, " + std::to_string(lost) + " facts lost or unexpected, " +
                       std::to_string(disagreeing) + " disagreements\n";
    for (std::size_t k = 0; k < notes.size() && k < 60; ++k) text += "  " + notes[k] + "\n";
    return text;
}

void RestartTally::ExpectNothingWrong() const {
    EXPECT_EQ(indexFaults, 0);
    EXPECT_LE(mostQuestions, 1);
    EXPECT_EQ(halfPosted, 0);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(disagreeing, 0);
}

}  // namespace bookstest
