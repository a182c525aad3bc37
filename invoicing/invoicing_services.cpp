#include "invoicing/invoicing_services.h"

#include "invoicing/invoice_browse.h"
#include "invoicing/invoice_files.h"
#include "masters/masters_state.h"

InvoicingServices::InvoicingServices() {
    CustomerNumberInUse = CustomerHasInvoices;
    RegisterInvoiceFindSource();
}

InvoicingServices::~InvoicingServices() {
    CustomerNumberInUse = nullptr;
}
