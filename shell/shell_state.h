#pragma once
// The main window unit's variables that other windows read and set, and the step that makes
// a company current.

#include <QString>
#include <cstdint>
#include <string>

#include "shell/company/company_file.h"
#include "shell/dates.h"

struct MainState {
    uint8_t ExternalTransMode = 0;  // set while an invoice is written for "/C"
    // Dates (as typed in the company's format) proposed to the next new document.
    std::string LastInvoiceDate;
    std::string LastPODate;
    std::string LastPODateRequired;
    std::string LastPOReceiptDate;
};

// Makes `company` the current company: its copy becomes CurrentCompany (and with it the file
// stem and date format), and the proposed document dates become today.
// "Name - #number": how windows name the company they work on.
QString CompanyCaption(const CompanyRec& company);

void MakeCompanyCurrent(CompanyState& companies, MainState& main, const Clock& clock,
                        const CompanyRec& company);
