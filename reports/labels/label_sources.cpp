#include "reports/labels/label_sources.h"

#include <array>
#include <functional>
#include <span>

#include "engine/decimal.h"
#include "engine/engine.h"
#include "masters/master_files.h"
#include "platform/scope_guard.h"
#include "shell/text.h"

namespace {

template <class Fields, class Rec>
LabelQueueItem PartyItem(LabelKind kind, const Rec& record) {
    return MakeLabelQueueItem(kind, record.get(Fields::Number), record.get(Fields::Name),
                              record.get(Fields::MailSort), record.get(Fields::Type));
}

// Calls `visit` with every live record of the file in record order; the file set is opened
// for the walk and closed after it unless it was open already. `visit` answers false to
// stop the walk.
template <class Rec>
SourceWalk Walk(const DataFile& file, const char* noun,
                const std::function<bool(const Rec&, SourceWalk&)>& visit) {
    SourceWalk walk;
    const auto failure = [noun](const std::string& what) {
        return what + " the " + noun + " file (error " + std::to_string(EngineErrorCode) + ").";
    };
    const bool wasOpen = IsFileSetOpen(file.handle());
    if (!file.Open()) {
        // The open itself has asked about a defective index or a missing file set.
        if (EngineErrorCode != EngineCode::IndexDefective &&
            EngineErrorCode != EngineCode::NoSuchFileSet)
            walk.problem = failure("Could not open");
        return walk;
    }
    walk.opened = true;
    const ScopeExit close([&file, wasOpen] {
        if (!wasOpen) file.Close();
    });
    Rec record;
    int32_t ref = 0;
    for (;;) {
        NextUsedRecord(file.handle(), ref);
        if (!EngineOK) {
            if (EngineErrorCode != EngineCode::NoNextRecord)
                walk.problem = failure("Could not read to its end");
            break;
        }
        if (!file.ReadRec(ref, record.bytes())) {
            walk.problem = failure("Could not read record " + std::to_string(ref) + " of");
            break;
        }
        if (!visit(record, walk)) break;
    }
    return walk;
}

constexpr std::size_t Index(AgingPull pull) {
    return static_cast<std::size_t>(pull);
}

}  // namespace

LabelQueueItem CustomerQueueItem(const CustomerRec& customer) {
    return PartyItem<Customer>(LabelKind::Customer, customer);
}

LabelQueueItem VendorQueueItem(const VendorRec& vendor) {
    return PartyItem<Vendor>(LabelKind::Vendor, vendor);
}

LabelQueueItem ProductQueueItem(const ProductRec& product) {
    return MakeLabelQueueItem(LabelKind::Product, product.get(Product::Code),
                              product.get(Product::Description), product.get(Product::SalesPrice),
                              product.get(Product::Location));
}

SourceWalk LoadAllCustomers() {
    return Walk<CustomerRec>(CustomerData(), "customer", [](const CustomerRec& r, SourceWalk& w) {
        if (!r.get(Customer::Name).empty()) w.items.push_back(CustomerQueueItem(r));
        return true;
    });
}

SourceWalk LoadAllVendors() {
    return Walk<VendorRec>(VendorData(), "vendor", [](const VendorRec& r, SourceWalk& w) {
        if (!r.get(Vendor::Name).empty()) w.items.push_back(VendorQueueItem(r));
        return true;
    });
}

SourceWalk LoadAllProducts() {
    return Walk<ProductRec>(ProductData(), "product", [](const ProductRec& r, SourceWalk& w) {
        if (!r.get(Product::Code).empty()) w.items.push_back(ProductQueueItem(r));
        return true;
    });
}

std::optional<std::string> AgingPullRefusal(const CompanyRec& company, AgingPull pull) {
    // The last bucket is "over" the third period: it needs the third period too.
    const std::size_t period = pull == AgingPull::Over ? 2 : Index(pull);
    if (!TrimBlanks(company.get(Company::AgingPeriod[period])).empty()) return std::nullopt;
    return "Category " + std::to_string(period + 1) +
           " has a bad value in your aging days (Company Setup). Unable to process.";
}

std::string AgingPullCaption(const CompanyRec& company, AgingPull pull) {
    if (pull == AgingPull::Over) return "Over " + TrimBlanks(company.get(Company::AgingPeriod[2]));
    return TrimBlanks(company.get(Company::AgingCaption[Index(pull)]));
}

SourceWalk PullAgedCustomers(AgingPull pull) {
    const auto bucket = Customer::Amounts[Index(pull)];
    return Walk<CustomerRec>(
        CustomerData(), "customer", [bucket](const CustomerRec& r, SourceWalk& w) {
            const std::string text = r.get(bucket);
            const auto amount = Decimal::ParseBlankAsZero(StripCommas(text));
            if (!amount) {
                w.problem = "'" + text + "' is not a valid amount (customer " +
                            TrimBlanks(r.get(Customer::Number)) + "). The pull stopped there.";
                return false;
            }
            if (!amount->isZero()) w.items.push_back(CustomerQueueItem(r));
            return true;
        });
}
