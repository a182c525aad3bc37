#pragma once
// TInvBatch, the batch print dialog.
// "Batch Print Invoices": how many of the documents not printed yet one batch run outputs.
// The caller sets the caption, the three labels, the caption of Button1 ("&Print" or
// "&E-Mail") and the count, shows it modally, and on OK reads the count.

#include <optional>

#include "platform/form.h"
#include "platform/instance_scope.h"

class MaskEdit;
class QLabel;
class QPushButton;

inline constexpr const char* InvBatchCaption = "Batch Print Invoices";

class TInvBatch : public Form {
    Q_OBJECT

public:
    explicit TInvBatch(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    MaskEdit* BatchNum;
    QPushButton* Button1;  // OK
    QPushButton* Button2;  // "&Cancel"

    // The count typed; nothing when the field is blank.
    std::optional<int> Count() const;

protected:
    void FormShow() override;

private:
    void Button1Click();
};

// The one dialog, while an InvoiceManagerWindows object lives.
extern TInvBatch* InvBatch;

// Creates the one batch dialog for the life of the object, unless one lives already (both
// document managers use it).
class BatchDialogScope {
public:
    BatchDialogScope() {
        if (!InvBatch) scope_.emplace(InvBatch);
    }

private:
    std::optional<InstanceScope<TInvBatch>> scope_;
};
