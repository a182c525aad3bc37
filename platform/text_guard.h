#pragma once
// Edit controls refuse characters that record text (Windows-1252) cannot hold: the
// character is taken out again and the user is told which one it was.

class QLineEdit;
class QPlainTextEdit;
class QString;
class QWidget;

void GuardText(QLineEdit* edit);
void GuardText(QPlainTextEdit* edit);
// Guards every line edit and plain-text edit under the widget (once each).
void GuardTextControls(QWidget* root);

// The message shown for a refused character.
QString RefusedCharacterMessage(const QString& character);
