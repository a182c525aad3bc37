// ReportCollation: the order of cell texts in a sorted report.
#include "reports/viewer/report_collation.h"

#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

#include "platform/cp1252.h"

namespace {

// The UTF-16 unit of each Windows-1252 byte (every byte has one).
const std::array<char16_t, 256>& Units() {
    static const std::array<char16_t, 256> units = [] {
        std::array<char, 256> bytes{};
        std::iota(bytes.begin(), bytes.end(), char(0));
        const QString text = FromCp1252({bytes.data(), bytes.size()});
        std::array<char16_t, 256> out{};
        for (int b = 0; b < 256; ++b) out[b] = text.at(b).unicode();
        return out;
    }();
    return units;
}

// Each byte's place among the values `of` gives the 256 bytes (bytes of equal value share one).
template <class Of>
std::array<uint8_t, 256> Places(Of of) {
    std::array<uint32_t, 256> values{};
    for (int b = 0; b < 256; ++b) values[b] = of(b);
    std::array<uint32_t, 256> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const auto end = std::unique(sorted.begin(), sorted.end());
    std::array<uint8_t, 256> places{};
    for (int b = 0; b < 256; ++b)
        places[b] = static_cast<uint8_t>(std::lower_bound(sorted.begin(), end, values[b]) -
                                         sorted.begin());
    return places;
}

// The texts through a byte table, compared as the characters' places.
int CompareThrough(const std::array<uint8_t, 256>& table, std::string_view a,
                   std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int d = table[static_cast<unsigned char>(a[i])] - table[static_cast<unsigned char>(b[i])];
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The text as UTF-16 in a buffer of the calling thread (two texts at a time).
QStringView Utf16(std::string_view text, std::u16string& buffer) {
    const auto& units = Units();
    buffer.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        buffer[i] = units[static_cast<unsigned char>(text[i])];
    return QStringView(buffer.data(), static_cast<qsizetype>(buffer.size()));
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

ReportCollation::ReportCollation()
    : plain_(QLocale().language() == QLocale::C),
      foldedCollator_(QLocale()),
      caseCollator_(QLocale()) {
    foldedCollator_.setCaseSensitivity(Qt::CaseInsensitive);
    caseCollator_.setCaseSensitivity(Qt::CaseSensitive);
    if (plain_) {
        const auto& units = Units();
        folded_ = Places([&units](int b) { return QChar(units[b]).toCaseFolded().unicode(); });
        exact_ = Places([&units](int b) { return uint32_t(units[b]); });
    }
}

// The first eight places of the folded text, first character highest: most comparisons of
// two texts are settled by these alone.
uint64_t ReportCollation::Word(std::string_view text) const {
    if (!plain_) return 0;
    uint64_t word = 0;
    const std::size_t n = std::min<std::size_t>(text.size(), 8);
    for (std::size_t i = 0; i < n; ++i)
        word |= uint64_t(folded_[static_cast<unsigned char>(text[i])]) << (56 - 8 * i);
    return word;
}

int ReportCollation::Compare(std::string_view a, std::string_view b) const {
    if (plain_) return Sign(CompareThrough(folded_, a, b));
    thread_local std::u16string left, right;
    return Sign(foldedCollator_.compare(Utf16(a, left), Utf16(b, right)));
}

int ReportCollation::CompareCase(std::string_view a, std::string_view b) const {
    if (plain_) return Sign(CompareThrough(exact_, a, b));
    thread_local std::u16string left, right;
    return Sign(caseCollator_.compare(Utf16(a, left), Utf16(b, right)));
}

int ReportCollation::CompareExact(std::string_view a, std::string_view b) const {
    if (const int d = Compare(a, b)) return d;
    if (const int d = CompareCase(a, b)) return d;
    return Sign(a.compare(b));
}

std::vector<uint32_t> ReportCollation::Ranks(std::span<const std::string_view> texts,
                                             bool exact) const {
    std::vector<uint32_t> sorted(texts.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    std::vector<uint32_t> rank(texts.size());
    const auto place = [&](const auto& compare) {
        std::sort(sorted.begin(), sorted.end(),
                  [&](uint32_t a, uint32_t b) { return compare(a, b) < 0; });
        uint32_t at = 0;
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            if (i > 0 && compare(sorted[i - 1], sorted[i]) != 0) ++at;
            rank[sorted[i]] = at;
        }
    };
    if (plain_) {
        std::vector<uint64_t> words(texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) words[i] = Word(texts[i]);
        place([&](uint32_t a, uint32_t b) {
            if (words[a] != words[b]) return words[a] < words[b] ? -1 : 1;
            return exact ? CompareExact(texts[a], texts[b]) : Compare(texts[a], texts[b]);
        });
        return rank;
    }
    std::vector<QCollatorSortKey> foldedKeys, caseKeys;
    foldedKeys.reserve(texts.size());
    if (exact) caseKeys.reserve(texts.size());
    for (const std::string_view text : texts) {
        const QString shown = FromCp1252(text);
        foldedKeys.push_back(foldedCollator_.sortKey(shown));
        if (exact) caseKeys.push_back(caseCollator_.sortKey(shown));
    }
    place([&](uint32_t a, uint32_t b) {
        if (const int d = foldedKeys[a].compare(foldedKeys[b]); d != 0 || !exact) return Sign(d);
        if (const int d = caseKeys[a].compare(caseKeys[b]); d != 0) return Sign(d);
        return Sign(texts[a].compare(texts[b]));
    });
    return rank;
}
