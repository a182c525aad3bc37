#include "purchasing/po_line_file.h"

#include "shell/text.h"

std::string BuildPOLineKey(std::span<const uint8_t> record, int keyNr) {
    using fields::Get;
    using namespace POLine;
    switch (keyNr) {
        case POLineDateKey:
            return KeyText(Get(record, LinePODateYMD), 10);
        case POLineNumberKey:
            return KeyText(Get(record, LinePONumber), 9);
        case POLineReceiptDateKey:
            return KeyText(Get(record, LineReceiptDate), 10);
        case POLineProductKey:
            return KeyText(TrimBlanks(Get(record, LinePONumber)) +
                               TrimBlanks(Get(record, LineProductCode)) +
                               TrimBlanks(Get(record, LineKind)),
                           20);
        case POLineReceiverKey:
            return KeyText(Get(record, LineReceiverNumber), 9);
        default:
            return {};
    }
}

const DataFile& POLineData() {
    static const DataFile file([] {
        DataFileDesc d = UnitFileDesc<&Purchasing>("PD", &PurchasingState::POLineFile,
                                                   &PurchasingState::POLineBuf,
                                                   &PurchasingState::POLineLockErrorFlag);
        d.file.keys = {KeyDesc{10, true}, KeyDesc{9, true}, KeyDesc{10, true}, KeyDesc{20, true},
                       KeyDesc{9, true}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) { return BuildPOLineKey(r, nr); };
        d.openNameLength = 8;
        d.createNameLength = 8;
        d.rebuildCaption = "PO Detail";
        d.missing = MissingFileSet::CreateSilently;
        d.compareOnUpdate = false;
        return d;
    }());
    return file;
}

bool IsPOLineLockError() {
    return FileLocked();
}
bool AskPOLineLockAbort() {
    return POLineData().LockAbort();
}

bool AddPOLineData(const POLineRec& record, int32_t& ref) {
    return POLineData().AddRec(record.bytes(), ref);
}
bool PutPOLineData(int32_t ref, const POLineRec& record) {
    return POLineData().PutRec(record.bytes(), ref);
}
bool DeletePOLineData(int32_t ref) {
    return POLineData().DeleteRec(ref);
}
bool AddPOLineKey(std::string_view key, int32_t ref, int keyNr) {
    return POLineData().AddKey(key, ref, keyNr);
}
bool DeletePOLineKey(std::string_view key, int32_t ref, int keyNr) {
    return POLineData().DeleteKey(key, ref, keyNr);
}
bool ReplacePOLineKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr) {
    return POLineData().ChangeKey(oldKey, newKey, ref, keyNr);
}

bool AddPOLineRecord(int32_t& ref) {
    return POLineData().AddRecord(ref);
}
bool UpdatePOLineRecord(int32_t ref) {
    return POLineData().UpdateRecord(ref);
}
bool DeletePOLineRecord(int32_t ref) {
    return POLineData().DeleteRecord(ref);
}

bool CreatePOLineFiles() {
    return POLineData().Create();
}
bool OpenPOLineFiles() {
    return POLineData().Open();
}
void ClosePOLineFiles() {
    POLineData().Close();
}
bool RebuildPOLineFiles() {
    return POLineData().Rebuild();
}
bool SearchPOLineKey(std::string& key, int32_t& ref, int keyNr) {
    return POLineData().Search(std::string(key), ref, keyNr, &key);
}

int32_t FindOrderedPOLine(std::string_view poNumber, std::string_view productCode,
                          POLineRec& line) {
    using namespace POLine;
    POLineRec probe;
    // Longer than the fields hold: no such line on file.
    if (!probe.set(LinePONumber, TrimBlanks(poNumber))) return 0;
    probe.set(LineProductCode, TrimBlanks(productCode));
    if (probe.get(LineProductCode) != TrimBlanks(productCode)) return 0;
    probe.set(LineKind, KindOrdered);
    // The key joins number and code without a separator; only the fields tell them apart.
    const auto same = [](std::string_view a, std::string_view b) {
        return KeyText(a, 0) == KeyText(b, 0);
    };
    return POLineData().Find(
        POLineProductKey, BuildPOLineKey(probe, POLineProductKey), line.bytes(),
        [&](std::span<const uint8_t> r) {
            return same(fields::Get(r, LinePONumber), probe.get(LinePONumber)) &&
                   same(fields::Get(r, LineProductCode), probe.get(LineProductCode)) &&
                   same(fields::Get(r, LineKind), KindOrdered);
        });
}
