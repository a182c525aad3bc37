#pragma once
// What the windows of the two document managers (invoices, purchase orders) share: the list
// with its pop-up menu and header, the tool bar panel with the filter label, the company
// panel, the status bar of two panels, the Display menu's six orders, the filter's colours,
// the Delete key, the fonts the company chose, and closing the files with the window. Each
// manager adds its own buttons and menus and says which file, buffer and keys the list has.

#include <QAction>
#include <QString>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/engine.h"
#include "platform/application.h"
#include "platform/form.h"
#include "shell/company/company_rec.h"

class QHBoxLayout;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class TFvcBrowser;

// One order of the Display menu.
struct ListOrder {
    const char* objectName;
    const char* caption;
    int keyNr;
};
inline constexpr std::size_t ListOrderCount = 6;

// A list row (and the header) is padded to this width.
inline constexpr int DocumentListWidth = 128;
// A text column: padded to its width, never cut (a longer field widens its column).
std::string ListColumn(std::string_view text, int width);
// A stored amount formatted ",0.00", right-justified in 12.
std::string ListAmount(std::string_view stored);
// The columns joined by one blank, padded and cut to DocumentListWidth.
std::string ListRow(std::initializer_list<std::string> columns);
// The row of a record that could not be read: "****  " and its key.
std::string UnreadableListRow(std::string_view key);

// The record of a list row, from the bytes the browse control hands over.
template <class Rec>
Rec ListRecordOf(std::span<const uint8_t> bytes) {
    Rec rec;
    std::copy_n(bytes.begin(), std::min(bytes.size(), rec.bytes().size()), rec.bytes().begin());
    return rec;
}

// "name - #number" of the current company, as the managers' company label shows it.
QString ManagerCompanyCaption();

// Closes the shared progress window when a run left it showing.
void CloseRebuildStatus();

class DocumentManagerForm : public Form {
    Q_OBJECT

public:
    ~DocumentManagerForm() override;

    QMenuBar* MainMenu1;
    QLabel* CFilter;
    QLabel* CName;
    TFvcBrowser* InvBrowser1;
    QMenu* PopupMenu1;
    QStatusBar* StatusBar1;
    // "&Display" menu: the six orders, then "Print &Window".
    std::array<QAction*, ListOrderCount> OrderItems{};
    QAction* PrintWindow1 = nullptr;

    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;

    // A Display item: the list in the order of orders()[index], on the document it was on.
    void SortOrderClick(int index);
    void PrintWindow1Click();

    // "Unable to open databases: " and the engine's last failure, with what the operating
    // system said; read before the files are closed again.
    static QString OpenFailureText();

protected:
    // The list's header is `header`, laid out as its rows.
    DocumentManagerForm(const char* objectName, const QString& caption, const std::string& header,
                        std::span<const ListOrder> orders, QWidget* parent);

    // --- what the manager says about its list ---
    // The open header file, the buffer its rows are read into, and its keys built from it.
    virtual FileSetHandle ListFile() const = 0;
    virtual std::span<uint8_t> ListBuffer() = 0;
    virtual std::string ListKey(int keyNr) = 0;
    // The unit's remembered order of the list.
    virtual uint32_t& ListKeyNumber() = 0;
    virtual void DeleteCommand() = 0;
    virtual void CloseFiles() = 0;

    // The tool bar: a button with its hint, placed before the filter label.
    template <class W>
    QToolButton* AddTool(const char* name, const char* hint, void (W::*handler)()) {
        QToolButton* b = NewTool(name, hint);
        connect(b, &QToolButton::clicked, this, Guarded(static_cast<W*>(this), handler));
        return b;
    }
    // A menu item.
    template <class W>
    QAction* AddItem(QMenu* menu, const char* name, const char* text, void (W::*handler)()) {
        QAction* a = NewItem(menu, name, text);
        connect(a, &QAction::triggered, this, Guarded(static_cast<W*>(this), handler));
        return a;
    }
    // The six orders, a line and "Print &Window".
    void BuildDisplayMenu(QMenu* display);
    // The company panel's row, for a manager that shows more beside the company.
    QHBoxLayout* companyRow() const { return companyRow_; }

    // --- showing ---
    // The company's editor font on the label, with its colour.
    static void ApplyCompanyFont(QWidget& widget, const Company::Font& field);
    // The company's managers font on the list, in a fixed pitch so that columns line up.
    void ApplyListFont();
    // The list in the remembered order, checked in the menu; that key number.
    int ShowRememberedOrder(int defaultKeyNr, int keyCount);
    // Status panel 0: "Records: " and the entries of the list's index.
    void ShowRecordCount();
    // The files could not be opened: told, and the window closes; the program goes on.
    void OpenFailed(const QString& text);

    // Reads the highlighted row's record into the buffer; its Ref, 0 when nothing was read.
    int32_t ReadHighlighted();
    // The filter switched, with its label and the window's colour; `filtering` is the label's
    // caption while it is on.
    void ShowFilter(bool on, const QString& filtering = {});
    // The filter toggle on the party of the highlighted document: `party` receives the
    // highlighted record's party number and answers it (nothing read: nothing happens).
    void ToggleFilter(const std::function<std::string()>& party, const QString& filteringPrefix);
    void CheckOrderItem(int keyNr);

    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window (by any way) closes the files opened for it.
    void hideEvent(QHideEvent* event) override;

    bool sharedMode_ = false;

private:
    QToolButton* NewTool(const char* name, const char* hint);
    QAction* NewItem(QMenu* menu, const char* name, const char* text);

    std::span<const ListOrder> orders_;
    QHBoxLayout* toolRow_ = nullptr;
    int toolCount_ = 0;
    QHBoxLayout* companyRow_ = nullptr;
};
