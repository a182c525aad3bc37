#pragma once
// TFindBox, the find dialog.
// The find dialog "Find...": the user types a text, the caller's open document file is
// searched for it, and the matching documents are listed; the caller takes the document number
// of the row chosen. What is searched depends on FindMode: each document file registers a
// FindSource under its mode ("Inv" invoices, "PO" purchase orders).

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "platform/form.h"
#include "platform/instance_scope.h"

class ListView;
class QLineEdit;
class QPushButton;

inline constexpr const char* FindBoxCaption = "Find...";

// One record as the find dialog sees it; texts are record text (Windows-1252).
struct FindEntry {
    std::vector<std::string> row;         // the row caption, then the sub-items
    std::vector<std::string> searchable;  // the fields the typed text is looked for in
};

struct FindColumn {
    QString heading;
    int width = 90;
    bool numeric = false;  // right-aligned, and sorted by size rather than as text
};

struct FindSource {
    std::vector<FindColumn> columns;  // the first is the row caption
    // The caller's file set, open while the dialog is up (read when the search starts).
    std::function<FileSetHandle()> file;
    int32_t recordLength = 0;
    std::function<FindEntry(std::span<const uint8_t> record)> describe;
};

// Registers (or replaces) the source searched in the mode.
void RegisterFindSource(const std::string& mode, FindSource source);
// The source of the mode, or nullptr when none is registered.
const FindSource* FindSourceFor(std::string_view mode);

struct FindResult {
    std::vector<FindEntry> matches;  // in record order
    int32_t errorCode = 0;           // the engine's code when the walk stopped on an error
};

// Walks every live record of the source's file and keeps those where the text (trimmed,
// any case) occurs in a searchable field. Empty text matches nothing.
FindResult SearchFindSource(const FindSource& source, std::string_view text);

// Set by the caller before it shows FindBox: "Inv" or "PO".
extern std::string FindMode;

class TFindBox : public Form {
    Q_OBJECT

public:
    explicit TFindBox(QWidget* parent = nullptr);

    QLineEdit* FindText;
    QPushButton* FindBtn;
    ListView* ListView1;  // made anew each showing, with the columns of FindMode
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    void FindBtnClick();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildList(const FindSource* source);
    void ChooseRow();
};

extern TFindBox* FindBox;

// Creates FindBox for the life of the object (the application's, or a test's).
class FindBoxScope : public InstanceScope<TFindBox> {
public:
    FindBoxScope() : InstanceScope(FindBox) {}
};

// The document number of the row chosen when FindBox last closed (its first sub-item,
// trimmed); nothing when it closed without OK or with no row selected.
std::optional<std::string> FindBoxSelectedNumber();
