#pragma once
// Company 7 with empty invoice, invoice line, purchase-order, purchase-order line and product
// files on disk, "today" fixed at 15 March 2024, aging periods 30/60/90, and records to put
// into the files.

#include <algorithm>
#include <string>

#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "masters/master_files.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "reports/wizard/report_builders.h"
#include "tests/masters/company_env.h"
#include "tests/reports/report_samples.h"

class ReportFilesEnv : public CompanyEnv {
protected:
    ReportFilesEnv() {
        CompanyRec& company = shell.context().companies.CurrentCompany;
        company.set(Company::Name, "Harbour Lane");
        EXPECT_TRUE(company.set(Company::ReceivablesTotal, "250.00"));
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(company.set(Company::AgingPeriod[k], std::to_string(30 * (k + 1))));
            company.set(Company::AgingCaption[k], std::array{"Current", "31-60", "61-90"}[k]);
        }
        shell.context().clock.setToday(Date{2024, 3, 15});
        for (const DataFile* file :
             {&InvoiceData(), &InvoiceLineData(), &POData(), &POLineData(), &ProductData()})
            EXPECT_TRUE(file->Create()) << EngineErrorCode;
    }

    // Adds the record to the file through the unit's buffer, the file open only meanwhile.
    template <class Rec>
    static int32_t Put(const DataFile& file, const Rec& record) {
        EXPECT_TRUE(file.Open()) << EngineErrorCode;
        std::ranges::copy(record.bytes(), file.buffer().begin());
        int32_t ref = 0;
        EXPECT_TRUE(file.AddRecord(ref)) << EngineErrorCode;
        file.Close();
        return ref;
    }

    // An invoice of customer C100 ("ACME") dated `ymd`, typed month first.
    static InvoiceRec Invoice(const std::string& number, const std::string& type,
                              const std::string& ymd, const std::string& total) {
        using namespace ::Invoice;
        InvoiceRec r;
        EXPECT_TRUE(r.set(InvNumber, number));
        r.set(InvType, type);
        r.set(InvKeyCode, "None");
        EXPECT_TRUE(r.set(InvCustomerNumber, "C100"));
        r.set(InvCustomerShortName, "ACME");
        r.set(InvDateYMD, ymd);
        r.set(InvDate, ymd.substr(5, 2) + "/" + ymd.substr(8, 2) + "/" + ymd.substr(0, 4));
        EXPECT_TRUE(r.set(InvNet, total));
        EXPECT_TRUE(r.set(InvTax, "0.00"));
        EXPECT_TRUE(r.set(InvTotal, total));
        EXPECT_TRUE(r.set(InvPaid, "0.00"));
        EXPECT_TRUE(r.set(InvDue, total));
        return r;
    }

    static ProductRec Product(const std::string& code, const std::string& onHand,
                              const std::string& minimum, const std::string& maximum,
                              const std::string& target) {
        using namespace ::Product;
        ProductRec p;
        EXPECT_TRUE(p.set(Code, code));
        p.set(Description, "Widget " + code);
        EXPECT_TRUE(p.set(StockOnHand, onHand));
        EXPECT_TRUE(p.set(MinimumStock, minimum));
        EXPECT_TRUE(p.set(MaximumStock, maximum));
        EXPECT_TRUE(p.set(TargetStock, target));
        EXPECT_TRUE(p.set(Cost, "2.50"));
        EXPECT_TRUE(p.set(SalesPrice, "4.00"));
        p.set(PriceType, "F");
        return p;
    }

    // The report's rows as trimmed cells joined by "|" (headings first).
    static std::vector<std::string> Rows(const std::string& name, const ReportPeriod& period = {
                                                                      "2024/01/01", "2024/03/31"}) {
        const ReportDefinition* report = FindReportDefinition(name);
        EXPECT_NE(report, nullptr) << name;
        if (!report) return {};
        const BuiltReport built = BuildReport(*report, period);
        EXPECT_EQ(built.engineError, 0) << name;
        return reportsamples::Lines(built.grid);
    }
};
