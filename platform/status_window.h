#pragma once
// TStatForm, the shared progress window of long runs ("Rebuild Status"), and TNetTypeDlg,
// the dialog shown when the record engine has not been started.

#include "platform/form.h"
#include "platform/instance_scope.h"

class QLabel;

// Three labels, no buttons. Shown without waiting (not modal) and kept on top; long runs
// write their progress into the labels.
class TStatForm : public Form {
    Q_OBJECT

public:
    explicit TStatForm(QWidget* parent = nullptr);
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
};

// Explains that the record engine is not running; it touches no data.
class TNetTypeDlg : public Form {
    Q_OBJECT

public:
    explicit TNetTypeDlg(QWidget* parent = nullptr);
    QLabel* Label1;
    QPushButton* OKBtn;
};

// The instances, while a PlatformWindows object lives.
extern TStatForm* StatForm;
extern TNetTypeDlg* NetTypeDlg;

// Creates the platform's windows once at start-up and sets the instance pointers; the
// application (or a test) owns it.
class PlatformWindows {
private:
    InstanceScope<TStatForm> statForm_{StatForm};
    InstanceScope<TNetTypeDlg> netTypeDlg_{NetTypeDlg};
};

// Blanks the three labels of StatForm and lets pending messages run.
void ClearRebuildStatus();

// Shows StatForm (not modal) for the scope and hides it again on every way out.
class [[nodiscard]] StatFormShown {
public:
    StatFormShown();
    ~StatFormShown();
    StatFormShown(const StatFormShown&) = delete;
    StatFormShown& operator=(const StatFormShown&) = delete;
};
