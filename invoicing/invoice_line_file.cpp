#include "invoicing/invoice_line_file.h"

#include "shell/text.h"

std::string BuildInvoiceLineKey(std::span<const uint8_t> record, int keyNr) {
    using fields::Get;
    switch (keyNr) {
    case InvoiceLineDateKey: return PlainKeyText(Get(record, InvoiceLine::LineSortDate), 10);
    // Lines keep the number as typed; the header's is upper-cased, and walks compare the two.
    case InvoiceLineNumberKey: return KeyText(Get(record, InvoiceLine::LineInvNumber), 9);
    default: return {};
    }
}

const DataFile& InvoiceLineData() {
    static const DataFile file([] {
        DataFileDesc d;
        d.letters = "D";
        d.openNameLength = 8;
        d.createNameLength = 8;
        d.file = {InvoiceLineRec::Size,
                  {KeyDesc{10, true}, KeyDesc{9, true}},
                  [](std::span<const uint8_t> r, int nr) { return BuildInvoiceLineKey(r, nr); }};
        d.rebuildCaption = "Invoice Lines";
        d.missing = MissingFileSet::CreateSilently;
        d.compareOnUpdate = false;
        d.handle = []() -> FileSetHandle& { return Invoicing().InvoiceLineFile; };
        d.buffer = [] { return Invoicing().InvoiceLineBuf.bytes(); };
        d.lockFlag = []() -> uint8_t& { return Invoicing().InvoiceLineLockFlag; };
        return d;
    }());
    return file;
}

bool AddInvoiceLineRecord(int32_t& ref) { return InvoiceLineData().AddRecord(ref); }
bool UpdateInvoiceLineRecord(const InvoiceLineRec& record, int32_t ref) {
    Invoicing().InvoiceLineBuf = record;
    return InvoiceLineData().UpdateRecord(ref);
}
bool DeleteInvoiceLineRecord(int32_t ref) { return InvoiceLineData().DeleteRecord(ref); }

bool CreateInvoiceLineFile() { return InvoiceLineData().Create(); }
bool OpenInvoiceLineFiles() { return InvoiceLineData().Open(); }
void CloseInvoiceLineFiles() { InvoiceLineData().Close(); }
bool RebuildInvoiceLineFiles() { return InvoiceLineData().Rebuild(); }
bool SearchInvoiceLineKey(std::string_view key, int32_t& ref, int keyNr) {
    return InvoiceLineData().Search(key, ref, keyNr);
}
