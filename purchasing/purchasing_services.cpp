#include "purchasing/purchasing_services.h"

#include "masters/masters_state.h"
#include "purchasing/po_browse.h"
#include "purchasing/po_files.h"

PurchasingServices::PurchasingServices() {
    VendorNumberInUse = VendorHasPOs;
    RegisterPOFindSource();
}

PurchasingServices::~PurchasingServices() {
    VendorNumberInUse = nullptr;
}
