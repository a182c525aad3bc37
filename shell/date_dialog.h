#pragma once
// TCalForm, the date dialog.
// The date dialog "Date Selection": a month calendar with a month box and a year control, and
// the chosen date shown as the company types it. Callers open it beside a date field and copy
// the chosen text into the field when it closes with OK.

#include <QString>
#include <string>

#include "platform/form.h"
#include "platform/instance_scope.h"
#include "shell/dates.h"

class QCalendarWidget;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

inline constexpr const char* DateSelectionCaption = "Date Selection";

// Where the dialog's top-left corner goes when it is shown, in screen coordinates.
extern int CalTop;
extern int CalLeft;

class TCalForm : public Form {
    Q_OBJECT

public:
    explicit TCalForm(QWidget* parent = nullptr);

    QCalendarWidget* Calendar1;
    QComboBox* CBMonth;  // January..December
    QSpinBox* YearEdit;
    QLabel* NDate;  // the chosen date in the company's short date format
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Moves the calendar to the date (today's when it is not a calendar date); the month box,
    // year and NDate follow.
    void SetDate(Date date);
    Date SelectedDate() const;

protected:
    void FormShow() override;

private:
    void ShowSelection();
    void MoveToMonth(int year, int month);

    bool syncing_ = false;
};

extern TCalForm* CalForm;

// Creates CalForm for the life of the object (the application's, or a test's).
class CalFormScope : public InstanceScope<TCalForm> {
public:
    CalFormScope() : InstanceScope(CalForm) {}
};

// The date fields' calendar button. When dateText is not a valid date of at least 10
// characters it becomes today's date first. The dialog opens on that date with the caption
// (empty: "Date Selection"), its top-left at `near`'s top-left corner (nullptr: at CalTop /
// CalLeft as the caller set them). On OK the chosen date goes into dateText and the answer is
// true. The caption is "Date Selection" again afterwards.
bool PickDate(QWidget* near, std::string& dateText, const QString& caption = {});
