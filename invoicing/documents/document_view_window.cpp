#include "invoicing/documents/document_view_window.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <string>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_output.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/list_view.h"
#include "shell/app_context.h"
#include "shell/text.h"

Trtedit* rtedit = nullptr;

namespace {

QString Qs(std::string_view text) {
    return FromCp1252(text);
}

QString Trimmed(std::string_view text) {
    return Qs(TrimBlanks(text));
}

bool IsMemoKind(const std::string& kind) {
    return kind == "M" || kind == "D" || kind == "T";
}

// An extension the loaders wrote as a plain number, shown ",0.00". A comment line may carry
// none: it shows none rather than a zero.
QString ExtensionText(std::string_view stored) {
    const std::string text = TrimBlanks(stored);
    return text.empty() ? QString() : Qs(FormatAmount(text));
}

}  // namespace

QStringList DocumentViewRow(int lineNumber, std::string_view line) {
    if (!IsShownLine(line)) return {};
    std::string unit = Columns(line, 55, 66);
    std::erase(unit, ' ');
    return {QString::number(lineNumber).rightJustified(2, '0'),
            Trimmed(Columns(line, 1, 10)),
            Trimmed(Columns(line, 11, 22)),
            Trimmed(Columns(line, 23, 54)),
            unit.empty() ? QString() : Qs(FormatAsTyped(unit)),
            Qs(Columns(line, 68, 68)),
            ExtensionText(Columns(line, 70, 81))};
}

DocumentView BuildDocumentView(const DocumentState& doc, const CompanyRec& company) {
    const DocumentRecord& d = doc.DocumentRecord;
    DocumentView view;
    auto& label = view.labels;

    for (int k = 1; k <= 5; ++k) label["Label" + QString::number(k)] = Qs(d.AddrLine(k));
    for (int k = 1; k <= 4; ++k) label["Label" + QString::number(k + 6)] = Qs(d.ShipLine(k));
    label["Label11"] = "Date: " + Trimmed(d.DocDate);
    label["Label12"] = "Number: " + Trimmed(d.DocNumber);
    label["Label13"] = "Account Number: " + Trimmed(d.AccountNo);
    label["Label14"] = "Payment Terms: " + Qs(d.Terms);
    label["Label15"] = "Reference: " + Qs(d.Reference);
    label["Label24"] = " ";

    if (IsMemoKind(d.Kind)) {
        view.memo = true;
        label["Label24"] = "Memo Invoice";
        if (d.Kind == "D") {
            view.memoLines << "Deposit on Account";
        } else if (d.Kind == "T") {
            view.memoLines << "Deposit on Account - Offset against invoices.";
        } else {
            for (int i = 1; i <= DocumentMemoLines; ++i) view.memoLines << Qs(doc.DocumentLines[i]);
        }
    } else {
        label["Label24"] = "Product Code Invoice";
        view.columnCaptions = {"LN",
                               Qs(company.get(Company::CodeHeading)),
                               Qs(company.get(Company::QuantityHeading)),
                               Qs(company.get(Company::DescriptionHeading)),
                               Qs(company.get(Company::UnitCostHeading)),
                               "T",
                               Qs(company.get(Company::ExtensionHeading))};
        for (int i = 1; i <= DocumentLineCount; ++i) {
            QStringList row = DocumentViewRow(i, doc.DocumentLines[i]);
            if (!row.isEmpty()) view.rows.push_back(std::move(row));
        }
    }

    if (d.DocType == "D" || d.DocType == "T")
        label["Label24"] = "DEPOSIT ON ACCOUNT OF " + Trimmed(d.PaidAmount) +
                           ". (A zero amount indicates deposit has been offset).";
    else if (d.DocType == "G")
        label["Label24"] = "** GENERATED BILLING **";

    label["Label16"] = Qs(d.NetAmount);
    label["Label17"] = Qs(d.TaxAmount);
    label["Label18"] = Qs(d.TotalAmount);
    label["Label20"] = Qs(d.BalanceDue);
    label["Label19"] = "Paid Amount: " + Trimmed(d.PaidAmount);

    label["Label26"] = " ";
    const QString first = Qs(doc.DocumentFirstQty) + " - " + Qs(doc.DocumentFirstCode);
    if (d.Kind == "M") label["Label26"] = "Sold: " + first;

    const QString taxHeading = Trimmed(company.get(Company::TaxHeading));
    label["Label22"] = taxHeading.isEmpty() ? QString("Tax:") : taxHeading;

    label["EMDate"] = QString();
    label["HasPrinted"] = d.PrintedFlag == "Y" ? "Printed: Yes" : "Printed: No";
    const std::string emailed = TrimBlanks(d.DateEmailed);
    const bool showEmailed = emailed.size() > 5;

    if (d.DocType == "O") {
        view.caption = "View Purchase Order# " + Trimmed(d.DocNumber);
        label["Label6"] = Qs(company.get(Company::POShipToCaption));
        label["Label23"] = "PO Total:";
        for (const char* blank : {"Label25", "Label20", "Label19", "Label26"}) label[blank] = " ";
        if (showEmailed) label["EMDate"] = "E-Mailed: " + Qs(emailed);
        if (d.Kind == "M") label["Label26"] = "Buy: " + first;
        label["Label13"] = "Vendor Number: " + Trimmed(d.AccountNo);
        label["Label24"] = Trimmed(company.get(Company::POCaption)) +
                           " Required: " + Qs(doc.DocumentRequiredYMD) + "\n" +
                           "Received: " + Qs(doc.DocumentReceivedYMD);
    } else {
        label["Label6"] = Qs(company.get(Company::InvoiceShipToCaption));
        view.caption = "View Invoice# " + Trimmed(d.DocNumber);
        label["Label23"] = "Grand Total:";
        label["Label25"] = "Balance Due:";
        label["Label13"] = "Account Number: " + Trimmed(d.AccountNo);
        if (showEmailed) label["EMDate"] = "E-Mailed: " + Qs(emailed);
        if (TrimBlanks(d.DatePaid).size() > 7) label["Label26"] = "Paid Date: " + Qs(d.DatePaid);
    }
    return view;
}

// --- the window ---

namespace {

const QString Blue = QStringLiteral("color: #0000ff;");
const QString Red = QStringLiteral("color: #ff0000;");
const QString Bold = QStringLiteral("font-weight: bold;");

QFrame* Frame(QWidget* parent, const char* name, QFrame::Shape shape, QFrame::Shadow shadow) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(shape);
    frame->setFrameShadow(shadow);
    return frame;
}

QFrame* Panel(QWidget* parent, const char* name, int height) {
    QFrame* panel = Frame(parent, name, QFrame::StyledPanel, QFrame::Raised);
    panel->setFixedHeight(height);
    return panel;
}

QFrame* Bevel(QWidget* parent, const char* name, const QRect& rect) {
    QFrame* bevel = Frame(parent, name, QFrame::Box, QFrame::Sunken);
    bevel->setGeometry(rect);
    return bevel;
}

void WhiteBox(QWidget* parent, const char* name, int x) {
    QFrame* shape = Frame(parent, name, QFrame::Box, QFrame::Plain);
    shape->setAutoFillBackground(true);
    QPalette palette = shape->palette();
    palette.setColor(QPalette::Window, Qt::white);
    shape->setPalette(palette);
    shape->setGeometry(x, 8, 295, 98);
}

// A label that grows with its text, as wide as it needs.
QLabel* FreeLabel(QWidget* parent, const char* name, int x, int y, const QString& style = {}) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setProperty("autoSize", true);
    label->setStyleSheet(style);
    label->move(x, y);
    return label;
}

QLabel* FixedLabel(QWidget* parent, const char* name, const QRect& rect, Qt::Alignment alignment,
                   const QString& style = {}) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setStyleSheet(style);
    label->setGeometry(rect);
    return label;
}

// The first window becomes the instance and brings the program's mail session with it.
MailState& OwnedOrCurrentMail(std::optional<MailStateScope>& owned) {
    if (!rtedit) owned.emplace();
    return Mail();
}

}  // namespace

Trtedit::Trtedit(QWidget* parent)
    : Form(parent), msSMTP1(OwnedOrCurrentMail(mail_).msSMTP1), msMessage1(Mail().msMessage1) {
    setObjectName("rtedit");
    setWindowTitle("View Invoice");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    resize(617, 394);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // --- the account and ship-to boxes ---
    Panel1 = Panel(this, "Panel1", 117);
    WhiteBox(Panel1, "Shape1", 15);
    WhiteBox(Panel1, "Shape2", 316);
    QLabel** address[] = {&Label1, &Label2, &Label3, &Label4, &Label5};
    for (int k = 0; k < 5; ++k)
        *address[k] =
            FreeLabel(Panel1, qPrintable("Label" + QString::number(k + 1)), 25, 14 + 18 * k);
    Label6 = FreeLabel(Panel1, "Label6", 323, 14);
    QLabel** shipTo[] = {&Label7, &Label8, &Label9, &Label10};
    for (int k = 0; k < 4; ++k)
        *shipTo[k] =
            FreeLabel(Panel1, qPrintable("Label" + QString::number(k + 7)), 323, 32 + 18 * k);
    layout->addWidget(Panel1);

    // --- date, number, terms, reference, printed and e-mailed ---
    Panel3 = Panel(this, "Panel3", 71);
    Bevel4 = Bevel(Panel3, "Bevel4", QRect(6, 5, 605, 60));
    Label11 = FreeLabel(Panel3, "Label11", 25, 9, Blue);
    Label14 = FreeLabel(Panel3, "Label14", 25, 27, Blue);
    Label15 = FreeLabel(Panel3, "Label15", 25, 45, Blue);
    Label12 = FreeLabel(Panel3, "Label12", 170, 9, Blue);
    Label13 = FreeLabel(Panel3, "Label13", 319, 9, Blue);
    HasPrinted = FixedLabel(Panel3, "HasPrinted", {470, 9, 135, 16}, Qt::AlignHCenter, Red);
    EMDate = FixedLabel(Panel3, "EMDate", {470, 27, 135, 16}, Qt::AlignHCenter, Red);
    Panel3->installEventFilter(this);
    layout->addWidget(Panel3);

    // --- the lines, or the memo in their place ---
    auto* client = new QWidget(this);
    auto* stack = new QGridLayout(client);
    stack->setContentsMargins(0, 0, 0, 0);
    ListView1 = new ListView(client);
    ListView1->setObjectName("ListView1");
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->AddColumn("LN", 30);
    ListView1->AddColumn("Product Code", 80);
    ListView1->AddColumn("Quan", 80, Qt::AlignRight);
    ListView1->AddColumn("Desc", 200);
    ListView1->AddColumn("Unit", 75, Qt::AlignRight);
    ListView1->AddColumn("T", 20, Qt::AlignRight);
    ListView1->AddColumn("Extend", 100, Qt::AlignRight);
    MemoInv = new QPlainTextEdit(client);
    MemoInv->setObjectName("MemoInv");
    MemoInv->setReadOnly(true);
    MemoInv->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoInv->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoInv->setFont(QFont("Courier New", 10));
    MemoInv->hide();
    stack->addWidget(ListView1, 0, 0);
    stack->addWidget(MemoInv, 0, 0);
    CustNote = new QTextEdit(client);
    CustNote->setObjectName("CustNote");
    CustNote->setAcceptRichText(false);
    CustNote->setGeometry(0, 0, CustNoteWidth, CustNoteHeight);
    CustNote->hide();
    layout->addWidget(client, 1);

    // --- kind, summary, totals ---
    Panel2 = Panel(this, "Panel2", 88);
    Bevel(Panel2, "Bevel1", {5, 6, 361, 38});
    Bevel(Panel2, "Bevel3", {370, 6, 239, 77});
    Label24 = FixedLabel(Panel2, "Label24", {10, 10, 350, 30}, Qt::AlignLeft, Red + Bold);
    Label24->setWordWrap(true);
    Label26 = FixedLabel(Panel2, "Label26", {95, 46, 270, 16}, Qt::AlignHCenter, Blue + Bold);
    Label19 = FixedLabel(Panel2, "Label19", {95, 65, 270, 16}, Qt::AlignHCenter, Blue + Bold);
    Button1 = new QPushButton("Close", Panel2);
    Button1->setObjectName("Button1");
    Button1->setGeometry(16, 54, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &Trtedit::Button1Click));
    const std::array<std::pair<QLabel**, QLabel**>, 4> totals{
        {{&Label21, &Label16}, {&Label22, &Label17}, {&Label23, &Label18}, {&Label25, &Label20}}};
    const std::array<const char*, 4> captions{"Total:", "T", "Grand Total:", "Balance Due:"};
    for (std::size_t k = 0; k < totals.size(); ++k) {
        const int y = 9 + 18 * static_cast<int>(k);
        const QString style = k == 3 ? Blue : QString();
        const QString name = "Label" + QString::number(21 + static_cast<int>(k) + (k == 3));
        *totals[k].first = FreeLabel(Panel2, qPrintable(name), 374, y, style);
        (*totals[k].first)->setText(captions[k]);
        (*totals[k].first)->adjustSize();
        const QString amount = "Label" + QString::number(16 + static_cast<int>(k) + (k == 3));
        *totals[k].second =
            FixedLabel(Panel2, qPrintable(amount), {477, y, 105, 16}, Qt::AlignRight, style);
    }
    layout->addWidget(Panel2);

    // Any character typed anywhere closes the window, and so does a double-click on the
    // panels or the lines: the window only shows.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

    if (!rtedit) {
        rtedit = this;
        ::ShowDocumentView = [] { rtedit->ShowModal(); };
    }
}

Trtedit::~Trtedit() {
    if (rtedit != this) return;
    rtedit = nullptr;
    ::ShowDocumentView = nullptr;
}

void Trtedit::FormCreate() {
    if (fontTaken_) return;
    fontTaken_ = true;
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const QString name = Trimmed(company.get(Company::ManagersFont.name));
    const int size = company.get(Company::ManagersFont.size);
    QFont font = MemoInv->font();
    if (!name.isEmpty()) font.setFamily(name);
    // A damaged size would make the memo unreadable; the design size stands.
    if (size >= 1 && size <= 96) font.setPointSize(size);
    MemoInv->setFont(font);
}

void Trtedit::FormShow() {
    FormCreate();
    FormResize();
    ShowDocumentView();
}

void Trtedit::FormResize() {
    Bevel4->resize(Panel3->width() - 12, Bevel4->height());
}

void Trtedit::FormClose() {
    CustNote->resize(CustNoteWidth, CustNoteHeight);
}

void Trtedit::ShowDocumentView() {
    Apply(BuildDocumentView(Document(), Shell().companies.CurrentCompany));
}

void Trtedit::Apply(const DocumentView& view) {
    if (!view.caption.isEmpty()) setWindowTitle(view.caption);
    for (const auto& [name, text] : view.labels) {
        auto* label = findChild<QLabel*>(name);
        if (!label) continue;
        label->setText(text);
        if (label->property("autoSize").toBool()) label->adjustSize();
    }
    ListView1->setVisible(!view.memo);
    MemoInv->setVisible(view.memo);
    MemoInv->setPlainText(view.memoLines.join('\n'));
    ListView1->clear();
    if (!view.memo)
        for (int c = 0; c < DocumentViewColumns; ++c)
            ListView1->SetColumnCaption(c, view.columnCaptions[c]);
    for (const QStringList& row : view.rows) ListView1->AddItem(row.front(), row.mid(1));
}

void Trtedit::Button1Click() {
    CloseView();
}

void Trtedit::CloseView() {
    SetModalResult(Modal::Cancel);
}

void Trtedit::hideEvent(QHideEvent* event) {
    Form::hideEvent(event);
    FormClose();
}

void Trtedit::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    FormResize();
}

void Trtedit::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    CloseView();
}

bool Trtedit::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            // Tab still moves between controls.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->text().isEmpty() && key->key() != Qt::Key_Tab &&
                key->key() != Qt::Key_Backtab) {
                CloseView();
                return true;
            }
            break;
        }
        case QEvent::MouseButtonDblClick:
            if (watched == Panel1 || watched == Panel2 || watched == Panel3 ||
                watched == ListView1->viewport() || watched == MemoInv->viewport()) {
                CloseView();
                return true;
            }
            break;
        case QEvent::Resize:
            if (watched == Panel3) FormResize();
            break;
        default:
            break;
    }
    return Form::eventFilter(watched, event);
}
