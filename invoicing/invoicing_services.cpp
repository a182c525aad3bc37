#include "invoicing/invoicing_services.h"

#include "invoicing/manager/invoice_browse.h"
#include "invoicing/records/invoice_files.h"
#include "masters/masters_state.h"

InvoicingServices::InvoicingServices() {
    CustomerNumberInUse = CustomerHasInvoices;
    RegisterInvoiceFindSource();
}

InvoicingServices::~InvoicingServices() {
    CustomerNumberInUse = nullptr;
}
