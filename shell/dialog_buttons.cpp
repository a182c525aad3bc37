#include "shell/dialog_buttons.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QShortcut>

#include "platform/form.h"

DialogButtons AddDialogButtons(Form& form, QBoxLayout& layout, const QString& helpKeyword) {
    const auto button = [&form](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, &form);
        b->setObjectName(name);
        return b;
    };
    const DialogButtons buttons{button("HelpBtn", "&Help"), button("OKBtn", "&OK"),
                                button("CancelBtn", "&Cancel")};
    auto* row = new QHBoxLayout;
    row->addWidget(buttons.help);
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    layout.addLayout(row);

    form.SetButtonResult(buttons.ok, Modal::Ok);
    form.SetButtonResult(buttons.cancel, Modal::Cancel);
    const auto showHelp = [helpKeyword] { ShowHelp(helpKeyword); };
    QObject::connect(buttons.help, &QPushButton::clicked, &form, showHelp);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, &form);
    QObject::connect(f1, &QShortcut::activated, &form, showHelp);
    return buttons;
}
