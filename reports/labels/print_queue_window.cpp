#include "reports/labels/print_queue_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/cp1252.h"
#include "platform/font_dialog.h"
#include "platform/list_view.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

Tlblwiz* lblwiz = nullptr;

QString FromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::filesystem::path ToPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

namespace {

const QString kLabelFilter = "Label files (*.LBL)|*.LBL";
const QString kListFilter = "Record List (*.LST)|*.LST";
const QString kReady = "Ready. Add and remove records as needed or select print button.";
const QString kOpenLayout = "Open a label layout file (Label Menu)...";

// An open dialog's choice with its default extension when the name typed has none.
QString WithOpenExtension(const QString& chosen, const QString& ext) {
    if (chosen.isEmpty() || QFileInfo::exists(chosen)) return chosen;
    return WithDefaultExtension(chosen, ext);
}

// Record lists are kept in the data folder beside the company's other files (the sample
// company's list is there): their dialogs start in it.
QString AskListFile(const QString& title, bool save) {
    FileRequest request;
    request.save = save;
    request.title = title;
    request.filter = kListFilter;
    request.defaultExt = "LST";
    request.directory = FromPath(Shell().folder.path());
    const QString chosen = Host().AskFileName(request);
    if (chosen.isEmpty()) return chosen;
    return save ? WithDefaultExtension(chosen, "LST") : WithOpenExtension(chosen, "LST");
}

void ShowFileError(const QString& text) {
    MessageBox(text, ProgramCaption(), MsgIcon::Error);
}

QString Quoted(const QString& path) {
    return "\"" + path + "\"";
}

}  // namespace

Tlblwiz::Tlblwiz(QWidget* parent)
    : Form(parent), mailingLabels_(CommandId::MailingLabels, [this] { ShowModal(); }) {
    setObjectName("lblwiz");
    setWindowTitle("Label Wizard / Print Queue");
    BuildControls();
    BuildMenus();
    ConnectCommands();
    lblwiz = this;
    FormCreate();
}

Tlblwiz::~Tlblwiz() {
    if (lblwiz == this) lblwiz = nullptr;
}

void Tlblwiz::BuildControls() {
    auto* top = new QVBoxLayout(this);

    // --- the queue's commands ---
    AddOne = MakeToolButton(this, "AddOne", "C", "Find Customer");
    AddOneVend = MakeToolButton(this, "AddOneVend", "V", "Find Vendor");
    SpeedButton5 = MakeToolButton(this, "SpeedButton5", "P", "Find Product");
    zero30 = MakeToolButton(this, "zero30", "0-30", "Load Customers with 0-30 Day Balance");
    A3060 = MakeToolButton(this, "A3060", "31-60", "Load Customers with 31-60 Day Balance");
    A6090 = MakeToolButton(this, "A6090", "61-90", "Load Customers with 61-90 Day Balance");
    AOver90 = MakeToolButton(this, "AOver90", "Over 90", "Load Customers with over 90 Day Balance");
    SpeedButton2 =
        MakeToolButton(this, "SpeedButton2", "Delete", "Delete Record", QStyle::SP_TrashIcon);
    SpeedButton3 = MakeToolButton(this, "SpeedButton3", "Clear", "Clear All Records",
                                  QStyle::SP_DialogResetButton);
    SavetoFile = MakeToolButton(this, "SavetoFile", "Save", "Save Records to File",
                                QStyle::SP_DialogSaveButton);
    LoadFrmFile = MakeToolButton(this, "LoadFrmFile", "Load", "Load Records from Saved File",
                                 QStyle::SP_DialogOpenButton);
    ExportText = MakeToolButton(this, "ExportText", "Export", "Address export to file",
                                QStyle::SP_FileDialogDetailedView);
    SpeedButton1 =
        MakeToolButton(this, "SpeedButton1", "Help", "Help", QStyle::SP_DialogHelpButton);
    CanButn = MakeToolButton(this, "CanButn", "Close", "Close", QStyle::SP_DialogCloseButton);
    PrnButn = MakePushButton(this, "PrnButn", "&Print Labels");
    SpeedButton4 = MakePushButton(this, "SpeedButton4", "Print S&etup");

    auto* tools = new QHBoxLayout;
    const auto separator = [&] { tools->addSpacing(10); };
    for (QToolButton* b : {AddOne, AddOneVend, SpeedButton5}) tools->addWidget(b);
    separator();
    for (QToolButton* b : {zero30, A3060, A6090, AOver90}) tools->addWidget(b);
    separator();
    for (QToolButton* b : {SpeedButton2, SpeedButton3, SavetoFile, LoadFrmFile, ExportText})
        tools->addWidget(b);
    separator();
    tools->addWidget(SpeedButton1);
    tools->addWidget(CanButn);
    separator();
    tools->addWidget(PrnButn);
    tools->addWidget(SpeedButton4);
    tools->addStretch();
    top->addLayout(tools);

    LabelList = Named<ListView>("LabelList", this);
    LabelList->AddColumn("No./Code", 75);
    LabelList->AddColumn("Name/Product", 200);
    LabelList->AddColumn("Sort Cd/Price", 100);
    LabelList->AddColumn("Type/Location", 145);
    LabelList->AddColumn("C", 25);
    LabelList->setSelectionMode(QAbstractItemView::SingleSelection);
    LabelList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LabelList->setMinimumHeight(180);
    top->addWidget(LabelList, 1);

    // --- the layout ---
    auto* layoutBox = new QGroupBox("Label Layout", this);
    auto* grid = new QGridLayout(layoutBox);
    Edit1 = Named<QLineEdit>("Edit1", layoutBox);
    Edit1->setMaxLength(LabelLayout::Description.width);
    LMargin = Named<MaskEdit>("LMargin", "999;1;_", layoutBox);
    TMargin = Named<MaskEdit>("TMargin", "999;1;_", layoutBox);
    ColAcross = Named<MaskEdit>("ColAcross", "9;1;_", layoutBox);
    RowsDown = Named<MaskEdit>("RowsDown", "99;1;_", layoutBox);
    LWdth = Named<MaskEdit>("LWdth", "9999;1;_", layoutBox);
    LHght = Named<MaskEdit>("LHght", "9999;1;_", layoutBox);
    FontButn = MakePushButton(layoutBox, "FontButn", "&Font");
    CFName = Named<QLabel>("CFName", layoutBox);
    CheckBox1 = Named<QCheckBox>("CheckBox1", "Use Shipping Address", layoutBox);
    UseCmpAdd = Named<QCheckBox>("UseCmpAdd", "Print company return address", layoutBox);
    BitMpButn = MakePushButton(layoutBox, "BitMpButn", "&Bitmap");
    BMapName = Named<QLineEdit>("BMapName", layoutBox);
    BMapName->setReadOnly(true);
    PLine = Named<QCheckBox>("PLine", "Print line between addresses", layoutBox);
    MaskEdit1 = Named<MaskEdit>("MaskEdit1", "9;1;_", layoutBox);
    CaptName = Named<QLineEdit>("CaptName", layoutBox);
    CaptName->setMaxLength(LabelLayout::Caption.width);
    LblStart = Named<QSpinBox>("LblStart", layoutBox);
    LabelCopies = Named<QSpinBox>("LabelCopies", layoutBox);
    for (QSpinBox* counter : {LblStart, LabelCopies}) {
        counter->setRange(1, 9999);
        counter->setMaximumWidth(80);
    }
    for (MaskEdit* edit : {LMargin, TMargin, ColAcross, RowsDown, LWdth, LHght, MaskEdit1})
        edit->setMaximumWidth(60);

    // Captioned fields: caption at (row, column), the field right of it.
    struct Captioned {
        const char* caption;
        QWidget* field;
        int row, column;
        int span = 1;
    };
    for (const Captioned& c : std::initializer_list<Captioned>{
             {"Layout &Description:", Edit1, 0, 0, 5},
             {"Left Margin:", LMargin, 1, 0},
             {"Top Margin:", TMargin, 1, 2},
             {"&Start at Label:", LblStart, 1, 4},
             {"Columns Across:", ColAcross, 2, 0},
             {"Rows Down:", RowsDown, 2, 2},
             {"Copies of ea. label:", LabelCopies, 2, 4},
             {"Label Width:", LWdth, 3, 0},
             {"Label Height:", LHght, 3, 2},
             {"Line Width:", MaskEdit1, 8, 2},
             {"Send/Label Caption:", CaptName, 9, 0, 2},
         }) {
        auto* label = new QLabel(c.caption, layoutBox);
        label->setBuddy(c.field);
        grid->addWidget(label, c.row, c.column);
        grid->addWidget(c.field, c.row, c.column + 1, 1, c.span);
    }
    grid->addWidget(FontButn, 4, 0);
    grid->addWidget(CFName, 4, 1, 1, 3);
    grid->addWidget(CheckBox1, 5, 0, 1, 2);
    grid->addWidget(UseCmpAdd, 6, 0, 1, 2);
    grid->addWidget(BitMpButn, 7, 0);
    grid->addWidget(BMapName, 7, 1, 1, 5);
    grid->addWidget(PLine, 8, 0, 1, 2);
    grid->setColumnStretch(5, 1);
    top->addWidget(layoutBox);

    StatusBar1 = Named<QStatusBar>("StatusBar1", this);
    StatusBar1->setSizeGripEnabled(false);
    statusPanel_ = Named<QLabel>("StatusPanel", StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    top->addWidget(StatusBar1);

    connect(UseCmpAdd, &QCheckBox::toggled, this, Guarded(this, &Tlblwiz::UseCmpAddClick));
    // Sorting moves rows without changing them, so it does not mark the queue changed.
    connect(LabelList, &ListView::itemChanged, this, Guarded(this, &Tlblwiz::LabelListChange));
}

void Tlblwiz::BuildMenus() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    layout()->setMenuBar(MainMenu1);

    Records1 = MainMenu1->addMenu("&Records");
    Records1->setObjectName("Records1");
    Add3 = MakeAction(Records1, "Add3", "Add &Customer");
    AddVendor1 = MakeAction(Records1, "AddVendor1", "Add &Vendor");
    AddProduct1 = MakeAction(Records1, "AddProduct1", "Add &Product");
    Records1->addSeparator();
    LoadAllCustomers1 = MakeAction(Records1, "LoadAllCustomers1", "&Load All Customers");
    LoadAllVendors1 = MakeAction(Records1, "LoadAllVendors1", "Load All V&endors");
    LoadAllProducts1 = MakeAction(Records1, "LoadAllProducts1", "L&oad All Products");
    Records1->addSeparator();
    Pull030Days1 = MakeAction(Records1, "Pull030Days1", "Load 0-30 Days");
    Pull3060Days1 = MakeAction(Records1, "Pull3060Days1", "Load 31-60 Days");
    Pull6090Days1 = MakeAction(Records1, "Pull6090Days1", "Load 61-90 Days");
    PullOver90Days1 = MakeAction(Records1, "PullOver90Days1", "Load Over 90 Days");
    Records1->addSeparator();
    Delete2 = MakeAction(Records1, "Delete2", "&Delete Item");
    ClearAll1 = MakeAction(Records1, "ClearAll1", "Delete &All Items");
    Records1->addSeparator();
    SavetoFile1 = MakeAction(Records1, "SavetoFile1", "&Save To File");
    LoadfromFile1 = MakeAction(Records1, "LoadfromFile1", "Load &From File");
    AddressExporttoTextFile1 =
        MakeAction(Records1, "AddressExporttoTextFile1", "Address E&xport to Text File");

    Label1 = MainMenu1->addMenu("&Label");
    Label1->setObjectName("Label1");
    Open2 = MakeAction(Label1, "Open2", "&Open...");
    SaveAs1 = MakeAction(Label1, "SaveAs1", "&Save As...");
    CalibrationRuler1 = MakeAction(Label1, "CalibrationRuler1", "Calibration &Ruler");
    Label1->addSeparator();
    Close1 = MakeAction(Label1, "Close1", "&Close");

    Help1 = MainMenu1->addMenu("&Help");
    Help1->setObjectName("Help1");
    Overview1 = MakeAction(Help1, "Overview1", "&Overview");
}

void Tlblwiz::ConnectCommands() {
    BindCommands<Tlblwiz>(this,
                          {
                              {AddOne, Add3, &Tlblwiz::AddOneClick},
                              {AddOneVend, AddVendor1, &Tlblwiz::AddOneVendClick},
                              {SpeedButton5, AddProduct1, &Tlblwiz::SpeedButton5Click},
                              {nullptr, LoadAllCustomers1, &Tlblwiz::LoadAllRecsClick},
                              {nullptr, LoadAllVendors1, &Tlblwiz::LoadAllVendors1Click},
                              {nullptr, LoadAllProducts1, &Tlblwiz::LoadAllProducts1Click},
                              {zero30, Pull030Days1, &Tlblwiz::zero30Click},
                              {A3060, Pull3060Days1, &Tlblwiz::A3060Click},
                              {A6090, Pull6090Days1, &Tlblwiz::A6090Click},
                              {AOver90, PullOver90Days1, &Tlblwiz::AOver90Click},
                              {SpeedButton2, Delete2, &Tlblwiz::Delete1Click},
                              {SpeedButton3, ClearAll1, &Tlblwiz::SpeedButton3Click},
                              {SavetoFile, SavetoFile1, &Tlblwiz::SavetoFileClick},
                              {LoadFrmFile, LoadfromFile1, &Tlblwiz::LoadFrmFileClick},
                              {ExportText, AddressExporttoTextFile1, &Tlblwiz::ExportTextClick},
                              {PrnButn, nullptr, &Tlblwiz::PrnButnClick},
                              {nullptr, CalibrationRuler1, &Tlblwiz::CalibrationRuler1Click},
                              {SpeedButton4, nullptr, &Tlblwiz::SpeedButton4Click},
                              {nullptr, Open2, &Tlblwiz::Open2Click},
                              {nullptr, SaveAs1, &Tlblwiz::SaveAs1Click},
                              {FontButn, nullptr, &Tlblwiz::FontButnClick},
                              {BitMpButn, nullptr, &Tlblwiz::BitMpButnClick},
                              {CanButn, Close1, &Tlblwiz::CanButnClick},
                              {SpeedButton1, Overview1, &Tlblwiz::SpeedButton1Click},
                          });
}

// --- life ------------------------------------------------------------------------------

void Tlblwiz::FormCreate() {
    const DataFolder& folder = Shell().folder;
    const auto last = ReadLastLabelPath(folder);
    if (last.value) {
        const auto read = ReadLabelLayoutFile(*last.value);
        if (read.value) {
            CurrentLabelLayout = *read.value;
            ShowLayout();
            EnableLayoutCommands(true);
            ProcessPendingMessages();
            SetStatus(kReady);
            return;
        }
        if (read.missing) {
            // The layout last used was removed: forget it; the next start begins afresh.
            RemoveLastLabelPath(folder);
            PrnButn->setEnabled(false);
            SetStatus(kOpenLayout);
            return;
        }
        ShowFileError("The label layout file " + Quoted(FromPath(*last.value)) +
                      " cannot be opened: " + QString::fromStdString(read.problem));
    } else if (!last.missing) {
        ShowFileError("The file " + Quoted(QString::fromUtf8(LastLabelFileName)) +
                      " that names the last label layout cannot be used: " +
                      QString::fromStdString(last.problem) + " Open a label layout file.");
    }
    SetStatus(kOpenLayout);
    EnableLayoutCommands(false);
}

void Tlblwiz::FormShow() {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    // A company without aging settings keeps the buttons' own captions: a blank button
    // could not be seen.
    const auto caption = [](QToolButton* button, const std::string& text) {
        if (!text.empty()) button->setText(FromCp1252(text));
    };
    const auto aging = [&company](int k) {
        const std::string text = TrimBlanks(company.get(Company::AgingCaption[k]));
        return text.empty() ? TrimBlanks(company.get(Company::AgingPeriod[k])) : text;
    };
    caption(zero30, aging(0));
    caption(A3060, aging(1));
    caption(A6090, aging(2));
    const std::string over = TrimBlanks(company.get(Company::AgingPeriod[2]));
    caption(AOver90, over.empty() ? over : "Over " + over);

    const int right = SpeedButton4->mapTo(this, QPoint(SpeedButton4->width(), 0)).x();
    resize(std::max(right + 25, minimumSizeHint().width()), height());

    LblStart->setValue(1);
    LabelCopies->setValue(1);
    UpdateReturnAddressControls();
    if (!TrimBlanks(CurrentLabelLayout.get(LabelLayout::Description)).empty())
        LabelList->setFocus();
}

void Tlblwiz::SetStatus(const QString& text) {
    statusPanel_->setText(text);
}

QString Tlblwiz::StatusText() const {
    return statusPanel_->text();
}

void Tlblwiz::ShowRowCount(const char* suffix) {
    SetStatus(QString::number(LabelList->Count()) + suffix);
}

void Tlblwiz::EnableLayoutCommands(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{PrnButn, AddOne, SpeedButton2,
                                                            SavetoFile, SpeedButton3, LoadFrmFile})
        control->setEnabled(enabled);
    Records1->menuAction()->setEnabled(enabled);
    // The font and "Save As" stay available: without them a user with no layout file yet
    // could never make a first one.
    FontButn->setEnabled(true);
    SaveAs1->setEnabled(true);
}

// --- the queue -------------------------------------------------------------------------

QTreeWidgetItem* Tlblwiz::AppendQueueItem(const LabelQueueItem& item) {
    QStringList subItems;
    for (const std::string& value : item.subItems) subItems << FromCp1252(value);
    return LabelList->AddItem(FromCp1252(item.caption), subItems);
}

std::vector<LabelQueueItem> Tlblwiz::QueueItems() const {
    std::vector<LabelQueueItem> items;
    items.reserve(LabelList->Count());
    for (int i = 0; i < LabelList->Count(); ++i) {
        const QTreeWidgetItem* row = LabelList->Item(i);
        LabelQueueItem& item = items.emplace_back();
        item.caption = ToCp1252(ListView::Caption(row));
        for (int k = 0; k < 4; ++k) item.subItems[k] = ToCp1252(ListView::SubItem(row, k));
    }
    return items;
}

void Tlblwiz::LabelListChange() {
    LabelQueueChanged = true;
}

void Tlblwiz::Delete1Click() {
    QTreeWidgetItem* selected = LabelList->Selected();
    if (!selected) {
        MessageBox(
            "You have not selected a record for deletion. To select a record, click on "
            "column 1 (Number) of that record to hilite it and then select the delete "
            "option.",
            "Delete Record", MsgIcon::Information);
        return;
    }
    const std::unique_ptr<QTreeWidgetItem> removed(
        LabelList->takeTopLevelItem(LabelList->indexOfTopLevelItem(selected)));
    ShowRowCount(" records are selected.");
}

void Tlblwiz::SpeedButton3Click() {
    if (LabelList->Count() == 0) {
        Beep();
        return;
    }
    if (MessageBox("This will clear all records in the print queue. Continue?", "Please Confirm",
                   MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    LabelList->clear();
    SetStatus("All records were removed from the queue.");
    LabelQueueChanged = false;
}

void Tlblwiz::SavetoFileClick() {
    if (LabelList->Count() == 0) {
        MessageBox("You do not have any customer records to save.", "Save Records",
                   MsgIcon::Information);
        return;
    }
    const QString path = AskListFile("Save Records", true);
    if (path.isEmpty()) return;
    if (!ReplaceFile(ToPath(path), BuildListFile(QueueItems()))) {
        ShowFileError(WithWriteReason(
            "The records could not be saved to the file " + Quoted(path) + ".", FileWhere::Chosen));
        return;
    }
    LabelQueueChanged = false;
    SetStatus("Records saved to file: " + path + ".");
}

void Tlblwiz::LoadFrmFileClick() {
    const QString path = AskListFile("Load Records", false);
    if (path.isEmpty()) return;
    const auto content = ReadWholeFile(ToPath(path));
    if (!content) {
        ShowFileError("The file " + Quoted(path) + " cannot be read.");
        return;
    }
    const ListFileRead read = ParseListFile(*content);
    if (read.badLine > 0) {
        MessageBox("The file " + Quoted(path) + " is not a record list: line " +
                       QString::number(read.badLine) +
                       " is not in its format. No records were loaded.",
                   "Load Records", MsgIcon::Warning);
        return;
    }
    for (const LabelQueueItem& item : read.items) AppendQueueItem(item);
    ShowRowCount(" records are selected.");
    ProcessPendingMessages();
}

// --- the layout ------------------------------------------------------------------------

void Tlblwiz::ShowLayout() {
    const LabelLayoutRec& layout = CurrentLabelLayout;
    const auto text = [&layout](LabelLayout::Text field) { return FromCp1252(layout.get(field)); };
    Edit1->setText(text(LabelLayout::Description));
    LMargin->SetText(text(LabelLayout::LeftMargin));
    TMargin->SetText(text(LabelLayout::TopMargin));
    ColAcross->SetText(text(LabelLayout::ColumnsAcross));
    RowsDown->SetText(text(LabelLayout::RowsDown));
    LWdth->SetText(text(LabelLayout::LabelWidth));
    LHght->SetText(text(LabelLayout::LabelHeight));
    CheckBox1->setChecked(layout.get(LabelLayout::UseShippingAddress));

    FontDialog1.name = text(LabelLayout::FontName);
    FontDialog1.size = layout.get(LabelLayout::FontSize);
    FontDialog1.color = layout.get(LabelLayout::FontColor);
    FontDialog1.style = layout.get(LabelLayout::FontStyle);
    CFName->setFont(ToQFont(FontDialog1));
    CFName->setText(FontDialog1.name);

    PLine->setChecked(layout.get(LabelLayout::PrintLine));
    MaskEdit1->SetText(text(LabelLayout::LineWidth));
    CaptName->setText(text(LabelLayout::Caption));
    {
        // The controls are filled first; the check box's own handler then sets them right.
        const QSignalBlocker quiet(UseCmpAdd);
        UseCmpAdd->setChecked(layout.get(LabelLayout::PrintReturnAddress));
    }
    UpdateReturnAddressControls();
}

void Tlblwiz::UpdateReturnAddressControls() {
    const bool on = UseCmpAdd->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{PLine, MaskEdit1, CaptName, BitMpButn})
        control->setEnabled(on);
    BMapName->setText(
        on ? FromPath(PathFromStored(TrimBlanks(CurrentLabelLayout.get(LabelLayout::BitmapPath))))
           : QString());
}

void Tlblwiz::UseCmpAddClick() {
    UpdateReturnAddressControls();
}

void Tlblwiz::Open2Click() {
    const QString path = WithOpenExtension(AskOpenFileName("Open", kLabelFilter), "LBL");
    if (path.isEmpty()) return;
    const auto read = ReadLabelLayoutFile(ToPath(path));
    if (!read.value) {
        ShowFileError("The label layout file " + Quoted(path) +
                      " cannot be opened: " + QString::fromStdString(read.problem));
        return;
    }
    CurrentLabelLayout = *read.value;
    ShowLayout();
    EnableLayoutCommands(true);
    ProcessPendingMessages();

    const DataFolder& folder = Shell().folder;
    if (!WriteLastLabelPath(folder, ToPath(path)))
        ShowFileError(WithWriteReason(
            "The layout was opened, but the file " + Quoted(QString::fromUtf8(LastLabelFileName)) +
            " could not be written: it will not be opened at the next start."));
    if (!WriteLabelCopy(folder, CurrentLabelLayout))
        ShowFileError(WithWriteReason("The layout was opened, but its copy " +
                                      Quoted(QString::fromUtf8(LabelCopyFileName)) +
                                      " could not be written."));
    SetStatus(kReady);
}

void Tlblwiz::SaveAs1Click() {
    const QString path = AskSaveFileName("Save As", kLabelFilter, "LBL");
    if (path.isEmpty()) return;

    LabelLayoutRec layout;
    const auto set = [&layout](LabelLayout::Text field, const QString& text) {
        layout.set(field, ToCp1252(text));
    };
    set(LabelLayout::Description, Edit1->text());
    set(LabelLayout::LeftMargin, LMargin->Text());
    set(LabelLayout::TopMargin, TMargin->Text());
    set(LabelLayout::ColumnsAcross, ColAcross->Text());
    set(LabelLayout::RowsDown, RowsDown->Text());
    set(LabelLayout::LabelWidth, LWdth->Text());
    set(LabelLayout::LabelHeight, LHght->Text());
    set(LabelLayout::FontName, FontDialog1.name);
    layout.set(LabelLayout::FontSize, FontDialog1.size);
    layout.set(LabelLayout::FontColor, FontDialog1.color);
    layout.set(LabelLayout::FontStyle, FontDialog1.style);
    layout.set(LabelLayout::UseShippingAddress, CheckBox1->isChecked());
    const bool returnAddress = UseCmpAdd->isChecked();
    layout.set(LabelLayout::PrintReturnAddress, returnAddress);
    layout.set(LabelLayout::PrintLine, returnAddress && PLine->isChecked());
    set(LabelLayout::LineWidth, MaskEdit1->Text());
    set(LabelLayout::Caption, CaptName->text());
    if (returnAddress) {
        const std::string bitmap = StoredPath(ToPath(BMapName->text()));
        if (bitmap.size() > static_cast<std::size_t>(LabelLayout::BitmapPath.width)) {
            MessageBox("The path of the bitmap is longer than " +
                           QString::number(LabelLayout::BitmapPath.width) +
                           " characters. Choose a bitmap with a shorter path.",
                       "Save As", MsgIcon::Warning);
            return;
        }
        layout.set(LabelLayout::BitmapPath, bitmap);
    } else {
        layout.set(LabelLayout::BitmapPath, " ");
    }

    if (!WriteLabelLayoutFile(ToPath(path), layout)) {
        ShowFileError(
            WithWriteReason("The label layout could not be saved to the file " + Quoted(path) + ".",
                            FileWhere::Chosen));
        return;
    }
    CurrentLabelLayout = layout;
    // The layout just saved is the one in use: printing and the queue need no reopening.
    EnableLayoutCommands(true);
    SetStatus(kReady);
    if (!WriteLastLabelPath(Shell().folder, ToPath(path)))
        ShowFileError(WithWriteReason(
            "The layout was saved, but the file " + Quoted(QString::fromUtf8(LastLabelFileName)) +
            " could not be written: it will not be opened at the next start."));
}

void Tlblwiz::FontButnClick() {
    const auto chosen = ChooseFont(FontDialog1);
    if (!chosen) return;
    FontDialog1 = *chosen;
    CurrentLabelLayout.set(LabelLayout::FontName, ToCp1252(FontDialog1.name));
    CurrentLabelLayout.set(LabelLayout::FontSize, FontDialog1.size);
    CurrentLabelLayout.set(LabelLayout::FontColor, FontDialog1.color);
    CurrentLabelLayout.set(LabelLayout::FontStyle, FontDialog1.style);
    CFName->setFont(ToQFont(FontDialog1));
    CFName->setText(FontDialog1.name);
}

void Tlblwiz::BitMpButnClick() {
    const QString path = WithOpenExtension(
        AskOpenFileName("Bitmap", "Bitmap Image (*.BMP)|*.BMP", BMapName->text()), "BMP");
    if (!path.isEmpty()) BMapName->setText(path);
}

// --- the rest --------------------------------------------------------------------------

void Tlblwiz::SpeedButton4Click() {
    PrinterSetup();
}

void Tlblwiz::CanButnClick() {
    SetModalResult(Modal::Cancel);
}

void Tlblwiz::SpeedButton1Click() {
    ShowHelp("LabelWizard");
}

void AddToLabelQueue(const LabelQueueItem& item) {
    if (!lblwiz) throw std::logic_error("The print queue window has not been created.");
    lblwiz->AppendQueueItem(item);
}

void AddToLabelQueue(LabelKind kind, std::string_view caption, std::string_view sub1,
                     std::string_view sub2, std::string_view sub3) {
    AddToLabelQueue(MakeLabelQueueItem(kind, caption, sub1, sub2, sub3));
}
