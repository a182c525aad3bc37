#include "invoicing/invoicing_services.h"

#include "invoicing/manager/invoice_browse.h"
#include "invoicing/receivables/aging_recalculation.h"
#include "invoicing/records/invoice_files.h"
#include "masters/masters_state.h"
#include "shell/company/company_list.h"

InvoicingServices::InvoicingServices() {
    CustomerNumberInUse = CustomerHasInvoices;
    RegisterInvoiceFindSource();
    CompanyMadeCurrent = RecalculateAgingOncePerDay;
}

InvoicingServices::~InvoicingServices() {
    CustomerNumberInUse = nullptr;
    CompanyMadeCurrent = nullptr;
}
