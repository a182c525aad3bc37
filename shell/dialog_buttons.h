#pragma once
// The Help / OK / Cancel row of the shell's dialogs.

#include <QString>

class Form;
class QBoxLayout;
class QPushButton;

struct DialogButtons {
    QPushButton* help;
    QPushButton* ok;
    QPushButton* cancel;
};

// Adds the row (object names HelpBtn, OKBtn, CancelBtn) to the layout; OK is the default
// button. OK sets the modal result Ok before the form's own click handler runs, so that
// handler may still refuse; Cancel sets Cancel. Help and F1 open the help page of the keyword.
DialogButtons AddDialogButtons(Form& form, QBoxLayout& layout, const QString& helpKeyword);
