#pragma once
// ReportCollation: the order the report viewer sorts cell texts (Windows-1252) in, the
// default locale's comparison without regard to case. In the C locale that is the order of
// the characters' case-folded code points, read from two byte tables; in any other locale the
// locale's collator decides.

#include <QCollator>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class ReportCollation {
public:
    ReportCollation();

    // <0, 0 or >0 as `a` sorts before, with or after `b` without regard to case.
    int Compare(std::string_view a, std::string_view b) const;
    // The same, but texts equal but for case are told apart (and then by their bytes), so
    // that only equal texts compare equal.
    int CompareExact(std::string_view a, std::string_view b) const;

    // A number whose order agrees with Compare's: texts whose words differ compare as their
    // words do; texts of equal words may still differ. Only where HasWords: a locale's
    // collator has no such number (every word is 0).
    bool HasWords() const { return plain_; }
    uint64_t Word(std::string_view text) const;

    // Each text's place among `texts` (from 0, no gaps): texts that compare equal share a
    // place. One collation key per text, never one per comparison.
    std::vector<uint32_t> Ranks(std::span<const std::string_view> texts, bool exact) const;

private:
    int CompareCase(std::string_view a, std::string_view b) const;

    // The C locale: each byte's place among the folded characters, and among all characters.
    bool plain_ = false;
    std::array<uint8_t, 256> folded_{};
    std::array<uint8_t, 256> exact_{};
    QCollator foldedCollator_;
    QCollator caseCollator_;
};
