#include "shell/sample_company.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>

#include "engine/engine.h"
#include "engine/file_names.h"
#include "shell/company/company_defaults.h"
#include "shell/company/company_file.h"
#include "shell/posting_unit.h"
#include "shell/small_files.h"

namespace {

struct NamedFiller {
    std::string name;
    SampleFiller filler;
};

std::vector<NamedFiller>& Fillers() {
    static std::vector<NamedFiller> fillers;
    return fillers;
}

constexpr std::array<const char*, 8> kStreets{"Quay Street",   "Mill Lane",    "Harbour Road",
                                              "Market Place",  "Station Road", "Ropewalk",
                                              "Chandlers Row", "Foundry Yard"};
constexpr std::array<const char*, 6> kTowns{"Port Ellery, ME 04101", "Bridgewater, VT 05034",
                                            "Salt Marsh, NH 03801",  "Kingsferry, CT 06355",
                                            "Oldhaven, RI 02840",    "Wellbrook, MA 01945"};
constexpr std::array<const char*, 4> kSigners{"Margaret Hale, Purchasing", "Tom Avery, Buyer",
                                              "Ruth Okafor, Operations", "Daniel Reyes, Owner"};
constexpr std::array<const char*, 5> kTerms{"Net 30", "Net 15", "Due on receipt", "2% 10, Net 30",
                                            "Net 60"};

// The name in lower-case letters and digits, for the mail address.
std::string Slug(std::string_view name) {
    std::string slug;
    for (const char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            slug += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return slug.empty() ? "company" : slug.substr(0, 30);
}

CompanyRec SampleRecord(int number, std::string_view name, uint32_t seed) {
    using namespace Company;
    SampleRandom pick(seed);
    CompanyRec rec = NewCompanyRecord();
    rec.set(Name, name);
    if (!rec.set(CompanyNumber, std::to_string(number)))
        throw std::runtime_error("The company number must be from 1 to 32000.");
    const std::string street = std::to_string(pick.number(2, 240)) + " " + pick.pick(kStreets);
    const std::string town = pick.pick(kTowns);
    const std::string phone = "Tel. (555) 01" + std::to_string(pick.number(10, 99));
    rec.set(Address[0], street);
    rec.set(Address[1], town);
    rec.set(Address[2], phone);
    rec.set(POShipTo[0], std::string(name));
    rec.set(POShipTo[1], "Goods In, " + street);
    rec.set(POShipTo[2], town);
    rec.set(POSignature[0], pick.pick(kSigners));
    rec.set(POSignature[1], "Please quote our order number on every delivery.");
    rec.set(POMessage[0], "Deliveries Monday to Friday, 8 am to 4 pm.");
    rec.set(POMemoHeader, "Order notes");
    rec.set(EmailAddress, "office@" + Slug(name) + ".example");
    rec.set(SmtpHost, "localhost");
    [[maybe_unused]] const bool taxFits = rec.set(TaxRate, "7.5");
    // Printed documents draw their box 20 printer pixels in from the page's edges and their
    // text at the margins: margins past the box keep the box line off the text.
    [[maybe_unused]] const bool marginsFit =
        rec.set(LeftFormMargin, "50") && rec.set(TopFormMargin, "25");
    rec.set(DefaultPOTerms, "Net 30");
    return rec;
}

void WriteTermsWhenMissing(const DataFolder& folder) {
    if (filenames::exists(folder.file(TermsFileName))) return;
    if (!SaveTerms(folder, {kTerms.begin(), kTerms.end()}))
        throw std::runtime_error(
            WithWriteReason("The payment terms file could not be written.").toStdString());
}

}  // namespace

void RegisterSampleFiller(std::string name, SampleFiller filler) {
    auto& fillers = Fillers();
    const auto it = std::find_if(fillers.begin(), fillers.end(),
                                 [&](const NamedFiller& f) { return f.name == name; });
    if (it != fillers.end())
        it->filler = std::move(filler);
    else
        fillers.push_back({std::move(name), std::move(filler)});
}

void UnregisterSampleFiller(std::string_view name) {
    std::erase_if(Fillers(), [&](const NamedFiller& f) { return f.name == name; });
}

std::vector<std::string> SampleFillerNames() {
    std::vector<std::string> names;
    for (const NamedFiller& f : Fillers()) names.push_back(f.name);
    return names;
}

uint32_t FillerSeed(uint32_t seed, std::string_view name) {
    // FNV-1a over the name, mixed with the sample's seed.
    uint32_t hash = 2166136261u ^ seed;
    for (const char c : name) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

CompanyRec CreateSampleCompany(const DataFolder& folder, int number, std::string_view name,
                               const SampleOptions& options) {
    if (number < 1 || number > 32000)
        throw std::runtime_error("The company number must be from 1 to 32000.");
    const CompanyRec record = SampleRecord(number, name, options.seed);
    CompanyState state;
    switch (AddCompany(state, folder, record)) {
        case CompanyResult::Ok:
            break;
        case CompanyResult::DuplicateNumber:
            throw std::runtime_error("Company " + std::to_string(number) +
                                     " is already in the company file.");
        default:
            throw std::runtime_error(
                WithSystemReason(QString("The company file could not be written (error %1).")
                                     .arg(EngineErrorCode))
                    .toStdString());
    }
    const CompanyRec company = state.CompanyBuf;
    if (!WriteLastCompany(folder, company))
        throw std::runtime_error(
            WithWriteReason("The last-company file could not be written.").toStdString());
    WriteTermsWhenMissing(folder);
    // A copy: a filler may register others while it runs.
    const std::vector<NamedFiller> fillers = Fillers();
    for (const NamedFiller& f : fillers) {
        const auto count = options.counts.find(f.name);
        if (count != options.counts.end() && count->second > 0)
            f.filler(folder, company, FillerSeed(options.seed, f.name), count->second);
    }
    return company;
}
