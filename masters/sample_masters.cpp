#include "masters/sample_masters.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/decimal.h"
#include "masters/master_files.h"
#include "shell/dates.h"
#include "shell/posting_unit.h"
#include "shell/sample_company.h"
#include "shell/text.h"

namespace {

constexpr std::array FirstWords{
    "Harbor", "Summit",   "Maple",     "Granite",   "Willow",   "Beacon",   "Cedar",    "Prairie",
    "Copper", "Lakeside", "Northgate", "Riverbend", "Oakridge", "Bluebird", "Ironwood", "Sunset"};
constexpr std::array SecondWords{"Supply", "Traders", "Hardware",   "Outfitters",
                                 "Goods",  "Works",   "Provisions", "Mercantile",
                                 "Depot",  "Market",  "Builders",   "Wholesale"};
constexpr std::array Streets{"Main St",  "Oak Ave", "Mill Rd", "Elm St",     "Park Blvd",
                             "Front St", "Lake Dr", "Hill Rd", "Station Rd", "Market Sq"};
constexpr std::array Towns{"Springfield, IL 62701", "Fairview, OR 97024", "Riverton, WY 82501",
                           "Greenville, SC 29601",  "Madison, WI 53703",  "Clinton, IA 52732",
                           "Franklin, TN 37064",    "Salem, MA 01970"};
constexpr std::array CustomerTypes{"Retail", "Wholesale", "Contractor", "Institution"};
constexpr std::array Terms{"Net 30", "Net 15", "Due on receipt", "2% 10 Net 30"};
constexpr std::array Goods{"Hammer", "Wrench", "Screwdriver", "Pliers",  "Tape Measure",
                           "Level",  "Saw",    "Drill Bit",   "Sander",  "Clamp",
                           "Chisel", "Ladder", "Flashlight",  "Padlock", "Hinge"};
constexpr std::array Grades{"Standard", "Heavy Duty", "Compact", "Pro", "Economy"};
constexpr std::array Categories{"TOOLS", "HARDWARE", "POWER", "SAFETY", "GARDEN"};

// An amount with two decimals between lo and hi cents.
std::string Cents(SampleRandom& s, uint32_t lo, uint32_t hi) {
    const int64_t c = lo + s.below(hi - lo + 1);
    return Decimal::FromScaled(c * (Decimal::Scale / 100)).format("0.00");
}

std::string Numbered(const char* prefix, int n, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, width, n);
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Fills a party record (customer or vendor) with an address, phones and notes.
template <class Fields, class Rec>
void FillParty(Rec& r, SampleRandom& s, const std::string& number, int n) {
    const std::string name =
        std::string(s.pick(FirstWords)) + " " + s.pick(SecondWords) + " " + std::to_string(n);
    (void)r.set(Fields::Number, number);
    r.set(Fields::Name, name);
    (void)r.set(Fields::Balance, "0.00");
    r.set(Fields::TaxExempt, s.below(5) == 0 ? "Y" : "N");
    r.set(Fields::Terms, s.pick(Terms));
    const std::string street = std::to_string(100 + s.below(9800)) + " " + s.pick(Streets);
    const char* town = s.pick(Towns);
    // The name is printed above the address lines: they hold the address alone. Goods go to
    // the same premises, to the attention of whoever receives them.
    r.set(Fields::Address[0], street);
    r.set(Fields::Address[1], town);
    r.set(Fields::Address2[0], "Attn: Receiving");
    r.set(Fields::Address2[1], street);
    r.set(Fields::Address2[2], town);
    r.set(Fields::Phone1,
          "(555) " + Numbered("", s.below(900) + 100, 3) + "-" + Numbered("", s.below(10000), 4));
    for (const auto& amount : Fields::Amounts) (void)r.set(amount, "0.00");
    r.set(Fields::PrintNotes, "N");
    r.set(Fields::ShortName, Upper(name.substr(0, 10)));
    r.set(Fields::MailSort, std::string(town).substr(std::string(town).size() - 5));
    r.set(Fields::Hold, "N");
    std::string mail = Upper(s.pick(FirstWords));
    for (char& c : mail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    r.set(Fields::Email, "orders" + std::to_string(n) + "@" + mail + ".example");
}

// Adds `count` records made by `make` to the file set in one whole bracket.
template <class Rec, class Make>
bool AddAll(const DataFolder& folder, const std::string& name, const DataFile& file, int count,
            Make make) {
    FileSetHandle handle = 0;
    if (!OpenFiles(handle, folder.fileSet(name), file.desc().file, true)) return false;
    const FileSetCloser closer(handle);
    return InBracket(handle, [&] {
        for (int n = 1; n <= count; ++n) {
            Rec r;
            make(r, n);
            int32_t ref = 0;
            if (!AddRecordWithKeys(handle, file.desc().file, r.bytes(), ref)) return false;
        }
        return true;
    });
}

std::string Stem(const CompanyRec& company) {
    return TrimBlanks(company.get(Company::CompanyNumber));
}

}  // namespace

bool FillSampleCustomers(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                         int count) {
    SampleRandom s(seed);
    return AddAll<CustomerRec>(
        folder, Stem(company) + "C", CustomerData(), count, [&](CustomerRec& r, int n) {
            FillParty<Customer>(r, s, Numbered("C", n, 5), n);
            r.set(Customer::Type, s.pick(CustomerTypes));
            (void)r.set(Customer::CreditLimit, std::to_string(500 * (1 + s.below(20))) + ".00");
            r.set(Customer::PrintNotesOnStatements, "N");
            r.set(Customer::Notes, "Sample customer.");
        });
}

bool FillSampleVendors(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                       int count) {
    SampleRandom s(seed);
    return AddAll<VendorRec>(folder, Stem(company) + "V", VendorData(), count,
                             [&](VendorRec& r, int n) {
                                 FillParty<Vendor>(r, s, Numbered("V", n, 5), n);
                                 r.set(Vendor::Type, "Supplier");
                                 r.set(Vendor::Notes, "Sample vendor.");
                             });
}

bool FillSampleProducts(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                        int count) {
    const DateFormat dates(DateOrderOf(company.get(Company::DateOrderSetting)));
    // Preferred vendors come from the sample vendors, when there are any.
    int32_t vendors = 0;
    {
        FileSetHandle h = 0;
        if (OpenFiles(h, folder.fileSet(Stem(company) + "V"), VendorData().desc().file, false)) {
            const FileSetCloser closer(h);
            vendors = UsedRecordCount(h);
        }
    }
    SampleRandom s(seed);
    return AddAll<ProductRec>(
        folder, Stem(company) + "P", ProductData(), count, [&](ProductRec& r, int n) {
            const std::string description =
                std::string(s.pick(Grades)) + " " + s.pick(Goods) + " " + std::to_string(n);
            const Date setup{2023, 1 + static_cast<int>(s.below(12)),
                             1 + static_cast<int>(s.below(28))};
            const std::string cost = Cents(s, 50, 20000);
            const Decimal costValue = *Decimal::Parse(cost);
            // A markup of 40% on cost, rounded to cents.
            const std::string price = (costValue * *Decimal::Parse("1.4")).round(2).format("0.00");
            (void)r.set(Product::Code, Numbered("P", n, 6));
            r.set(Product::Description, description);
            r.set(Product::PODescription, description);
            r.set(Product::TaxableOnInvoices, s.below(4) != 0);
            r.set(Product::TaxableOnPOs, false);
            (void)r.set(Product::SalesPrice, price);
            (void)r.set(Product::ListPrice, price);
            (void)r.set(Product::Cost, cost);
            (void)r.set(Product::PreviousPrice, "0.00");
            (void)r.set(Product::StockOnHand, std::to_string(s.below(500)));
            (void)r.set(Product::MinimumStock, "10");
            (void)r.set(Product::MaximumStock, "500");
            (void)r.set(Product::TargetStock, "100");
            (void)r.set(Product::PricingPercent, "40");
            (void)r.set(Product::Weight, std::to_string(1 + s.below(40)));
            r.set(Product::PriceType, "M");
            r.set(Product::PriceUpdate, "M");
            r.set(Product::SetupDate, dates.format(setup));
            r.set(Product::LastChangedDate, dates.format(setup));
            r.set(Product::Location, "Aisle " + std::to_string(1 + s.below(12)));
            r.set(Product::KeyCode, s.pick(Categories));
            r.set(Product::Notes, "Sample product.");
            if (vendors > 0)
                r.set(Product::PreferredVendor,
                      Numbered("V", 1 + static_cast<int>(s.below(vendors)), 5));
        });
}

bool FillSampleMasters(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                       int customers, int vendors, int products) {
    return FillSampleCustomers(folder, company, seed, customers) &&
           FillSampleVendors(folder, company, seed + 1, vendors) &&
           FillSampleProducts(folder, company, seed + 2, products);
}

void RegisterSampleMasterFillers() {
    using Fill = bool (*)(const DataFolder&, const CompanyRec&, uint32_t, int);
    const std::pair<const char*, Fill> fillers[] = {{"customers", FillSampleCustomers},
                                                    {"vendors", FillSampleVendors},
                                                    {"products", FillSampleProducts}};
    for (const auto& [name, fill] : fillers) {
        RegisterSampleFiller(name, [name, fill](const DataFolder& folder, const CompanyRec& company,
                                                uint32_t seed, int count) {
            if (!fill(folder, company, seed, count))
                throw std::runtime_error(
                    WithSystemReason(QString("The sample %1 could not be written (error %2).")
                                         .arg(name)
                                         .arg(EngineErrorCode))
                        .toStdString());
        });
    }
}
