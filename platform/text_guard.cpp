#include "platform/text_guard.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"

namespace {

constexpr const char* kGuarded = "stockmereCp1252Guard";

bool MarkGuarded(QWidget* w) {
    if (w->property(kGuarded).toBool()) return false;
    w->setProperty(kGuarded, true);
    return true;
}

void TellRefused(const QString& character) {
    Beep();
    MessageBox(RefusedCharacterMessage(character), "Character Not Allowed", MsgIcon::Warning);
}

// The text without the characters that cannot be stored; the first one refused is
// returned through `refused`, and `cursor` is moved left past removed characters.
QString WithoutUnencodable(const QString& text, QString& refused, int& cursor) {
    QString kept;
    const int oldCursor = cursor;
    for (qsizetype i = 0; i < text.size();) {
        const QString ch = CharacterAt(text, i);
        if (FirstUnencodable(ch) < 0) {
            kept += ch;
        } else {
            if (refused.isEmpty()) refused = ch;
            if (i < oldCursor)
                cursor -= static_cast<int>(std::min<qsizetype>(ch.size(), oldCursor - i));
        }
        i += ch.size();
    }
    return kept;
}

}  // namespace

QString RefusedCharacterMessage(const QString& character) {
    return QString("The character \"%1\" cannot be stored. Please type another character.")
        .arg(character);
}

void GuardText(QLineEdit* edit) {
    if (!MarkGuarded(edit)) return;
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        if (FirstUnencodable(text) < 0) return;
        QString refused;
        int cursor = edit->cursorPosition();
        if (edit->inputMask().isEmpty()) {
            edit->setText(WithoutUnencodable(text, refused, cursor));
            edit->setCursorPosition(cursor);
        } else {
            // A masked edit keeps its positions: the character's place becomes blank again.
            const qsizetype at = FirstUnencodable(edit->displayText());
            refused = CharacterAt(edit->displayText(), at);
            edit->setSelection(static_cast<int>(at), static_cast<int>(refused.size()));
            edit->del();
            edit->setCursorPosition(static_cast<int>(at));
        }
        TellRefused(refused);
    });
}

void GuardText(QPlainTextEdit* edit) {
    if (!MarkGuarded(edit)) return;
    auto busy = std::make_shared<bool>(false);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, Guarded([edit, busy] {
        if (*busy) return;
        const QString text = edit->toPlainText();
        if (FirstUnencodable(text) < 0) return;
        const ScopedAssign<bool> guard(*busy, true);
        QString refused;
        QTextCursor cursor(edit->document());
        cursor.beginEditBlock();
        // From the end, so that earlier positions stay valid while characters go.
        for (qsizetype i = text.size() - 1; i >= 0; --i) {
            const qsizetype start = text.at(i).isLowSurrogate() && i > 0 ? i - 1 : i;
            const QString ch = CharacterAt(text, start);
            if (FirstUnencodable(ch) >= 0) {
                refused = ch;
                cursor.setPosition(static_cast<int>(start));
                cursor.setPosition(static_cast<int>(start + ch.size()), QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
            }
            i = start;
        }
        cursor.endEditBlock();
        TellRefused(refused);
    }));
}

void GuardTextControls(QWidget* root) {
    for (QLineEdit* e : root->findChildren<QLineEdit*>()) GuardText(e);
    for (QPlainTextEdit* e : root->findChildren<QPlainTextEdit*>()) GuardText(e);
}
