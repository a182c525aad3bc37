// ReportCollation: the order of cell texts in a sorted report.
#include "reports/viewer/report_collation.h"

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uiter.h>
#include <unicode/uset.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <numeric>
#include <optional>
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
        places[b] =
            static_cast<uint8_t>(std::lower_bound(sorted.begin(), end, values[b]) - sorted.begin());
    return places;
}

// The texts through a byte table, compared as the characters' places.
int CompareThrough(const std::array<uint8_t, 256>& table, std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int d =
            table[static_cast<unsigned char>(a[i])] - table[static_cast<unsigned char>(b[i])];
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The text as UTF-16 in a buffer of the caller's.
std::u16string_view Utf16(std::string_view text, std::u16string& buffer) {
    const auto& units = Units();
    buffer.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        buffer[i] = units[static_cast<unsigned char>(text[i])];
    return buffer;
}

const UChar* IcuText(std::u16string_view text) {
    return reinterpret_cast<const UChar*>(text.data());
}

int32_t IcuLength(std::u16string_view text) {
    return static_cast<int32_t>(text.size());
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// Eight bytes as a number, the first highest.
uint64_t BigEndian(const std::array<uint8_t, 8>& bytes) {
    uint64_t word = 0;
    for (const uint8_t byte : bytes) word = word << 8 | byte;
    return word;
}

struct CollatorClose {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorClose>;

// A collator for the locale `name` set up as QCollator sets one up: normalization on, the
// second level the last when case does not count, digits as characters, punctuation
// weighed. An attribute the collator refuses stays as the locale has it, as with Qt.
Collator OpenCollator(const std::string& name, bool caseSensitive) {
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(name.c_str(), &status));
    if (U_FAILURE(status)) return nullptr;
    const std::pair<UColAttribute, UColAttributeValue> attributes[] = {
        {UCOL_NORMALIZATION_MODE, UCOL_ON},
        {UCOL_STRENGTH, caseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY},
        {UCOL_NUMERIC_COLLATION, UCOL_OFF},
        {UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE},
    };
    for (const auto& [attribute, value] : attributes) {
        status = U_ZERO_ERROR;
        ucol_setAttribute(collator.get(), attribute, value, &status);
    }
    return collator;
}

// As QCollator compares: the empty text before any other without asking the collator.
int CollatorCompare(const UCollator* collator, std::string_view a, std::string_view b) {
    if (a == b) return 0;
    if (a.empty() || b.empty()) return a.empty() ? -1 : 1;
    thread_local std::u16string left, right;
    const std::u16string_view x = Utf16(a, left), y = Utf16(b, right);
    return Sign(ucol_strcoll(collator, IcuText(x), IcuLength(x), IcuText(y), IcuLength(y)));
}

// The first-level weights of the collation elements of `text`, as ICU's element iterator
// hands them out: an element's upper 16 bits, followed by the upper 16 bits of the
// continuation element (bits 6 and 7 set) of a weight longer than two bytes.
std::optional<std::vector<uint32_t>> PrimaryWeights(const UCollator* collator,
                                                    std::u16string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCollationElements, decltype(&ucol_closeElements)> elements(
        ucol_openElements(collator, IcuText(text), IcuLength(text), &status), &ucol_closeElements);
    if (U_FAILURE(status)) return std::nullopt;
    std::vector<uint32_t> weights;
    bool weighed = false;  // the last element had a weight of its own
    for (int32_t element; (element = ucol_next(elements.get(), &status)) != UCOL_NULLORDER;) {
        const auto bits = static_cast<uint32_t>(element);
        if ((bits & 0xC0) == 0xC0) {
            if (bits >> 16 == 0) continue;
            if (!weighed) return std::nullopt;
            weights.back() |= bits >> 16;
            continue;
        }
        weighed = bits >> 16 != 0;
        if (weighed) weights.push_back(bits & 0xFFFF0000u);
    }
    if (U_FAILURE(status)) return std::nullopt;
    return weights;
}

// The words of a locale whose collation of Windows-1252 texts is, at its first level, each
// character's weights one after another: scripts in their usual order, and no characters
// weighed together but pairs that never overlap (as "ch" in Czech). Each byte's weights,
// and each such pair's, are kept as their places among all of them (from 1), so that a word
// is read from a table as in the C locale. Built once for each locale and checked against
// its collator.
class PrimaryTable {
public:
    static std::shared_ptr<const PrimaryTable> Of(const std::string& name,
                                                  const UCollator* folded) {
        static std::mutex mutex;
        static std::map<std::string, std::shared_ptr<const PrimaryTable>> tables;
        const std::lock_guard lock(mutex);
        const auto [at, added] = tables.try_emplace(name);
        if (added) at->second = Build(folded);
        return at->second;
    }

    uint64_t Word(std::string_view text) const {
        uint64_t word = 0;
        int shift = 56;
        for (std::size_t i = 0; i < text.size() && shift >= 0;) {
            const auto byte = static_cast<uint8_t>(text[i++]);
            const Unit* unit = &single_[byte];
            if (startsPair_[byte] && i < text.size())
                if (const Unit* pair = PairOf(byte, static_cast<uint8_t>(text[i]))) {
                    unit = pair;
                    ++i;
                }
            for (uint8_t k = 0; k < unit->count && shift >= 0; ++k, shift -= 8)
                word |= uint64_t(unit->places[k]) << shift;
        }
        return word;
    }

private:
    static constexpr std::size_t kMostWeights = 4;
    struct Unit {
        uint8_t count = 0;
        std::array<uint8_t, kMostWeights> places{};
    };

    const Unit* PairOf(uint8_t first, uint8_t second) const {
        const uint16_t both = uint16_t(first << 8 | second);
        const auto at =
            std::lower_bound(pairs_.begin(), pairs_.end(), both,
                             [](const auto& pair, uint16_t key) { return pair.first < key; });
        return at != pairs_.end() && at->first == both ? &at->second : nullptr;
    }

    static std::shared_ptr<const PrimaryTable> Build(const UCollator* folded) {
        UErrorCode status = U_ZERO_ERROR;
        // Scripts reordered: the elements' weights are not the order compared.
        if (ucol_getReorderCodes(folded, nullptr, 0, &status) != 0) return nullptr;

        const auto& units = Units();
        std::array<std::vector<uint32_t>, 256> singles;
        for (int b = 0; b < 256; ++b) {
            auto weights = PrimaryWeights(folded, {&units[b], 1});
            if (!weights || weights->size() > kMostWeights) return nullptr;
            singles[b] = std::move(*weights);
        }
        // Characters weighed together (contractions, and characters weighed by the one
        // before them) that are all Windows-1252 characters.
        status = U_ZERO_ERROR;
        const std::unique_ptr<USet, decltype(&uset_close)> together(uset_openEmpty(), &uset_close);
        ucol_getContractionsAndExpansions(folded, together.get(), nullptr, true, &status);
        if (U_FAILURE(status)) return nullptr;
        std::vector<int16_t> byteOf(0x10000, -1);
        for (int b = 0; b < 256; ++b) byteOf[units[b]] = static_cast<int16_t>(b);
        std::vector<std::pair<uint16_t, std::vector<uint32_t>>> pairs;
        for (int32_t i = 0, n = uset_getItemCount(together.get()); i < n; ++i) {
            UChar32 first = 0, last = 0;
            std::array<UChar, 16> text{};
            status = U_ZERO_ERROR;
            const int32_t length = uset_getItem(together.get(), i, &first, &last, text.data(),
                                                static_cast<int32_t>(text.size()), &status);
            if (U_FAILURE(status)) return nullptr;
            if (length == 0) continue;
            const std::u16string_view chars(reinterpret_cast<const char16_t*>(text.data()), length);
            if (!std::all_of(chars.begin(), chars.end(),
                             [&](char16_t u) { return byteOf[u] >= 0; }))
                continue;
            if (length != 2) return nullptr;
            auto weights = PrimaryWeights(folded, chars);
            if (!weights || weights->size() > kMostWeights) return nullptr;
            pairs.emplace_back(uint16_t(byteOf[chars[0]] << 8 | byteOf[chars[1]]),
                               std::move(*weights));
        }
        // A pair ending where another begins: reading pairs from the left may not be how
        // the collator reads them.
        for (const auto& [one, weights] : pairs)
            for (const auto& [other, otherWeights] : pairs)
                if ((one & 0xFF) == other >> 8) return nullptr;

        std::vector<uint32_t> all;
        for (const auto& weights : singles) all.insert(all.end(), weights.begin(), weights.end());
        for (const auto& [both, weights] : pairs)
            all.insert(all.end(), weights.begin(), weights.end());
        std::sort(all.begin(), all.end());
        all.erase(std::unique(all.begin(), all.end()), all.end());
        if (all.size() > 255) return nullptr;
        const auto unitOf = [&all](const std::vector<uint32_t>& weights) {
            Unit unit;
            unit.count = static_cast<uint8_t>(weights.size());
            for (std::size_t k = 0; k < weights.size(); ++k)
                unit.places[k] = static_cast<uint8_t>(
                    std::lower_bound(all.begin(), all.end(), weights[k]) - all.begin() + 1);
            return unit;
        };
        auto table = std::make_shared<PrimaryTable>();
        for (int b = 0; b < 256; ++b) table->single_[b] = unitOf(singles[b]);
        for (const auto& [both, weights] : pairs) {
            table->pairs_.emplace_back(both, unitOf(weights));
            table->startsPair_[both >> 8] = true;
        }
        std::sort(table->pairs_.begin(), table->pairs_.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });

        // Checked against the collator: no two characters may be ordered otherwise by their
        // words.
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                const char x = char(a), y = char(b);
                if (table->Word({&x, 1}) < table->Word({&y, 1}) &&
                    ucol_strcoll(folded, IcuText({&units[a], 1}), 1, IcuText({&units[b], 1}), 1) !=
                        UCOL_LESS)
                    return nullptr;
            }
        return table;
    }

    std::array<Unit, 256> single_{};
    std::array<bool, 256> startsPair_{};
    std::vector<std::pair<uint16_t, Unit>> pairs_;  // by first byte << 8 | second, sorted
};

// Texts of one word this many or more are ordered by their sort keys, each made once.
constexpr std::size_t kKeyedTies = 8;

}  // namespace

// A locale's collators, without and with regard to case, and its table of words where one
// holds for it (else words are read from the collator's sort keys).
struct ReportCollation::Locale {
    Collator folded;
    Collator cased;
    std::shared_ptr<const PrimaryTable> table;

    uint64_t Word(std::string_view text) const {
        if (table) return table->Word(text);
        // The empty text is before any other (QCollator's rule), and so is word 0.
        if (text.empty()) return 0;
        thread_local std::u16string buffer;
        const std::u16string_view utf16 = Utf16(text, buffer);
        UCharIterator iterator;
        uiter_setString(&iterator, IcuText(utf16), IcuLength(utf16));
        uint32_t state[2] = {0, 0};
        std::array<uint8_t, 8> bytes{};
        UErrorCode status = U_ZERO_ERROR;
        ucol_nextSortKeyPart(folded.get(), &iterator, state, bytes.data(), bytes.size(), &status);
        if (U_FAILURE(status)) throw std::bad_alloc();
        return BigEndian(bytes);
    }

    // Appends the sort key of `text` without regard to case; the empty text has none.
    void AppendKey(std::string_view text, std::string& keys) const {
        if (text.empty()) return;
        thread_local std::u16string buffer;
        const std::u16string_view utf16 = Utf16(text, buffer);
        const std::size_t at = keys.size();
        int32_t room = IcuLength(utf16) * 4 + 16;
        for (;;) {
            keys.resize(at + room);
            const int32_t length =
                ucol_getSortKey(folded.get(), IcuText(utf16), IcuLength(utf16),
                                reinterpret_cast<uint8_t*>(keys.data() + at), room);
            if (length <= 0) throw std::bad_alloc();
            if (length <= room) {
                keys.resize(at + length);
                return;
            }
            room = length;
        }
    }
};

ReportCollation::ReportCollation(const QLocale& locale) {
    if (locale.language() != QLocale::C) {
        // The locale's name as Qt hands it to the collator.
        const std::string name = locale.bcp47Name().replace(u'-', u'_').toStdString();
        auto own = std::make_unique<Locale>();
        own->folded = OpenCollator(name, false);
        own->cased = OpenCollator(name, true);
        if (own->folded && own->cased) {
            own->table = PrimaryTable::Of(name, own->folded.get());
            locale_ = std::move(own);
            return;
        }
    }
    // The C locale, and a locale without a collator, as Qt compares them: by the characters'
    // case-folded code points.
    const auto& units = Units();
    folded_ = Places([&units](int b) { return QChar(units[b]).toCaseFolded().unicode(); });
    exact_ = Places([&units](int b) { return uint32_t(units[b]); });
}

ReportCollation::~ReportCollation() = default;

// In the C locale the first eight places of the folded text, first character highest: most
// comparisons of two texts are settled by these alone.
uint64_t ReportCollation::Word(std::string_view text) const {
    if (locale_) return locale_->Word(text);
    uint64_t word = 0;
    const std::size_t n = std::min<std::size_t>(text.size(), 8);
    for (std::size_t i = 0; i < n; ++i)
        word |= uint64_t(folded_[static_cast<unsigned char>(text[i])]) << (56 - 8 * i);
    return word;
}

int ReportCollation::Compare(std::string_view a, std::string_view b) const {
    if (locale_) return CollatorCompare(locale_->folded.get(), a, b);
    return Sign(CompareThrough(folded_, a, b));
}

int ReportCollation::CompareCase(std::string_view a, std::string_view b) const {
    if (locale_) return CollatorCompare(locale_->cased.get(), a, b);
    return Sign(CompareThrough(exact_, a, b));
}

int ReportCollation::CompareExact(std::string_view a, std::string_view b) const {
    if (const int d = Compare(a, b)) return d;
    return CompareTied(a, b);
}

int ReportCollation::CompareTied(std::string_view a, std::string_view b) const {
    if (const int d = CompareCase(a, b)) return d;
    return Sign(a.compare(b));
}

std::vector<uint32_t> ReportCollation::Ranks(std::span<const std::string_view> texts,
                                             bool exact) const {
    std::vector<std::pair<uint64_t, uint32_t>> byWord(texts.size());
    for (uint32_t i = 0; i < texts.size(); ++i) byWord[i] = {Word(texts[i]), i};
    std::sort(byWord.begin(), byWord.end());
    std::vector<uint32_t> place(texts.size());
    std::vector<uint32_t> ids;
    uint32_t at = 0;
    for (std::size_t i = 0; i < byWord.size();) {
        ids.clear();
        const uint64_t word = byWord[i].first;
        for (; i < byWord.size() && byWord[i].first == word; ++i) ids.push_back(byWord[i].second);
        at = PlaceTied(texts, ids, exact, at, place);
    }
    return place;
}

uint32_t ReportCollation::PlaceTied(std::span<const std::string_view> texts,
                                    std::span<uint32_t> ids, bool exact, uint32_t at,
                                    std::vector<uint32_t>& place) const {
    // `items` sorted by `compare` and placed, a new place wherever the text differs.
    const auto placeSorted = [&](auto& items, const auto& compare, const auto& idOf) {
        if (items.size() > 1)
            std::sort(items.begin(), items.end(),
                      [&](const auto& x, const auto& y) { return compare(x, y) < 0; });
        for (std::size_t k = 0; k < items.size(); ++k) {
            if (k > 0 && compare(items[k - 1], items[k]) != 0) ++at;
            place[idOf(items[k])] = at;
        }
        return at + 1;
    };
    const auto thenExactly = [&](int folded, uint32_t a, uint32_t b) {
        return folded != 0 || !exact ? folded : CompareTied(texts[a], texts[b]);
    };
    if (locale_ && ids.size() >= kKeyedTies) {
        std::string keys;
        std::vector<std::size_t> ends;
        ends.reserve(ids.size());
        for (const uint32_t id : ids) {
            locale_->AppendKey(texts[id], keys);
            ends.push_back(keys.size());
        }
        std::vector<std::pair<std::string_view, uint32_t>> keyed;
        keyed.reserve(ids.size());
        for (std::size_t k = 0, begin = 0; k < ids.size(); begin = ends[k++])
            keyed.emplace_back(std::string_view(keys).substr(begin, ends[k] - begin), ids[k]);
        return placeSorted(
            keyed,
            [&](const auto& x, const auto& y) {
                return thenExactly(Sign(x.first.compare(y.first)), x.second, y.second);
            },
            [](const auto& item) { return item.second; });
    }
    return placeSorted(
        ids, [&](uint32_t a, uint32_t b) { return thenExactly(Compare(texts[a], texts[b]), a, b); },
        [](uint32_t id) { return id; });
}
