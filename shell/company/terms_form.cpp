#include "shell/company/terms_form.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/dialog_buttons.h"
#include "shell/posting_unit.h"
#include "shell/small_files.h"
#include "shell/text.h"

namespace {
constexpr const char* kCaption = "Payment Terms";
}

TTermsForm::TTermsForm(QWidget* parent) : Form(parent) {
    setObjectName("TermsForm");
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QString("One payment term a line, at most %1 characters each:").arg(MaxTermLength), this);
    layout->addWidget(hint);
    TermsMemo = new QPlainTextEdit(this);
    TermsMemo->setObjectName("TermsMemo");
    TermsMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(TermsMemo, 1);

    const DialogButtons buttons = AddDialogButtons(*this, *layout, "PaymentTerms");
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;
    connect(OKBtn, &QPushButton::clicked, this, Guarded([this] { OKBtnClick(); }));
    resize(380, 360);
}

void TTermsForm::FormShow() {
    QStringList lines;
    for (const std::string& term : LoadTerms(Shell().folder)) lines << FromCp1252(term);
    TermsMemo->setPlainText(lines.join('\n'));
    TermsMemo->setFocus();
}

void TTermsForm::OKBtnClick() {
    std::vector<std::string> terms;
    for (QTextBlock block = TermsMemo->document()->begin(); block.isValid(); block = block.next()) {
        const QString line = block.text();
        const std::string term = TrimBlanks(ToCp1252(line));
        if (term.empty()) continue;
        const qsizetype bad = FirstUnencodable(line);
        if (bad >= 0 || static_cast<int>(term.size()) > MaxTermLength) {
            TermsMemo->setTextCursor(QTextCursor(block));
            Refuse(TermsMemo,
                   bad >= 0 ? QString("The term \"%1\" holds a character that cannot be stored: "
                                      "\"%2\".")
                                  .arg(line.trimmed(), CharacterAt(line, bad))
                            : QString("The term \"%1\" is longer than %2 characters.")
                                  .arg(line.trimmed())
                                  .arg(MaxTermLength),
                   kCaption);
            return;
        }
        terms.push_back(term);
    }
    if (!SaveTerms(Shell().folder, terms))
        Refuse(TermsMemo,
               WithWriteReason(
                   QString("The payment terms could not be saved in %1.")
                       .arg(QString::fromUtf8(TermsFileName.data(),
                                              static_cast<qsizetype>(TermsFileName.size())))),
               kCaption);
}
