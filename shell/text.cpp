#include "shell/text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "engine/decimal.h"
#include "engine/engine.h"

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}
}  // namespace

std::string_view TrimmedView(std::string_view text) {
    // Fields and report cells are padded with runs of spaces: those go eight at a time.
    constexpr uint64_t kSpaces = 0x2020202020202020ULL;
    const auto spaces = [&text](std::size_t at) {
        uint64_t word = 0;
        std::memcpy(&word, text.data() + at, sizeof word);
        return word == kSpaces;
    };
    std::size_t b = 0, e = text.size();
    while (e - b >= 8 && spaces(e - 8)) e -= 8;
    while (e > b && IsBlank(text[e - 1])) --e;
    while (e - b >= 8 && spaces(b)) b += 8;
    while (b < e && IsBlank(text[b])) ++b;
    return text.substr(b, e - b);
}

std::string TrimBlanks(std::string_view text) {
    return std::string(TrimmedView(text));
}

std::string StripCommas(std::string_view text) {
    std::string out = TrimBlanks(text);
    std::erase(out, ',');
    return out;
}

std::string PadRightWith(std::string_view text, char fill, int width) {
    std::string out(text);
    if (static_cast<int>(out.size()) < width) out.append(width - out.size(), fill);
    return out;
}

std::string RightJustify(std::string_view text, [[maybe_unused]] char fill, int width) {
    const std::string trimmed = TrimBlanks(text);
    width = std::max(width, 0);
    const int length = static_cast<int>(trimmed.size());
    if (length <= width) return std::string(width - length, ' ') + trimmed;
    if (IsNumberText(StripCommas(trimmed))) return trimmed;
    return trimmed.substr(0, width);
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

namespace {

// Trimmed, padded and cut in one pass: every posting builds many keys.
std::string KeyPart(std::string_view text, int width, bool upper) {
    const std::string_view trimmed = TrimmedView(text);
    const std::size_t size = std::min(std::max(trimmed.size(), static_cast<std::size_t>(
                                                                   std::max(width, 0))),
                                      static_cast<std::size_t>(MaxKeyLength));
    std::string key(size, ' ');
    const std::size_t copied = std::min(trimmed.size(), size);
    for (std::size_t i = 0; i < copied; ++i) {
        const char c = trimmed[i];
        key[i] = upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return key;
}

}  // namespace

std::string KeyText(std::string_view text, int width) {
    return KeyPart(text, width, true);
}

std::string PlainKeyText(std::string_view text, int width) {
    return KeyPart(text, width, false);
}

std::optional<int> WholeNumber(std::string_view text) {
    const std::string trimmed = TrimBlanks(text);
    int value = 0;
    const char* end = trimmed.data() + trimmed.size();
    const auto [stop, error] = std::from_chars(trimmed.data(), end, value);
    if (trimmed.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::string JoinedWith(const std::vector<std::string>& texts, std::string_view separator) {
    std::string joined;
    for (const std::string& text : texts) {
        if (!joined.empty()) joined += separator;
        joined += text;
    }
    return joined;
}
