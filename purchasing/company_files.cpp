#include "purchasing/company_files.h"

#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"

const std::vector<const DataFile*>& AllCompanyDataFiles() {
    static const std::vector<const DataFile*> files{
        &CustomerData(),    &VendorData(), &ProductData(), &InvoiceData(), &InvoiceLineData(),
        &InvoiceMemoData(), &POData(),     &POLineData(),  &POMemoData()};
    return files;
}
