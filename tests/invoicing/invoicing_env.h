#pragma once
// Company 7 in a fresh data folder (see CompanyEnv) with fresh invoicing state, and helpers
// to look at what the invoice file sets hold.

#include "invoicing/records/invoice_files.h"
#include "invoicing/invoicing_state.h"
#include "tests/masters/company_env.h"
#include "tests/support/stored_files.h"

class InvoicingEnv : public CompanyEnv {
protected:
    ~InvoicingEnv() override { CloseInvoiceDatabases(); }

    InvoicingState& State() { return invoicing.state(); }

    static Entries Index(FileSetHandle handle, int keyNr) { return IndexEntries(handle, keyNr); }

    InvoicingStateScope invoicing;
};
