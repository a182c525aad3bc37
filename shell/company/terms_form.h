#pragma once
// TTermsForm, the payment terms window (unit TermSet).
// The payment terms offered by the entry windows ("LWTERMS.DAT"), one term a line.

#include "platform/form.h"

class QPlainTextEdit;
class QPushButton;

// A term is copied into the terms fields of documents and settings, the narrowest of which
// holds 35 characters.
inline constexpr int MaxTermLength = 35;

class TTermsForm : public Form {
    Q_OBJECT

public:
    explicit TTermsForm(QWidget* parent = nullptr);

    QPlainTextEdit* TermsMemo;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

protected:
    void FormShow() override;

private:
    void OKBtnClick();
};
