#include "platform/rich_text/rtf_reader.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>
#include <limits>
#include <map>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/cp1252.h"
#include "platform/rich_text/rtf_units.h"
#include "platform/scope_guard.h"

namespace {

// Control words longer than this are not rich text (the format allows 32 letters).
constexpr int kMaxWordLength = 32;
// Numbers are signed 32-bit at most; ten digits hold every one of them.
constexpr int kMaxDigits = 10;
// Indents beyond the widest page are clamped rather than laid out.
constexpr int kMaxIndentTwips = 22 * 1440;
// Fallback characters after \u: a handful at most in practice.
constexpr int kMaxFallback = 16;

class Damaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const QString& reason) {
    throw Damaged(reason.toStdString());
}

// Groups whose content is not text of the letter.
bool SkippedDestination(std::string_view word) {
    static const std::unordered_set<std::string_view> kSkipped = {
        "info",         "stylesheet",
        "pict",         "header",
        "headerl",      "headerr",
        "headerf",      "footer",
        "footerl",      "footerr",
        "footerf",      "footnote",
        "annotation",   "fldinst",
        "listtable",    "listoverridetable",
        "revtbl",       "rsidtbl",
        "pntext",       "listtext",
        "xe",           "tc",
        "txe",          "nonshppict",
        "shp",          "template",
        "filetbl",      "ftnsep",
        "ftnsepc",      "aftnsep",
        "aftnsepc",     "objdata",
        "themedata",    "colorschememapping",
        "latentstyles", "datastore",
        "generator",    "xmlnstbl",
        "pgdsctbl",     "docvar",
        "userprops",    "private",
        "bkmkstart",    "bkmkend",
        "atnid",        "atnauthor",
        "mmathPr"};
    return kSkipped.count(word) > 0;
}

enum class Dest { Text, FontTable, ColorTable, Bullet, Skip };

struct CharState {
    int font = -1;  // -1: the document's default font
    int halfPoints = rtf::kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = 0;

    bool operator==(const CharState&) const = default;
};

struct Group {
    CharState chars;
    Dest dest = Dest::Text;
    int fallback = 1;  // \uc: characters that follow \u for readers that do not know it
};

// Paragraph properties hold from \pard to the next \pard, whatever the groups between.
struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int firstIndent = 0;  // twips, relative to the left indent
    int leftIndent = 0;
    int rightIndent = 0;
    bool bullet = false;
};

struct Word {
    std::string_view name;
    bool hasParam = false;
    int param = 0;
    // Plain switches: absent or non-zero turns on.
    bool on() const { return !hasParam || param != 0; }
};

class Reader {
public:
    Reader(QByteArrayView data, QTextDocument& document) : data_(data), cursor_(&document) {}

    void Run() {
        // One edit block: the document lays out once at its end rather than after every run,
        // which costs the length of the paragraph the run is added to.
        cursor_.beginEditBlock();
        const ScopeExit endBlock([this] { cursor_.endEditBlock(); });
        while (pos_ < data_.size() && data_[pos_] != '{') ++pos_;  // blanks before the text
        while (pos_ < data_.size()) {
            const char c = data_[pos_++];
            if (ended_) {
                // Blanks and padding may follow the text; another group's end may not.
                if (c == '}') Refuse("it closes more groups than it opens" + At() + ".");
                continue;
            }
            switch (c) {
                case '{':
                    OpenGroup();
                    break;
                case '}':
                    CloseGroup();
                    break;
                case '\\':
                    Control();
                    break;
                case '\r':
                case '\n':
                    break;
                default:
                    Byte(static_cast<unsigned char>(c));
            }
        }
        if (!ended_) Refuse("it ends before all its groups are closed; the file may be cut short.");
        Flush();
        if (!afterPar_) ApplyParagraph();
    }

private:
    Group& Top() { return groups_.back(); }

    QString At() const { return QString(" (at byte %1)").arg(pos_); }

    void OpenGroup() {
        if (groups_.size() >= static_cast<std::size_t>(rtf::kMaxDepth))
            Refuse(QString("its groups are nested more than %1 deep.").arg(rtf::kMaxDepth));
        groups_.push_back(groups_.empty() ? Group{} : Top());
        starred_ = false;
        fallbackLeft_ = 0;
    }

    void CloseGroup() {
        if (groups_.empty()) Refuse("it closes more groups than it opens" + At() + ".");
        if (Top().dest == Dest::FontTable && !fontName_.trimmed().isEmpty()) {
            // The last entry of a table may lack its semicolon.
            fonts_[fontNumber_] = fontName_.trimmed();
            fontName_.clear();
        }
        groups_.pop_back();
        starred_ = false;
        fallbackLeft_ = 0;
        if (groups_.empty()) ended_ = true;
    }

    void Control() {
        if (pos_ >= data_.size())
            Refuse("it ends inside a control word; the file may be cut short.");
        const char c = data_[pos_];
        if (!IsLetter(c)) {
            ++pos_;
            Symbol(c);
            return;
        }
        const qsizetype start = pos_;
        while (pos_ < data_.size() && IsLetter(data_[pos_])) {
            if (pos_ - start >= kMaxWordLength)
                Refuse("a control word in it is too long" + At() + ".");
            ++pos_;
        }
        Word word{std::string_view(data_.data() + start, static_cast<std::size_t>(pos_ - start))};
        const bool negative =
            pos_ + 1 < data_.size() && data_[pos_] == '-' && IsDigit(data_[pos_ + 1]);
        if (negative) ++pos_;
        long long value = 0;
        int digits = 0;
        while (pos_ < data_.size() && IsDigit(data_[pos_])) {
            if (++digits > kMaxDigits) Refuse("a number in it is too large" + At() + ".");
            value = value * 10 + (data_[pos_++] - '0');
        }
        if (negative) value = -value;
        if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
            Refuse("a number in it is too large" + At() + ".");
        word.hasParam = digits > 0;
        word.param = static_cast<int>(value);
        if (pos_ < data_.size() && data_[pos_] == ' ') ++pos_;
        if (groups_.empty()) Refuse("it has text outside its groups" + At() + ".");
        ControlWord(word);
    }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static int HexValue(char c) {
        if (IsDigit(c)) return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void Symbol(char c) {
        if (groups_.empty()) Refuse("it has text outside its groups" + At() + ".");
        switch (c) {
            case '\'': {
                if (pos_ + 2 > data_.size())
                    Refuse("it ends inside a character escape; the file may be cut short.");
                const int high = HexValue(data_[pos_]);
                const int low = HexValue(data_[pos_ + 1]);
                if (high < 0 || low < 0)
                    Refuse("a \\' escape in it is not followed by two hexadecimal digits" + At() +
                           ".");
                pos_ += 2;
                Byte(static_cast<unsigned char>(high * 16 + low));
                return;
            }
            case '*':
                starred_ = true;
                return;
            case '\\':
            case '{':
            case '}':
                Byte(static_cast<unsigned char>(c));
                return;
            case '~':
                Character(QChar::Nbsp);
                return;
            case '_':
                Character(u'-');
                return;
            case '\r':
            case '\n':
                // An escaped line end is an old way of ending a paragraph.
                if (Top().dest == Dest::Text && !TakeFallback()) Par();
                return;
            default:
                TakeFallback();  // optional hyphens and index marks carry no text
        }
    }

    // True when the item is one of the fallback characters after \u, which are dropped.
    bool TakeFallback() {
        if (fallbackLeft_ == 0) return false;
        --fallbackLeft_;
        return true;
    }

    void ControlWord(const Word& word) {
        Group& group = Top();
        if (starred_) {
            starred_ = false;
            // Old-style bullets are the one ignorable destination read; the rest is skipped.
            group.dest = word.name == "pn" && group.dest == Dest::Text ? Dest::Bullet : Dest::Skip;
            return;
        }
        if (group.dest == Dest::Skip) {
            if (word.name == "bin") SkipBinary(word);
            return;
        }
        if (word.name == "bin") {
            SkipBinary(word);
            return;
        }
        if (SkippedDestination(word.name)) {
            group.dest = Dest::Skip;
            return;
        }
        if (word.name == "fonttbl") {
            group.dest = Dest::FontTable;
            return;
        }
        if (word.name == "colortbl") {
            group.dest = Dest::ColorTable;
            return;
        }
        switch (group.dest) {
            case Dest::FontTable:
                if (word.name == "f") {
                    fontNumber_ = word.param;
                    fontName_.clear();
                }
                return;
            case Dest::ColorTable:
                if (word.name == "red") red_ = std::clamp(word.param, 0, 255);
                if (word.name == "green") green_ = std::clamp(word.param, 0, 255);
                if (word.name == "blue") blue_ = std::clamp(word.param, 0, 255);
                if (word.name == "red" || word.name == "green" || word.name == "blue")
                    colorGiven_ = true;
                return;
            case Dest::Bullet:
                if (word.name == "pnlvlblt" || word.name == "pnlvlbody") para_.bullet = true;
                return;
            case Dest::Skip:
                return;
            case Dest::Text:
                break;
        }
        if (word.name == "pn") {
            group.dest = Dest::Bullet;
            return;
        }
        // A \u without its number is malformed: passed over like a word not known, so that
        // it neither becomes a character nor takes the text after it as its fallback.
        if (word.name == "u" && word.hasParam) {
            int code = word.param < 0 ? word.param + 65536 : word.param;
            if (code < 0 || code > 0xFFFF) code = QChar::ReplacementCharacter;
            Character(QChar(static_cast<char16_t>(code)));
            fallbackLeft_ = group.fallback;
            return;
        }
        if (TakeFallback()) return;
        TextWord(group, word);
    }

    void TextWord(Group& group, const Word& word) {
        const std::string_view name = word.name;
        CharState& chars = group.chars;
        if (name == "par" || name == "page" || name == "sect" || name == "row" || name == "nestrow")
            Par();
        else if (name == "line")
            Character(QChar::LineSeparator);
        else if (name == "tab" || name == "cell" || name == "nestcell")
            Character(u'\t');
        else if (name == "pard")
            para_ = ParaState{};
        else if (name == "plain")
            chars = CharState{};
        else if (name == "b")
            chars.bold = word.on();
        else if (name == "i")
            chars.italic = word.on();
        else if (name == "strike" || name == "striked")
            chars.strike = word.on();
        else if (name == "ulnone")
            chars.underline = false;
        else if (name.substr(0, 2) == "ul" && name != "ulc")
            chars.underline = word.on();  // every kind of underline reads as underline
        else if (name == "f")
            chars.font = word.param;
        else if (name == "fs")
            chars.halfPoints =
                word.param > 0 ? std::min(word.param, 3276) : rtf::kDefaultHalfPoints;
        else if (name == "cf")
            chars.color = word.param;
        else if (name == "deff")
            defaultFont_ = word.param;
        else if (name == "uc")
            group.fallback = std::clamp(word.param, 0, kMaxFallback);
        else if (name == "ql")
            para_.align = Qt::AlignLeft;
        else if (name == "qc")
            para_.align = Qt::AlignHCenter;
        else if (name == "qr")
            para_.align = Qt::AlignRight;
        else if (name == "qj")
            para_.align = Qt::AlignJustify;
        else if (name == "fi")
            para_.firstIndent = Indent(word.param);
        else if (name == "li" || name == "lin")
            para_.leftIndent = Indent(word.param);
        else if (name == "ri" || name == "rin")
            para_.rightIndent = Indent(word.param);
        else if (name == "ls")
            para_.bullet = word.param > 0;
        else if (name == "emdash")
            Character(QChar(0x2014));
        else if (name == "endash")
            Character(QChar(0x2013));
        else if (name == "lquote")
            Character(QChar(0x2018));
        else if (name == "rquote")
            Character(QChar(0x2019));
        else if (name == "ldblquote")
            Character(QChar(0x201C));
        else if (name == "rdblquote")
            Character(QChar(0x201D));
        else if (name == "bullet")
            Character(QChar(0x2022));
        else if (name == "emspace" || name == "enspace" || name == "qmspace")
            Character(u' ');
    }

    static int Indent(int twips) { return std::clamp(twips, -kMaxIndentTwips, kMaxIndentTwips); }

    // Binary data of the given length follows; it is never text.
    void SkipBinary(const Word& word) {
        const qsizetype length = std::max(word.param, 0);
        if (length > data_.size() - pos_)
            Refuse("it ends inside binary data; the file may be cut short.");
        pos_ += length;
    }

    void Byte(unsigned char byte) {
        if (byte < 0x20 && byte != '\t') return;  // control characters carry no text
        const char raw = static_cast<char>(byte);
        Character(FromCp1252(std::string_view(&raw, 1)).at(0));
    }

    void Character(QChar ch) {
        if (groups_.empty()) Refuse("it has text outside its groups" + At() + ".");
        starred_ = false;
        if (TakeFallback()) return;
        switch (Top().dest) {
            case Dest::Text:
                if (!pending_.isEmpty() && Top().chars != pendingChars_) Flush();
                pendingChars_ = Top().chars;
                pending_.append(ch);
                return;
            case Dest::FontTable:
                if (ch == u';') {
                    fonts_[fontNumber_] = fontName_.trimmed();
                    fontName_.clear();
                } else {
                    fontName_.append(ch);
                }
                return;
            case Dest::ColorTable:
                if (ch == u';') {
                    colors_.push_back(colorGiven_ ? QColor(red_, green_, blue_) : QColor());
                    red_ = green_ = blue_ = 0;
                    colorGiven_ = false;
                }
                return;
            case Dest::Bullet:
            case Dest::Skip:
                return;
        }
    }

    QTextCharFormat Format(const CharState& chars) const {
        QTextCharFormat format;
        const auto font = fonts_.find(chars.font < 0 ? defaultFont_ : chars.font);
        if (font != fonts_.end() && !font->second.isEmpty())
            format.setFontFamilies(QStringList{font->second});
        format.setFontPointSize(chars.halfPoints / 2.0);
        format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(chars.italic);
        format.setFontUnderline(chars.underline);
        format.setFontStrikeOut(chars.strike);
        if (chars.color >= 0 && static_cast<std::size_t>(chars.color) < colors_.size() &&
            colors_[chars.color].isValid())
            format.setForeground(colors_[chars.color]);
        return format;
    }

    void Flush() {
        if (pending_.isEmpty()) return;
        StartParagraph();
        cursor_.insertText(pending_, Format(pendingChars_));
        pending_.clear();
    }

    // A \par ends its paragraph; the next one begins only when something is put in it, so
    // that the \par closing the last paragraph adds no empty one.
    void StartParagraph() {
        if (!afterPar_) return;
        cursor_.insertBlock(QTextBlockFormat());
        afterPar_ = false;
    }

    void Par() {
        Flush();
        StartParagraph();
        ApplyParagraph();
        afterPar_ = true;
    }

    void ApplyParagraph() {
        QTextBlockFormat format;
        format.setAlignment(para_.align);
        format.setRightMargin(rtf::TwipsToPixels(std::max(para_.rightIndent, 0)));
        if (para_.bullet) {
            // The list lays out its own bullet; what is left is the paragraph's own indent.
            format.setLeftMargin(
                rtf::TwipsToPixels(std::max(para_.leftIndent - rtf::kBulletTextIndent, 0)));
        } else {
            const int left = std::max(para_.leftIndent, 0);
            format.setLeftMargin(rtf::TwipsToPixels(left));
            format.setTextIndent(rtf::TwipsToPixels(std::max(para_.firstIndent, -left)));
        }
        cursor_.setBlockFormat(format);
        if (!para_.bullet) {
            list_ = nullptr;
        } else if (list_) {
            list_->add(cursor_.block());
        } else {
            list_ = cursor_.createList(QTextListFormat::ListDisc);
        }
    }

    QByteArrayView data_;
    qsizetype pos_ = 0;
    QTextCursor cursor_;
    std::vector<Group> groups_;
    ParaState para_;
    bool ended_ = false;
    bool starred_ = false;
    int fallbackLeft_ = 0;
    bool afterPar_ = false;
    QString pending_;
    CharState pendingChars_;
    QTextList* list_ = nullptr;

    std::map<int, QString> fonts_;
    int defaultFont_ = 0;
    int fontNumber_ = 0;
    QString fontName_;
    std::vector<QColor> colors_;
    int red_ = 0;
    int green_ = 0;
    int blue_ = 0;
    bool colorGiven_ = false;
};

}  // namespace

bool LooksLikeRtf(QByteArrayView data) {
    qsizetype at = 0;
    while (at < data.size() &&
           (data[at] == ' ' || data[at] == '\t' || data[at] == '\r' || data[at] == '\n'))
        ++at;
    return data.sliced(at).startsWith("{\\rtf");
}

QString ReadRtf(QByteArrayView data, QTextDocument& document) {
    document.clear();
    if (!LooksLikeRtf(data)) return "it does not begin as rich text does.";
    // Reading is no edit of the user's: Undo must not take the text back out.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    const ScopeExit restore([&] { document.setUndoRedoEnabled(undo); });
    try {
        Reader reader(data, document);
        reader.Run();
    } catch (const Damaged& damaged) {
        document.clear();
        return QString::fromStdString(damaged.what());
    }
    return {};
}
