#include "platform/status_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "platform/long_run.h"

TStatForm* StatForm = nullptr;
TNetTypeDlg* NetTypeDlg = nullptr;

namespace {

QLabel* AddLabel(QWidget* owner, QVBoxLayout* layout, const char* name) {
    auto* label = new QLabel(owner);
    label->setObjectName(name);
    label->setMinimumWidth(320);
    layout->addWidget(label);
    return label;
}

TStatForm& RequireStatForm() {
    if (!StatForm) throw std::logic_error("StatForm used before the platform windows exist");
    return *StatForm;
}

}  // namespace

TStatForm::TStatForm(QWidget* parent) : Form(parent) {
    setObjectName("StatForm");
    setWindowTitle("Rebuild Status");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    Label1 = AddLabel(this, layout, "Label1");
    Label2 = AddLabel(this, layout, "Label2");
    Label3 = AddLabel(this, layout, "Label3");
}

TNetTypeDlg::TNetTypeDlg(QWidget* parent) : Form(parent) {
    setObjectName("NetTypeDlg");
    setWindowTitle("Record Engine Not Started");
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(
        "The record storage engine has not been started, so the files of this company "
        "cannot be opened.\n\nClose the program and start it again. No data has been "
        "changed.",
        this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    layout->addWidget(Label1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = new QPushButton("&OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    SetButtonResult(OKBtn, Modal::Ok);
    buttons->addWidget(OKBtn);
    layout->addLayout(buttons);
}

void ClearRebuildStatus() {
    TStatForm& form = RequireStatForm();
    form.Label1->clear();
    form.Label2->clear();
    form.Label3->clear();
    ProcessPendingMessages();
}

StatFormShown::StatFormShown() {
    TStatForm& form = RequireStatForm();
    form.show();
    form.raise();
    ProcessPendingMessages();
}

StatFormShown::~StatFormShown() {
    if (StatForm) StatForm->hide();
}
