#include "invoicing/records/invoice_files.h"

#include "engine/decimal.h"

#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "invoicing/records/invoicing_file_desc.h"
#include "shell/text.h"

bool InvoiceOwesAmount(std::span<const uint8_t> record) {
    const auto due = Decimal::ParseBlankAsZero(StripCommas(fields::Get(record, Invoice::InvDue)));
    return !due || !due->isZero();
}

std::string BuildInvoiceKey(std::span<const uint8_t> record, int keyNr) {
    using fields::Get;
    switch (keyNr) {
        case InvoiceNumberKey:
            return KeyText(Get(record, Invoice::InvNumber), 9);
        case InvoiceCustomerKey:
            return KeyText(Get(record, Invoice::InvCustomerNumber), 8);
        case InvoiceDateKey:
            return PlainKeyText(Get(record, Invoice::InvDateYMD), 10);
        case InvoiceKeyCodeKey:
            return KeyText(Get(record, Invoice::InvKeyCode), 8);
        case InvoiceTypeNumberKey:
            return KeyText(TrimBlanks(Get(record, Invoice::InvType)) +
                               TrimBlanks(Get(record, Invoice::InvNumber)),
                           10);
        case InvoiceDatePaidKey:
            return PlainKeyText(Get(record, Invoice::InvDatePaid), 10);
        case InvoiceOpenItemKey:
            if (!InvoiceOwesAmount(record)) return {};
            return KeyText(Get(record, Invoice::InvCustomerNumber), 8);
        default:
            return {};
    }
}

const DataFile& InvoiceData() {
    static const DataFile file([] {
        DataFileDesc d =
            InvoicingFileDesc("I", &InvoicingState::InvoiceFile, &InvoicingState::InvoiceBuf,
                              &InvoicingState::InvoiceLockFlag);
        d.file.keys = {KeyDesc{9, true},  KeyDesc{8, true},  KeyDesc{10, true},
                       KeyDesc{10, true}, KeyDesc{10, true}, KeyDesc{10, true},
                       KeyDesc{8, true, true}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) { return BuildInvoiceKey(r, nr); };
        d.openNameLength = 10;
        d.createNameLength = 8;
        d.addOrder = {1, 2, 3, 4, 6, 5};
        d.changeOrder = {1, 3, 4, 5, 6, 2};
        d.rebuildCaption = "Invoices";
        d.missing = MissingFileSet::AskNewCompany;
        d.newCompanyText = "I am going to create a new, empty invoice file for this company.";
        d.compareOnUpdate = true;
        return d;
    }());
    return file;
}

bool InvoiceFileLocked() {
    return FileLocked();
}
bool InvoiceLockAbort() {
    return InvoiceData().LockAbort();
}

bool AddInvoiceRec(const InvoiceRec& record, int32_t& ref) {
    return InvoiceData().AddRec(record.bytes(), ref);
}
bool PutInvoiceRec(const InvoiceRec& record, int32_t ref) {
    return InvoiceData().PutRec(record.bytes(), ref);
}
bool DeleteInvoiceRec(int32_t ref) {
    return InvoiceData().DeleteRec(ref);
}
bool AddInvoiceKey(std::string_view key, int32_t ref, int keyNr) {
    return InvoiceData().AddKey(key, ref, keyNr);
}
bool DeleteInvoiceKey(std::string_view key, int32_t ref, int keyNr) {
    return InvoiceData().DeleteKey(key, ref, keyNr);
}
bool ChangeInvoiceKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr) {
    return InvoiceData().ChangeKey(oldKey, newKey, ref, keyNr);
}

bool AddInvoiceRecord(int32_t& ref) {
    return InvoiceData().AddRecord(ref);
}
bool UpdateInvoiceRecord(int32_t ref, const InvoiceRec& readForEditing) {
    return InvoiceData().UpdateRecord(ref, readForEditing.bytes());
}
bool DeleteInvoiceRecord(int32_t ref) {
    return InvoiceData().DeleteRecord(ref);
}

bool CreateInvoiceFile() {
    return InvoiceData().Create();
}
bool OpenInvoiceFiles() {
    return InvoiceData().Open();
}
void CloseInvoiceFiles() {
    InvoiceData().Close();
}
bool RebuildInvoiceFiles() {
    return InvoiceData().Rebuild();
}
bool SearchInvoiceKey(std::string_view key, int32_t& ref) {
    return InvoiceData().Search(key, ref, InvoiceNumberKey);
}

bool CustomerHasInvoices(std::string_view customerNumber) {
    InvoiceRec probe;
    // Longer than any number on file: nobody's invoices.
    if (!probe.set(Invoice::InvCustomerNumber, TrimBlanks(customerNumber))) return false;
    return InvoiceData().KeyInUse(InvoiceCustomerKey, BuildInvoiceKey(probe, InvoiceCustomerKey));
}

bool OpenInvoiceDatabases() {
    return OpenInvoiceFiles() && OpenInvoiceLineFiles() && OpenInvoiceMemoFiles();
}

void CloseInvoiceDatabases() {
    CloseInvoiceFiles();
    CloseInvoiceLineFiles();
    CloseInvoiceMemoFiles();
}
