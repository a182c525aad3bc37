#pragma once
// Every data file of a company: the masters, the invoice files and the purchase-order files,
// in one list that the start-up check, the sample writer and the books tests go through.

#include <vector>

#include "shell/file_layer.h"

const std::vector<const DataFile*>& AllCompanyDataFiles();
