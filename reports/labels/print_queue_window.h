#pragma once
// Tlblwiz, the Label Wizard and print queue window (unit Labelwiz).
// "Label Wizard / Print Queue": the print queue of customers, vendors and products for whom
// labels, letters and e-mail notices are produced, and the current label layout. Created
// once at start-up; the queue outlives every showing of the window.

#include <QString>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/font_setting.h"
#include "platform/form.h"
#include "reports/labels/label_layout.h"
#include "reports/labels/label_print.h"
#include "reports/labels/label_queue.h"
#include "reports/labels/label_sources.h"
#include "shell/commands.h"

class ListView;
class MaskEdit;
class QAction;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QToolButton;
class QTreeWidgetItem;

class Tlblwiz : public Form {
    Q_OBJECT

public:
    explicit Tlblwiz(QWidget* parent = nullptr);
    ~Tlblwiz() override;

    // --- the queue ---
    ListView* LabelList;
    QToolButton* AddOne;        // "C": pick a customer
    QToolButton* AddOneVend;    // "V": pick a vendor
    QToolButton* SpeedButton5;  // "P": pick a product
    QToolButton* zero30;        // aging pulls, captioned from the company's aging settings
    QToolButton* A3060;
    QToolButton* A6090;
    QToolButton* AOver90;
    QToolButton* SpeedButton2;  // delete the selected row
    QToolButton* SpeedButton3;  // clear the queue
    QToolButton* SavetoFile;
    QToolButton* LoadFrmFile;
    QToolButton* ExportText;
    QPushButton* PrnButn;
    QPushButton* SpeedButton4;  // printer set-up
    QToolButton* CanButn;
    QToolButton* SpeedButton1;  // help

    // --- the layout ---
    QLineEdit* Edit1;  // layout description
    MaskEdit* LMargin;
    MaskEdit* TMargin;
    MaskEdit* ColAcross;
    MaskEdit* RowsDown;
    MaskEdit* LWdth;
    MaskEdit* LHght;
    QPushButton* FontButn;
    QLabel* CFName;        // the label font's name, shown in that font
    QCheckBox* CheckBox1;  // use shipping address
    QCheckBox* UseCmpAdd;  // print company return address
    QPushButton* BitMpButn;
    QLineEdit* BMapName;
    QCheckBox* PLine;
    MaskEdit* MaskEdit1;  // line width
    QLineEdit* CaptName;
    QSpinBox* LblStart;
    QSpinBox* LabelCopies;
    QStatusBar* StatusBar1;

    // --- menus ---
    QMenuBar* MainMenu1;
    QMenu* Records1;
    QAction* Add3;
    QAction* AddVendor1;
    QAction* AddProduct1;
    QAction* LoadAllCustomers1;
    QAction* LoadAllVendors1;
    QAction* LoadAllProducts1;
    QAction* Pull030Days1;
    QAction* Pull3060Days1;
    QAction* Pull6090Days1;
    QAction* PullOver90Days1;
    QAction* Delete2;
    QAction* ClearAll1;
    QAction* SavetoFile1;
    QAction* LoadfromFile1;
    QAction* AddressExporttoTextFile1;
    QMenu* Label1;
    QAction* Open2;
    QAction* SaveAs1;
    QAction* CalibrationRuler1;
    QAction* Close1;
    QMenu* Help1;
    QAction* Overview1;

    // The layout label printing uses: changed by Open2, SaveAs1 and the font dialog only.
    LabelLayoutRec CurrentLabelLayout;
    // The font dialog's font.
    FontSpec FontDialog1;

    // Appends a row as every adder does; the list's change handler marks the queue changed.
    QTreeWidgetItem* AppendQueueItem(const LabelQueueItem& item);
    // The rows in list order.
    std::vector<LabelQueueItem> QueueItems() const;
    QString StatusText() const;

    // --- handlers ---
    void AddOneClick();
    void AddOneVendClick();
    void SpeedButton5Click();
    void LoadAllRecsClick();
    void LoadAllVendors1Click();
    void LoadAllProducts1Click();
    void zero30Click();
    void A3060Click();
    void A6090Click();
    void AOver90Click();
    void Delete1Click();
    void SpeedButton3Click();
    void SavetoFileClick();
    void LoadFrmFileClick();
    void SpeedButton4Click();
    void PrnButnClick();
    void CalibrationRuler1Click();
    void ExportTextClick();
    void Open2Click();
    void SaveAs1Click();
    void FontButnClick();
    void BitMpButnClick();
    void UseCmpAddClick();
    void CanButnClick();
    void SpeedButton1Click();
    void LabelListChange();
    void UpdateReturnAddressControls();

protected:
    void FormShow() override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectCommands();
    void FormCreate();
    void SetStatus(const QString& text);
    void ShowRowCount(const char* suffix);
    // Fills the controls from CurrentLabelLayout.
    void ShowLayout();
    // The commands that need a layout, on or off.
    void EnableLayoutCommands(bool enabled);
    void RunAgingPull(AgingPull pull);
    // Appends the rows a walk found and shows what went wrong; true when it ran to its end.
    bool AppendWalk(const SourceWalk& walk);
    // A load-all: the rows, then their count in the status bar.
    void AppendLoaded(const SourceWalk& walk);
    // A picked row: appended, scrolled to, counted in the status bar.
    void AppendPicked(const LabelQueueItem& item);
    // The six sheet fields as shown.
    LabelSheetFields SheetFields() const;
    // Label printing's checks and its return-address block; nothing when refused (told).
    std::optional<LabelRun> ReadLabelRun();

    QLabel* statusPanel_ = nullptr;
    // The main window's "&Mailing Labels/Lists..." and its tool-bar button show this window.
    CommandRegistration mailingLabels_;
};

// A path from a dialog as the file system's path, and back.
std::filesystem::path ToPath(const QString& path);
QString FromPath(const std::filesystem::path& path);

// The one window, created at start-up; nullptr before.
extern Tlblwiz* lblwiz;

// Appends a row to the print queue without showing its window; values are record text.
// The queue window must exist (it is created at start-up). The list's change handler marks
// the queue changed.
void AddToLabelQueue(const LabelQueueItem& item);
void AddToLabelQueue(LabelKind kind, std::string_view caption, std::string_view sub1,
                     std::string_view sub2, std::string_view sub3);
// The row of the record, as the queue shows it.
void AddCustomerToLabelQueue(const CustomerRec& customer);
void AddVendorToLabelQueue(const VendorRec& vendor);
void AddProductToLabelQueue(const ProductRec& product);
