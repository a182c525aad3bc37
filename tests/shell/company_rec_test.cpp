// The company record's layout: fields in place and apart from each other.
#include "shell/company/company_rec.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// One field of the layout, driven without knowing its type: write a value chosen by a seed,
// check that value back.
struct Probe {
    std::string name;
    std::function<void(CompanyRec&, int)> write;
    std::function<bool(const CompanyRec&, int)> holds;
};

// Full-width text of nonzero bytes, different for each seed.
std::string Fill(int width, int seed) {
    std::string s;
    for (int i = 0; i < width; ++i) s += static_cast<char>('!' + (seed * 7 + i) % 90);
    return s;
}

Probe Of(std::string name, Company::Text f) {
    return {name, [f](CompanyRec& r, int s) { r.set(f, Fill(f.width, s)); },
            [f](const CompanyRec& r, int s) { return r.get(f) == Fill(f.width, s); }};
}
Probe Of(std::string name, Company::Number f) {
    return {name, [f](CompanyRec& r, int s) { EXPECT_TRUE(r.set(f, Fill(f.width, s))); },
            [f](const CompanyRec& r, int s) { return r.get(f) == Fill(f.width, s); }};
}
Probe Of(std::string name, Company::Bool f) {
    return {name, [f](CompanyRec& r, int) { r.set(f, true); },
            [f](const CompanyRec& r, int) { return r.get(f); }};
}
int32_t Word(int seed) {
    return static_cast<int32_t>(0x11111111u * ((seed % 14) + 1) + 0x01010101u);
}
Probe Of(std::string name, Company::I32 f) {
    return {name, [f](CompanyRec& r, int s) { r.set(f, Word(s)); },
            [f](const CompanyRec& r, int s) { return r.get(f) == Word(s); }};
}
Probe Of(std::string name, Company::Byte f) {
    return {name, [f](CompanyRec& r, int s) { r.set(f, static_cast<uint8_t>(1 + s % 250)); },
            [f](const CompanyRec& r, int s) { return r.get(f) == 1 + s % 250; }};
}
void AddFont(std::vector<Probe>& probes, const std::string& name, const Company::Font& f) {
    probes.push_back(Of(name + ".name", f.name));
    probes.push_back(Of(name + ".size", f.size));
    probes.push_back(Of(name + ".colour", f.colour));
    probes.push_back(Of(name + ".style", f.style));
}

std::vector<Probe> AllFields() {
    using namespace Company;
    std::vector<Probe> p;
#define FIELD(f) p.push_back(Of(#f, f))
    FIELD(Name), FIELD(CompanyNumber), FIELD(ReceivablesTotal), FIELD(ExtraAddress);
    for (int i = 0; i < 4; ++i) {
        p.push_back(Of("Address" + std::to_string(i), Address[i]));
        p.push_back(Of("POShipTo" + std::to_string(i), POShipTo[i]));
        p.push_back(Of("POMessage" + std::to_string(i), POMessage[i]));
    }
    AddFont(p, "EditorFont", EditorFont);
    FIELD(NextInvoiceNumber), FIELD(DefaultQuantity), FIELD(PrintDuplicate), FIELD(TaxRate);
    FIELD(DateOrderSetting), FIELD(InvoiceNumberPrefix), FIELD(NewInvoiceType);
    AddFont(p, "ManagersFont", ManagersFont);
    FIELD(VerticalLines), FIELD(HorizontalLines), FIELD(LineWidth), FIELD(InvoiceBox);
    FIELD(UseShading), FIELD(LetterheadStyle), FIELD(PrintSalesMessages), FIELD(MoveTotalsDown);
    FIELD(BoxTop), FIELD(TopFormMargin), FIELD(LeftFormMargin), FIELD(PrintLogo), FIELD(LogoFile);
    FIELD(CodeHeading), FIELD(QuantityHeading), FIELD(DescriptionHeading);
    FIELD(UnitCostHeading), FIELD(ExtensionHeading), FIELD(TaxHeading);
    FIELD(PrintPackingSlip), FIELD(PrintInvoiceFileCopies), FIELD(LastInvoiceNumber);
    for (int k = 0; k < PrintFontCount; ++k)
        AddFont(p, "PrintFont" + std::to_string(k), PrintFont(k));
    FIELD(MaxLines), FIELD(LastInterestRun), FIELD(LastStatementRun), FIELD(InterestMarkPrinted);
    FIELD(InterestTerms), FIELD(InterestOverdueClass), FIELD(InterestMinimumCharge);
    FIELD(InterestMonthlyRate), FIELD(QueueInvoiceCustomer), FIELD(QueueBatchCustomers);
    FIELD(InvoiceFileCopies), FIELD(PushAddress), FIELD(OmitCompanyName), FIELD(RequireAuditTrail);
    FIELD(NextPONumber), FIELD(NewPOsReceived), FIELD(POCaption), FIELD(PrintPOFileCopies);
    FIELD(POFileCopyCaption), FIELD(POMemoHeader), FIELD(TaxOnPOs), FIELD(LastPONumber);
    FIELD(NextReceiverNumber), FIELD(ShadingSpacing), FIELD(ShadingStyle), FIELD(PrintNewPOAtOnce);
    FIELD(ProductCodesOnPOs), FIELD(InvoiceShipToCaption), FIELD(POShipToCaption);
    FIELD(DefaultPOTerms), FIELD(NewPOType), FIELD(POPrefix), FIELD(PrintDuplicatePO);
    FIELD(QueuePOVendor), FIELD(QueueBatchVendors), FIELD(POFileCopies), FIELD(EmailAddress);
    FIELD(SmtpHost), FIELD(EmailRules), FIELD(EmailIncludeWithoutAddress);
#undef FIELD
    for (int i = 0; i < 2; ++i) p.push_back(Of("POSignature" + std::to_string(i), POSignature[i]));
    for (int i = 0; i < 3; ++i) {
        p.push_back(Of("AgingPeriod" + std::to_string(i), AgingPeriod[i]));
        p.push_back(Of("AgingCaption" + std::to_string(i), AgingCaption[i]));
    }
    return p;
}

TEST(CompanyRecLayout, NoFieldOverlapsAnotherOrTheEngineBytes) {
    std::vector<std::string> owner(CompanyRec::Size);
    for (const Probe& probe : AllFields()) {
        CompanyRec rec;
        probe.write(rec, 1);
        const auto bytes = rec.bytes();
        for (int i = 0; i < CompanyRec::Size; ++i) {
            if (bytes[i] == 0) continue;
            EXPECT_GE(i, 4) << probe.name << " writes into the engine's bytes";
            EXPECT_TRUE(owner[i].empty()) << probe.name << " overlaps " << owner[i] << " at " << i;
            owner[i] = probe.name;
        }
    }
}

TEST(CompanyRecLayout, EveryFieldKeepsItsValueWithAllOthersWritten) {
    const auto probes = AllFields();
    CompanyRec rec;
    for (std::size_t i = 0; i < probes.size(); ++i) probes[i].write(rec, static_cast<int>(i));
    for (std::size_t i = 0; i < probes.size(); ++i)
        EXPECT_TRUE(probes[i].holds(rec, static_cast<int>(i))) << probes[i].name;
}

TEST(CompanyRecLayout, FieldsSitWhereStoredFilesHaveThem) {
    CompanyRec rec;
    rec.set(Company::Name, "Acme");
    rec.set(Company::DateOrderSetting, "D");
    rec.set(Company::PrintFont(5).size, 12);
    rec.set(Company::AgingCaption[2], "Over 90");
    const auto b = rec.bytes();
    EXPECT_EQ(b[4], 4);
    EXPECT_EQ(b[5], 'A');
    EXPECT_EQ(b[1061], 1);
    EXPECT_EQ(b[1062], 'D');
    EXPECT_EQ(b[1728 + 48 * 5 + 36], 12);
    EXPECT_EQ(b[3589], 7);
    EXPECT_EQ(b[3599], 0);
    EXPECT_EQ(b[3595], '9');
}

}  // namespace
