#include "purchasing/purchasing_services.h"

#include "invoicing/documents/po_print.h"
#include "masters/masters_state.h"
#include "purchasing/books/books_check_after_rebuild.h"
#include "purchasing/company_files.h"
#include "purchasing/po_browse.h"
#include "purchasing/po_files.h"
#include "purchasing/po_output_mark.h"

PurchasingServices::PurchasingServices() {
    VendorNumberInUse = VendorHasPOs;
    RegisterPOFindSource();
    MarkPurchaseOrderOutput = MarkPOOutput;
    CompanyDataFiles = [] { return AllCompanyDataFiles(); };
    FilesRebuilt = TellBooksAfterRebuild;
}

PurchasingServices::~PurchasingServices() {
    VendorNumberInUse = nullptr;
    MarkPurchaseOrderOutput = nullptr;
    CompanyDataFiles = nullptr;
    FilesRebuilt = nullptr;
}
