#pragma once
// What the invoice files lend other units, plugged in for the life of the object (the
// application's, or a test's): the master files learn which customers invoices refer to, the
// find dialog learns to search invoices ("Inv"), and a company made current gets its
// customers' aging recalculated once a day.

class InvoicingServices {
public:
    InvoicingServices();
    ~InvoicingServices();
    InvoicingServices(const InvoicingServices&) = delete;
    InvoicingServices& operator=(const InvoicingServices&) = delete;
};
