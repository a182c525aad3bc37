#include "shell/company/company_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <type_traits>

#include "engine/decimal.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/font_dialog.h"
#include "platform/font_setting.h"
#include "platform/message_host.h"
#include "platform/text_guard.h"
#include "shell/app_context.h"
#include "shell/company/company_defaults.h"
#include "shell/dialog_buttons.h"
#include "shell/posting_unit.h"
#include "shell/small_files.h"
#include "shell/text.h"

using TextField_ = fields::Text<CompanyRec>;
using NumberField_ = fields::Number<CompanyRec>;

// --- the fields: how a control shows a field and writes it back ---------------------------

class CompanyFieldBinding {
public:
    CompanyFieldBinding(QWidget* control, QString label)
        : control_(control), label_(std::move(label)) {}
    virtual ~CompanyFieldBinding() = default;
    QWidget* control() const { return control_; }

    virtual void Load(const CompanyRec& rec) = 0;
    virtual bool Changed() const = 0;
    // Writes the control's value into the record: an empty text, or why it is refused.
    virtual QString Store(CompanyRec& rec, const DateFormat& dates) const = 0;

protected:
    QWidget* control_;
    QString label_;
};

namespace {

// The bytes of typed text, or why it cannot be stored in `width` characters.
QString ToRecordText(const QString& typed, int width, const QString& label, std::string& out) {
    const qsizetype bad = FirstUnencodable(typed);
    if (bad >= 0)
        return QString("%1: %2").arg(label, RefusedCharacterMessage(CharacterAt(typed, bad)));
    out = ToCp1252(typed);
    if (static_cast<int>(out.size()) > width)
        return QString("%1 holds at most %2 characters.").arg(label).arg(width);
    return {};
}

// A line edit (or the edit of an editable combo box) showing one field as text.
class EditBinding : public CompanyFieldBinding {
public:
    EditBinding(QWidget* control, QLineEdit* edit, QString label)
        : CompanyFieldBinding(control, std::move(label)), edit_(edit) {}
    void Load(const CompanyRec& rec) override {
        loaded_ = Shown(rec);
        edit_->setText(loaded_);
        edit_->setCursorPosition(0);
    }
    bool Changed() const override { return edit_->text() != loaded_; }

protected:
    virtual QString Shown(const CompanyRec& rec) const = 0;
    QString Typed() const { return edit_->text(); }
    QString Trimmed() const { return QString::fromStdString(TrimBlanks(Typed().toStdString())); }

    QLineEdit* edit_;
    QString loaded_;
};

class TextBinding : public EditBinding {
public:
    TextBinding(QWidget* control, QLineEdit* edit, QString label, TextField_ field)
        : EditBinding(control, edit, std::move(label)), field_(field) {}
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        if (QString error = Check(); !error.isEmpty()) return error;
        std::string bytes;
        if (QString error = ToRecordText(Typed(), field_.width, label_, bytes); !error.isEmpty())
            return error;
        rec.set(field_, bytes);
        return {};
    }

protected:
    QString Shown(const CompanyRec& rec) const override { return FromCp1252(rec.get(field_)); }
    // A further rule of the field's content; empty when it is met.
    virtual QString Check() const { return {}; }

    TextField_ field_;
};

// Characters that make an address unusable in a mail header or the SMTP dialogue.
bool UnusableInAddress(QChar c) {
    return c.unicode() <= 32 || QString("<>,;\"").contains(c);
}

class EMailBinding : public TextBinding {
public:
    using TextBinding::TextBinding;

protected:
    QString Check() const override {
        const QString address = Trimmed();
        if (address.isEmpty()) return {};
        const qsizetype at = address.indexOf('@');
        const bool shaped = at > 0 && at == address.lastIndexOf('@') && at < address.size() - 1;
        if (!shaped || std::any_of(address.begin(), address.end(), UnusableInAddress))
            return QString("%1: \"%2\" is not a usable e-mail address.").arg(label_, address);
        return {};
    }
};

class HostBinding : public TextBinding {
public:
    using TextBinding::TextBinding;

protected:
    QString Check() const override {
        const QString host = Trimmed();
        if (std::any_of(host.begin(), host.end(), UnusableInAddress))
            return QString("%1: \"%2\" is not a usable host name.").arg(label_, host);
        return {};
    }
};

class DateBinding : public TextBinding {
public:
    using TextBinding::TextBinding;
    QString Store(CompanyRec& rec, const DateFormat& dates) const override {
        const std::string typed = Trimmed().toStdString();
        if (typed.empty()) {
            rec.set(field_, "");
            return {};
        }
        const auto date = dates.parse(typed);
        if (!date)
            return QString("%1 must be a date in the form %2, or blank.")
                .arg(label_, QString::fromStdString(dates.DateFormatString()));
        rec.set(field_, dates.format(*date));
        return {};
    }
};

// Number fields: text that a cut would make wrong, so text that does not fit is refused.
class NumberBinding : public EditBinding {
public:
    NumberBinding(QWidget* control, QLineEdit* edit, QString label, NumberField_ field)
        : EditBinding(control, edit, std::move(label)), field_(field) {}

protected:
    QString Shown(const CompanyRec& rec) const override { return FromCp1252(rec.get(field_)); }
    QString Put(CompanyRec& rec, const std::string& text) const {
        if (!rec.set(field_, text))
            return QString("%1 holds at most %2 characters.").arg(label_).arg(field_.width);
        return {};
    }
    NumberField_ field_;
};

// Document numbers as they were issued: any text that fits.
class CodeBinding : public NumberBinding {
public:
    using NumberBinding::NumberBinding;
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        std::string bytes;
        if (QString error = ToRecordText(Trimmed(), field_.width, label_, bytes); !error.isEmpty())
            return error;
        return Put(rec, bytes);
    }
};

class WholeBinding : public NumberBinding {
public:
    WholeBinding(QWidget* control, QLineEdit* edit, QString label, NumberField_ field, int64_t min,
                 int64_t max, bool allowBlank)
        : NumberBinding(control, edit, std::move(label), field),
          min_(min),
          max_(max),
          allowBlank_(allowBlank) {}
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        const std::string text = StripCommas(Typed().toStdString());
        if (text.empty() && allowBlank_) return Put(rec, "");
        const auto value = Parse(text);
        if (!value || *value < min_ || *value > max_)
            return QString("%1 must be a whole number from %2 to %3%4.")
                .arg(label_)
                .arg(min_)
                .arg(max_)
                .arg(allowBlank_ ? ", or blank" : "");
        return Put(rec, std::to_string(*value));
    }

private:
    static std::optional<int64_t> Parse(const std::string& text) {
        std::size_t i = text.starts_with('-') ? 1 : 0;
        const std::size_t digits = text.size() - i;
        if (digits == 0 || digits > 18) return std::nullopt;
        int64_t v = 0;
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            v = v * 10 + (text[i] - '0');
        }
        return text.starts_with('-') ? -v : v;
    }
    int64_t min_;
    int64_t max_;
    bool allowBlank_;
};

class DecimalBinding : public NumberBinding {
public:
    DecimalBinding(QWidget* control, QLineEdit* edit, QString label, NumberField_ field,
                   const char* min, const char* max, int places)
        : NumberBinding(control, edit, std::move(label), field),
          min_(min),
          max_(max),
          places_(places) {}
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        const std::string text = StripCommas(Typed().toStdString());
        const auto value = Decimal::ParseBlankAsZero(text);
        if (!value)
            return QString("%1 must be a number; \"%2\" is not one.")
                .arg(label_, QString::fromStdString(text));
        const bool belowMin = min_ && *value < *Decimal::Parse(min_);
        const bool aboveMax = max_ && *value > *Decimal::Parse(max_);
        if (belowMin || aboveMax) {
            if (min_ && max_) return QString("%1 must be from %2 to %3.").arg(label_, min_, max_);
            return min_ ? QString("%1 must be at least %2.").arg(label_, min_)
                        : QString("%1 must be at most %2.").arg(label_, max_);
        }
        const std::string out =
            places_ < 0 ? value->general() : value->format(places_ == 0 ? "0" : "0.00");
        return Put(rec, out);
    }

private:
    const char* min_;
    const char* max_;
    int places_;
};

class YesNoBinding : public CompanyFieldBinding {
public:
    YesNoBinding(QCheckBox* box, TextField_ field)
        : CompanyFieldBinding(box, box->text()), box_(box), field_(field) {}
    void Load(const CompanyRec& rec) override {
        loaded_ = TrimBlanks(rec.get(field_)) == "Y";
        box_->setChecked(loaded_);
    }
    bool Changed() const override { return box_->isChecked() != loaded_; }
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        rec.set(field_, box_->isChecked() ? "Y" : "N");
        return {};
    }

private:
    QCheckBox* box_;
    TextField_ field_;
    bool loaded_ = false;
};

class BoolBinding : public CompanyFieldBinding {
public:
    BoolBinding(QCheckBox* box, fields::Bool<CompanyRec> field)
        : CompanyFieldBinding(box, box->text()), box_(box), field_(field) {}
    void Load(const CompanyRec& rec) override {
        loaded_ = rec.get(field_);
        box_->setChecked(loaded_);
    }
    bool Changed() const override { return box_->isChecked() != loaded_; }
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        rec.set(field_, box_->isChecked());
        return {};
    }

private:
    QCheckBox* box_;
    fields::Bool<CompanyRec> field_;
    bool loaded_ = false;
};

// One of a few values. A stored value outside the list is offered as it is, so that saving
// other settings does not change it.
class ChoiceBinding : public CompanyFieldBinding {
public:
    ChoiceBinding(QComboBox* combo, QString label, TextField_ field)
        : CompanyFieldBinding(combo, std::move(label)), combo_(combo), field_(field) {}
    void Load(const CompanyRec& rec) override {
        if (fixedItems_ < 0) fixedItems_ = combo_->count();
        while (combo_->count() > fixedItems_) combo_->removeItem(combo_->count() - 1);
        const std::string stored = rec.get(field_);
        int index = combo_->findData(QByteArray::fromStdString(TrimBlanks(stored)));
        if (index < 0) {
            combo_->addItem(QString("\"%1\" (as stored)").arg(FromCp1252(stored)),
                            QByteArray::fromStdString(stored));
            index = combo_->count() - 1;
        }
        loaded_ = index;
        combo_->setCurrentIndex(index);
    }
    bool Changed() const override { return combo_->currentIndex() != loaded_; }
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        rec.set(field_, combo_->currentData().toByteArray().toStdString());
        return {};
    }

private:
    QComboBox* combo_;
    TextField_ field_;
    int fixedItems_ = -1;
    int loaded_ = -1;
};

QString FontDescription(const FontSpec& chosen) {
    QString text = QString("%1, %2 pt").arg(chosen.name).arg(chosen.size);
    if (chosen.style & FontStyle::Bold) text += ", bold";
    if (chosen.style & FontStyle::Italic) text += ", italic";
    if (chosen.style & FontStyle::Underline) text += ", underlined";
    if (chosen.style & FontStyle::StrikeOut) text += ", struck out";
    return text;
}

class FontBinding : public CompanyFieldBinding {
public:
    FontBinding(QPushButton* button, QLabel* sample, QString label, const Company::Font& font)
        : CompanyFieldBinding(button, std::move(label)), sample_(sample), font_(font) {
        QObject::connect(button, &QPushButton::clicked, button, Guarded([this] {
            if (const auto chosen = ChooseFont(spec_)) Show(*chosen);
        }));
    }
    void Load(const CompanyRec& rec) override {
        loaded_.name = FromCp1252(rec.get(font_.name));
        loaded_.size = rec.get(font_.size);
        loaded_.color = rec.get(font_.colour);
        loaded_.style = rec.get(font_.style);
        Show(loaded_);
    }
    bool Changed() const override { return !(spec_ == loaded_); }
    QString Store(CompanyRec& rec, const DateFormat&) const override {
        std::string name;
        if (QString error = ToRecordText(spec_.name, font_.name.width, label_, name);
            !error.isEmpty())
            return error;
        rec.set(font_.name, name);
        rec.set(font_.size, spec_.size);
        rec.set(font_.colour, spec_.color);
        rec.set(font_.style, spec_.style);
        return {};
    }

private:
    void Show(const FontSpec& chosen) {
        spec_ = chosen;
        FontSpec sample = chosen;
        // A damaged size would make an unreadable sample; the stored value is kept.
        if (sample.size < 1 || sample.size > 96) sample.size = 10;
        sample_->setFont(ToQFont(sample));
        QPalette palette = sample_->palette();
        palette.setColor(QPalette::WindowText, ColorFromRef(chosen.color));
        sample_->setPalette(palette);
        sample_->setText(FontDescription(chosen));
    }
    QLabel* sample_;
    Company::Font font_;
    FontSpec spec_;
    FontSpec loaded_;
};

}  // namespace

std::string ProposedCompanyNumber(const std::vector<CompanyRec>& companies) {
    std::set<int> used;
    for (const CompanyRec& c : companies)
        if (const auto n = CanonicalCompanyNumber(c.get(Company::CompanyNumber)))
            used.insert(std::stoi(*n));
    if (used.empty()) return "1";
    if (*used.rbegin() < 32000) return std::to_string(*used.rbegin() + 1);
    for (int n = 1; n <= 32000; ++n)
        if (!used.contains(n)) return std::to_string(n);
    return {};
}

// --- the dialog -----------------------------------------------------------------------------

TCoSetForm::TCoSetForm(QWidget* parent) : Form(parent) {
    setObjectName("CoSetForm");
    setWindowTitle(CompanySettingsCaption);
    auto* layout = new QVBoxLayout(this);
    NewHint = new QLabel(
        "A new company: type at least its name. Its number cannot be changed later, because "
        "the company's files are named after it; the other settings can.",
        this);
    NewHint->setObjectName("NewHint");
    NewHint->setWordWrap(true);
    layout->addWidget(NewHint);
    SettingsTabs = new QTabWidget(this);
    SettingsTabs->setObjectName("SettingsTabs");
    layout->addWidget(SettingsTabs);

    BuildCompanyPage();
    BuildInvoicesPage();
    BuildPrintingPage();
    BuildPurchaseOrdersPage();
    BuildEMailPage();
    BuildAgingPage();
    BuildFontsPage();
    BuildInterestPage();

    const DialogButtons buttons = AddDialogButtons(*this, *layout, "CompanySettings");
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;
    connect(OKBtn, &QPushButton::clicked, this, Guarded([this] { OKBtnClick(); }));
    resize(720, 600);
}

TCoSetForm::~TCoSetForm() = default;

QFormLayout* TCoSetForm::AddPage(const QString& title) {
    auto* scroll = new QScrollArea(SettingsTabs);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    scroll->setWidget(page);
    SettingsTabs->addTab(scroll, title);
    return form;
}

QLineEdit* TCoSetForm::AddEdit(QFormLayout* page, const char* name, const QString& label,
                               int width) {
    auto* edit = new QLineEdit(page->parentWidget());
    edit->setObjectName(name);
    edit->setMaxLength(width);
    // Short fields get a box of their size; text fields fill the row.
    if (width <= 14) edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance('0') * 14 + 16);
    page->addRow(label + ":", edit);
    return edit;
}

template <class Binding, class Field, class... Rules>
QLineEdit* TCoSetForm::BoundEdit(QFormLayout* page, const char* name, const QString& label,
                                 Field field, Rules... rules) {
    // Typed amounts may carry thousands separators, which are not stored.
    const int room = std::is_same_v<Binding, DecimalBinding> ? 4 : 0;
    QLineEdit* edit = AddEdit(page, name, label, field.width + room);
    bindings_.push_back(std::make_unique<Binding>(edit, edit, label, field, rules...));
    return edit;
}

QComboBox* TCoSetForm::TermsField(QFormLayout* page, const char* name, const QString& label,
                                  fields::Text<CompanyRec> field) {
    auto* combo = new QComboBox(page->parentWidget());
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->lineEdit()->setMaxLength(field.width);
    page->addRow(label + ":", combo);
    bindings_.push_back(std::make_unique<TextBinding>(combo, combo->lineEdit(), label, field));
    return combo;
}

template <class Binding, class Field>
QCheckBox* TCoSetForm::BoundCheck(QFormLayout* page, const char* name, const QString& caption,
                                  Field field) {
    auto* box = new QCheckBox(caption, page->parentWidget());
    box->setObjectName(name);
    page->addRow(box);
    bindings_.push_back(std::make_unique<Binding>(box, field));
    return box;
}

QComboBox* TCoSetForm::ChoiceField(QFormLayout* page, const char* name, const QString& label,
                                   fields::Text<CompanyRec> field,
                                   std::vector<std::pair<std::string, QString>> choices) {
    auto* combo = new QComboBox(page->parentWidget());
    combo->setObjectName(name);
    for (const auto& [value, caption] : choices)
        combo->addItem(caption, QByteArray::fromStdString(value));
    page->addRow(label + ":", combo);
    bindings_.push_back(std::make_unique<ChoiceBinding>(combo, label, field));
    return combo;
}

QPushButton* TCoSetForm::FontField(QFormLayout* page, const char* name, const QString& label,
                                   const Company::Font& font) {
    auto* row = new QWidget(page->parentWidget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* button = new QPushButton("Font...", row);
    button->setObjectName(name);
    auto* sample = new QLabel(row);
    sample->setObjectName(QString(name) + "Sample");
    layout->addWidget(button);
    layout->addWidget(sample, 1);
    page->addRow(label + ":", row);
    bindings_.push_back(std::make_unique<FontBinding>(button, sample, label, font));
    return button;
}

void TCoSetForm::BuildCompanyPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Company");
    CName = BoundEdit<TextBinding>(p, "CName", "Company name", Name);
    CNumber =
        BoundEdit<WholeBinding>(p, "CNumber", "Company number", CompanyNumber, 1, 32000, false);
    CAdd1 = BoundEdit<TextBinding>(p, "CAdd1", "Address line 1", Address[0]);
    CAdd2 = BoundEdit<TextBinding>(p, "CAdd2", "Address line 2", Address[1]);
    CAdd3 = BoundEdit<TextBinding>(p, "CAdd3", "Address line 3", Address[2]);
    CAdd4 = BoundEdit<TextBinding>(p, "CAdd4", "Address line 4", Address[3]);
    ExtraAdd1 = BoundEdit<TextBinding>(p, "ExtraAdd1", "Extra address line", ExtraAddress);
    DDMMYY = ChoiceField(p, "DDMMYY", "Date order", DateOrderSetting,
                         {{"M", "Month first (mm/dd/yyyy)"}, {"D", "Day first (dd/mm/yyyy)"}});
    CRecTotal = BoundEdit<DecimalBinding>(p, "CRecTotal", "Receivables total", ReceivablesTotal,
                                          nullptr, nullptr, 2);
    AuditCB =
        BoundCheck<YesNoBinding>(p, "AuditCB", "Require System Audit Trail", RequireAuditTrail);
}

void TCoSetForm::BuildInvoicesPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Invoices");
    NxtInvNum = BoundEdit<WholeBinding>(p, "NxtInvNum", "Next invoice number", NextInvoiceNumber, 1,
                                        999999999, false);
    LastInvNum = BoundEdit<CodeBinding>(p, "LastInvNum", "Last invoice number", LastInvoiceNumber);
    CBPrefixInv = BoundCheck<YesNoBinding>(
        p, "CBPrefixInv", "Invoice numbers carry a month-and-year prefix", InvoiceNumberPrefix);
    IProd = ChoiceField(p, "IProd", "New invoices", NewInvoiceType,
                        {{"P", "Line items"}, {"M", "Memo"}});
    DefQty = BoundEdit<DecimalBinding>(p, "DefQty", "Default quantity of a new line",
                                       DefaultQuantity, "0", nullptr, -1);
    TaxRate =
        BoundEdit<DecimalBinding>(p, "TaxRate", "Tax rate (%)", Company::TaxRate, "0", "100", -1);
    TaxName = BoundEdit<TextBinding>(p, "TaxName", "Tax heading", TaxHeading);
    InvShipHead = BoundEdit<TextBinding>(p, "InvShipHead", "Ship-to caption", InvoiceShipToCaption);
    DupInvCB = BoundCheck<BoolBinding>(p, "DupInvCB", "Print \"Duplicate\" on a reprinted invoice",
                                       PrintDuplicate);
    PackSlipCB = BoundCheck<BoolBinding>(
        p, "PackSlipCB", "Print a packing slip with each printed invoice", PrintPackingSlip);
    InvFileCopyCB = BoundCheck<BoolBinding>(
        p, "InvFileCopyCB", "Print file copies of printed invoices", PrintInvoiceFileCopies);
    InvCopies = BoundEdit<WholeBinding>(p, "InvCopies", "Number of file copies", InvoiceFileCopies,
                                        0, 9, false);
    CpyToLQue = BoundCheck<YesNoBinding>(p, "CpyToLQue",
                                         "Put the customer of a new invoice into the print queue",
                                         QueueInvoiceCustomer);
    BatchLabels =
        BoundCheck<YesNoBinding>(p, "BatchLabels",
                                 "Put the customers into the print queue when invoices are batch "
                                 "printed",
                                 QueueBatchCustomers);
}

void TCoSetForm::BuildPrintingPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Printing");
    HorLCB = BoundCheck<BoolBinding>(p, "HorLCB", "Vertical Lines", VerticalLines);
    VLineCB = BoundCheck<BoolBinding>(p, "VLineCB", "Horizontal Lines", HorizontalLines);
    LineWidthVal =
        BoundEdit<WholeBinding>(p, "LineWidthVal", "Line width (pixels)", LineWidth, 1, 9, false);
    IBoxCB = BoundCheck<BoolBinding>(p, "IBoxCB", "Box around invoices", InvoiceBox);
    ShadeCB = BoundCheck<BoolBinding>(p, "ShadeCB", "Use shading", UseShading);
    ShadeSpacing = BoundEdit<WholeBinding>(p, "ShadeSpacing", "Shading line spacing (pixels)",
                                           ShadingSpacing, 1, 99999, true);
    ShadeStyle = ChoiceField(p, "ShadeStyle", "Shading lines", ShadingStyle,
                             {{"D", "Dots"}, {"L", "Solid lines"}});
    CheckBox5 = BoundCheck<BoolBinding>(p, "CheckBox5", "Letterhead style", LetterheadStyle);
    SMsgCB = BoundCheck<BoolBinding>(p, "SMsgCB", "Print the sales messages", PrintSalesMessages);
    MoveDwnCB = BoundCheck<BoolBinding>(p, "MoveDwnCB", "Move the totals down for blank lines",
                                        MoveTotalsDown);
    BigBxTop = BoundEdit<WholeBinding>(p, "BigBxTop", "Box top (pixels)", BoxTop, 0, 99, false);
    TopFormMar =
        BoundEdit<WholeBinding>(p, "TopFormMar", "Top form margin", TopFormMargin, 0, 99, false);
    LeftFormMar =
        BoundEdit<WholeBinding>(p, "LeftFormMar", "Left form margin", LeftFormMargin, 0, 99, false);
    PushAddr =
        BoundEdit<WholeBinding>(p, "PushAddr", "Shift of the address blocks to the right (pixels)",
                                PushAddress, -999999999, 999999999, true);
    CNameOnForm = BoundCheck<YesNoBinding>(
        p, "CNameOnForm", "Do not print the company name and address", OmitCompanyName);
    UseBmpCB = BoundCheck<BoolBinding>(p, "UseBmpCB", "Print the logo bitmap", PrintLogo);
    LogoFile = BoundEdit<TextBinding>(p, "LogoFile", "Logo bitmap file", Company::LogoFile);
    LogoBrowseBtn = new QPushButton("&Browse...", LogoFile->parentWidget());
    LogoBrowseBtn->setObjectName("LogoBrowseBtn");
    p->addRow(QString(), LogoBrowseBtn);
    connect(LogoBrowseBtn, &QPushButton::clicked, this, Guarded([this] { LogoBrowseBtnClick(); }));
    PrCdhead = BoundEdit<TextBinding>(p, "PrCdhead", "Code column heading", CodeHeading);
    QuanHead = BoundEdit<TextBinding>(p, "QuanHead", "Quantity column heading", QuantityHeading);
    DescHead =
        BoundEdit<TextBinding>(p, "DescHead", "Description column heading", DescriptionHeading);
    Edit8 = BoundEdit<TextBinding>(p, "Edit8", "Unit cost column heading", UnitCostHeading);
    ExtHead = BoundEdit<TextBinding>(p, "ExtHead", "Extension column heading", ExtensionHeading);
    MaxLines = BoundEdit<WholeBinding>(p, "MaxLines", "Maximum lines of a printed document",
                                       Company::MaxLines, 1, 99, false);
}

void TCoSetForm::BuildPurchaseOrdersPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Purchase Orders");
    NxtPONum = BoundEdit<WholeBinding>(p, "NxtPONum", "Next purchase-order number", NextPONumber, 1,
                                       999999999, false);
    LastPONum = BoundEdit<CodeBinding>(p, "LastPONum", "Last purchase-order number", LastPONumber);
    CBPrefixPO = BoundCheck<YesNoBinding>(
        p, "CBPrefixPO", "Purchase-order numbers carry a month-and-year prefix", POPrefix);
    PProd = ChoiceField(p, "PProd", "New purchase orders", NewPOType,
                        {{"P", "Line items"}, {"M", "Memo"}});
    NxtRecvr = BoundEdit<WholeBinding>(p, "NxtRecvr", "Next receiver number", NextReceiverNumber, 1,
                                       999999999999, false);
    POReceivedCB = BoundCheck<BoolBinding>(
        p, "POReceivedCB", "New purchase orders are marked received", NewPOsReceived);
    POPrintNowCB = BoundCheck<BoolBinding>(p, "POPrintNowCB", "Print a new purchase order at once",
                                           PrintNewPOAtOnce);
    CBPConPO = BoundCheck<BoolBinding>(p, "CBPConPO", "Product codes on purchase orders",
                                       ProductCodesOnPOs);
    POTaxCB = BoundCheck<BoolBinding>(p, "POTaxCB", "Tax on purchase orders", TaxOnPOs);
    PoHeadTxt = BoundEdit<TextBinding>(p, "PoHeadTxt", "Purchase-order caption", POCaption);
    POShipHead = BoundEdit<TextBinding>(p, "POShipHead", "Ship-to caption", POShipToCaption);
    POSA1 = BoundEdit<TextBinding>(p, "POSA1", "Ship-to line 1", POShipTo[0]);
    POSA2 = BoundEdit<TextBinding>(p, "POSA2", "Ship-to line 2", POShipTo[1]);
    POSA3 = BoundEdit<TextBinding>(p, "POSA3", "Ship-to line 3", POShipTo[2]);
    POSA4 = BoundEdit<TextBinding>(p, "POSA4", "Ship-to line 4", POShipTo[3]);
    POTerms = TermsField(p, "POTerms", "Default terms", DefaultPOTerms);
    POSign1 = BoundEdit<TextBinding>(p, "POSign1", "Signature line 1", POSignature[0]);
    POSign2 = BoundEdit<TextBinding>(p, "POSign2", "Signature line 2", POSignature[1]);
    POMemoHdr = BoundEdit<TextBinding>(p, "POMemoHdr", "Memo header", POMemoHeader);
    POM1 = BoundEdit<TextBinding>(p, "POM1", "Message line 1", POMessage[0]);
    POM2 = BoundEdit<TextBinding>(p, "POM2", "Message line 2", POMessage[1]);
    POM3 = BoundEdit<TextBinding>(p, "POM3", "Message line 3", POMessage[2]);
    POM4 = BoundEdit<TextBinding>(p, "POM4", "Message line 4", POMessage[3]);
    CBDupPOs = BoundCheck<YesNoBinding>(
        p, "CBDupPOs", "Print \"** Duplicate PO **\" on a reprinted order", PrintDuplicatePO);
    POFileCopyCB = BoundCheck<BoolBinding>(
        p, "POFileCopyCB", "Print file copies of printed purchase orders", PrintPOFileCopies);
    POCopies =
        BoundEdit<WholeBinding>(p, "POCopies", "Number of file copies", POFileCopies, 0, 9, false);
    POCopyHeadr = BoundEdit<TextBinding>(p, "POCopyHeadr", "File-copy caption", POFileCopyCaption);
    POCpytoVen = BoundCheck<YesNoBinding>(
        p, "POCpytoVen", "Put the vendor of a new purchase order into the print queue",
        QueuePOVendor);
    CPOBatVen = BoundCheck<YesNoBinding>(
        p, "CPOBatVen",
        "Put the vendors into the print queue when purchase orders are batch "
        "printed",
        QueueBatchVendors);
}

void TCoSetForm::BuildEMailPage() {
    using namespace Company;
    QFormLayout* p = AddPage("E-Mail");
    CEMailAdd = BoundEdit<EMailBinding>(p, "CEMailAdd", "Company e-mail address", EmailAddress);
    SMTPHost = BoundEdit<HostBinding>(p, "SMTPHost", "Mail server (SMTP host)", SmtpHost);
    EMInclCust = BoundCheck<YesNoBinding>(
        p, "EMInclCust",
        "Include accounts without an e-mail address (their mail goes to the "
        "company's address)",
        EmailIncludeWithoutAddress);
    EMRulesCB = BoundCheck<YesNoBinding>(p, "EMRulesCB", "Rules of dashes in e-mailed documents",
                                         EmailRules);
}

void TCoSetForm::BuildAgingPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Aging");
    CAVal1 = BoundEdit<WholeBinding>(p, "CAVal1", "Period 1 starts after (days)", AgingPeriod[0], 1,
                                     999, false);
    CAVal2 = BoundEdit<WholeBinding>(p, "CAVal2", "Period 2 starts after (days)", AgingPeriod[1], 1,
                                     999, false);
    CAVal3 = BoundEdit<WholeBinding>(p, "CAVal3", "Over period starts after (days)", AgingPeriod[2],
                                     1, 999, false);
    CACap1 = BoundEdit<TextBinding>(p, "CACap1", "Caption of period 1", AgingCaption[0]);
    CACap2 = BoundEdit<TextBinding>(p, "CACap2", "Caption of period 2", AgingCaption[1]);
    CACap3 = BoundEdit<TextBinding>(p, "CACap3", "Caption of the over period", AgingCaption[2]);
}

void TCoSetForm::BuildFontsPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Fonts");
    EditorFontBtn = FontField(p, "EditorFontBtn", "Editor", EditorFont);
    ManagersFontBtn = FontField(p, "ManagersFontBtn", "Manager lists", ManagersFont);
    BodyFontBtn = FontField(p, "BodyFontBtn", "Printed body text", BodyFont);
    CaptionFontBtn = FontField(p, "CaptionFontBtn", "Printed caption headers", CaptionFont);
    CoAddrFontBtn = FontField(p, "CoAddrFontBtn", "Printed company address", CompanyAddressFont);
    CustAddrFontBtn =
        FontField(p, "CustAddrFontBtn", "Printed customer address", CustomerAddressFont);
    AgingFontBtn = FontField(p, "AgingFontBtn", "Printed aging and signatures", AgingFont);
    SalesMsgFontBtn = FontField(p, "SalesMsgFontBtn", "Printed sales message", SalesMessageFont);
}

void TCoSetForm::BuildInterestPage() {
    using namespace Company;
    QFormLayout* p = AddPage("Interest/Statements");
    LastIntRun =
        BoundEdit<DateBinding>(p, "LastIntRun", "Date of the last interest run", LastInterestRun);
    LastStmtRun = BoundEdit<DateBinding>(p, "LastStmtRun", "Date of the last batch-statement run",
                                         LastStatementRun);
    IntMarkPrtCB = BoundCheck<BoolBinding>(p, "IntMarkPrtCB", "Mark interest invoices printed",
                                           InterestMarkPrinted);
    IntTerms = TermsField(p, "IntTerms", "Payment terms of interest invoices", InterestTerms);
    IntOverdue =
        ChoiceField(p, "IntOverdue", "Charge interest on invoices in", InterestOverdueClass,
                    {{"3", "Period 1 and later (over 30 days)"},
                     {"6", "Period 2 and later (over 60 days)"},
                     {"9", "The over period (over 90 days)"}});
    IntMinChg = BoundEdit<DecimalBinding>(p, "IntMinChg", "Minimum charge", InterestMinimumCharge,
                                          "0", nullptr, 2);
    IntRate = BoundEdit<DecimalBinding>(p, "IntRate", "Monthly rate (%)", InterestMonthlyRate, "0",
                                        "100", -1);
}

// --- showing and saving ---------------------------------------------------------------------

void TCoSetForm::LoadTermsLists() {
    QStringList terms;
    for (const std::string& term : LoadTerms(Shell().folder)) terms << FromCp1252(term);
    for (QComboBox* combo : {POTerms, IntTerms}) {
        combo->clear();
        combo->addItems(terms);
    }
}

void TCoSetForm::Load(const CompanyRec& record) {
    loaded_ = record;
    LoadTermsLists();
    for (const auto& binding : bindings_) binding->Load(record);
    CNumber->setEnabled(newMode_);
    NewHint->setVisible(newMode_);
    setWindowTitle(newMode_ ? QString("New Company") : QString(CompanySettingsCaption));
}

void TCoSetForm::PrepareNew(std::string_view proposedNumber) {
    newMode_ = true;
    CompanyRec record = NewCompanyRecord();
    if (!record.set(Company::CompanyNumber, proposedNumber)) record.clear();
    Load(record);
}

bool TCoSetForm::PrepareEdit(std::string_view number) {
    const auto found = FindCompany(Shell().folder, number);
    if (!found) {
        MessageBox(QString("Company %1 cannot be read from the company file (error %2).")
                       .arg(QString::fromStdString(std::string(number)))
                       .arg(EngineErrorCode),
                   CompanySettingsCaption, MsgIcon::Warning);
        return false;
    }
    newMode_ = false;
    Load(*found);
    return true;
}

void TCoSetForm::FormShow() {
    SettingsTabs->setCurrentIndex(0);
    CName->setFocus();
}

void TCoSetForm::RevealControl(QWidget* control) {
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (const int index = SettingsTabs->indexOf(w); index >= 0) {
            SettingsTabs->setCurrentIndex(index);
            return;
        }
    }
}

void TCoSetForm::RefuseAt(QWidget* control, const QString& text) {
    if (control) RevealControl(control);
    Refuse(control, text, CompanySettingsCaption);
}

void TCoSetForm::LogoBrowseBtnClick() {
    const QString path = AskOpenFileName(
        "Logo Bitmap", "Pictures|*.BMP;*.PNG;*.JPG;*.JPEG|All Files|*.*", LogoFile->text());
    if (path.isEmpty()) return;
    // Set programmatically, the edit would cut a long name to its length without a word.
    if (path.size() > Company::LogoFile.width) {
        MessageBox(QString("The file name is longer than %1 characters. Please choose a file "
                           "with a shorter path.")
                       .arg(Company::LogoFile.width),
                   CompanySettingsCaption, MsgIcon::Warning);
        return;
    }
    LogoFile->setText(path);
}

void TCoSetForm::OKBtnClick() {
    if (CName->text().trimmed().isEmpty()) {
        RefuseAt(CName, "Please enter the company name.");
        return;
    }
    // Dates on the other pages are read in the date order chosen on this one.
    const DateFormat dates(DateOrderOf(DDMMYY->currentData().toByteArray().toStdString()));
    CompanyRec edited = loaded_;
    for (const auto& binding : bindings_) {
        if (!newMode_ && !binding->Changed()) continue;
        if (const QString error = binding->Store(edited, dates); !error.isEmpty()) {
            RefuseAt(binding->control(), error);
            return;
        }
    }
    // The aging rule needs p1 < p2 < p3; a stored order the user did not touch is kept.
    const auto period = [&](int k) {
        const auto n = Decimal::Parse(edited.get(Company::AgingPeriod[k]));
        return n ? n->scaled() : 0;
    };
    const bool periodsTyped =
        newMode_ || std::any_of(Company::AgingPeriod.begin(), Company::AgingPeriod.end(),
                                [&](auto f) { return edited.get(f) != loaded_.get(f); });
    if (periodsTyped && (period(0) >= period(1) || period(1) >= period(2))) {
        // The field typed in is the one to correct, of the pair out of order.
        const int k = period(0) >= period(1) ? 0 : 1;
        const bool firstTyped =
            edited.get(Company::AgingPeriod[k]) != loaded_.get(Company::AgingPeriod[k]);
        QLineEdit* const fields[] = {CAVal1, CAVal2, CAVal3};
        RefuseAt(fields[firstTyped ? k : k + 1],
                 "The aging periods must grow: period 1 ends before period 2, and period 2 "
                 "before the over period.");
        return;
    }
    if (newMode_)
        WriteNew(edited);
    else
        WriteExisting(edited);
}

bool TCoSetForm::WriteNew(CompanyRec& edited) {
    CompanyState& companies = Shell().companies;
    switch (AddCompany(companies, Shell().folder, edited)) {
        case CompanyResult::Ok:
            saved_ = companies.CompanyBuf;
            return true;
        case CompanyResult::DuplicateNumber:
            RefuseAt(CNumber, QString("Company number %1 is already in use. Please choose "
                                      "another number.")
                                  .arg(CNumber->text().trimmed()));
            return false;
        case CompanyResult::InvalidNumber:
            RefuseAt(CNumber, "The company number must be a whole number from 1 to 32000.");
            return false;
        default:
            RefuseAt(nullptr,
                     QString("The company could not be added (error %1).").arg(EngineErrorCode));
            return false;
    }
}

bool TCoSetForm::WriteExisting(const CompanyRec& edited) {
    ShellContext& shell = Shell();
    const std::string number = TrimBlanks(loaded_.get(Company::CompanyNumber));
    const bool isCurrent = shell.companies.fileStem() == number;
    // Another company is rewritten through a state of its own, so that the current company
    // stays as it is.
    CompanyState other;
    other.CurrentCompany = loaded_;
    CompanyState& state = isCurrent ? shell.companies : other;
    const CompanyResult result = UpdateCurrentCompany(state, shell.folder, [&](CompanyRec& rec) {
        if (!(rec == loaded_)) return false;
        rec = edited;
        return true;
    });
    switch (result) {
        case CompanyResult::Ok:
            break;
        case CompanyResult::Refused:
            Refuse(nullptr, "The record has changed in the meantime.", CompanySettingsCaption,
                   MsgIcon::Information);
            return false;
        case CompanyResult::NotFound:
            RefuseAt(nullptr, "This company is no longer in the company file.");
            return false;
        default:
            RefuseAt(nullptr,
                     WithSystemReason(QString("The company file could not be written (error %1).")
                                          .arg(EngineErrorCode)));
            return false;
    }
    saved_ = state.CompanyBuf;
    if (isCurrent) {
        // The proposed dates are shown in the date order; a new order needs them anew.
        if (edited.get(Company::DateOrderSetting) != loaded_.get(Company::DateOrderSetting))
            MakeCompanyCurrent(shell.companies, shell.main, shell.clock, saved_);
        WriteLastCompany(shell.folder, saved_);
    }
    loaded_ = saved_;
    return true;
}
