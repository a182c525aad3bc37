#include "invoicing/records/invoice_line_file.h"

#include "invoicing/records/invoicing_file_desc.h"
#include "shell/text.h"

std::string BuildInvoiceLineKey(std::span<const uint8_t> record, int keyNr) {
    using fields::Get;
    switch (keyNr) {
        case InvoiceLineDateKey:
            return PlainKeyText(Get(record, InvoiceLine::LineSortDate), 10);
        // Lines keep the number as typed; the header's is upper-cased, and walks compare the two.
        case InvoiceLineNumberKey:
            return KeyText(Get(record, InvoiceLine::LineInvNumber), 9);
        default:
            return {};
    }
}

const DataFile& InvoiceLineData() {
    static const DataFile file([] {
        DataFileDesc d = InvoicingFileDesc("D", &InvoicingState::InvoiceLineFile,
                                           &InvoicingState::InvoiceLineBuf,
                                           &InvoicingState::InvoiceLineLockFlag);
        d.file.keys = {KeyDesc{10, true}, KeyDesc{9, true}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) {
            return BuildInvoiceLineKey(r, nr);
        };
        d.openNameLength = 8;
        d.createNameLength = 8;
        d.rebuildCaption = "Invoice Lines";
        d.missing = MissingFileSet::CreateSilently;
        d.compareOnUpdate = false;
        return d;
    }());
    return file;
}

bool AddInvoiceLineRecord(int32_t& ref) {
    return InvoiceLineData().AddRecord(ref);
}
bool UpdateInvoiceLineRecord(const InvoiceLineRec& record, int32_t ref) {
    Invoicing().InvoiceLineBuf = record;
    return InvoiceLineData().UpdateRecord(ref);
}
bool DeleteInvoiceLineRecord(int32_t ref) {
    return InvoiceLineData().DeleteRecord(ref);
}

bool CreateInvoiceLineFile() {
    return InvoiceLineData().Create();
}
bool OpenInvoiceLineFiles() {
    return InvoiceLineData().Open();
}
void CloseInvoiceLineFiles() {
    InvoiceLineData().Close();
}
bool RebuildInvoiceLineFiles() {
    return InvoiceLineData().Rebuild();
}
bool SearchInvoiceLineKey(std::string_view key, int32_t& ref, int keyNr) {
    return InvoiceLineData().Search(key, ref, keyNr);
}
