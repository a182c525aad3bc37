#include "invoicing/receivables/payment_wizard.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "invoicing/receivables/partial_payment_dialog.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/date_dialog.h"
#include "shell/text.h"

TPayBox* PayBox = nullptr;
TPPmtDialog* PPmtDialog = nullptr;

namespace {

const QString WizardCaption = QStringLiteral("Payment Wizard");

QString Qs(std::string_view text) {
    return FromCp1252(text);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& hint = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Enter in a field must never press a button of its own accord: "&Post" writes.
    b->setAutoDefault(false);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

QLabel* DataLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setMinimumWidth(120);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QListWidget* ItemList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list->setMinimumWidth(list->fontMetrics().horizontalAdvance(QString(34, 'M')));
    list->setMinimumHeight(220);
    return list;
}

// The customer's balance, when it reads as a number.
std::optional<Decimal> BalanceOf(const CustomerRec& customer) {
    return Decimal::ParseBlankAsZero(StripCommas(customer.get(Customer::Balance)));
}

}  // namespace

TPayBox::TPayBox(QWidget* parent) : Form(parent) {
    setObjectName("PayBox");
    setWindowTitle(WizardCaption);
    auto* layout = new QVBoxLayout(this);

    // --- the customer ---
    auto* customerBox = new QGroupBox("Customer", this);
    auto* customerGrid = new QGridLayout(customerBox);
    BitBtn3 = Button(customerBox, "BitBtn3", "Ch&oose Customer...", "Choose the customer who paid");
    customerGrid->addWidget(BitBtn3, 0, 0, 3, 1, Qt::AlignTop);
    PCustName = DataLabel(customerBox, "PCustName");
    PCustNum = DataLabel(customerBox, "PCustNum");
    PCustBal = DataLabel(customerBox, "PCustBal");
    PCustPhone = DataLabel(customerBox, "PCustPhone");
    Sname = DataLabel(customerBox, "Sname");
    const std::array<std::pair<const char*, QLabel*>, 5> shown{{{"Name:", PCustName},
                                                                {"Number:", PCustNum},
                                                                {"Short Name:", Sname},
                                                                {"Balance:", PCustBal},
                                                                {"Phone:", PCustPhone}}};
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const int row = static_cast<int>(k % 3);
        const int column = 1 + 2 * static_cast<int>(k / 3);
        customerGrid->addWidget(new QLabel(shown[k].first, customerBox), row, column);
        customerGrid->addWidget(shown[k].second, row, column + 1);
    }
    customerGrid->setColumnStretch(2, 1);
    customerGrid->setColumnStretch(4, 1);
    layout->addWidget(customerBox);

    // --- date, amount, note ---
    auto* entry = new QGridLayout;
    PmtDate = new MaskEdit("!99/99/9999;1;_", this);
    PmtDate->setObjectName("PmtDate");
    PmtDate->setMinimumWidth(PmtDate->fontMetrics().horizontalAdvance("00/00/0000") + 48);
    PmtDate->installEventFilter(this);
    Calbutton = Button(PmtDate, "Calbutton", "...", "Choose the payment date from a calendar");
    Calbutton->setCursor(Qt::ArrowCursor);
    PmtDate->setTextMargins(0, 0, 26, 0);
    PAmt = new QLineEdit(this);
    PAmt->setObjectName("PAmt");
    PAmt->setMaxLength(10);
    PAmt->setAlignment(Qt::AlignRight);
    PNotes = new QLineEdit(this);
    PNotes->setObjectName("PNotes");
    PNotes->setMaxLength(25);
    const std::array<std::pair<const char*, QWidget*>, 3> fields{
        {{"Payment Da&te:", PmtDate}, {"Paid &Amount:", PAmt}, {"Statement  &Note:", PNotes}}};
    for (std::size_t k = 0; k < fields.size(); ++k) {
        auto* caption = new QLabel(fields[k].first, this);
        caption->setBuddy(fields[k].second);
        entry->addWidget(caption, 0, 2 * static_cast<int>(k));
        entry->addWidget(fields[k].second, 0, 2 * static_cast<int>(k) + 1);
    }
    entry->setColumnStretch(5, 1);
    layout->addLayout(entry);

    // --- the two lists ---
    auto* lists = new QGridLayout;
    SrcList = ItemList(this, "SrcList");
    SrcList->setSortingEnabled(true);
    DstList = ItemList(this, "DstList");
    lists->addWidget(new QLabel("Open Invoices / Deposits:", this), 0, 0);
    lists->addWidget(new QLabel("Items you are posting as paid:", this), 0, 2);
    lists->addWidget(SrcList, 1, 0);
    lists->addWidget(DstList, 1, 2);
    auto* moves = new QVBoxLayout;
    IncludeBtn = Button(this, "IncludeBtn", ">", "Move one record right");
    IncAllBtn = Button(this, "IncAllBtn", ">>", "Move all records right");
    ExcludeBtn = Button(this, "ExcludeBtn", "<", "Move one record left");
    ExAllBtn = Button(this, "ExAllBtn", "<<", "Move all records left");
    moves->addStretch();
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn}) {
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(">>") + 28);
        moves->addWidget(b);
    }
    moves->addStretch();
    lists->addLayout(moves, 1, 1);
    PPmtBtn = Button(this, "PPmtBtn", "Partial Pay&ment");
    AccountDep = Button(this, "AccountDep", "Add &Deposit on Account");
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(PPmtBtn);
    listButtons->addWidget(AccountDep);
    listButtons->addStretch();
    lists->addLayout(listButtons, 2, 0);
    IPostedAmt = new QLabel(this);
    IPostedAmt->setObjectName("IPostedAmt");
    IPostedAmt->setMinimumWidth(100);
    IPostedAmt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* posted = new QHBoxLayout;
    posted->addStretch();
    posted->addWidget(new QLabel("Posted:", this));
    posted->addWidget(IPostedAmt);
    lists->addLayout(posted, 2, 2);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);
    layout->addLayout(lists, 1);

    // --- the hint and the buttons ---
    auto* bottom = new QHBoxLayout;
    HelpBtn = Button(this, "HelpBtn", "Help");
    bottom->addWidget(HelpBtn);
    auto* hint = new QVBoxLayout;
    hint->addWidget(new QLabel("The Post Button will activate when the PAID amount", this));
    hint->addWidget(new QLabel("matches the POSTED amount.", this));
    bottom->addLayout(hint);
    bottom->addStretch();
    OKBtn = Button(this, "OKBtn", "&Post");
    CancelBtn = Button(this, "CancelBtn", "&Cancel");
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    layout->addLayout(bottom);

    SetButtonResult(OKBtn, Modal::Ok);
    SetButtonResult(CancelBtn, Modal::Cancel);
    connect(OKBtn, &QPushButton::clicked, this, Guarded([this] { PostPayments(); }));
    connect(HelpBtn, &QPushButton::clicked, this, Guarded([] { ShowHelp("PaymentWizard"); }));
    connect(BitBtn3, &QPushButton::clicked, this, Guarded([this] { BitBtn3Click(); }));
    connect(Calbutton, &QPushButton::clicked, this, Guarded([this] { CalbuttonClick(); }));
    connect(IncludeBtn, &QPushButton::clicked, this, Guarded([this] { IncludeBtnClick(); }));
    connect(IncAllBtn, &QPushButton::clicked, this, Guarded([this] { IncAllBtnClick(); }));
    connect(ExcludeBtn, &QPushButton::clicked, this, Guarded([this] { ExcludeBtnClick(); }));
    connect(ExAllBtn, &QPushButton::clicked, this, Guarded([this] { ExAllBtnClick(); }));
    connect(PPmtBtn, &QPushButton::clicked, this, Guarded([this] { PPmtBtnClick(); }));
    connect(AccountDep, &QPushButton::clicked, this, Guarded([this] { AccountDepClick(); }));
    connect(PAmt, &QLineEdit::textChanged, this, Guarded([this] { PAmtChange(); }));
    connect(SrcList, &QListWidget::itemClicked, this, Guarded([this] { SrcListClick(); }));
    // The keyboard moves the current row too; the button follows it as it follows a click.
    connect(SrcList, &QListWidget::currentItemChanged, this, Guarded([this] { SrcListClick(); }));
    connect(SrcList, &QListWidget::itemDoubleClicked, this, Guarded([this] { IncludeBtnClick(); }));
    connect(DstList, &QListWidget::itemDoubleClicked, this, Guarded([this] { ExcludeBtnClick(); }));
    SrcList->installEventFilter(this);
    DstList->installEventFilter(this);
    resize(760, 520);
}

bool TPayBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == SrcList || watched == DstList)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            watched == SrcList ? IncludeBtnClick() : ExcludeBtnClick();
            return true;
        }
    }
    if (watched == PmtDate && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        // The calendar button sits inside the right end of the date field.
        const int h = PmtDate->height() - 4;
        Calbutton->setGeometry(PmtDate->width() - h - 2 - 4, 2, h + 4, h);
    }
    return Form::eventFilter(watched, event);
}

void TPayBox::FormShow() {
    // Every customer chosen lists its open items from the invoice file opened once here.
    files_.Hold({&InvoiceData()});
    ShellContext& shell = Shell();
    setWindowTitle("Payment Wizard - " +
                   Qs(TrimBlanks(shell.companies.CurrentCompany.get(Company::Name))));
    customer_.reset();
    for (QLabel* l : {PCustName, PCustNum, PCustPhone, Sname}) l->clear();
    PCustBal->setText("0.00");
    PmtDate->SetEditMask(Qs(shell.companies.dateFormat().DateEditMask()));
    ResetEntry();
    PPmtBtn->setEnabled(false);
    AccountDep->setEnabled(false);
    SetButtons();
    UpdatePostTotal();
    BitBtn3->setFocus();
}

void TPayBox::hideEvent(QHideEvent* event) {
    files_.Release();
    Form::hideEvent(event);
}

void TPayBox::ResetEntry() {
    SrcList->clear();
    DstList->clear();
    pool_.clear();
    OKBtn->setEnabled(false);
    const ShellContext& shell = Shell();
    PmtDate->SetText(Qs(shell.companies.dateFormat().format(shell.clock.today())));
    PAmt->setText("0.00");
    PNotes->clear();
}

// --- the customer ----------------------------------------------------------------------------

void TPayBox::BitBtn3Click() {
    if (!DemoForm) throw std::logic_error("The Customer Manager has not been created.");
    MastersState& m = Masters();
    DemoForm->SetPanelText(1, PickPrompt);
    const ScopeExit restore([&m] {
        m.CustSelectMode = 0;
        DemoForm->SetPanelText(1, MenuPrompt);
    });
    m.CustomerBuf.clear();
    if (customer_) {
        m.CustomerBuf.set(Customer::Name, customer_->get(Customer::Name));
        static_cast<void>(m.CustomerBuf.set(Customer::Number, customer_->get(Customer::Number)));
    }
    m.CustSelectResult = 0;
    m.CustSelectMode = 1;
    DemoForm->ShowModal();
    // Only a pick counts: the buffer still holds the seed when the manager was closed.
    if (m.CustSelectResult != PickedResult || TrimBlanks(m.CustomerBuf.get(Customer::Name)).empty())
        return;
    ShowCustomer(m.CustomerBuf);
}

void TPayBox::ShowCustomer(const CustomerRec& customer) {
    customer_ = customer;
    PCustName->setText(Qs(customer.get(Customer::Name)));
    PCustNum->setText(Qs(customer.get(Customer::Number)));
    const auto balance = BalanceOf(customer);
    PCustBal->setText(balance ? Qs(balance->format(",0.00"))
                              : Qs(TrimBlanks(customer.get(Customer::Balance))));
    PCustPhone->setText(Qs(customer.get(Customer::Phone1)));
    Sname->setText(Qs(customer.get(Customer::ShortName)));
    ResetEntry();
    ListOpenItemsOfCustomer();
    SetButtons();
    UpdatePostTotal();
    if (balance && *balance <= Decimal())
        MessageBox(
            "This customer does not have a balance due. You can only record deposits on account "
            "or clear offsetting invoices and credits.",
            "Please Note", MsgIcon::Information);
    AccountDep->setEnabled(true);
    PmtDate->setFocus();
}

void TPayBox::ListOpenItemsOfCustomer() {
    const OpenItems open = ListOpenItems(customer_->get(Customer::Number));
    for (const PaymentItem& item : open.items) AddItem(SrcList, item);
    if (!open.problem.isEmpty()) MessageBox(open.problem, WizardCaption, MsgIcon::Warning);
}

// --- the lists -------------------------------------------------------------------------------

QListWidgetItem* TPayBox::AddItem(QListWidget* list, const PaymentItem& item) {
    pool_.push_back(item);
    auto* row = new QListWidgetItem(Qs(PaymentItemText(item)));
    row->setData(Qt::UserRole, static_cast<int>(pool_.size() - 1));
    list->addItem(row);
    return row;
}

const PaymentItem& TPayBox::ItemOf(const QListWidgetItem* row) const {
    return pool_.at(static_cast<std::size_t>(row->data(Qt::UserRole).toInt()));
}

std::vector<PaymentItem> TPayBox::Items(const QListWidget* list) const {
    std::vector<PaymentItem> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(ItemOf(list->item(i)));
    return items;
}

void TPayBox::Move(QListWidget* from, QListWidget* to, bool all, const char* emptyText) {
    if (from->count() == 0) {
        MessageBox(emptyText, WizardCaption, MsgIcon::Information);
        BitBtn3->setFocus();
        return;
    }
    int first = -1;
    for (int i = 0; i < from->count() && first < 0; ++i)
        if (from->item(i)->isSelected()) first = i;
    for (int i = from->count() - 1; i >= 0; --i)
        if (all || from->item(i)->isSelected()) to->addItem(from->takeItem(i));
    SetItem(from, first);
    SetButtons();
    UpdatePostTotal();
}

void TPayBox::SetItem(QListWidget* list, int index) {
    list->setFocus();
    if (list->count() == 0) return;
    list->setCurrentRow(std::clamp(index, 0, list->count() - 1));
}

void TPayBox::IncludeBtnClick() {
    Move(SrcList, DstList, false, "There are no records to move to the right (post) box.");
}

void TPayBox::IncAllBtnClick() {
    Move(SrcList, DstList, true, "There are no records to move to the right (post) box.");
    PPmtBtn->setEnabled(false);
}

void TPayBox::ExcludeBtnClick() {
    Move(DstList, SrcList, false, "There are no records to move to the left box.");
}

void TPayBox::ExAllBtnClick() {
    Move(DstList, SrcList, true, "There are no records to move to the left box.");
    PPmtBtn->setEnabled(true);
}

void TPayBox::SetButtons() {
    const bool src = SrcList->count() > 0;
    const bool dst = DstList->count() > 0;
    IncludeBtn->setEnabled(src);
    IncAllBtn->setEnabled(src);
    ExcludeBtn->setEnabled(dst);
    ExAllBtn->setEnabled(dst);
}

void TPayBox::UpdatePostTotal() {
    const PostedTotal total = TotalPosted(Items(DstList), ToCp1252(PAmt->text()));
    IPostedAmt->setText(Qs(total.sum.format(",0.00")));
    OKBtn->setEnabled(total.postable);
}

void TPayBox::SrcListClick() {
    const QListWidgetItem* row = SrcList->currentItem();
    const PaymentItem* item = row ? &ItemOf(row) : nullptr;
    PPmtBtn->setEnabled(item && item->amount > Decimal() && !item->IsNewDeposit());
}

// --- amounts ---------------------------------------------------------------------------------

void TPayBox::PAmtChange() {
    Decimal paid;
    switch (CheckPaidAmount(ToCp1252(PAmt->text()), &paid)) {
        case PaidAmountCheck::Empty:
            break;
        case PaidAmountCheck::Negative:
            MessageBox(
                "You should not enter a negative number in the payment box. Create a credit "
                "invoice if you are trying to give the customer credit.",
                "Paid Amount", MsgIcon::Warning);
            PAmt->setFocus();
            break;
        case PaidAmountCheck::NotNumeric:
            MessageBox("The payment amount must be a numeric value.", "Invalid Payment Amount",
                       MsgIcon::Warning);
            PAmt->setFocus();
            break;
        case PaidAmountCheck::Ok: {
            const auto balance = customer_ ? BalanceOf(*customer_) : std::nullopt;
            if (balance && balance->format("0.00") == paid.format("0.00") && SrcList->count() > 0) {
                IncAllBtnClick();
                PAmt->setFocus();
                PAmt->end(false);
            }
            break;
        }
    }
    UpdatePostTotal();
}

std::optional<Decimal> TPayBox::AskAmount(const QString& caption, const QString& label, Decimal due,
                                          bool deposit) {
    if (!PPmtDialog) throw std::logic_error("The payment amount dialog has not been created.");
    TPPmtDialog& dialog = *PPmtDialog;
    dialog.setWindowTitle(caption);
    dialog.Label1->setText(label);
    dialog.PPAmt->setText("0.00");
    dialog.PaymentAmountDue = due;
    const ScopedAssign<uint32_t> mode(dialog.DepositMode, deposit ? 1U : 0U);
    if (dialog.ShowModal() != Modal::Ok) return std::nullopt;
    return dialog.Amount();
}

void TPayBox::PPmtBtnClick() {
    if (SrcList->count() == 0) {
        PPmtBtn->setEnabled(false);
        Beep();
        return;
    }
    QListWidgetItem* row = SrcList->currentItem();
    // Only an open invoice with something due can be paid in part.
    if (!row || TrimBlanks(ItemOf(row).date).empty() || ItemOf(row).IsNewDeposit() ||
        ItemOf(row).amount <= Decimal()) {
        Beep();
        return;
    }
    const PaymentItem item = ItemOf(row);
    const auto amount = AskAmount(
        "Partial Payment",
        "Invoice: " + Qs(TrimBlanks(item.number)) + "   Date: " + Qs(TrimBlanks(item.date)),
        item.amount, false);
    if (!amount) return;
    AddItem(DstList, PaymentItem{item.number, item.date, *amount, true, item.ref});
    std::unique_ptr<QListWidgetItem>(SrcList->takeItem(SrcList->row(row)));
    QListWidgetItem* rest =
        AddItem(SrcList,
                PaymentItem{item.number, item.date, item.amount - *amount, item.partial, item.ref});
    SetButtons();
    SrcList->setCurrentItem(rest);
    UpdatePostTotal();
}

void TPayBox::AccountDepClick() {
    const QString date = PmtDate->Text();
    const auto amount =
        AskAmount("Deposit on Account", "Invoice: DEPOSIT     Date: " + date, Decimal(), true);
    if (!amount) return;
    QListWidgetItem* row =
        AddItem(DstList,
                PaymentItem{std::string(DepositItemNumber),
                            DepositListDate(ToCp1252(date), Shell().companies.dateFormat().order()),
                            *amount, false, 0});
    SetButtons();
    DstList->setFocus();
    DstList->setCurrentItem(row);
    UpdatePostTotal();
}

void TPayBox::CalbuttonClick() {
    const QRect frame = frameGeometry();
    CalTop = frame.top();
    CalLeft = frame.right() + 7;
    std::string date = ToCp1252(PmtDate->Text());
    const bool chosen = PickDate(nullptr, date);
    PmtDate->SetText(Qs(date));
    (chosen ? static_cast<QWidget*>(PNotes) : PmtDate)->setFocus();
}

// --- posting ---------------------------------------------------------------------------------

void TPayBox::PostPayments() {
    PaymentEntry entry;
    if (customer_) {
        entry.customerNumber = customer_->get(Customer::Number);
        entry.shortName = customer_->get(Customer::ShortName);
    }
    entry.paymentDate = ToCp1252(PmtDate->Text());
    entry.paidAmount = ToCp1252(PAmt->text());
    entry.notes = ToCp1252(PNotes->text());
    entry.items = Items(DstList);
    const PaymentPlan plan = PlanPayments(entry);
    if (!plan.posting) {
        QWidget* field = plan.field == PaymentField::PaymentDate  ? static_cast<QWidget*>(PmtDate)
                         : plan.field == PaymentField::PaidAmount ? PAmt
                                                                  : nullptr;
        Refuse(field, plan.refusal.text, plan.refusal.caption,
               field ? MsgIcon::Warning : MsgIcon::Information);
        return;
    }
    WritePayments(*plan.posting);
}

// --- the windows of the unit -----------------------------------------------------------------

PaymentWindows::PaymentWindows() : command_(CommandId::PaymentWizard, [] { ShowModal(*PayBox); }) {}

PaymentWindows::~PaymentWindows() = default;
