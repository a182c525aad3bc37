#include "invoicing/records/invoice_memo_file.h"

#include "invoicing/records/invoicing_file_desc.h"
#include "shell/text.h"

std::string BuildInvoiceMemoKey(std::span<const uint8_t> record, int keyNr) {
    if (keyNr != InvoiceMemoNumberKey) return {};
    return KeyText(fields::Get(record, InvoiceMemo::MemoInvNumber), 9);
}

void SetInvoiceMemoLines(InvoiceMemoRec& record, std::span<const std::string> lines) {
    fields::SetTextRun(record, InvoiceMemo::MemoLines, lines);
}

std::vector<std::string> InvoiceMemoLines(const InvoiceMemoRec& record) {
    return fields::GetTextRun(record, InvoiceMemo::MemoLines);
}

const DataFile& InvoiceMemoData() {
    static const DataFile file([] {
        DataFileDesc d = InvoicingFileDesc("M", &InvoicingState::InvoiceMemoFile,
                                           &InvoicingState::InvoiceMemoBuf,
                                           &InvoicingState::InvoiceMemoLockFlag);
        d.file.keys = {KeyDesc{9, false}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) {
            return BuildInvoiceMemoKey(r, nr);
        };
        d.openNameLength = 8;
        d.createNameLength = 8;
        d.rebuildCaption = "Memo Records";
        d.missing = MissingFileSet::CreateSilently;
        d.compareOnUpdate = false;
        return d;
    }());
    return file;
}

bool InvoiceMemoFileLocked() {
    return FileLocked();
}
bool InvoiceMemoLockAbort() {
    return InvoiceMemoData().LockAbort();
}

bool AddInvoiceMemoRec(const InvoiceMemoRec& record, int32_t& ref) {
    return InvoiceMemoData().AddRec(record.bytes(), ref);
}
bool PutInvoiceMemoRec(const InvoiceMemoRec& record, int32_t ref) {
    return InvoiceMemoData().PutRec(record.bytes(), ref);
}
bool DeleteInvoiceMemoRec(int32_t ref) {
    return InvoiceMemoData().DeleteRec(ref);
}
bool AddInvoiceMemoKey(std::string_view key, int32_t ref, int keyNr) {
    return InvoiceMemoData().AddKey(key, ref, keyNr);
}
bool DeleteInvoiceMemoKey(std::string_view key, int32_t ref, int keyNr) {
    return InvoiceMemoData().DeleteKey(key, ref, keyNr);
}
bool ChangeInvoiceMemoKey(std::string_view oldKey, std::string_view newKey, int32_t ref,
                          int keyNr) {
    return InvoiceMemoData().ChangeKey(oldKey, newKey, ref, keyNr);
}

bool AddInvoiceMemoRecord(int32_t& ref) {
    return InvoiceMemoData().AddRecord(ref);
}
bool UpdateInvoiceMemoRecord(int32_t ref) {
    return InvoiceMemoData().UpdateRecord(ref);
}
bool DeleteInvoiceMemoRecord(int32_t ref) {
    return InvoiceMemoData().DeleteRecord(ref);
}

bool CreateInvoiceMemoFile() {
    return InvoiceMemoData().Create();
}
bool OpenInvoiceMemoFiles() {
    return InvoiceMemoData().Open();
}
void CloseInvoiceMemoFiles() {
    InvoiceMemoData().Close();
}
bool RebuildInvoiceMemoFiles() {
    return InvoiceMemoData().Rebuild();
}
bool SearchInvoiceMemoKey(std::string_view key, int32_t& ref, int keyNr) {
    return InvoiceMemoData().Search(key, ref, keyNr);
}
