#include "shell/shell_state.h"

#include "platform/cp1252.h"

void MakeCompanyCurrent(CompanyState& companies, MainState& main, const Clock& clock,
                        const CompanyRec& company) {
    companies.CurrentCompany = company;
    const std::string today = companies.dateFormat().format(clock.today());
    main.LastInvoiceDate = today;
    main.LastPODate = today;
    main.LastPODateRequired = today;
    main.LastPOReceiptDate = today;
}

QString CompanyCaption(const CompanyRec& company) {
    return FromCp1252(company.get(Company::Name)) + " - #" +
           FromCp1252(company.get(Company::CompanyNumber));
}
