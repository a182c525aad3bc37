#include "invoicing/documents/invoice_output_mark.h"

#include "invoicing/records/invoice_files.h"
#include "shell/text.h"

// The header records of the invoice number (upper-cased), in key-1 order.
bool WalkInvoiceHeaders(const std::string& number,
                        const std::function<bool(int32_t ref, const InvoiceRec&)>& take) {
    InvoiceRec probe;
    if (!probe.set(Invoice::InvNumber, number)) return true;
    return WalkKeyRecords<InvoiceRec>(InvoiceData(), InvoiceNumberKey,
                                      BuildInvoiceKey(probe, InvoiceNumberKey), number, take);
}

bool MarkInvoiceOutput(std::string_view number, const std::optional<std::string>& emailedDate) {
    bool allWritten = true;
    const bool allRead =
        WalkInvoiceHeaders(UpperAscii(TrimBlanks(number)), [&](int32_t ref, const InvoiceRec& rec) {
            InvoiceRec marked = rec;
            marked.set(Invoice::InvPrinted, "Y");
            if (emailedDate && TrimBlanks(rec.get(Invoice::InvEmailedDate)).size() <= 5)
                marked.set(Invoice::InvEmailedDate, *emailedDate);
            // Only the flags change, so the keys stay as they are.
            if (marked != rec && !PutInvoiceRec(marked, ref)) allWritten = false;
            return true;
        });
    return allRead && allWritten;
}
