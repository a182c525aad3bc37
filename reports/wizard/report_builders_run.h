#pragma once
// The report builders as the Report Wizard runs them: one operation per report, each
// reading the wizard's dates, building its report over the current company's files and
// showing it in the report viewer rtreport, or telling the user why there is nothing to show.

#include <string>
#include <string_view>

#include "reports/wizard/report_builders.h"

enum class ReportRun {
    Shown,    // the viewer was shown
    Empty,    // no record selected: the report's empty message was shown
    Refused,  // a message said why the report could not be built
};

// Builds the report over the dates as typed in the company's date order (ignored by undated
// reports) and shows it in the viewer.
ReportRun RunReport(const ReportDefinition& report, const std::string& fromTyped,
                    const std::string& toTyped);

// The builders the wizard dispatches to by ReportTitle.
void BuildProfitReport();
void BuildCommitmentReport();
void BuildOverstockReport();
void BuildReorderReport();
void BuildInventoryReport();
void BuildPORegister();
void BuildReceivingReport();
void BuildTaxReport();
void BuildInvoiceKeyCodeInquiry();
void BuildPOKeyCodeInquiry();
void BuildSalesReport();
void BuildInvoiceRegister();
void BuildPaymentRegister();
void BuildAccountsReceivableReport();

using ReportBuilder = void (*)();
// The builder of the report named exactly `title`, or nullptr.
ReportBuilder ReportBuilderFor(std::string_view title);
