#include "masters/master_files.h"

#include "shell/text.h"

namespace {

template <class Fields>
std::string PartyKey(std::span<const uint8_t> record, int keyNr) {
    if (keyNr == 1) return KeyText(fields::Get(record, Fields::Name), 30);
    if (keyNr == 2) return KeyText(fields::Get(record, Fields::Number), 8);
    return {};
}

// Customers and vendors: key 1 the name (duplicates), key 2 the number (unique).
template <class Fields, class Rec>
DataFileDesc PartyDesc(const char* letters, const char* caption, const char* noun,
                       FileSetHandle MastersState::*file, Rec MastersState::*buf,
                       uint8_t MastersState::*lockFlag, KeyBuilder build) {
    DataFileDesc d = UnitFileDesc<&Masters>(letters, file, buf, lockFlag);
    d.file.keys = {KeyDesc{30, true}, KeyDesc{8, false}};
    d.file.buildKey = std::move(build);
    d.rebuildCaption = caption;
    d.missing = MissingFileSet::AskNewCompany;
    d.newCompanyText =
        QString("I am going to create a new, empty %1 file for this company.").arg(noun);
    d.compareOnUpdate = true;
    return d;
}

}  // namespace

std::string BuildCustomerKey(std::span<const uint8_t> record, int keyNr) {
    return PartyKey<Customer>(record, keyNr);
}

std::string BuildVendorKey(std::span<const uint8_t> record, int keyNr) {
    return PartyKey<Vendor>(record, keyNr);
}

std::string BuildProductKey(std::span<const uint8_t> record, int keyNr) {
    switch (keyNr) {
        case ProductCodeKey:
            return KeyText(fields::Get(record, Product::Code), 10);
        case ProductDescriptionKey:
            return KeyText(fields::Get(record, Product::Description), 30);
        case ProductKeyCodeKey:
            return KeyText(fields::Get(record, Product::KeyCode), 10);
        default:
            return {};
    }
}

const DataFile& CustomerData() {
    static const DataFile file(PartyDesc<Customer, CustomerRec>(
        "C", "Customers", "customer", &MastersState::CustomerFile, &MastersState::CustomerBuf,
        &MastersState::CustomerLockFlag,
        [](std::span<const uint8_t> r, int nr) { return BuildCustomerKey(r, nr); }));
    return file;
}

const DataFile& VendorData() {
    static const DataFile file(PartyDesc<Vendor, VendorRec>(
        "V", "Vendors", "vendor", &MastersState::VendorFile, &MastersState::VendorBuf,
        &MastersState::VendorLockFlag,
        [](std::span<const uint8_t> r, int nr) { return BuildVendorKey(r, nr); }));
    return file;
}

const DataFile& ProductData() {
    static const DataFile file([] {
        DataFileDesc d =
            UnitFileDesc<&Masters>("P", &MastersState::ProductFile, &MastersState::ProductBuf,
                                   &MastersState::ProductLockFlag);
        d.file.keys = {KeyDesc{10, false}, KeyDesc{30, true}, KeyDesc{10, true}};
        d.file.buildKey = [](std::span<const uint8_t> r, int nr) { return BuildProductKey(r, nr); };
        d.rebuildCaption = "Products";
        d.missing = MissingFileSet::AskNewCompany;
        d.newCompanyText = "I am going to create a new, empty product file for this company.";
        d.compareOnUpdate = true;
        return d;
    }());
    return file;
}

bool OpenCustomerFiles() {
    return CustomerData().Open();
}
bool CreateCustomerFiles() {
    return CustomerData().Create();
}
bool AddCustomerRecord(int32_t& ref) {
    return CustomerData().AddRecord(ref);
}
bool UpdateCustomerRecord(int32_t ref, const CustomerRec& readForEditing) {
    return CustomerData().UpdateRecord(ref, readForEditing.bytes());
}
bool DeleteCustomerRecord(int32_t ref) {
    return CustomerData().DeleteRecord(ref);
}
bool SearchCustomerKey(std::string_view key, int32_t& ref, int keyNr) {
    return CustomerData().Search(key, ref, keyNr);
}
bool RebuildCustomerFiles() {
    return CustomerData().Rebuild();
}

bool OpenVendorFiles() {
    return VendorData().Open();
}
bool CreateVendorFiles() {
    return VendorData().Create();
}
bool AddVendorRecord(int32_t& ref) {
    return VendorData().AddRecord(ref);
}
bool UpdateVendorRecord(int32_t ref, const VendorRec& readForEditing) {
    return VendorData().UpdateRecord(ref, readForEditing.bytes());
}
bool DeleteVendorRecord(int32_t ref) {
    return VendorData().DeleteRecord(ref);
}
bool SearchVendorKey(std::string_view key, int32_t& ref, int keyNr) {
    return VendorData().Search(key, ref, keyNr);
}
bool RebuildVendorFiles() {
    return VendorData().Rebuild();
}

bool OpenProductFiles() {
    return ProductData().Open();
}
bool CreateProductFiles() {
    return ProductData().Create();
}
bool AddProductRecord(int32_t& ref) {
    return ProductData().AddRecord(ref);
}
bool UpdateProductRecord(int32_t ref, const ProductRec& readForEditing) {
    return ProductData().UpdateRecord(ref, readForEditing.bytes());
}
bool DeleteProductRecord(int32_t ref) {
    return ProductData().DeleteRecord(ref);
}
bool SearchProductKey(std::string_view key, int32_t& ref, int keyNr) {
    return ProductData().Search(key, ref, keyNr);
}
bool RebuildProductFiles() {
    return ProductData().Rebuild();
}
