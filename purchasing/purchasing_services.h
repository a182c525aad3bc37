#pragma once
// What the purchase-order files lend other units, plugged in for the life of the object (the
// application's, or a test's): the master files learn which vendors orders refer to, and the
// find dialog learns to search purchase orders ("PO"), the order printer and e-mail learn
// to mark the orders they send out, and the shell learns every data file of a company and
// runs the books check after a document file was rebuilt.

class PurchasingServices {
public:
    PurchasingServices();
    ~PurchasingServices();
    PurchasingServices(const PurchasingServices&) = delete;
    PurchasingServices& operator=(const PurchasingServices&) = delete;
};
