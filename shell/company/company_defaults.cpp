#include "shell/company/company_defaults.h"

#include <string_view>

namespace {

void SetNumber(CompanyRec& rec, Company::Number field, std::string_view text) {
    // The starting values are short constants; one that did not fit would be a typo here.
    [[maybe_unused]] const bool fits = rec.set(field, text);
}

void SetFont(CompanyRec& rec, const Company::Font& font, std::string_view name, int size) {
    rec.set(font.name, name);
    rec.set(font.size, size);
    rec.set(font.colour, 0);
    rec.set(font.style, 0);
}

}  // namespace

CompanyRec NewCompanyRecord() {
    using namespace Company;
    CompanyRec rec;
    SetNumber(rec, ReceivablesTotal, "0.00");

    SetNumber(rec, NextInvoiceNumber, "1001");
    SetNumber(rec, DefaultQuantity, "1");
    SetNumber(rec, TaxRate, "0");
    rec.set(DateOrderSetting, "M");
    rec.set(InvoiceNumberPrefix, "N");
    rec.set(NewInvoiceType, "P");

    rec.set(VerticalLines, true);
    rec.set(HorizontalLines, true);
    SetNumber(rec, LineWidth, "1");
    rec.set(InvoiceBox, true);
    SetNumber(rec, BoxTop, "0");
    SetNumber(rec, TopFormMargin, "0");
    SetNumber(rec, LeftFormMargin, "0");
    rec.set(CodeHeading, "Code");
    rec.set(QuantityHeading, "Quantity");
    rec.set(DescriptionHeading, "Description");
    rec.set(UnitCostHeading, "Unit Price");
    rec.set(ExtensionHeading, "Amount");
    rec.set(TaxHeading, "Tax");
    SetNumber(rec, MaxLines, "25");

    // Arial is what printed layouts are designed for; Liberation Sans stands in for it.
    SetFont(rec, EditorFont, "Arial", 10);
    SetFont(rec, ManagersFont, "Arial", 10);
    for (int k = 0; k < PrintFontCount; ++k) SetFont(rec, PrintFont(k), "Arial", 10);

    rec.set(InterestTerms, "Net 30");
    rec.set(InterestOverdueClass, "3");
    SetNumber(rec, InterestMinimumCharge, "1.00");
    SetNumber(rec, InterestMonthlyRate, "1.5");

    rec.set(QueueInvoiceCustomer, "N");
    rec.set(QueueBatchCustomers, "N");
    SetNumber(rec, InvoiceFileCopies, "1");
    SetNumber(rec, PushAddress, "0");
    rec.set(OmitCompanyName, "N");
    rec.set(RequireAuditTrail, "N");

    SetNumber(rec, NextPONumber, "1001");
    rec.set(POCaption, "PURCHASE ORDER");
    rec.set(POFileCopyCaption, "FILE COPY");
    SetNumber(rec, NextReceiverNumber, "1");
    SetNumber(rec, ShadingSpacing, "8");
    rec.set(ShadingStyle, "D");
    rec.set(InvoiceShipToCaption, "Ship To:");
    rec.set(POShipToCaption, "Ship To:");
    rec.set(DefaultPOTerms, "Net 30");
    rec.set(NewPOType, "P");
    rec.set(POPrefix, "N");
    rec.set(PrintDuplicatePO, "N");
    rec.set(QueuePOVendor, "N");
    rec.set(QueueBatchVendors, "N");
    SetNumber(rec, POFileCopies, "1");

    rec.set(EmailRules, "N");
    rec.set(EmailIncludeWithoutAddress, "N");

    SetNumber(rec, AgingPeriod[0], "30");
    SetNumber(rec, AgingPeriod[1], "60");
    SetNumber(rec, AgingPeriod[2], "90");
    rec.set(AgingCaption[0], "0-30");
    rec.set(AgingCaption[1], "31-60");
    rec.set(AgingCaption[2], "61-90");
    return rec;
}
