#pragma once
// TRecordEdit, the edit dialog of one master record.
// The plain edit dialog of a customer, vendor or product: every field of the record on tab
// pages, built from the record type's table (masters/edit_fields.h). OK takes every field
// (a field that cannot be stored is refused with focus, nothing written) and hands the
// record to OnSave; the dialog closes only when that saved it.

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "masters/edit_fields.h"
#include "platform/form.h"

class QPushButton;
class QTabWidget;

class TRecordEdit : public Form {
    Q_OBJECT

public:
    TRecordEdit(const char* objectName, const EditTable& table, int recordLength,
                QWidget* parent = nullptr);

    // Shows the record under the caption; when editing one already on file, its fixed
    // fields (the number) are read-only.
    void Load(std::span<const uint8_t> record, bool editing, const QString& caption);
    // The record as last taken from the fields (after OK).
    std::span<const uint8_t> Record() const { return record_; }

    std::function<SaveOutcome(std::span<const uint8_t> record)> OnSave;

    QTabWidget* Pages;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void OKBtnClick();
    QString ControlText(const EditField& field) const;

    const EditTable& table_;
    std::vector<QWidget*> controls_;  // one per field of the table
    std::vector<uint8_t> record_;
};
