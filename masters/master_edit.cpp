#include "masters/master_edit.h"

#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

using Result = SaveOutcome::Result;

SaveOutcome Failed(const MasterKind& kind, const char* what) {
    // 0: the file layer has told the user (changed in the meantime); class 2: the user gave
    // up at a lock prompt. Nothing more to say then.
    if (EngineErrorCode == 0 || EngineErrorClass() == 2) return {Result::Failed, {}};
    return {
        Result::Failed,
        QString("The %1 could not be %2 (error %3).").arg(kind.noun, what).arg(EngineErrorCode)};
}

SaveOutcome Duplicate(const MasterKind& kind, std::span<const uint8_t> record) {
    return {Result::Refused,
            QString("%1 %2 is already on file.")
                .arg(kind.uniqueNoun,
                     QString::fromLatin1(TrimBlanks(kind.file().BuildKey(record, kind.uniqueKey)))),
            kind.uniqueControl};
}

// Another record (not `self`) holding the record's unique key: refused before anything is
// written, so the user keeps what was typed.
std::optional<SaveOutcome> TakenByAnother(const MasterKind& kind, std::span<const uint8_t> record,
                                          int32_t self) {
    const DataFile& file = kind.file();
    std::vector<uint8_t> found(file.recordLength());
    const int32_t ref = file.Find(kind.uniqueKey, file.BuildKey(record, kind.uniqueKey), found);
    if (ref != 0 && ref != self) return Duplicate(kind, record);
    if (ref == 0 && EngineErrorCode != EngineCode::KeyNotFound)
        return Failed(kind, self == 0 ? "added" : "saved");
    return std::nullopt;
}

std::string Today() {
    return Shell().companies.dateFormat().format(Shell().clock.today());
}

template <class F>
std::string PartyNumber(std::span<const uint8_t> record) {
    return TrimBlanks(fields::Get(record, F::Number));
}

void BlankParty(std::span<uint8_t> r) {
    using F = PartyFields<CustomerRec>;
    // Vendors share these offsets: amounts "0.00", flags "N".
    fields::WriteText(r, F::Balance.offset, F::Balance.width, "0.00");
    for (const auto& amount : F::Amounts) fields::WriteText(r, amount.offset, amount.width, "0.00");
    for (const auto& flag : {F::TaxExempt, F::PrintNotes, F::Hold})
        fields::WriteText(r, flag.offset, flag.width, "N");
}

}  // namespace

const MasterKind& CustomerKind() {
    static const MasterKind kind{
        &CustomerData,
        &CustomerEditTable,
        CustomerNumberKey,
        "NumberEdit",
        "customer",
        "Customer number",
        PartyNumber<Customer>,
        [](std::string_view number) { return CustomerNumberInUse && CustomerNumberInUse(number); },
        "This customer has invoices on file and cannot be deleted.",
        [](std::span<uint8_t> r) {
            BlankParty(r);
            fields::WriteText(r, Customer::CreditLimit.offset, Customer::CreditLimit.width, "0.00");
            fields::WriteText(r, Customer::PrintNotesOnStatements.offset, 1, "N");
        },
        {}};
    return kind;
}

const MasterKind& VendorKind() {
    static const MasterKind kind{
        &VendorData,
        &VendorEditTable,
        VendorNumberKey,
        "NumberEdit",
        "vendor",
        "Vendor number",
        PartyNumber<Vendor>,
        [](std::string_view number) { return VendorNumberInUse && VendorNumberInUse(number); },
        "This vendor has purchase orders on file and cannot be deleted.",
        BlankParty,
        {}};
    return kind;
}

const MasterKind& ProductKind() {
    static const MasterKind kind{
        &ProductData,
        &ProductEditTable,
        ProductCodeKey,
        "CodeEdit",
        "product",
        "Product code",
        {},
        {},
        "",
        [](std::span<uint8_t> r) {
            for (const auto& price :
                 {Product::SalesPrice, Product::ListPrice, Product::Cost, Product::PreviousPrice})
                fields::WriteText(r, price.offset, price.width, "0.00");
            for (const auto& quantity : {Product::StockOnHand, Product::PricingPercent})
                fields::WriteText(r, quantity.offset, quantity.width, "0");
            fields::WriteText(r, Product::PriceType.offset, 1, "F");
            fields::WriteText(r, Product::PriceUpdate.offset, 1, "M");
            fields::WriteBool(r, Product::TaxableOnInvoices.offset, true);
            fields::WriteText(r, Product::SetupDate.offset, Product::SetupDate.width, Today());
        },
        [](std::span<uint8_t> r, bool isNew) {
            if (isNew && fields::Get(r, Product::SetupDate).empty())
                fields::WriteText(r, Product::SetupDate.offset, Product::SetupDate.width, Today());
            fields::WriteText(r, Product::LastChangedDate.offset, Product::LastChangedDate.width,
                              Today());
        }};
    return kind;
}

std::vector<uint8_t> BlankRecord(const MasterKind& kind) {
    std::vector<uint8_t> record(kind.file().recordLength());
    if (kind.blank) kind.blank(record);
    return record;
}

SaveOutcome AddMaster(const MasterKind& kind, std::span<const uint8_t> record, int32_t& ref) {
    const DataFile& file = kind.file();
    if (auto taken = TakenByAnother(kind, record, 0)) return *taken;
    const std::span<uint8_t> buffer = file.buffer();
    std::copy(record.begin(), record.end(), buffer.begin());
    if (kind.beforeSave) kind.beforeSave(buffer, true);
    if (file.AddRecord(ref)) return {};
    if (EngineErrorCode == EngineCode::DuplicateKey) return Duplicate(kind, record);
    return Failed(kind, "added");
}

SaveOutcome UpdateMaster(const MasterKind& kind, int32_t ref, std::span<const uint8_t> before,
                         std::span<const uint8_t> record) {
    const DataFile& file = kind.file();
    if (CompareBytes(before, record, before.size()) == 0) return {};
    // Documents refer to a customer or vendor by its number.
    if (kind.numberOf && kind.numberOf(before) != kind.numberOf(record))
        return {Result::Refused,
                QString("The %1 cannot be changed once it is on file.")
                    .arg(QString(kind.uniqueNoun).toLower()),
                kind.uniqueControl};
    if (auto taken = TakenByAnother(kind, record, ref)) return *taken;
    const std::span<uint8_t> buffer = file.buffer();
    std::copy(record.begin(), record.end(), buffer.begin());
    if (kind.beforeSave) kind.beforeSave(buffer, false);
    if (file.UpdateRecord(ref, before)) return {};
    if (EngineErrorCode == EngineCode::DuplicateKey) return Duplicate(kind, record);
    return Failed(kind, "saved");
}

SaveOutcome DeleteMaster(const MasterKind& kind, int32_t ref) {
    const DataFile& file = kind.file();
    std::vector<uint8_t> stored(file.recordLength());
    if (!file.ReadRec(ref, stored)) return Failed(kind, "deleted");
    if (kind.inUse && kind.numberOf && kind.inUse(kind.numberOf(stored)))
        return {Result::Refused, kind.inUseText};
    if (file.DeleteRecord(ref)) return {};
    return Failed(kind, "deleted");
}
