#include "masters/master_manager.h"

#include <QAction>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "masters/master_files.h"
#include "masters/record_edit.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/scope_guard.h"
#include "shell/commands.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

TDemoForm* DemoForm = nullptr;
TVenList* VenList = nullptr;
TEditProd* EditProd = nullptr;

namespace {

// A column of a list row: the text cut or padded to its width, and one blank after it.
std::string Column(std::string_view text, int width) {
    return PadRightWith(text.substr(0, width), ' ', width) + ' ';
}

std::string Amount(std::string_view text, int width) {
    return RightJustify(text, ' ', width) + ' ';
}

QPushButton* AddButton(QWidget* owner, QVBoxLayout* column, const char* name, const char* text) {
    auto* button = new QPushButton(text, owner);
    button->setObjectName(name);
    button->setAutoDefault(false);
    column->addWidget(button);
    return button;
}

// Customers and vendors list the same columns in the same two orders.
template <class F>
ManagerSetup PartySetup(const char* objectName, const char* caption, const char* help,
                        const char* editName, const char* noun, const MasterKind& kind,
                        uint8_t MastersState::*mode, uint8_t MastersState::*result,
                        std::span<uint8_t> (*seed)()) {
    return {objectName,
            caption,
            help,
            editName,
            noun,
            &kind,
            {{"NameRB", "&Name", 1, F::Name.offset, F::Name.width},
             {"NumberRB", "N&umber", 2, F::Number.offset, F::Number.width}},
            QString::fromLatin1(Column("Name", 35) + Column("Number", 8) + Column("Phone", 16) +
                                Amount("Balance", 12)),
            [](std::span<const uint8_t> r) {
                return Column(fields::Get(r, F::Name), 35) + Column(fields::Get(r, F::Number), 8) +
                       Column(fields::Get(r, F::Phone1), 16) +
                       Amount(fields::Get(r, F::Balance), 12);
            },
            mode,
            result,
            [seed] { return std::span<const uint8_t>(seed()); }};
}

ManagerSetup CustomerSetup() {
    return PartySetup<Customer>("DemoForm", "Customer Manager", "CustomerManager", "CustomerEdit",
                                "Customer", CustomerKind(), &MastersState::CustSelectMode,
                                &MastersState::CustSelectResult,
                                [] { return Masters().CustomerBuf.bytes(); });
}

ManagerSetup VendorSetup() {
    return PartySetup<Vendor>("VenList", "Vendor Manager", "VendorManager", "VendorEdit", "Vendor",
                              VendorKind(), &MastersState::VendSelectMode,
                              &MastersState::VendSelectResult,
                              [] { return Masters().VendorBuf.bytes(); });
}

ManagerSetup ProductSetup() {
    namespace P = Product;
    return {
        "EditProd",
        "Product Manager",
        "ProductManager",
        "ProductEdit",
        "Product",
        &ProductKind(),
        // Not "&C" nor "&D": Close and Delete have those.
        {{"CodeRB", "C&ode", 1, P::Code.offset, P::Code.width},
         {"DescriptionRB", "De&scription", 2, P::Description.offset, P::Description.width},
         {"KeyCodeRB", "&Key code", 3, P::KeyCode.offset, P::KeyCode.width}},
        QString::fromLatin1(Column("Code", 10) + Column("Description", 32) + Amount("Price", 10) +
                            Amount("On hand", 10) + Column("Key code", 10)),
        [](std::span<const uint8_t> r) {
            return Column(fields::Get(r, P::Code), 10) +
                   Column(fields::Get(r, P::Description), 32) +
                   Amount(fields::Get(r, P::SalesPrice), 10) +
                   Amount(fields::Get(r, P::StockOnHand), 10) +
                   Column(fields::Get(r, P::KeyCode), 10);
        },
        &MastersState::ProductSelectMode,
        &MastersState::ProductSelectResult,
        [] { return std::span<const uint8_t>(Masters().ProductSeed.bytes()); }};
}

}  // namespace

TMasterManager::TMasterManager(ManagerSetup setup, QWidget* parent)
    : Form(parent), s_(std::move(setup)) {
    setObjectName(s_.objectName);
    setWindowTitle(s_.caption);
    resize(820, 520);
    auto* layout = new QVBoxLayout(this);

    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName("MainMenu");
    layout->setMenuBar(MainMenu);

    auto* top = new QHBoxLayout;
    auto* findLabel = new QLabel("&Find:", this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName("FindEdit");
    findLabel->setBuddy(FindEdit);
    top->addWidget(findLabel);
    top->addWidget(FindEdit, 1);
    auto* orderBox = new QGroupBox("Order", this);
    orderBox->setObjectName("OrderGroup");
    auto* orderRow = new QHBoxLayout(orderBox);
    for (std::size_t i = 0; i < s_.orders.size(); ++i) {
        auto* rb = new QRadioButton(s_.orders[i].caption, orderBox);
        rb->setObjectName(s_.orders[i].button);
        rb->setChecked(i == 0);
        orderRow->addWidget(rb);
        OrderButtons.push_back(rb);
        connect(rb, &QRadioButton::toggled, this, Guarded([this, i](bool on) {
            if (on) SetOrder(static_cast<int>(i));
        }));
    }
    top->addWidget(orderBox);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    FvcBrowser1 = new TFvcBrowser(this);
    FvcBrowser1->setObjectName("FvcBrowser1");
    FvcBrowser1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    FvcBrowser1->setContextMenuPolicy(Qt::ActionsContextMenu);
    SetHeader(*FvcBrowser1, s_.header);
    FvcBrowser1->OnBuildRow = [this](RR& row, std::span<const uint8_t> record) {
        row.BRLRowEltString = row.Status == 0 ? s_.rowText(record) : std::string();
    };
    middle->addWidget(FvcBrowser1, 1);
    auto* buttons = new QVBoxLayout;
    sideButtons_ = buttons;
    AddBtn = AddButton(this, buttons, "AddBtn", "&Add");
    EditBtn = AddButton(this, buttons, "EditBtn", "&Edit");
    DeleteBtn = AddButton(this, buttons, "DeleteBtn", "&Delete");
    LabelQueueBtn = AddButton(this, buttons, "LabelQueueBtn", "Add to &Label Queue");
    LabelQueueBtn->setEnabled(false);
    buttons->addStretch();
    CloseBtn = AddButton(this, buttons, "CloseBtn", "&Close");
    middle->addLayout(buttons);
    layout->addLayout(middle, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    for (const char* name : {"Panel0", "Panel1"}) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(name);
        StatusBar1->addWidget(panel, QString(name) == "Panel1" ? 1 : 0);
    }
    SetPanelText(0, "Records: 0");
    SetPanelText(1, MenuPrompt);
    layout->addWidget(StatusBar1);

    // The same commands on the menu bar, the buttons and the list's right-click menu.
    QMenu* recordMenu = MainMenu->addMenu("&Record");
    const auto command = [&](const char* name, const char* text, QPushButton* button,
                             void (TMasterManager::*handler)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        recordMenu->addAction(action);
        FvcBrowser1->addAction(action);
        connect(action, &QAction::triggered, this, Guarded(this, handler));
        if (button) connect(button, &QPushButton::clicked, this, Guarded(this, handler));
        return action;
    };
    command("AddItem", "&Add...", AddBtn, &TMasterManager::AddBtnClick);
    command("EditItem", "&Edit...", EditBtn, &TMasterManager::EditBtnClick);
    command("DeleteItem", "&Delete", DeleteBtn, &TMasterManager::DeleteBtnClick);
    recordMenu->addSeparator();
    auto* queue = new QAction("Add to &Label Queue", this);
    queue->setObjectName("LabelQueueItem");
    queue->setEnabled(false);
    recordMenu->addAction(queue);
    recordMenu->addSeparator();
    QAction* close = recordMenu->addAction("&Close");
    close->setObjectName("CloseItem");
    connect(close, &QAction::triggered, this, Guarded(this, &TMasterManager::CloseBtnClick));
    connect(CloseBtn, &QPushButton::clicked, this, Guarded(this, &TMasterManager::CloseBtnClick));
    QMenu* helpMenu = MainMenu->addMenu("&Help");
    QAction* help = helpMenu->addAction("&Contents");
    help->setObjectName("HelpItem");
    help->setShortcut(QKeySequence::HelpContents);
    const QString keyword = s_.helpKeyword;
    connect(help, &QAction::triggered, this, Guarded([keyword] { ShowHelp(keyword); }));

    connect(FindEdit, &QLineEdit::textEdited, this, Guarded(this, &TMasterManager::FindEditChange));
    // Type, then Enter: while picking that takes the record found; otherwise it goes to the list.
    connect(FindEdit, &QLineEdit::returnPressed, this, Guarded([this] {
        if (Masters().*s_.selectMode == 1)
            FvcBrowser1Pick();
        else
            FvcBrowser1->setFocus();
    }));
    connect(FvcBrowser1, &TFvcBrowser::rowDoubleClicked, this, Guarded(this, &TMasterManager::FvcBrowser1Pick));
    connect(FvcBrowser1, &TFvcBrowser::enterPressed, this, Guarded(this, &TMasterManager::FvcBrowser1Pick));

    Editor = std::make_unique<TRecordEdit>(s_.editName, s_.kind->table(),
                                           s_.kind->file().recordLength(), this);
}

TMasterManager::~TMasterManager() {
    CloseFile();
}

QLabel* TMasterManager::Panel(int index) const {
    return StatusBar1->findChild<QLabel*>(index == 0 ? "Panel0" : "Panel1");
}

void TMasterManager::SetPanelText(int index, const QString& text) {
    Panel(index)->setText(text);
}

int TMasterManager::KeyNumber() const {
    return s_.orders[order_].keyNr;
}

bool TMasterManager::OpenFile() {
    const DataFile& file = s_.kind->file();
    const FileSetHandle h = file.handle();
    // A set a caller holds open stays theirs: close only what was opened here.
    openedHere_ = h == 0 || !IsFileSetOpen(h);
    if (file.Open()) return true;
    openedHere_ = false;
    const int32_t code = EngineErrorCode;
    // The open prompts have told the user about a defective index or a new company.
    if (code != EngineCode::IndexDefective && code != EngineCode::NoSuchFileSet)
        MessageBox(WithSystemReason(QString("The %1 file cannot be opened (error %2).")
                                        .arg(s_.kind->noun)
                                        .arg(code)),
                   s_.caption, MsgIcon::Error);
    return false;
}

void TMasterManager::CloseFile() {
    if (FvcBrowser1) {
        const browse::EngineStatusKeeper keep;
        InitBrowserModel(*FvcBrowser1, 0, KeyNumber(), 0);
    }
    if (openedHere_) s_.kind->file().Close();
    openedHere_ = false;
}

void TMasterManager::FormShow() {
    MastersState& m = Masters();
    // Only a pick made in this showing counts.
    m.*s_.selectResult = 0;
    FindEdit->clear();
    if (!OpenFile()) {
        SetModalResult(Modal::Cancel);
        return;
    }
    const DataFile& file = s_.kind->file();
    InitBrowserModel(*FvcBrowser1, file.handle(), KeyNumber(), file.recordLength());
    if (m.*s_.selectMode == 1) GoToSeed();
    ShowCount();
    FvcBrowser1->setFocus();
}

void TMasterManager::keyPressEvent(QKeyEvent* event) {
    // Typing on the list (which passes on the keys it does not use) goes to the find field.
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!printable) {
        Form::keyPressEvent(event);
        return;
    }
    FindEdit->setFocus();
    FindEdit->insert(text);
    FindEditChange(FindEdit->text());
}

void TMasterManager::hideEvent(QHideEvent* event) {
    Form::hideEvent(event);
    if (!event->spontaneous()) CloseFile();
}

void TMasterManager::ShowCount() {
    const FileSetHandle h = s_.kind->file().handle();
    SetPanelText(0, QString("Records: %1").arg(h ? UsedRecordCount(h) : 0));
}

void TMasterManager::SetOrder(int index) {
    std::vector<uint8_t> current(s_.kind->file().recordLength());
    const int32_t ref = BrowserCurrentRef(*FvcBrowser1);
    bool read = false;
    if (ref != 0) BrowserReadCurrent(*FvcBrowser1, read, current);
    order_ = index;
    FindEdit->clear();
    BrowserSetKeyNumber(*FvcBrowser1, KeyNumber());
    // Stay on the record that was highlighted.
    if (read) GoTo(current, ref);
}

void TMasterManager::FindEditChange(const QString& text) {
    const ManagerOrder& order = s_.orders[order_];
    std::vector<uint8_t> probe(s_.kind->file().recordLength());
    fields::WriteText(probe, order.offset, order.width, ToCp1252(text));
    BrowserGotoKey(*FvcBrowser1, s_.kind->file().BuildKey(probe, order.keyNr), 0);
}

bool TMasterManager::ReadCurrent(std::span<uint8_t> record) {
    bool read = false;
    BrowserReadCurrent(*FvcBrowser1, read, record);
    if (!read) Beep();
    return read;
}

void TMasterManager::GoTo(std::span<const uint8_t> record, int32_t ref) {
    BrowserGotoKey(*FvcBrowser1, s_.kind->file().BuildKey(record, KeyNumber()), ref);
}

void TMasterManager::GoToSeed() {
    const DataFile& file = s_.kind->file();
    const std::span<const uint8_t> seed = s_.seed();
    const std::string key = file.BuildKey(seed, KeyNumber());
    if (!TrimBlanks(key).empty()) {
        BrowserGotoKey(*FvcBrowser1, key, 0);
        return;
    }
    // The seed leaves the shown order's key blank (a product given by its description while
    // the list runs by code): the record its first filled key finds, in the order shown.
    for (const ManagerOrder& order : s_.orders) {
        const std::string other = file.BuildKey(seed, order.keyNr);
        if (TrimBlanks(other).empty()) continue;
        int32_t ref = 0;
        std::vector<uint8_t> found(file.recordLength());
        if (file.Search(other, ref, order.keyNr) && file.ReadRec(ref, found)) GoTo(found, ref);
        return;
    }
}

void TMasterManager::FvcBrowser1Pick() {
    if (!ReadCurrent(s_.kind->file().buffer())) return;
    Masters().*s_.selectResult = PickedResult;
    SetModalResult(Modal::Ok);
}

int TMasterManager::ShowEditor(const std::function<SaveOutcome(std::span<const uint8_t>)>& save) {
    Editor->OnSave = save;
    // The handler refers to this call's locals.
    const ScopeExit forget([this] { Editor->OnSave = nullptr; });
    const int result = Editor->ShowModal();
    // The list moves to the record saved: what was typed to find is no longer where it is.
    if (result == Modal::Ok) FindEdit->clear();
    return result;
}

void TMasterManager::AddBtnClick() {
    int32_t ref = 0;
    Editor->Load(BlankRecord(*s_.kind), false, QString("Add %1").arg(s_.noun));
    const auto add = [this, &ref](std::span<const uint8_t> record) {
        return AddMaster(*s_.kind, record, ref);
    };
    if (ShowEditor(add) != Modal::Ok) return;
    ShowCount();
    GoTo(s_.kind->file().buffer(), ref);
}

void TMasterManager::EditBtnClick() {
    const int32_t ref = BrowserCurrentRef(*FvcBrowser1);
    std::vector<uint8_t> before(s_.kind->file().recordLength());
    if (ref == 0 || !ReadCurrent(before)) return;
    Editor->Load(before, true, QString("Edit %1").arg(s_.noun));
    const auto update = [this, ref, &before](std::span<const uint8_t> record) {
        return UpdateMaster(*s_.kind, ref, before, record);
    };
    if (ShowEditor(update) == Modal::Ok)
        GoTo(Editor->Record(), ref);
    else
        BrowserRedraw(*FvcBrowser1);
}

void TMasterManager::DeleteBtnClick() {
    const int32_t ref = BrowserCurrentRef(*FvcBrowser1);
    std::vector<uint8_t> record(s_.kind->file().recordLength());
    if (ref == 0 || !ReadCurrent(record)) return;
    const auto part = [&](const ManagerOrder& o) {
        return FromCp1252(TrimBlanks(fields::ReadText(record, o.offset, o.width)));
    };
    const QString text =
        QString("Delete %1 %2 (%3)?")
            .arg(QString(s_.noun).toLower(), part(s_.orders[0]), part(s_.orders[1]));
    if (MessageBox(text, "Please Confirm", MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    const SaveOutcome outcome = DeleteMaster(*s_.kind, ref);
    if (!outcome.message.isEmpty())
        MessageBox(
            outcome.message, s_.caption,
            outcome.result == SaveOutcome::Result::Refused ? MsgIcon::Warning : MsgIcon::Error);
    BrowserRedraw(*FvcBrowser1);
    ShowCount();
}

void TMasterManager::CloseBtnClick() {
    SetModalResult(Modal::Cancel);
}

QPushButton* TMasterManager::AddSideButton(const char* name, const char* text) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    // Above the stretch and Close.
    sideButtons_->insertWidget(sideButtons_->count() - 2, button);
    return button;
}

std::function<void(TDemoForm& manager)> CustomerStatementCommand;
std::function<void()> BatchStatementCommand;

TDemoForm::TDemoForm(QWidget* parent) : TMasterManager(CustomerSetup(), parent) {
    Masters().BatchStatementMode = 0;
    StmtPrin = AddSideButton("StmtPrin", "State&ment");
    StmtPrin->setToolTip("View/Print Statement");
    BatchPrinButn = AddSideButton("BatchPrinButn", "&Batch Statements");
    BatchPrinButn->setToolTip("Batch Print Statements");
    connect(StmtPrin, &QPushButton::clicked, this, Guarded(this, &TDemoForm::StmtPrinClick));
    connect(BatchPrinButn, &QPushButton::clicked, this, Guarded(this, &TDemoForm::BatchPrinButnClick));

    QMenu* menu = MainMenu->addMenu("S&tatements");
    const auto item = [&](const char* name, const char* text, void (TDemoForm::*handler)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        menu->addAction(action);
        connect(action, &QAction::triggered, this, Guarded(this, handler));
        return action;
    };
    item("View2", "&View / Print", &TDemoForm::StmtPrinClick);
    item("BatchPrint1", "&Batch Print", &TDemoForm::BatchPrinButnClick);
    // The list's right-click menu offers the one statement.
    auto* statement = new QAction("&Statement", this);
    statement->setObjectName("Statement1");
    FvcBrowser1->addAction(statement);
    connect(statement, &QAction::triggered, this, Guarded(this, &TDemoForm::StmtPrinClick));
}

void TDemoForm::StmtPrinClick() {
    if (CustomerStatementCommand) CustomerStatementCommand(*this);
}

void TDemoForm::BatchPrinButnClick() {
    if (BatchStatementCommand) BatchStatementCommand();
}
TVenList::TVenList(QWidget* parent) : TMasterManager(VendorSetup(), parent) {}
TEditProd::TEditProd(QWidget* parent) : TMasterManager(ProductSetup(), parent) {}

struct MastersWindows::Parts {
    TDemoForm demo;
    TVenList vendors;
    TEditProd products;
    CommandRegistration customerCmd{CommandId::CustomerManager, [] { DemoForm->ShowModal(); }};
    CommandRegistration vendorCmd{CommandId::VendorManager, [] { VenList->ShowModal(); }};
    CommandRegistration productCmd{CommandId::ProductManager, [] { EditProd->ShowModal(); }};
};

MastersWindows::MastersWindows() : parts_(std::make_unique<Parts>()) {
    DemoForm = &parts_->demo;
    VenList = &parts_->vendors;
    EditProd = &parts_->products;
}

MastersWindows::~MastersWindows() {
    parts_.reset();
    DemoForm = nullptr;
    VenList = nullptr;
    EditProd = nullptr;
}
