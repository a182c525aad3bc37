#include "purchasing/po_memo_file.h"

#include "shell/text.h"

std::string BuildPOMemoKey(std::span<const uint8_t> record, int keyNr) {
    if (keyNr != POMemoNumberKey) return {};
    return KeyText(fields::Get(record, POMemo::MemoPONumber), 9);
}

void SetPOMemoLines(POMemoRec& record, std::span<const std::string> lines) {
    fields::SetTextRun(record, POMemo::MemoLine, lines);
}

std::vector<std::string> POMemoLines(const POMemoRec& record) {
    return fields::GetTextRun(record, POMemo::MemoLine);
}

const DataFile& POMemoData() {
    static const DataFile file([] {
        DataFileDesc d = UnitFileDesc<&Purchasing>("PM", &PurchasingState::POMemoFile,
                                                   &PurchasingState::POMemoBuf,
                                                   &PurchasingState::POMemoLockErrorFlag);
        d.file.keys = {KeyDesc{9, false}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) { return BuildPOMemoKey(r, nr); };
        d.openNameLength = 8;
        d.createNameLength = 8;
        d.rebuildCaption = "PO Memo Records";
        d.missing = MissingFileSet::CreateSilently;
        d.compareOnUpdate = false;
        return d;
    }());
    return file;
}

bool IsPOMemoLockError() {
    return FileLocked();
}
bool AskPOMemoLockAbort() {
    return POMemoData().LockAbort();
}

bool AddPOMemoData(const POMemoRec& record, int32_t& ref) {
    return POMemoData().AddRec(record.bytes(), ref);
}
bool PutPOMemoData(int32_t ref, const POMemoRec& record) {
    return POMemoData().PutRec(record.bytes(), ref);
}
bool DeletePOMemoData(int32_t ref) {
    return POMemoData().DeleteRec(ref);
}
bool AddPOMemoKey(std::string_view key, int32_t ref, int keyNr) {
    return POMemoData().AddKey(key, ref, keyNr);
}
bool DeletePOMemoKey(std::string_view key, int32_t ref, int keyNr) {
    return POMemoData().DeleteKey(key, ref, keyNr);
}
bool ReplacePOMemoKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr) {
    return POMemoData().ChangeKey(oldKey, newKey, ref, keyNr);
}

bool AddPOMemoRecord(int32_t& ref) {
    return POMemoData().AddRecord(ref);
}
bool UpdatePOMemoRecord(int32_t ref) {
    return POMemoData().UpdateRecord(ref);
}
bool DeletePOMemoRecord(int32_t ref) {
    return POMemoData().DeleteRecord(ref);
}

bool CreatePOMemoFiles() {
    return POMemoData().Create();
}
bool OpenPOMemoFiles() {
    return POMemoData().Open();
}
void ClosePOMemoFiles() {
    POMemoData().Close();
}
bool RebuildPOMemoFiles() {
    return POMemoData().Rebuild();
}
bool SearchPOMemoKey(std::string& key, int32_t& ref, int keyNr) {
    return POMemoData().Search(std::string(key), ref, keyNr, &key);
}
