#pragma once
// The customer, vendor and product files: key builders, and the access routines every data
// file has, as entry points over the shared file layer (shell/file_layer.h).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "masters/masters_state.h"
#include "shell/file_layer.h"

inline constexpr int CustomerNameKey = 1;    // duplicates allowed
inline constexpr int CustomerNumberKey = 2;  // unique
inline constexpr int VendorNameKey = 1;
inline constexpr int VendorNumberKey = 2;
inline constexpr int ProductCodeKey = 1;  // unique
inline constexpr int ProductDescriptionKey = 2;
inline constexpr int ProductKeyCodeKey = 3;

// Key 1 the name "%-30s", key 2 the number "%-8s"; trimmed, upper-cased, cut to 30. Any
// other key number gives an empty key.
std::string BuildCustomerKey(std::span<const uint8_t> record, int keyNr);
std::string BuildVendorKey(std::span<const uint8_t> record, int keyNr);
// Key 1 the code "%-10s", key 2 the invoice description "%-30s", key 3 the key code "%-10s".
std::string BuildProductKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildCustomerKey(const CustomerRec& r, int keyNr) {
    return BuildCustomerKey(r.bytes(), keyNr);
}
inline std::string BuildVendorKey(const VendorRec& r, int keyNr) {
    return BuildVendorKey(r.bytes(), keyNr);
}
inline std::string BuildProductKey(const ProductRec& r, int keyNr) {
    return BuildProductKey(r.bytes(), keyNr);
}

// The files over Masters()'s handles and buffers.
const DataFile& CustomerData();
const DataFile& VendorData();
const DataFile& ProductData();

bool OpenCustomerFiles();
bool CreateCustomerFiles();
bool AddCustomerRecord(int32_t& ref);
bool UpdateCustomerRecord(int32_t ref, const CustomerRec& readForEditing);
bool DeleteCustomerRecord(int32_t ref);
bool SearchCustomerKey(std::string_view key, int32_t& ref, int keyNr = CustomerNameKey);
bool RebuildCustomerFiles();

bool OpenVendorFiles();
bool CreateVendorFiles();
bool AddVendorRecord(int32_t& ref);
bool UpdateVendorRecord(int32_t ref, const VendorRec& readForEditing);
bool DeleteVendorRecord(int32_t ref);
bool SearchVendorKey(std::string_view key, int32_t& ref, int keyNr = VendorNameKey);
bool RebuildVendorFiles();

bool OpenProductFiles();
bool CreateProductFiles();
bool AddProductRecord(int32_t& ref);
bool UpdateProductRecord(int32_t ref, const ProductRec& readForEditing);
bool DeleteProductRecord(int32_t ref);
bool SearchProductKey(std::string_view key, int32_t& ref, int keyNr = ProductCodeKey);
bool RebuildProductFiles();
