#include "purchasing/po_files.h"

#include "platform/form.h"
#include "platform/status_window.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "shell/text.h"

std::string BuildPOKey(std::span<const uint8_t> record, int keyNr) {
    using fields::Get;
    using namespace PurchaseOrder;
    switch (keyNr) {
        case PONumberKey:
            return KeyText(Get(record, PONumber), 9);
        case POVendorKey:
            return KeyText(Get(record, POVendorNumber), 8);
        case PODateKey:
            return PlainKeyText(Get(record, PODateYMD), 10);
        case POKeyCodeKey:
            return KeyText(Get(record, POKeyCode), 8);
        case POStatusNumberKey:
            return KeyText(TrimBlanks(Get(record, POStatus)) + TrimBlanks(Get(record, PONumber)),
                           10);
        case POReceivedDateKey:
            return PlainKeyText(Get(record, POReceivedDate), 10);
        case PODateRequiredKey:
            return PlainKeyText(Get(record, PODateRequired), 10);
        default:
            return {};
    }
}

const DataFile& POData() {
    static const DataFile file([] {
        DataFileDesc d =
            UnitFileDesc<&Purchasing>("O", &PurchasingState::POFile, &PurchasingState::POBuf,
                                      &PurchasingState::POLockErrorFlag);
        d.file.keys = {KeyDesc{9, true},  KeyDesc{8, true},  KeyDesc{10, true}, KeyDesc{10, true},
                       KeyDesc{10, true}, KeyDesc{10, true}, KeyDesc{10, true}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) { return BuildPOKey(r, nr); };
        d.openNameLength = 10;
        d.createNameLength = 8;
        d.addOrder = {1, 2, 3, 4, 6, 7, 5};
        d.changeOrder = {1, 3, 4, 5, 6, 7, 2};
        d.rebuildCaption = "POs";
        d.missing = MissingFileSet::AskNewCompany;
        d.newCompanyText =
            "I am going to create a new, empty Purchase Order file for this company.";
        d.compareOnUpdate = true;
        return d;
    }());
    return file;
}

bool IsPOLockError() {
    return FileLocked();
}
bool AskPOLockAbort() {
    return POData().LockAbort();
}

bool AddPOData(const PORec& record, int32_t& ref) {
    return POData().AddRec(record.bytes(), ref);
}
bool PutPOData(int32_t ref, const PORec& record) {
    return POData().PutRec(record.bytes(), ref);
}
bool DeletePOData(int32_t ref) {
    return POData().DeleteRec(ref);
}
bool AddPOKey(std::string_view key, int32_t ref, int keyNr) {
    return POData().AddKey(key, ref, keyNr);
}
bool DeletePOKey(std::string_view key, int32_t ref, int keyNr) {
    return POData().DeleteKey(key, ref, keyNr);
}
bool ReplacePOKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr) {
    return POData().ChangeKey(oldKey, newKey, ref, keyNr);
}

bool AddPORecord(int32_t& ref) {
    return POData().AddRecord(ref);
}
int ComparePORecord(const PORec& a, const PORec& b) {
    return CompareBytes(a.bytes(), b.bytes(), PORec::Size);
}
bool UpdatePORecord(const PORec& readForEditing, int32_t ref) {
    return POData().UpdateRecord(ref, readForEditing.bytes());
}
bool DeletePORecord(int32_t ref) {
    return POData().DeleteRecord(ref);
}

bool CreatePOFiles() {
    return POData().Create();
}
bool OpenPOFiles() {
    return POData().Open();
}
void ClosePOFiles() {
    POData().Close();
}
bool RebuildPOFiles() {
    return POData().Rebuild();
}
bool SearchPOKey(std::string& key, int32_t& ref) {
    return POData().Search(std::string(key), ref, PONumberKey, &key);
}

bool VendorHasPOs(std::string_view vendorNumber) {
    PORec probe;
    // Longer than any number on file: nobody's orders.
    if (!probe.set(PurchaseOrder::POVendorNumber, TrimBlanks(vendorNumber))) return false;
    return POData().KeyInUse(POVendorKey, BuildPOKey(probe, POVendorKey));
}

bool OpenPODatabases() {
    // Without the engine nothing can open; the dialog says why, and anything but OK leaves
    // quietly.
    if (!EngineReady() && (!NetTypeDlg || NetTypeDlg->ShowModal() != Modal::Ok)) return false;
    return OpenPOFiles() && OpenPOLineFiles() && OpenPOMemoFiles();
}

void ClosePODatabases() {
    ClosePOFiles();
    ClosePOLineFiles();
    ClosePOMemoFiles();
}
