#include "masters/record_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/mask_edit.h"
#include "shell/app_context.h"

namespace {

// Room for thousands separators as typed; the stored text is checked against the width.
constexpr int NumberSlack = 6;

// Fields no longer than this are drawn about as wide as what they hold, so that a short value
// sits by its label rather than across the page.
constexpr int ShortField = 25;

void FitWidth(QWidget* control, int characters) {
    const int average = control->fontMetrics().averageCharWidth();
    control->setMaximumWidth(average * (characters + 4));
}

QWidget* MakeControl(const EditField& f, QWidget* page) {
    QWidget* control = nullptr;
    switch (f.kind) {
        case FieldKind::Memo: {
            auto* memo = new QPlainTextEdit(page);
            memo->setTabChangesFocus(true);
            memo->setMinimumHeight(120);
            control = memo;
            break;
        }
        case FieldKind::YesNo:
        case FieldKind::Flag:
            control = new QCheckBox(f.label, page);
            break;
        case FieldKind::Choice: {
            auto* combo = new QComboBox(page);
            for (const FieldChoice& c : f.choices)
                combo->addItem(QString("%1 - %2").arg(c.value, c.caption), QString(c.value));
            control = combo;
            break;
        }
        case FieldKind::Date:
            control = new MaskEdit(page);
            FitWidth(control, 12);
            break;
        case FieldKind::Money:
        case FieldKind::Price:
        case FieldKind::Quantity: {
            auto* edit = new QLineEdit(page);
            edit->setMaxLength(f.width + NumberSlack);
            edit->setAlignment(Qt::AlignRight);
            FitWidth(edit, f.width + NumberSlack);
            control = edit;
            break;
        }
        case FieldKind::Text:
        case FieldKind::Code: {
            auto* edit = new QLineEdit(page);
            edit->setMaxLength(f.width);
            if (f.width <= ShortField) FitWidth(edit, f.width);
            control = edit;
            break;
        }
    }
    control->setObjectName(f.name);
    return control;
}

}  // namespace

TRecordEdit::TRecordEdit(const char* objectName, const EditTable& table, int recordLength,
                         QWidget* parent)
    : Form(parent), table_(table), record_(recordLength) {
    setObjectName(objectName);
    // Wide enough for a 35-character address line.
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    Pages->setObjectName("Pages");
    layout->addWidget(Pages);
    std::vector<QFormLayout*> forms;
    for (const QString& caption : table.pages) {
        auto* page = new QWidget(Pages);
        forms.push_back(new QFormLayout(page));
        Pages->addTab(page, caption);
    }
    for (const EditField& f : table.fields) {
        QWidget* page = Pages->widget(f.page);
        QWidget* control = MakeControl(f, page);
        const bool checkBox = f.kind == FieldKind::YesNo || f.kind == FieldKind::Flag;
        forms[f.page]->addRow(checkBox ? QString() : QString(f.label), control);
        controls_.push_back(control);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = new QPushButton("&OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    // OK closes from its handler, and only once the record is saved: a result set before a
    // refusal's message box would close the window from inside that box's event loop.
    SetButtonResult(CancelBtn, Modal::Cancel);
    connect(OKBtn, &QPushButton::clicked, this, Guarded([this] { OKBtnClick(); }));
}

void TRecordEdit::Load(std::span<const uint8_t> record, bool editing, const QString& caption) {
    setWindowTitle(caption);
    record_.assign(record.begin(), record.end());
    const QString mask = QString::fromStdString(Shell().companies.dateFormat().DateEditMask());
    for (std::size_t i = 0; i < table_.fields.size(); ++i) {
        const EditField& f = table_.fields[i];
        QWidget* control = controls_[i];
        const QString text = FieldText(f, record);
        if (auto* masked = qobject_cast<MaskEdit*>(control)) {
            masked->SetEditMask(mask);
            masked->SetText(text);
        } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
            line->setText(text);
            line->setReadOnly(editing && f.fixedOnceFiled);
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
            memo->setPlainText(text);
        } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
            box->setChecked(text == "Y" || text == "1");
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setCurrentIndex(combo->findData(text));
        }
    }
    Pages->setCurrentIndex(0);
    // The first field the user can change.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        auto* line = qobject_cast<QLineEdit*>(controls_[i]);
        if (table_.fields[i].page == 0 && !(line && line->isReadOnly())) {
            controls_[i]->setFocus();
            break;
        }
    }
}

QString TRecordEdit::ControlText(const EditField& field) const {
    QWidget* control = controls_[&field - table_.fields.data()];
    if (auto* masked = qobject_cast<MaskEdit*>(control)) return masked->Text();
    if (auto* line = qobject_cast<QLineEdit*>(control)) return line->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) return memo->toPlainText();
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        if (field.kind == FieldKind::Flag) return box->isChecked() ? "1" : "0";
        return box->isChecked() ? "Y" : "N";
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentData().toString();
    return {};
}

void TRecordEdit::OKBtnClick() {
    const DateFormat dates = Shell().companies.dateFormat();
    std::vector<uint8_t> taken = record_;
    for (std::size_t i = 0; i < table_.fields.size(); ++i) {
        const EditField& f = table_.fields[i];
        if (const auto refusal = StoreField(f, ControlText(f), taken, dates)) {
            Pages->setCurrentIndex(f.page);
            Refuse(controls_[i], *refusal, windowTitle());
            return;
        }
    }
    const SaveOutcome outcome = OnSave ? OnSave(taken) : SaveOutcome{};
    switch (outcome.result) {
        case SaveOutcome::Result::Saved:
            record_ = std::move(taken);
            SetModalResult(Modal::Ok);
            return;
        case SaveOutcome::Result::Refused: {
            QWidget* focus = nullptr;
            for (std::size_t i = 0; outcome.field && i < table_.fields.size(); ++i)
                if (QString(table_.fields[i].name) == outcome.field) {
                    Pages->setCurrentIndex(table_.fields[i].page);
                    focus = controls_[i];
                }
            Refuse(focus, outcome.message, windowTitle());
            return;
        }
        case SaveOutcome::Result::Failed:
            if (!outcome.message.isEmpty())
                MessageBox(outcome.message, windowTitle(), MsgIcon::Error);
            SetModalResult(Modal::Cancel);
            return;
    }
}
