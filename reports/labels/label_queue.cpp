#include "reports/labels/label_queue.h"

#include <algorithm>

#include "shell/text.h"

namespace {

constexpr int kMaxCaption = ListFile::CaptionWidth + ListFile::MaxCaptionExcess;

// A value as a row holds it: no control characters (a line break would split its line in
// the list file) and no longer than its column, so that every row saves and loads back.
std::string RowValue(std::string_view text, int width) {
    std::string value(text.substr(0, static_cast<std::size_t>(width)));
    std::replace_if(
        value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }, ' ');
    return value;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::optional<LabelKind> LabelKindOf(std::string_view letter) {
    if (letter == "C") return LabelKind::Customer;
    if (letter == "V") return LabelKind::Vendor;
    if (letter == "P") return LabelKind::Product;
    return std::nullopt;
}

LabelQueueItem MakeLabelQueueItem(LabelKind kind, std::string_view caption, std::string_view sub1,
                                  std::string_view sub2, std::string_view sub3) {
    LabelQueueItem item;
    item.caption = RowValue(caption, kMaxCaption);
    item.subItems = {RowValue(sub1, ListFile::NameWidth), RowValue(sub2, ListFile::SortWidth),
                     RowValue(sub3, ListFile::TypeWidth), std::string(1, static_cast<char>(kind))};
    return item;
}

std::string BuildListFileLine(const LabelQueueItem& item) {
    std::string line = PadRightWith(item.caption, ' ', ListFile::CaptionWidth);
    line += ' ' + PadRightWith(item.subItems[0], ' ', ListFile::NameWidth);
    line += ' ' + PadRightWith(item.subItems[1], ' ', ListFile::SortWidth);
    line += ' ' + PadRightWith(item.subItems[2], ' ', ListFile::TypeWidth);
    line += ' ' + item.subItems[3];
    if (line.size() > static_cast<std::size_t>(ListFile::LineLength + ListFile::MaxCaptionExcess))
        line.resize(ListFile::LineLength + ListFile::MaxCaptionExcess);
    return line;
}

std::string BuildListFile(const std::vector<LabelQueueItem>& items) {
    std::string content;
    for (const LabelQueueItem& item : items) {
        content += BuildListFileLine(item);
        content += "\r\n";
    }
    return content;
}

namespace {

// A line of the list file format: 88 characters up to the kind letter, or up to 90 when the
// caption ran over its column; blank separators; a kind letter at the end.
std::optional<LabelQueueItem> ParseListFileLine(std::string_view line) {
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    const int length = static_cast<int>(line.size());
    const int excess = length - ListFile::LineLength;
    if (excess < 0 || excess > ListFile::MaxCaptionExcess) return std::nullopt;
    if (std::any_of(line.begin(), line.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 32; }))
        return std::nullopt;
    const int nameAt = ListFile::CaptionWidth + excess + 1;
    const int sortAt = nameAt + ListFile::NameWidth + 1;
    const int typeAt = sortAt + ListFile::SortWidth + 1;
    const int kindAt = typeAt + ListFile::TypeWidth + 1;
    for (int separator : {nameAt - 1, sortAt - 1, typeAt - 1, kindAt - 1})
        if (line[separator] != ' ') return std::nullopt;
    const auto kind = LabelKindOf(line.substr(kindAt, 1));
    if (!kind) return std::nullopt;
    const auto field = [&](int at, int width) {
        return TrimBlanks(
            line.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(width)));
    };
    return MakeLabelQueueItem(
        *kind, field(0, ListFile::CaptionWidth + excess), field(nameAt, ListFile::NameWidth),
        field(sortAt, ListFile::SortWidth), field(typeAt, ListFile::TypeWidth));
}

}  // namespace

ListFileRead ParseListFile(std::string_view content) {
    ListFileRead read;
    int lineNumber = 0;
    while (!content.empty()) {
        ++lineNumber;
        const std::size_t eol = content.find('\n');
        std::string_view line = content.substr(0, eol);
        content.remove_prefix(eol == std::string_view::npos ? content.size() : eol + 1);
        if (std::all_of(line.begin(), line.end(), IsBlank)) continue;
        auto item = ParseListFileLine(line);
        if (!item) {
            read.items.clear();
            read.badLine = lineNumber;
            return read;
        }
        read.items.push_back(std::move(*item));
    }
    return read;
}
