#pragma once
// ReportCollation: the order the report viewer sorts cell texts (Windows-1252) in, a locale's
// comparison without regard to case, as QCollator compares. In the C locale that is the order
// of the characters' case-folded code points, read from two byte tables; in any other locale
// the locale's collator (ICU's, set up as Qt sets it up) decides.

#include <QLocale>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

class ReportCollation {
public:
    // The default locale's order, or `locale`'s.
    explicit ReportCollation(const QLocale& locale = QLocale());
    ~ReportCollation();
    ReportCollation(const ReportCollation&) = delete;
    ReportCollation& operator=(const ReportCollation&) = delete;

    // <0, 0 or >0 as `a` sorts before, with or after `b` without regard to case.
    int Compare(std::string_view a, std::string_view b) const;
    // The same, but texts equal but for case are told apart (and then by their bytes), so
    // that only equal texts compare equal.
    int CompareExact(std::string_view a, std::string_view b) const;

    // A number whose order agrees with Compare's: texts whose words differ compare as their
    // words do; texts of equal words may still differ.
    uint64_t Word(std::string_view text) const;

    // Each text's place among `texts` (from 0, no gaps): texts that compare equal share a
    // place. Texts are ordered by their words; only texts of equal words are compared.
    std::vector<uint32_t> Ranks(std::span<const std::string_view> texts, bool exact) const;

private:
    struct Locale;  // a locale's collators (ICU's) and, where it holds, its table of weights

    int CompareCase(std::string_view a, std::string_view b) const;
    // Texts equal without regard to case told apart: by case, then by their bytes.
    int CompareTied(std::string_view a, std::string_view b) const;
    // Sorts texts of one word by the full comparison and places them from `at` on; gives
    // the place after the last.
    uint32_t PlaceTied(std::span<const std::string_view> texts, std::span<uint32_t> ids, bool exact,
                       uint32_t at, std::vector<uint32_t>& place) const;

    // The C locale: each byte's place among the folded characters, and among all characters.
    std::array<uint8_t, 256> folded_{};
    std::array<uint8_t, 256> exact_{};
    std::unique_ptr<const Locale> locale_;  // null in the C locale
};
