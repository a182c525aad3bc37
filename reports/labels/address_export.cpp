#include "reports/labels/address_export.h"

#include "shell/text.h"

std::optional<std::string> AddressExportLine(std::string_view name,
                                             const std::vector<std::string>& addressLines) {
    std::string line;
    if (const std::string trimmed = TrimBlanks(name); trimmed.size() > 1) line = trimmed;
    for (const std::string& address : addressLines) {
        const std::string trimmed = TrimBlanks(address);
        if (trimmed.size() <= 1) continue;
        line += "," + trimmed;
        if (line.size() > MaxAddressLineLength) line.resize(MaxAddressLineLength);
    }
    if (TrimBlanks(line).size() <= 1) return std::nullopt;
    return line;
}

std::string BuildAddressExport(const std::vector<QueueRecord>& records) {
    std::string content;
    for (const QueueRecord& record : records) {
        if (std::holds_alternative<std::monostate>(record) ||
            std::holds_alternative<ProductRec>(record))
            continue;
        // The label's lines: the name, then the four billing lines.
        const std::vector<std::string> lines = LabelLines(record, false);
        const auto line = AddressExportLine(
            lines.front(), std::vector<std::string>(lines.begin() + 1, lines.end()));
        if (line) content += *line + "\r\n";
    }
    return content;
}
