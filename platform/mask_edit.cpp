#include "platform/mask_edit.h"

#include <QSignalBlocker>

#include <optional>
#include "platform/cp1252.h"

namespace {

using Kind = MaskSlot::Kind;
using Case = MaskSlot::Case;

MaskSlot Editable(Kind kind, bool required, Case casing) {
    MaskSlot slot;
    slot.kind = kind;
    slot.required = required;
    slot.casing = casing;
    return slot;
}

MaskSlot Literal(QChar c) {
    MaskSlot slot;
    slot.literal = c;
    return slot;
}

QChar Cased(QChar c, Case casing) {
    switch (casing) {
        case Case::Upper:
            return c.toUpper();
        case Case::Lower:
            return c.toLower();
        case Case::Keep:
            break;
    }
    return c;
}

// Positions of the field separators ';' that are not escaped.
std::vector<qsizetype> FieldSeparators(const QString& s) {
    std::vector<qsizetype> at;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == ';') {
            at.push_back(i);
        }
    }
    return at;
}

bool IsAsciiDigit(QChar c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool MaskSlot::Accepts(QChar c) const {
    if (c.isSurrogate() || !IsCp1252(c.unicode())) return false;
    switch (kind) {
        case Kind::Digit:
            return IsAsciiDigit(c);
        case Kind::DigitSign:
            return IsAsciiDigit(c) || c == '+' || c == '-';
        case Kind::Letter:
            return c.isLetter();
        case Kind::AlphaNum:
            return c.isLetterOrNumber();
        case Kind::Any:
            return c.isPrint() && c != ' ';
        case Kind::Literal:
            break;
    }
    return false;
}

ParsedMask ParseEditMask(const QString& editMask) {
    ParsedMask parsed;
    QString body = editMask;
    const auto separators = FieldSeparators(editMask);
    if (separators.size() >= 2) {
        const qsizetype last = separators.back();
        const qsizetype beforeLast = separators[separators.size() - 2];
        body = editMask.left(beforeLast);
        parsed.saveLiterals = editMask.mid(beforeLast + 1, last - beforeLast - 1) != "0";
        const QString blank = editMask.mid(last + 1);
        if (!blank.isEmpty()) parsed.blank = blank[0];
    } else if (separators.size() == 1) {
        body = editMask.left(separators[0]);
        parsed.saveLiterals = editMask.mid(separators[0] + 1) != "0";
    }

    Case casing = Case::Keep;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        const bool hasNext = i + 1 < body.size();
        switch (c.unicode()) {
            case '!':
                parsed.leadingBlanks = true;
                break;
            case '>':
                if (hasNext && body[i + 1] == '<') {
                    casing = Case::Keep;
                    ++i;
                } else {
                    casing = Case::Upper;
                }
                break;
            case '<':
                if (hasNext && body[i + 1] == '>') {
                    casing = Case::Keep;
                    ++i;
                } else {
                    casing = Case::Lower;
                }
                break;
            case '\\':
                if (hasNext) parsed.places.push_back(Literal(body[++i]));
                break;
            case '0':
                parsed.places.push_back(Editable(Kind::Digit, true, casing));
                break;
            case '9':
                parsed.places.push_back(Editable(Kind::Digit, false, casing));
                break;
            case '#':
                parsed.places.push_back(Editable(Kind::DigitSign, false, casing));
                break;
            case 'L':
                parsed.places.push_back(Editable(Kind::Letter, true, casing));
                break;
            case 'l':
                parsed.places.push_back(Editable(Kind::Letter, false, casing));
                break;
            case 'A':
                parsed.places.push_back(Editable(Kind::AlphaNum, true, casing));
                break;
            case 'a':
                parsed.places.push_back(Editable(Kind::AlphaNum, false, casing));
                break;
            case 'C':
                parsed.places.push_back(Editable(Kind::Any, true, casing));
                break;
            case 'c':
                parsed.places.push_back(Editable(Kind::Any, false, casing));
                break;
            default:
                parsed.places.push_back(Literal(c));
                break;
        }
    }
    return parsed;
}

QString QtInputMask(const ParsedMask& mask) {
    static const QString qtSpecial = "AaNnXx90Dd#HhBb><!\\[]{};";
    QString out;
    Case qtCase = Case::Keep;
    for (const MaskSlot& slot : mask.places) {
        if (!slot.Editable()) {
            if (qtSpecial.contains(slot.literal)) out += '\\';
            out += slot.literal;
            continue;
        }
        if (slot.casing != qtCase) {
            out += slot.casing == Case::Upper ? '>' : slot.casing == Case::Lower ? '<' : '!';
            qtCase = slot.casing;
        }
        switch (slot.kind) {
            case Kind::Digit:
                out += slot.required ? '9' : '0';
                break;
            case Kind::DigitSign:
                out += '#';
                break;
            case Kind::Letter:
                out += slot.required ? 'A' : 'a';
                break;
            case Kind::AlphaNum:
                out += slot.required ? 'N' : 'n';
                break;
            case Kind::Any:
                out += slot.required ? 'X' : 'x';
                break;
            case Kind::Literal:
                break;
        }
    }
    return out + ';' + mask.blank;
}

MaskEdit::MaskEdit(QWidget* parent) : QLineEdit(parent) {}

MaskEdit::MaskEdit(const QString& editMask, QWidget* parent) : QLineEdit(parent) {
    SetEditMask(editMask);
}

void MaskEdit::SetEditMask(const QString& editMask) {
    editMask_ = editMask;
    mask_ = ParseEditMask(editMask);
    setInputMask(editMask.isEmpty() ? QString() : QtInputMask(mask_));
    SetPositions(std::vector<QChar>(mask_.places.size()));
}

std::vector<QChar> MaskEdit::Positions() const {
    const QString shown = displayText();
    std::vector<QChar> chars(mask_.places.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const auto at = static_cast<qsizetype>(i);
        if (mask_.places[i].Editable() && at < shown.size() && shown[at] != mask_.blank)
            chars[i] = shown[at];
    }
    return chars;
}

void MaskEdit::SetPositions(const std::vector<QChar>& chars) {
    {
        // Placed one by one: Qt's setText would close up the gaps of required positions.
        const QSignalBlocker quiet(this);
        clear();
        for (std::size_t i = 0; i < chars.size(); ++i) {
            if (chars[i].isNull() || !mask_.places[i].Editable()) continue;
            setCursorPosition(static_cast<int>(i));
            insert(QString(chars[i]));
        }
        setCursorPosition(0);
    }
    emit textChanged(text());
}

QString MaskEdit::Text() const {
    if (editMask_.isEmpty()) return text();
    std::vector<QChar> chars = Positions();
    // Optional positions a group leaves blank go to its end, or to its start with "!".
    for (std::size_t start = 0; start < chars.size();) {
        std::size_t end = start;
        bool allOptional = true;
        while (end < chars.size() && mask_.places[end].Editable()) {
            allOptional = allOptional && !mask_.places[end].required;
            ++end;
        }
        if (end > start && allOptional) {
            std::vector<QChar> filled;
            for (std::size_t i = start; i < end; ++i)
                if (!chars[i].isNull()) filled.push_back(chars[i]);
            const std::size_t gap = (end - start) - filled.size();
            const std::size_t first = start + (mask_.leadingBlanks ? gap : 0);
            for (std::size_t i = start; i < end; ++i) chars[i] = QChar();
            for (std::size_t k = 0; k < filled.size(); ++k) chars[first + k] = filled[k];
        }
        start = end == start ? start + 1 : end;
    }
    QString out;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const MaskSlot& slot = mask_.places[i];
        if (!slot.Editable()) {
            if (mask_.saveLiterals) out += slot.literal;
        } else {
            out += chars[i].isNull() ? QChar(' ') : chars[i];
        }
    }
    return out;
}

void MaskEdit::SetText(const QString& text) {
    if (editMask_.isEmpty()) {
        setText(text);
        return;
    }
    const auto& places = mask_.places;
    const auto n = static_cast<qsizetype>(places.size());
    const bool reverse = mask_.leadingBlanks;
    std::vector<QChar> chars(places.size());
    qsizetype j = reverse ? text.size() - 1 : 0;
    const auto more = [&] { return reverse ? j >= 0 : j < text.size(); };
    const auto next = [&] { j += reverse ? -1 : 1; };
    // The literal that closes the group of position i, in the direction of filling.
    const auto closingLiteral = [&](qsizetype i) -> std::optional<QChar> {
        for (qsizetype k = i; k >= 0 && k < n; k += reverse ? -1 : 1)
            if (!places[k].Editable()) return places[k].literal;
        return std::nullopt;
    };
    for (qsizetype step = 0; step < n && more(); ++step) {
        const qsizetype i = reverse ? n - 1 - step : step;
        const MaskSlot& slot = places[i];
        const QChar c = text[j];
        if (!slot.Editable()) {
            if (!mask_.saveLiterals) continue;
            if (c == slot.literal) next();
            continue;
        }
        // The text reached its next literal early: this position stays blank.
        if (mask_.saveLiterals && closingLiteral(i) == c) continue;
        if (slot.Accepts(c)) chars[i] = Cased(c, slot.casing);
        next();
    }
    SetPositions(chars);
}

bool MaskEdit::IsComplete() const {
    const auto chars = Positions();
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (mask_.places[i].required && chars[i].isNull()) return false;
    return true;
}

bool MaskEdit::IsBlank() const {
    for (const QChar c : Positions())
        if (!c.isNull()) return false;
    return true;
}
