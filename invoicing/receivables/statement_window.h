#pragma once
// The statement windows: "Customer Statement" (TStment) showing the loaded statement, the
// aging-class choice "Statement Selection" (TSelStmnt) and the batch count "Batch Print
// Statements" (TBatchStWin); the single and batch statement commands of the Customer
// Manager.

#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"

class MaskEdit;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStatusBar;
class StringGrid;
class TDemoForm;

class TStment : public Form {
    Q_OBJECT

public:
    explicit TStment(QWidget* parent = nullptr);

    QLabel* Label1;  // name
    QLabel* Label2;  // billing lines
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* CNoLabel;
    StringGrid* SGrid;
    QCheckBox* UnpaidBox;
    QPushButton* PrinStButn;
    QPushButton* CloseBtn;
    QStatusBar* CSBar;

    // Shows Statements().Loaded.
    void ShowLoaded();
    void UnpaidBoxClick();
    // Prints or e-mails the statement by the main window's output choice.
    void PrinStButnClick();
    void SetStatus(int panel, const QString& text);
};

class TSelStmnt : public Form {
    Q_OBJECT

public:
    explicit TSelStmnt(QWidget* parent = nullptr);
    QRadioButton* RBAll;
    QRadioButton* RBover30;
    QRadioButton* RBover60;
    QRadioButton* RBover90;
    QRadioButton* RBActAll;
    QRadioButton* RBActUnPd;
    QPushButton* OKButton;
    QPushButton* CanButn;
    QPushButton* Button1;
};

class TBatchStWin : public Form {
    Q_OBJECT

public:
    explicit TBatchStWin(QWidget* parent = nullptr);
    QLabel* Label2;  // last run
    QLabel* Label1;  // count
    MaskEdit* EMBNum;
    QPushButton* OKButton;
    QPushButton* CanButn;
    QPushButton* HlpBtn;
    void OKButtonClick();

protected:
    void FormShow() override;
};

extern TStment* Stment;
extern TSelStmnt* SelStmnt;
extern TBatchStWin* BatchStWin;

// Loads the statement of StatementCustomerNumber (LoadStatement) and shows it in the
// statement window when there is one. False when the customer is not on file.
bool LoadStatementActivity();

// Which customers a batch takes, by their aging.
enum class StatementClass { AllNonZero, Over30, Over60, Over90 };

// The numbers of the customers of the class, in name order (key 1). An amount that is not a
// number raises an error naming the customer.
std::vector<std::string> SelectStatementCustomers(StatementClass which);

// The batch size typed: a whole number, at least 1 and at most the count.
int StatementBatchSize(const QString& typed, int count);

// The one statement of the customer highlighted in the manager.
void StmtPrinClick(TDemoForm& manager);
// Statements for every customer of the chosen aging class, printed or e-mailed in batches.
void BatchStatements();

inline constexpr const char* NoStatementActivity = "There is no activity for this customer.";

// Creates the statement windows once at start-up and plugs the commands into the Customer
// Manager; the application (or a test) owns it.
class StatementWindows {
public:
    StatementWindows();
    ~StatementWindows();
    StatementWindows(const StatementWindows&) = delete;
    StatementWindows& operator=(const StatementWindows&) = delete;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
