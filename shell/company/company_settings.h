#pragma once
// TCoSetForm, the company settings window (unit CoSet).
// The company settings dialog: every setting of a company record, by topic on tabs. It adds
// a new company or rewrites an existing one. A field the user did not change keeps its
// stored bytes, so a value this dialog would not write itself survives a save.

#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form.h"
#include "shell/company/company_rec.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class CompanyFieldBinding;

inline constexpr const char* CompanySettingsCaption = "Company Settings";

// The number proposed to a new company: one above the highest in use, else the lowest free.
std::string ProposedCompanyNumber(const std::vector<CompanyRec>& companies);

class TCoSetForm : public Form {
    Q_OBJECT

public:
    explicit TCoSetForm(QWidget* parent = nullptr);
    ~TCoSetForm() override;

    // A new company starting from the default settings, with the number proposed.
    void PrepareNew(std::string_view proposedNumber);
    // The company of that number, read from the company file; false (the user told why)
    // when it cannot be read.
    bool PrepareEdit(std::string_view number);
    bool NewMode() const { return newMode_; }
    // The record the last OK wrote.
    const CompanyRec& Saved() const { return saved_; }

    QLabel* NewHint;
    QTabWidget* SettingsTabs;

    // Company
    QLineEdit* CName;
    QLineEdit* CNumber;
    QLineEdit* CAdd1;
    QLineEdit* CAdd2;
    QLineEdit* CAdd3;
    QLineEdit* CAdd4;
    QLineEdit* ExtraAdd1;
    QComboBox* DDMMYY;
    QCheckBox* AuditCB;
    QLineEdit* CRecTotal;

    // Invoices
    QLineEdit* NxtInvNum;
    QLineEdit* LastInvNum;
    QCheckBox* CBPrefixInv;
    QComboBox* IProd;
    QLineEdit* DefQty;
    QLineEdit* TaxRate;
    QLineEdit* TaxName;
    QLineEdit* InvShipHead;
    QCheckBox* DupInvCB;
    QCheckBox* PackSlipCB;
    QCheckBox* InvFileCopyCB;
    QLineEdit* InvCopies;
    QCheckBox* CpyToLQue;
    QCheckBox* BatchLabels;

    // Printing
    QCheckBox* HorLCB;
    QCheckBox* VLineCB;
    QLineEdit* LineWidthVal;
    QCheckBox* IBoxCB;
    QCheckBox* ShadeCB;
    QLineEdit* ShadeSpacing;
    QComboBox* ShadeStyle;
    QCheckBox* CheckBox5;
    QCheckBox* SMsgCB;
    QCheckBox* MoveDwnCB;
    QLineEdit* BigBxTop;
    QLineEdit* TopFormMar;
    QLineEdit* LeftFormMar;
    QLineEdit* PushAddr;
    QCheckBox* CNameOnForm;
    QCheckBox* UseBmpCB;
    QLineEdit* LogoFile;
    QPushButton* LogoBrowseBtn;
    QLineEdit* PrCdhead;
    QLineEdit* QuanHead;
    QLineEdit* DescHead;
    QLineEdit* Edit8;
    QLineEdit* ExtHead;
    QLineEdit* MaxLines;

    // Purchase orders
    QLineEdit* NxtPONum;
    QLineEdit* LastPONum;
    QCheckBox* CBPrefixPO;
    QComboBox* PProd;
    QLineEdit* NxtRecvr;
    QCheckBox* POReceivedCB;
    QCheckBox* POPrintNowCB;
    QCheckBox* CBPConPO;
    QCheckBox* POTaxCB;
    QLineEdit* PoHeadTxt;
    QLineEdit* POShipHead;
    QLineEdit* POSA1;
    QLineEdit* POSA2;
    QLineEdit* POSA3;
    QLineEdit* POSA4;
    QComboBox* POTerms;
    QLineEdit* POSign1;
    QLineEdit* POSign2;
    QLineEdit* POMemoHdr;
    QLineEdit* POM1;
    QLineEdit* POM2;
    QLineEdit* POM3;
    QLineEdit* POM4;
    QCheckBox* CBDupPOs;
    QCheckBox* POFileCopyCB;
    QLineEdit* POCopies;
    QLineEdit* POCopyHeadr;
    QCheckBox* POCpytoVen;
    QCheckBox* CPOBatVen;

    // E-mail
    QLineEdit* CEMailAdd;
    QLineEdit* SMTPHost;
    QCheckBox* EMInclCust;
    QCheckBox* EMRulesCB;

    // Aging
    QLineEdit* CAVal1;
    QLineEdit* CAVal2;
    QLineEdit* CAVal3;
    QLineEdit* CACap1;
    QLineEdit* CACap2;
    QLineEdit* CACap3;

    // Fonts: a button that opens the font dialog, with a sample beside it
    QPushButton* EditorFontBtn;
    QPushButton* ManagersFontBtn;
    QPushButton* BodyFontBtn;
    QPushButton* CaptionFontBtn;
    QPushButton* CoAddrFontBtn;
    QPushButton* CustAddrFontBtn;
    QPushButton* AgingFontBtn;
    QPushButton* SalesMsgFontBtn;

    // Interest and statements
    QLineEdit* LastIntRun;
    QLineEdit* LastStmtRun;
    QCheckBox* IntMarkPrtCB;
    QComboBox* IntTerms;
    QComboBox* IntOverdue;
    QLineEdit* IntMinChg;
    QLineEdit* IntRate;

    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

protected:
    void FormShow() override;

private:
    void BuildCompanyPage();
    void BuildInvoicesPage();
    void BuildPrintingPage();
    void BuildPurchaseOrdersPage();
    void BuildEMailPage();
    void BuildAgingPage();
    void BuildFontsPage();
    void BuildInterestPage();

    QFormLayout* AddPage(const QString& title);
    QLineEdit* AddEdit(QFormLayout* page, const char* name, const QString& label, int width);
    // A line edit or check box for the field, shown and written by Binding (defined with the
    // dialog); rules are the binding's further arguments (ranges, places).
    template <class Binding, class Field, class... Rules>
    QLineEdit* BoundEdit(QFormLayout* page, const char* name, const QString& label, Field field,
                         Rules... rules);
    template <class Binding, class Field>
    QCheckBox* BoundCheck(QFormLayout* page, const char* name, const QString& caption, Field field);
    QComboBox* TermsField(QFormLayout* page, const char* name, const QString& label,
                          fields::Text<CompanyRec> field);
    QComboBox* ChoiceField(QFormLayout* page, const char* name, const QString& label,
                           fields::Text<CompanyRec> field,
                           std::vector<std::pair<std::string, QString>> choices);
    QPushButton* FontField(QFormLayout* page, const char* name, const QString& label,
                           const Company::Font& font);

    void Load(const CompanyRec& record);
    void LoadTermsLists();
    void LogoBrowseBtnClick();
    void OKBtnClick();
    // Shows the page holding the control.
    void RevealControl(QWidget* control);
    void RefuseAt(QWidget* control, const QString& text);
    bool WriteNew(CompanyRec& edited);
    bool WriteExisting(const CompanyRec& edited);

    std::vector<std::unique_ptr<CompanyFieldBinding>> bindings_;
    CompanyRec loaded_;
    CompanyRec saved_;
    bool newMode_ = false;
};
