#include "shell/dialog_buttons.h"

#include <QBoxLayout>
#include <QPushButton>

#include "platform/application.h"
#include "platform/form.h"
#include "platform/help.h"

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

    buttons.ok->setDefault(true);
    form.SetButtonResult(buttons.ok, Modal::Ok);
    form.SetButtonResult(buttons.cancel, Modal::Cancel);
    QObject::connect(buttons.help, &QPushButton::clicked, &form,
                     Guarded([helpKeyword] { ShowHelp(helpKeyword); }));
    BindHelpKey(form, helpKeyword);
    return buttons;
}
