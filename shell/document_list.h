#pragma once
// What the two document managers (invoices, purchase orders) share for their lists: binding
// the browse control to the header file, the find dialog's rows of a document, and the find
// command that positions the list on the document chosen.

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/browse/browser.h"
#include "engine/record_fields.h"
#include "shell/file_layer.h"
#include "shell/find_box.h"

// Binds the browse control to the open header file on key 1 with the owner's record length,
// on its first row. `sharedMode` receives the engine's shared-mode flag. False, the control
// left without a model, when the file cannot be browsed.
bool SetupDocumentBrowser(TFvcBrowser& browser, FileSetHandle file, int32_t recordLength,
                          bool& sharedMode);

// Reads the highlighted row's record into the owner's buffer; its Ref, or 0 when there is no
// row or the read failed in any way (an error of any class, a row gone since it was shown).
int32_t ReadHighlightedRow(TFvcBrowser& browser, std::span<uint8_t> buffer);

// One document as the find dialog lists it (record text).
struct DocumentFindFields {
    std::string dateYMD, number, partyNumber, keyCode, total, shortName, notes;
};

// The find source of a document file: the columns "Year/Mo/Dy", the number, the party's
// number, "Key Code", the total (",0.00"), "Short Name" and "Notes/Comments/Reference"; the
// typed text is looked for in the number, party, key code, short name and notes.
FindSource DocumentFindSource(const QString& numberHeading, const QString& partyHeading,
                              const QString& totalHeading, std::function<FileSetHandle()> file,
                              int32_t recordLength,
                              std::function<DocumentFindFields(std::span<const uint8_t>)> fields);

// Shows FindBox with the caption over the mode's rows and answers the document number of the
// row chosen; nothing when the dialog is missing or nothing was chosen.
std::optional<std::string> AskFindBox(const QString& caption, const std::string& mode);

// The find command of a manager: when a document was chosen in FindBox, positions the list on
// it in the key order the list runs on. The number is looked up exactly by `numberKey`: a
// document no longer on file leaves the list where it was.
template <class Rec>
void FindDocument(TFvcBrowser& browser, const QString& caption, const std::string& mode,
                  const DataFile& file, int numberKey, fields::Number<Rec> numberField) {
    const std::optional<std::string> number = AskFindBox(caption, mode);
    if (!number) return;
    Rec wanted;
    if (!wanted.set(numberField, number->substr(0, numberField.width))) return;
    Rec found;
    const int32_t ref =
        file.Find(numberKey, file.BuildKey(wanted.bytes(), numberKey), found.bytes());
    if (ref == 0) return;
    BrowserGotoKey(browser, file.BuildKey(found.bytes(), BrowserKeyNumber(browser)), ref);
}
