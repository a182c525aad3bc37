#pragma once
// The document view window (Trtedit, one instance rtedit, unit RTEditor): the invoice or purchase
// order in the document buffer on screen, read-only. Its loaders fill the buffer and show it
// modally; it writes nothing back.
//
// The window also carries the program's one SMTP session and one mail message, and two work
// areas of the mail and print code: MemoInv (a memo whose lines become a message body) and
// the hidden CustNote (splits notes into lines at a given width). While the instance exists,
// Mail() is its pair, so every sender reaches the same session through either.

#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "mail/mail_state.h"
#include "platform/form.h"

class CompanyRec;
class ListView;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;
class QTreeWidgetItem;
struct DocumentState;

inline constexpr int DocumentViewColumns = 7;

// What the window shows of one document, computed from the buffer and the company record.
struct DocumentView {
    QString caption;
    // The texts of the window's labels by control name ("Label1" ... "Label26",
    // "HasPrinted", "EMDate").
    std::map<QString, QString> labels;
    bool memo = false;  // MemoInv is shown in place of ListView1
    QStringList memoLines;
    std::array<QString, DocumentViewColumns> columnCaptions;
    // Line documents: each row's caption ("01".."99") and its six sub-items.
    std::vector<QStringList> rows;
};

// Builds the view of the document in the buffer; later rules overwrite earlier ones.
DocumentView BuildDocumentView(const DocumentState& doc, const CompanyRec& company);

// The list row of a line-item document line: number, code, quantity, description, unit price,
// tax flag, extension. Empty when the line is not shown (it has no description).
QStringList DocumentViewRow(int lineNumber, std::string_view line);

class Trtedit : public Form {
    Q_OBJECT

    // Declared first: the instance's session and message must exist before the references
    // below. Only the instance owns a pair; any other window shares the one in use.
    std::optional<MailStateScope> mail_;

public:
    explicit Trtedit(QWidget* parent = nullptr);
    ~Trtedit() override;

    TmsSMTP& msSMTP1;
    TmsMessage& msMessage1;

    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QFrame* Bevel4;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14, *Label15, *Label16, *Label17, *Label18,
        *Label19, *Label20, *Label21, *Label22, *Label23, *Label24, *Label25, *Label26;
    QLabel* HasPrinted;
    QLabel* EMDate;
    ListView* ListView1;
    QPlainTextEdit* MemoInv;
    QTextEdit* CustNote;
    QPushButton* Button1;

    // Fills every control from the document buffer and the current company.
    void ShowDocumentView();
    void Button1Click();
    void ListView1ColumnClick(int column);

    // The design size of CustNote, which the document printers change.
    static constexpr int CustNoteWidth = 307;
    static constexpr int CustNoteHeight = 89;

protected:
    void FormShow() override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The memo takes the managers font of the company current when the window is first
    // shown: at creation no company is open yet.
    void FormCreate();
    void FormResize();
    void FormClose();
    void Apply(const DocumentView& view);
    void CloseView();

    bool fontTaken_ = false;
};

// The window the loaders show; set while the first Trtedit exists.
extern Trtedit* rtedit;
