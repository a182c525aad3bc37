// The Report Wizard's commands (TRptSelect, unit RptSelect): one builder per report, each
// running its report over the dates typed in the wizard.
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "reports/wizard/report_builders_run.h"
#include "reports/wizard/report_wizard_window.h"

namespace {

// The wizard's dates as typed; empty when there is no wizard.
std::string WizardDate(MaskEdit* TRptSelect::*edit) {
    return RptSelect ? ToCp1252((RptSelect->*edit)->Text()) : std::string();
}

void RunFromWizard(std::string_view name) {
    const ReportDefinition* report = FindReportDefinition(name);
    if (!report) return;
    const ReportRun run =
        RunReport(*report, WizardDate(&TRptSelect::IDate), WizardDate(&TRptSelect::EndDt));
    if (run == ReportRun::Empty && report->dated && RptSelect) RptSelect->IDate->setFocus();
}

}  // namespace

void BuildProfitReport() {
    RunFromWizard("Profit Report");
}
void BuildCommitmentReport() {
    RunFromWizard("Commitment Report");
}
void BuildOverstockReport() {
    RunFromWizard("Overstock Report");
}
void BuildReorderReport() {
    RunFromWizard("Reorder Report");
}
void BuildInventoryReport() {
    RunFromWizard("Inventory Report");
}
void BuildPORegister() {
    RunFromWizard("PO Register");
}
void BuildReceivingReport() {
    RunFromWizard("Receiving Report");
}
void BuildTaxReport() {
    RunFromWizard("Tax Report");
}
void BuildInvoiceKeyCodeInquiry() {
    RunFromWizard("Invoice Key Code Inquiry");
}
void BuildPOKeyCodeInquiry() {
    RunFromWizard("PO Key Code Inquiry");
}
void BuildSalesReport() {
    RunFromWizard("Sales Report");
}
void BuildInvoiceRegister() {
    RunFromWizard("Invoice Register");
}
void BuildPaymentRegister() {
    RunFromWizard("Payment Register");
}
void BuildAccountsReceivableReport() {
    RunFromWizard("Accounts Receivable");
}

ReportBuilder ReportBuilderFor(std::string_view title) {
    static constexpr std::pair<std::string_view, ReportBuilder> kBuilders[] = {
        {"Profit Report", BuildProfitReport},
        {"Commitment Report", BuildCommitmentReport},
        {"Overstock Report", BuildOverstockReport},
        {"Reorder Report", BuildReorderReport},
        {"Inventory Report", BuildInventoryReport},
        {"PO Register", BuildPORegister},
        {"Receiving Report", BuildReceivingReport},
        {"Tax Report", BuildTaxReport},
        {"Invoice Key Code Inquiry", BuildInvoiceKeyCodeInquiry},
        {"PO Key Code Inquiry", BuildPOKeyCodeInquiry},
        {"Sales Report", BuildSalesReport},
        {"Invoice Register", BuildInvoiceRegister},
        {"Payment Register", BuildPaymentRegister},
        {"Accounts Receivable", BuildAccountsReceivableReport},
    };
    for (const auto& [name, builder] : kBuilders)
        if (name == title) return builder;
    return nullptr;
}
