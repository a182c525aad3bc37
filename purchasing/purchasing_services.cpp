#include "purchasing/purchasing_services.h"

#include "invoicing/documents/po_print.h"
#include "masters/masters_state.h"
#include "purchasing/company_files.h"
#include "purchasing/po_browse.h"
#include "purchasing/po_files.h"
#include "purchasing/po_output_mark.h"

PurchasingServices::PurchasingServices() {
    VendorNumberInUse = VendorHasPOs;
    RegisterPOFindSource();
    MarkPurchaseOrderOutput = MarkPOOutput;
    CompanyDataFiles = [] { return AllCompanyDataFiles(); };
}

PurchasingServices::~PurchasingServices() {
    VendorNumberInUse = nullptr;
    MarkPurchaseOrderOutput = nullptr;
    CompanyDataFiles = nullptr;
}
