#include "shell/find_box.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <stdexcept>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/help.h"
#include "platform/list_view.h"
#include "platform/long_run.h"
#include "platform/text_guard.h"
#include "shell/text.h"

std::string FindMode;
TFindBox* FindBox = nullptr;

namespace {

std::map<std::string, FindSource, std::less<>>& Sources() {
    static std::map<std::string, FindSource, std::less<>> sources;
    return sources;
}

bool Matches(const FindEntry& entry, const QString& needle) {
    return std::any_of(entry.searchable.begin(), entry.searchable.end(),
                       [&needle](const std::string& field) {
                           return FromCp1252(field).contains(needle, Qt::CaseInsensitive);
                       });
}

QString EngineErrorText(int32_t code) {
    return QString("Class %1 error.  Isam Error %2").arg(EngineErrorClassOf(code)).arg(code);
}

}  // namespace

void RegisterFindSource(const std::string& mode, FindSource source) {
    Sources()[mode] = std::move(source);
}

const FindSource* FindSourceFor(std::string_view mode) {
    const auto it = Sources().find(mode);
    return it == Sources().end() ? nullptr : &it->second;
}

FindResult SearchFindSource(const FindSource& source, std::string_view text) {
    FindResult result;
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return result;
    const QString needle = FromCp1252(trimmed);

    const FileSetHandle handle = source.file ? source.file() : 0;
    std::vector<uint8_t> record(static_cast<std::size_t>(std::max(source.recordLength, 0)));
    // Record order: a walk by record number leaves the caller's index positions alone.
    for (int32_t ref = 0;;) {
        NextUsedRecord(handle, ref);
        if (!EngineOK) {
            if (EngineErrorCode != EngineCode::NoNextRecord) result.errorCode = EngineErrorCode;
            break;
        }
        ReadRecord(handle, ref, record);
        if (!EngineOK) {
            result.errorCode = EngineErrorCode;
            break;
        }
        FindEntry entry = source.describe(record);
        if (Matches(entry, needle)) result.matches.push_back(std::move(entry));
    }
    return result;
}

TFindBox::TFindBox(QWidget* parent) : Form(parent) {
    setObjectName("FindBox");
    setWindowTitle(FindBoxCaption);
    resize(720, 360);

    auto* label = new QLabel("Fi&nd what:", this);
    FindText = new QLineEdit(this);
    FindText->setObjectName("FindText");
    label->setBuddy(FindText);
    FindBtn = new QPushButton("&Find", this);
    FindBtn->setObjectName("FindBtn");
    // Enter while typing searches; Enter on a row chooses it (see eventFilter).
    FindBtn->setDefault(true);
    ListView1 = nullptr;
    OKBtn = new QPushButton("&OK", this);
    OKBtn->setObjectName("OKBtn");
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    SetButtonResult(OKBtn, Modal::Ok);
    SetButtonResult(CancelBtn, Modal::Cancel);
    connect(FindBtn, &QPushButton::clicked, this, Guarded(this, &TFindBox::FindBtnClick));

    auto* search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(FindText, 1);
    search->addWidget(FindBtn);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addLayout(buttons);

    BindHelpKey(*this, "Find");

    BuildList(nullptr);
}

void TFindBox::BuildList(const FindSource* source) {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    // The columns belong to the mode, which may differ from one showing to the next.
    delete ListView1;
    ListView1 = new ListView(this);
    ListView1->setObjectName("ListView1");
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->insertWidget(1, ListView1, 1);
    // A child added while the window is up stays hidden until shown.
    ListView1->show();
    setTabOrder(FindBtn, ListView1);
    ListView1->installEventFilter(this);

    std::vector<bool> numeric;
    if (source) {
        for (const FindColumn& column : source->columns) {
            ListView1->AddColumn(column.heading, column.width,
                                 column.numeric ? Qt::AlignRight : Qt::AlignLeft);
            numeric.push_back(column.numeric);
        }
    }
    connect(ListView1, &ListView::ColumnClick, this, Guarded([this, numeric](int column) {
        // Amounts of different lengths compare by size when right-aligned alike.
        if (column > 0 && column < static_cast<int>(numeric.size()) && numeric[column])
            ListView1->CustomSort(-column);
    }));
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { ChooseRow(); }));
}

void TFindBox::ChooseRow() {
    QTreeWidgetItem* row = ListView1->currentItem();
    if (!row) return;
    row->setSelected(true);
    SetModalResult(Modal::Ok);
}

bool TFindBox::eventFilter(QObject* watched, QEvent* event) {
    if (ListView1 && watched == ListView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ListView1->currentItem()) {
            ChooseRow();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void TFindBox::FormShow() {
    BuildList(FindSourceFor(FindMode));
    FindText->selectAll();
    FindText->setFocus();
}

void TFindBox::FindBtnClick() {
    const QString typed = FindText->text();
    if (const qsizetype at = FirstUnencodable(typed); at >= 0) {
        Refuse(FindText, RefusedCharacterMessage(CharacterAt(typed, at)), "Character Not Allowed");
        return;
    }
    const std::string text = TrimBlanks(ToCp1252(typed));
    if (text.empty()) {
        Refuse(FindText, "Please type the text to find.", windowTitle(), MsgIcon::Information);
        return;
    }
    const FindSource* source = FindSourceFor(FindMode);
    if (!source) {
        Refuse(FindText,
               QString("There is no file to search for \"%1\".").arg(FromCp1252(FindMode)),
               windowTitle(), MsgIcon::Warning);
        return;
    }

    ListView1->clear();
    FindResult found;
    {
        const WaitCursor wait;
        found = SearchFindSource(*source, text);
        for (const FindEntry& entry : found.matches) {
            QStringList subItems;
            for (std::size_t k = 1; k < entry.row.size(); ++k) subItems << FromCp1252(entry.row[k]);
            ListView1->AddItem(entry.row.empty() ? QString() : FromCp1252(entry.row[0]), subItems);
        }
    }
    if (found.errorCode != 0)
        MessageBox(EngineErrorText(found.errorCode), windowTitle(), MsgIcon::Error);
    else if (found.matches.empty())
        MessageBox("No matches found.", windowTitle(), MsgIcon::Information);
}

std::optional<std::string> FindBoxSelectedNumber() {
    // Cancel means nothing was chosen, even with a row still selected.
    if (!FindBox || FindBox->ModalResult() != Modal::Ok || !FindBox->ListView1) return std::nullopt;
    const QTreeWidgetItem* row = FindBox->ListView1->Selected();
    if (!row) return std::nullopt;
    std::string number = TrimBlanks(ToCp1252(ListView::SubItem(row, 0)));
    if (number.empty()) return std::nullopt;
    return number;
}
