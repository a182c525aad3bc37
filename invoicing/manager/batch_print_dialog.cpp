#include "invoicing/manager/batch_print_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "shell/text.h"

TInvBatch* InvBatch = nullptr;

TInvBatch::TInvBatch(QWidget* parent) : Form(parent) {
    setObjectName("InvBatch");
    setWindowTitle(InvBatchCaption);
    auto* layout = new QVBoxLayout(this);
    const auto label = [this, layout](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        layout->addWidget(l);
        return l;
    };
    Label1 = label("Label1");
    Label2 = label("Label2");
    Label3 = label("Label3");

    auto* countRow = new QHBoxLayout;
    auto* caption = new QLabel("&Number to process:", this);
    BatchNum = new MaskEdit("9999;1; ", this);
    BatchNum->setObjectName("BatchNum");
    caption->setBuddy(BatchNum);
    countRow->addWidget(caption);
    countRow->addWidget(BatchNum);
    countRow->addStretch();
    layout->addLayout(countRow);

    Button1 = new QPushButton("&Print", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("&Cancel", this);
    Button2->setObjectName("Button2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    Button1->setDefault(true);
    SetButtonResult(Button1, Modal::Ok);
    SetButtonResult(Button2, Modal::Cancel);
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
}

std::optional<int> TInvBatch::Count() const {
    return WholeNumber(ToCp1252(BatchNum->Text()));
}

void TInvBatch::FormShow() {
    BatchNum->setFocus();
    BatchNum->selectAll();
}

void TInvBatch::Button1Click() {
    // A blank count would quietly output nothing; the mask admits digits only.
    if (!Count())
        Refuse(BatchNum, "Please enter how many to process.", windowTitle(), MsgIcon::Warning);
}
