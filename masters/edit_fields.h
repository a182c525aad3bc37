#pragma once
// What the master-file edit dialogs show and how each field's text goes into a record: one
// table per record type, one conversion for every field of a kind. Plain logic: no widgets.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/record_fields.h"
#include "shell/dates.h"

enum class FieldKind {
    Text,      // one line, at most `width` characters
    Memo,      // several lines (stored with CR LF), at most `width` characters
    Code,      // one line, required, upper or mixed case as typed; refused when too long
    Money,     // exact decimal stored "0.00"; blank is 0.00
    Price,     // exact decimal stored with at least two decimals; blank is 0.00
    Quantity,  // exact decimal stored as its shortest text; blank is 0
    Date,      // the company's short date format; blank allowed
    YesNo,     // one character "Y" or "N"
    Flag,      // a byte 0 or 1
    Choice,    // one of the listed values
};

struct FieldChoice {
    const char* value;
    const char* caption;
};

struct EditField {
    const char* name = "";   // the control's object name
    const char* label = "";  // caption, "&" before the accelerator
    FieldKind kind = FieldKind::Text;
    int offset = 0;
    int width = 1;  // characters; 1 for flags
    int page = 0;   // tab page of the dialog
    bool required = false;
    bool fixedOnceFiled = false;  // read-only when editing a record already on file
    std::vector<FieldChoice> choices;
};

// One field entry from a layout's typed constant, so no offset is written twice.
template <class F>
EditField Field(const char* name, const char* label, FieldKind kind, F field, int page) {
    EditField f;
    f.name = name;
    f.label = label;
    f.kind = kind;
    f.offset = field.offset;
    if constexpr (requires { field.width; }) f.width = field.width;
    f.page = page;
    return f;
}

struct EditTable {
    std::vector<QString> pages;  // tab captions
    std::vector<EditField> fields;
};

// What saving an edited record came to. A refusal keeps the dialog open with everything
// typed (after the message, focus on the control named `field` when given); a failure closes
// it (the message, when there is one, is shown first).
struct SaveOutcome {
    enum class Result { Saved, Refused, Failed };
    Result result = Result::Saved;
    QString message;
    const char* field = nullptr;
};

const EditTable& CustomerEditTable();
const EditTable& VendorEditTable();
const EditTable& ProductEditTable();

// The field's content as the dialog shows it: text, "Y"/"N", "1"/"0" or the choice's value.
QString FieldText(const EditField& field, std::span<const uint8_t> record);

// Stores the text the user gave into the record; the message to show when it cannot be
// stored (nothing written then).
std::optional<QString> StoreField(const EditField& field, const QString& text,
                                  std::span<uint8_t> record, const DateFormat& dates);

// The label without its "&", for messages.
QString PlainLabel(const EditField& field);
