#pragma once
// A line edit driven by an edit mask of the form "mask;save;blank":
//   0 digit required      9 digit optional      # digit or sign optional
//   L letter required     l letter optional
//   A letter/digit req.   a letter/digit opt.
//   C any char required   c any char optional
//   >  following characters upper case, <  lower case, <> neither
//   \  the next character is a literal; every other character is a literal
//   !  optional characters left blank are kept at the left of their group (leading
//      blanks) rather than at the right
// "save" 1 keeps the literals in Text(), 0 drops them; "blank" is the character shown in
// positions not filled. Text() gives a blank (space) for each position not filled, e.g.
// "!99/99/9999;1;_" empty gives "  /  /    ".
//
// Use Text() and SetText(): QLineEdit's own text() and setText() do not follow the mask's
// rules.

#include <QChar>
#include <QLineEdit>
#include <QString>
#include <vector>

struct MaskSlot {
    enum class Kind { Literal, Digit, DigitSign, Letter, AlphaNum, Any };
    enum class Case { Keep, Upper, Lower };
    Kind kind = Kind::Literal;
    bool required = false;
    QChar literal;
    Case casing = Case::Keep;

    bool Editable() const { return kind != Kind::Literal; }
    bool Accepts(QChar c) const;
};

struct ParsedMask {
    std::vector<MaskSlot> places;
    bool saveLiterals = true;
    QChar blank = '_';
    bool leadingBlanks = false;  // "!"
};

ParsedMask ParseEditMask(const QString& editMask);
// The equivalent Qt input mask (Qt's "9" is a required digit and "0" an optional one).
QString QtInputMask(const ParsedMask& mask);

class MaskEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit MaskEdit(QWidget* parent = nullptr);
    MaskEdit(const QString& editMask, QWidget* parent);

    // Sets the mask; the content becomes blank.
    void SetEditMask(const QString& editMask);
    const QString& EditMask() const { return editMask_; }

    QString Text() const;
    // Places the text into the mask: with literals when the mask saves them, else the
    // characters of the positions only; a shorter text fills from the left, or from the
    // right with "!". Characters a position does not accept leave it blank.
    void SetText(const QString& text);

    // Every required position is filled.
    bool IsComplete() const;
    // No position is filled.
    bool IsBlank() const;

private:
    // The character of each position; a null QChar for a blank one.
    std::vector<QChar> Positions() const;
    void SetPositions(const std::vector<QChar>& chars);

    QString editMask_;
    ParsedMask mask_;
};
