#pragma once
// Sample customers, vendors and products for the demo company, tests and benchmarks. The
// same seed and counts always give the same records.

#include <cstdint>

#include "shell/company/company_rec.h"
#include "shell/data_folder.h"

// Each adds `count` records to the company's file of its kind (created when missing). False
// when the file cannot be opened or a record cannot be added (EngineErrorCode tells why).
// Products take their preferred vendors from the vendors already on file.
bool FillSampleCustomers(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                         int count);
bool FillSampleVendors(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                       int count);
bool FillSampleProducts(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                        int count);

// The three above: adds the records to the company's customer, vendor and product files (each
// created when missing). False when a file cannot be opened or a record cannot be added
// (EngineErrorCode tells why); records added before stay.
bool FillSampleMasters(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                       int customers, int vendors, int products);

// Registers the three as the sample company's fillers "customers", "vendors" and "products"
// (in that order: products take their preferred vendors from the vendors).
void RegisterSampleMasterFillers();
