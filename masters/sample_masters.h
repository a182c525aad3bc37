#pragma once
// Sample customers, vendors and products for the demo company, tests and benchmarks. The
// same seed and counts always give the same records.

#include <cstdint>

#include "shell/company_rec.h"
#include "shell/data_folder.h"

// Adds the records to the company's customer, vendor and product files (each created when
// missing). False when a file cannot be opened or a record cannot be added (EngineErrorCode
// tells why); records added before stay.
bool FillSampleMasters(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                       int customers, int vendors, int products);
