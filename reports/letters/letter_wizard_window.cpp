#include "reports/letters/letter_wizard_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextList>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/cp1252.h"
#include "platform/font_dialog.h"
#include "platform/help.h"
#include "platform/long_run.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "reports/labels/label_print.h"
#include "reports/labels/print_queue_window.h"
#include "reports/letters/letter_file.h"
#include "reports/letters/letter_merge.h"
#include "reports/letters/letter_ruler.h"
#include "shell/app_context.h"

TLetterWiz* LetterWiz = nullptr;

namespace {

const QString kCaption = "Form Letter Wizard";
const QString kUntitled = "Untitled";
const QString kHelpKeyword = "FormWizard";
const QString kFilter = "Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT";
// The editor's text lies this far inside its left and right edges.
constexpr int kInset = 6;
// Tab stops every half inch, as word processors set them.
constexpr int kTabStop = 48;
constexpr int kMarkerSize = 9;

QFont LetterFont() {
    return QFont("Arial", 10);
}

// The dialogs start in the data folder, where the company's other files live.
QString StartFolder() {
    return FromPath(Shell().folder.path());
}

QFont CurrentFont(const QTextEdit& editor) {
    return editor.currentCharFormat().font().resolve(editor.document()->defaultFont());
}

}  // namespace

// --- FontSizeBox, RulerBar ---------------------------------------------------------------------

FontSizeBox::FontSizeBox(QWidget* parent) : QSpinBox(parent) {
    setRange(1, 1638);
    // A size takes effect when typed in full, not at every digit.
    setKeyboardTracking(false);
}

void FontSizeBox::fixup(QString& input) const {
    if (input.trimmed().isEmpty()) input = "10";
}

RulerBar::RulerBar(QWidget* parent) : QFrame(parent) {
    for (int i = 0; i < 100; ++i) text_ += "\t|";
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setFixedHeight(26);
}

void RulerBar::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setTabStopDistance(kTabStop);
    option.setWrapMode(QTextOption::NoWrap);
    painter.drawText(QRectF(contentsRect().adjusted(kInset, 0, 0, 0)), text_, option);
}

// --- the window --------------------------------------------------------------------------------

TLetterWiz::TLetterWiz(QWidget* parent)
    : Form(parent), formLetters_(CommandId::FormLetters, [this] { ShowModal(); }) {
    setObjectName("LetterWiz");
    BuildControls();
    BuildMenus();
    ConnectCommands();
    FormCreate();
}

TLetterWiz::~TLetterWiz() = default;

void TLetterWiz::BuildControls() {
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(2, 0, 2, 2);
    top->setSpacing(2);

    OpenButton = MakeToolButton(this, "OpenButton", "Open", "Open", QStyle::SP_DialogOpenButton);
    SaveButton = MakeToolButton(this, "SaveButton", "Save", "Save", QStyle::SP_DialogSaveButton);
    PrintButton = MakeToolButton(this, "PrintButton", "Print", "Print");
    FontButton = MakeToolButton(this, "FontButton", "Font", "Font Selection");
    BoldButton = MakeToolButton(this, "BoldButton", "B", "Bold");
    ItalicButton = MakeToolButton(this, "ItalicButton", "I", "Italic");
    UnderlineButton = MakeToolButton(this, "UnderlineButton", "U", "Underline");
    BulletsButton = MakeToolButton(this, "BulletsButton", QString(QChar(0x2022)), "Bullets");
    LeftAlign = MakeToolButton(this, "LeftAlign", "Left", "Align Left");
    CenterAlign = MakeToolButton(this, "CenterAlign", "Center", "Center");
    RightAlign = MakeToolButton(this, "RightAlign", "Right", "Align Right");
    BitBtn3 = MakeToolButton(this, "BitBtn3", "Queue", "Print Queue");
    HelpButton = MakeToolButton(this, "HelpButton", "Help", "Help", QStyle::SP_DialogHelpButton);
    SpeedButton3 =
        MakeToolButton(this, "SpeedButton3", "Close", "Close", QStyle::SP_DialogCloseButton);
    for (QToolButton* b : {BoldButton, ItalicButton, UnderlineButton, BulletsButton, LeftAlign,
                           CenterAlign, RightAlign})
        b->setCheckable(true);
    QFont face = BoldButton->font();
    face.setBold(true);
    BoldButton->setFont(face);
    face.setBold(false);
    face.setItalic(true);
    ItalicButton->setFont(face);
    face.setItalic(false);
    face.setUnderline(true);
    UnderlineButton->setFont(face);
    alignGroup_ = new QButtonGroup(this);
    alignGroup_->setExclusive(true);
    for (QToolButton* b : {LeftAlign, CenterAlign, RightAlign}) alignGroup_->addButton(b);

    FontName = Named<QComboBox>("FontName", this);
    FontName->setEditable(true);
    FontName->setInsertPolicy(QComboBox::NoInsert);
    FontName->setMinimumWidth(140);
    FontSize = Named<FontSizeBox>("FontSize", this);
    FontSize->setMinimumWidth(55);
    ComboBox1 = Named<QComboBox>("ComboBox1", this);
    // Narrow on the tool bar so that the whole bar fits a small screen; its list opens as
    // wide as its entries (FormCreate).
    ComboBox1->setMinimumWidth(170);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* keywords = new QLabel("Keywords:", this);
    keywords->setBuddy(ComboBox1);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(1);
    const auto separator = [&] { tools->addSpacing(8); };
    for (QToolButton* b : {OpenButton, SaveButton, PrintButton}) tools->addWidget(b);
    separator();
    tools->addWidget(FontButton);
    tools->addWidget(FontName);
    tools->addWidget(FontSize);
    separator();
    for (QToolButton* b : {BoldButton, ItalicButton, UnderlineButton, BulletsButton})
        tools->addWidget(b);
    separator();
    for (QToolButton* b : {LeftAlign, CenterAlign, RightAlign}) tools->addWidget(b);
    separator();
    tools->addWidget(keywords);
    tools->addWidget(ComboBox1);
    tools->addWidget(BitBtn3);
    tools->addStretch();
    tools->addWidget(HelpButton);
    tools->addWidget(SpeedButton3);
    top->addLayout(tools);

    Ruler = Named<RulerBar>("Ruler", this);
    FirstInd = Named<QLabel>("FirstInd", QString(QChar(0x25BC)), Ruler);
    LeftInd = Named<QLabel>("LeftInd", QString(QChar(0x25B2)), Ruler);
    RightInd = Named<QLabel>("RightInd", QString(QChar(0x25B2)), Ruler);
    for (QLabel* marker : {FirstInd, LeftInd, RightInd}) {
        QFont small = marker->font();
        small.setPixelSize(kMarkerSize);
        marker->setFont(small);
        marker->setFixedSize(kMarkerSize, kMarkerSize);
        marker->setAlignment(Qt::AlignCenter);
        marker->setCursor(Qt::SizeHorCursor);
        marker->installEventFilter(this);
    }
    top->addWidget(Ruler);

    RichEdit1 = Named<QTextEdit>("RichEdit1", this);
    RichEdit1->setAcceptRichText(true);
    top->addWidget(RichEdit1, 1);

    ProcessingPanel = Named<QLabel>("ProcessingPanel", "Processing...", this);
    ProcessingPanel->setAlignment(Qt::AlignCenter);
    ProcessingPanel->setFrameShape(QFrame::Panel);
    QFont big = ProcessingPanel->font();
    big.setPointSize(big.pointSize() + 4);
    ProcessingPanel->setFont(big);
    ProcessingPanel->hide();
    top->addWidget(ProcessingPanel, 1);
}

void TLetterWiz::BuildMenus() {
    MainMenu = Named<QMenuBar>("MainMenu", this);
    layout()->setMenuBar(MainMenu);

    QMenu* file = MainMenu->addMenu("&File");
    file->setObjectName("FileMenu");
    FileNewItem = MakeAction(file, "FileNewItem", "&New");
    FileOpenItem = MakeAction(file, "FileOpenItem", "&Open...");
    FileSaveItem = MakeAction(file, "FileSaveItem", "&Save");
    FileSaveAsItem = MakeAction(file, "FileSaveAsItem", "Save &As...");
    file->addSeparator();
    PrintQueue1 = MakeAction(file, "PrintQueue1", "&Queue...");
    FilePrintItem = MakeAction(file, "FilePrintItem", "&Print");
    PrinterSetup1 = MakeAction(file, "PrinterSetup1", "P&rinter Setup");
    file->addSeparator();
    FileExitItem = MakeAction(file, "FileExitItem", "&Close");

    QMenu* edit = MainMenu->addMenu("&Edit");
    edit->setObjectName("EditMenu");
    EditUndoItem = MakeAction(edit, "EditUndoItem", "&Undo");
    EditUndoItem->setShortcut(QKeySequence::Undo);
    edit->addSeparator();
    EditCutItem = MakeAction(edit, "EditCutItem", "Cu&t");
    EditCutItem->setShortcut(QKeySequence::Cut);
    EditCopyItem = MakeAction(edit, "EditCopyItem", "&Copy");
    EditCopyItem->setShortcut(QKeySequence::Copy);
    EditPasteItem = MakeAction(edit, "EditPasteItem", "&Paste");
    EditPasteItem->setShortcut(QKeySequence::Paste);
    edit->addSeparator();
    EditFontItem = MakeAction(edit, "EditFontItem", "&Font...");

    QMenu* help = MainMenu->addMenu("&Help");
    help->setObjectName("HelpMenu");
    HelpOverviewItem = MakeAction(help, "HelpOverviewItem", "&Overview");
}

void TLetterWiz::ConnectCommands() {
    BindCommands<TLetterWiz>(this, {
                                       {nullptr, FileNewItem, &TLetterWiz::FileNew},
                                       {OpenButton, FileOpenItem, &TLetterWiz::FileOpen},
                                       {SaveButton, FileSaveItem, &TLetterWiz::FileSave},
                                       {nullptr, FileSaveAsItem, &TLetterWiz::FileSaveAs},
                                       {BitBtn3, PrintQueue1, &TLetterWiz::PrintQueue1Click},
                                       {PrintButton, FilePrintItem, &TLetterWiz::FilePrint},
                                       {nullptr, PrinterSetup1, &TLetterWiz::PrinterSetup1Click},
                                       {SpeedButton3, FileExitItem, &TLetterWiz::FileExit},
                                       {FontButton, EditFontItem, &TLetterWiz::SelectFont},
                                       {BulletsButton, nullptr, &TLetterWiz::BulletsButtonClick},
                                       {HelpButton, HelpOverviewItem, &TLetterWiz::HelpOverview},
                                   });
    // Each style button sets its own style only, so that the others stay mixed in a selection.
    connect(BoldButton, &QToolButton::clicked, this, Guarded([this](bool on) {
                QTextCharFormat format;
                format.setFontWeight(on ? QFont::Bold : QFont::Normal);
                ApplyCharFormat(format);
            }));
    connect(ItalicButton, &QToolButton::clicked, this, Guarded([this](bool on) {
                QTextCharFormat format;
                format.setFontItalic(on);
                ApplyCharFormat(format);
            }));
    connect(UnderlineButton, &QToolButton::clicked, this, Guarded([this](bool on) {
                QTextCharFormat format;
                format.setFontUnderline(on);
                ApplyCharFormat(format);
            }));
    connect(LeftAlign, &QToolButton::clicked, this,
            Guarded([this] { AlignButtonClick(Qt::AlignLeft); }));
    connect(CenterAlign, &QToolButton::clicked, this,
            Guarded([this] { AlignButtonClick(Qt::AlignHCenter); }));
    connect(RightAlign, &QToolButton::clicked, this,
            Guarded([this] { AlignButtonClick(Qt::AlignRight); }));
    connect(EditUndoItem, &QAction::triggered, RichEdit1, &QTextEdit::undo);
    connect(EditCutItem, &QAction::triggered, RichEdit1, &QTextEdit::cut);
    connect(EditCopyItem, &QAction::triggered, RichEdit1, &QTextEdit::copy);
    connect(EditPasteItem, &QAction::triggered, RichEdit1, &QTextEdit::paste);
    connect(FontName, &QComboBox::textActivated, this, Guarded(this, &TLetterWiz::FontNameChange));
    connect(FontSize, &QSpinBox::valueChanged, this, Guarded(this, &TLetterWiz::FontSizeChange));
    connect(RichEdit1, &QTextEdit::currentCharFormatChanged, this,
            Guarded(this, &TLetterWiz::SelectionChange));
    connect(RichEdit1, &QTextEdit::cursorPositionChanged, this,
            Guarded(this, &TLetterWiz::SelectionChange));
    BindHelpKey(*this, kHelpKeyword);
}

void TLetterWiz::FormCreate() {
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    FontName->addItems(families);
    ComboBox1->addItems(KeywordListEntries());
    ComboBox1->view()->setMinimumWidth(ComboBox1->view()->sizeHintForColumn(0) +
                                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    FileNew();
}

void TLetterWiz::FormShow() {
    // Over the whole work area: maximised, its frame and title bar are inside it too.
    setWindowState(windowState() | Qt::WindowMaximized);
    closeAsked_ = false;
    SelectionChange();
    RichEdit1->setFocus();
}

void TLetterWiz::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    SelectionChange();
}

void TLetterWiz::SetFileName(const QString& name) {
    fileName_ = name;
    setWindowTitle(QString("%1 - %2").arg(kCaption, QFileInfo(name).fileName()));
}

void TLetterWiz::ShowLetter(QTextDocument* document) {
    // The editor's first document belongs to the editor's inner control, which deletes it;
    // the ones put in here belong to the editor and are deleted here.
    QTextDocument* previous = RichEdit1->document();
    if (previous && previous->parent() != RichEdit1) previous = nullptr;
    document->setParent(RichEdit1);
    QTextOption option = document->defaultTextOption();
    option.setTabStopDistance(kTabStop);
    document->setDefaultTextOption(option);
    QTextFrameFormat frame = document->rootFrame()->frameFormat();
    frame.setLeftMargin(kInset);
    frame.setRightMargin(kInset);
    document->rootFrame()->setFrameFormat(frame);
    // The editor's own settings are no edit of the letter's: Undo must not take them back.
    document->clearUndoRedoStacks();
    document->setModified(false);
    RichEdit1->setDocument(document);
    delete previous;
    SelectionChange();
}

// --- the tool bar -------------------------------------------------------------------------------

void TLetterWiz::SelectionChange() {
    const ScopedAssign<bool> updating(updating_, true);
    const QFont font = CurrentFont(*RichEdit1);
    BoldButton->setChecked(font.bold());
    ItalicButton->setChecked(font.italic());
    UnderlineButton->setChecked(font.underline());
    const QTextCursor cursor = RichEdit1->textCursor();
    BulletsButton->setChecked(cursor.currentList() != nullptr);
    FontSize->setValue(font.pointSize() > 0 ? font.pointSize() : 10);
    FontName->setCurrentText(font.family());
    const Qt::Alignment align = cursor.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    (align & Qt::AlignHCenter ? CenterAlign
     : align & Qt::AlignRight ? RightAlign
                              : LeftAlign)
        ->setChecked(true);
    PlaceMarkers();
}

void TLetterWiz::ApplyCharFormat(const QTextCharFormat& format) {
    if (updating_) return;
    RichEdit1->mergeCurrentCharFormat(format);
}

void TLetterWiz::FontNameChange() {
    QTextCharFormat format;
    format.setFontFamilies({FontName->currentText()});
    ApplyCharFormat(format);
}

void TLetterWiz::FontSizeChange() {
    QTextCharFormat format;
    format.setFontPointSize(FontSize->value());
    ApplyCharFormat(format);
}

void TLetterWiz::SelectFont() {
    const QTextCharFormat current = RichEdit1->currentCharFormat();
    const QColor color = current.hasProperty(QTextFormat::ForegroundBrush)
                             ? current.foreground().color()
                             : QColor(Qt::black);
    const std::optional<FontSpec> chosen = ChooseFont(FontSpecOf(CurrentFont(*RichEdit1), color));
    if (!chosen) return;
    QTextCharFormat format;
    format.setFont(ToQFont(*chosen));
    format.setForeground(ColorFromRef(chosen->color));
    RichEdit1->mergeCurrentCharFormat(format);
    SelectionChange();
}

void TLetterWiz::BulletsButtonClick() {
    if (updating_) return;
    QTextCursor cursor = RichEdit1->textCursor();
    QTextDocument* document = RichEdit1->document();
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    cursor.beginEditBlock();
    QTextList* list = nullptr;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        if (BulletsButton->isChecked()) {
            if (!list) {
                QTextCursor at(block);
                list = at.createList(QTextListFormat::ListDisc);
            } else if (block.textList() != list) {
                list->add(block);
            }
        } else if (QTextList* in = block.textList()) {
            in->remove(block);
            QTextBlockFormat plain = block.blockFormat();
            plain.setIndent(0);
            QTextCursor(block).setBlockFormat(plain);
        }
        if (block == last) break;
    }
    cursor.endEditBlock();
    SelectionChange();
}

void TLetterWiz::AlignButtonClick(Qt::Alignment alignment) {
    if (updating_) return;
    RichEdit1->setAlignment(alignment);
    SelectionChange();
}

void TLetterWiz::HelpOverview() {
    ShowHelp(kHelpKeyword);
}

// --- the ruler -----------------------------------------------------------------------------------

void TLetterWiz::PlaceMarkers() {
    if (dragging_) return;
    const MarkerPositions at = ::PlaceMarkers(IndentsOf(RichEdit1->textCursor().blockFormat()),
                                              Ruler->contentsRect().width());
    const int bottom = Ruler->height() - kMarkerSize - 1;
    FirstInd->move(at.first, 1);
    LeftInd->move(at.left, bottom);
    RightInd->move(at.right, bottom);
}

void TLetterWiz::SetParagraphIndents(const ParagraphIndents& indents) {
    QTextBlockFormat format;
    SetIndents(format, indents);
    RichEdit1->textCursor().mergeBlockFormat(format);
}

void TLetterWiz::DropMarker(QLabel* marker) {
    ParagraphIndents indents = IndentsOf(RichEdit1->textCursor().blockFormat());
    if (marker == FirstInd)
        indents.first = FirstIndentAt(marker->x(), dragOffset_);
    else if (marker == LeftInd)
        indents.left = LeftIndentAt(marker->x(), dragOffset_, indents.first);
    else
        indents.right = RightIndentAt(marker->x(), dragOffset_, Ruler->contentsRect().width());
    SetParagraphIndents(indents);
}

bool TLetterWiz::eventFilter(QObject* watched, QEvent* event) {
    auto* marker = qobject_cast<QLabel*>(watched);
    if (!marker || (marker != FirstInd && marker != LeftInd && marker != RightInd))
        return Form::eventFilter(watched, event);
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse) return Form::eventFilter(watched, event);
    const int x = static_cast<int>(mouse->position().x());
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() != Qt::LeftButton) break;
            // The marker is held by its middle, wherever it was taken.
            dragging_ = true;
            dragMoved_ = false;
            dragOffset_ = marker->width() / 2;
            return true;
        case QEvent::MouseMove:
            if (!dragging_) break;
            marker->move(marker->x() + x - dragOffset_, marker->y());
            dragMoved_ = true;
            return true;
        case QEvent::MouseButtonRelease:
            if (!dragging_) break;
            dragging_ = false;
            // A click that did not move the marker leaves the indent as it is.
            if (dragMoved_) DropMarker(marker);
            SelectionChange();
            return true;
        default:
            break;
    }
    return Form::eventFilter(watched, event);
}

// --- files ---------------------------------------------------------------------------------------

void TLetterWiz::FileNew() {
    SetFileName(kUntitled);
    auto* document = new QTextDocument(RichEdit1);
    document->setDefaultFont(LetterFont());
    ShowLetter(document);
    RichEdit1->setReadOnly(false);
}

void TLetterWiz::FileOpen() {
    if (!AskSaveChanges()) return;
    bool readOnly = false;
    FileRequest request;
    request.title = "Open";
    request.filter = kFilter;
    request.directory = StartFolder();
    request.readOnly = &readOnly;
    const QString path = Host().AskFileName(request);
    if (path.isEmpty()) return;
    LetterLoad load = LoadLetter(ToPath(path), LetterFont());
    if (!load.document) {
        MessageBox(load.error, ProgramCaption(), MsgIcon::Error);
        return;
    }
    ShowLetter(load.document.release());
    SetFileName(path);
    RichEdit1->setFocus();
    RichEdit1->setReadOnly(readOnly);
}

bool TLetterWiz::WriteLetter(const QString& path) {
    const QString error = SaveLetter(ToPath(path), *RichEdit1->document());
    if (!error.isEmpty()) {
        MessageBox(error, ProgramCaption(), MsgIcon::Error);
        return false;
    }
    RichEdit1->document()->setModified(false);
    return true;
}

bool TLetterWiz::Save() {
    if (fileName_ == kUntitled) return SaveAs();
    return WriteLetter(fileName_);
}

bool TLetterWiz::SaveAs() {
    FileRequest request;
    request.save = true;
    request.title = "Save As";
    request.filter = kFilter;
    request.directory = StartFolder();
    request.confirmOverwrite = false;  // the question below is the one asked
    if (fileName_ != kUntitled) request.fileName = fileName_;
    QString path = Host().AskFileName(request);
    if (path.isEmpty()) return false;
    path = WithDefaultExtension(path, "RTF");
    if (QFileInfo::exists(path) &&
        MessageBox(QString("OK to overwrite %1").arg(path), "Please Confirm", MsgIcon::Question,
                   MsgButtons::YesNoCancel) != MsgResult::Yes)
        return false;
    if (!WriteLetter(path)) return false;
    SetFileName(path);
    return true;
}

void TLetterWiz::FileSave() {
    Save();
}

void TLetterWiz::FileSaveAs() {
    SaveAs();
}

bool TLetterWiz::AskSaveChanges() {
    if (!RichEdit1->document()->isModified()) return true;
    switch (MessageBox(QString("Save changes to %1?").arg(fileName_), "Please Confirm",
                       MsgIcon::Question, MsgButtons::YesNoCancel)) {
        case MsgResult::Yes:
            // A save that was cancelled or failed keeps the letter: the command stops.
            return Save();
        case MsgResult::No:
            return true;
        default:
            return false;
    }
}

// --- other commands ------------------------------------------------------------------------------

void TLetterWiz::PrintQueue1Click() {
    if (lblwiz) lblwiz->ShowModal();
}

void TLetterWiz::PrinterSetup1Click() {
    PrinterSetup();
}

void TLetterWiz::FileExit() {
    if (!AskSaveChanges()) return;
    closeAsked_ = true;
    SetModalResult(Modal::Cancel);
}

void TLetterWiz::done(int result) {
    // Escape and the title bar's close button ask as "&Close" does.
    if (!closeAsked_ && !AskSaveChanges()) {
        SetModalResult(Modal::None);
        return;
    }
    closeAsked_ = false;
    Form::done(result);
}

void TLetterWiz::FilePrint() {
    const std::vector<LabelQueueItem> queue =
        lblwiz ? lblwiz->QueueItems() : std::vector<LabelQueueItem>{};
    if (const auto refusal = MergeRefusal(queue.size(), *RichEdit1->document())) {
        MessageBox(*refusal, kLetterWizardCaption, MsgIcon::Information);
        return;
    }
    // The job is named for the letter, not for the folder it is in: the name is what the
    // print queue shows and what the PDF file is proposed as.
    const QString title = QFileInfo(fileName_).completeBaseName();
    if (!PrintDialogForJob(title)) return;
    if (!AskSaveChanges()) return;

    // The letter as the editor holds it, saved or not; the editor itself is not touched, so
    // it shows the letter with its keywords afterwards, unsaved changes included.
    const std::unique_ptr<QTextDocument> letter(RichEdit1->document()->clone());
    MergeOutcome outcome;
    {
        const ScopeExit restore([this] {
            ProcessingPanel->hide();
            Ruler->show();
            RichEdit1->show();
        });
        RichEdit1->hide();
        Ruler->hide();
        ProcessingPanel->setText("Processing...");
        ProcessingPanel->show();
        ProcessPendingMessages();
        const WaitCursor wait;
        outcome = PrintMergedLetters(
            Printer(), *letter, title, queue, Shell().companies.CurrentCompany, [&](int printed) {
                ProcessingPanel->setText(ProcessingText(printed, static_cast<int>(queue.size())));
                ProcessPendingMessages();
            });
    }
    if (!outcome.missing.empty())
        MessageBox(FromCp1252(NotOnFileText(outcome.missing, "No letter was printed for them.")),
                   kLetterWizardCaption, MsgIcon::Information);
    if (!outcome.EndedWell()) {
        MessageBox(outcome.problem, kLetterWizardCaption, MsgIcon::Warning);
        return;
    }
    LabelQueueChanged = false;
}
