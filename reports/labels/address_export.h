#pragma once
// The address export: one line of text per queued customer or vendor, its name and billing
// address lines joined by "," (lines end in CR LF, no header), for use in other programs.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/labels/label_print.h"

inline constexpr std::size_t MaxAddressLineLength = 200;

// The name and each address line of more than one character (trimmed), joined by ",";
// nothing when that leaves at most one character.
std::optional<std::string> AddressExportLine(std::string_view name,
                                             const std::vector<std::string>& addressLines);

// The file's content for the records found: customers and vendors give their line,
// products and records no longer on file give none.
std::string BuildAddressExport(const std::vector<QueueRecord>& records);
