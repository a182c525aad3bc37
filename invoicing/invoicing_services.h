#pragma once
// What the invoice files lend other units, plugged in for the life of the object (the
// application's, or a test's): the master files learn which customers invoices refer to, and
// the find dialog learns to search invoices ("Inv").

class InvoicingServices {
public:
    InvoicingServices();
    ~InvoicingServices();
    InvoicingServices(const InvoicingServices&) = delete;
    InvoicingServices& operator=(const InvoicingServices&) = delete;
};
