// The scripted host and the modal-window protocol of Form: answers, records, failures that
// end a test at once instead of hanging it, and refusals that keep a window open.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "platform/application.h"
#include "platform/form.h"
#include "platform/long_run.h"
#include "platform/real_host.h"
#include "platform/scripted_host_guard.h"

namespace {

// A small entry window: a name that must not be empty, OK / Cancel / a button closing
// with 8, and a count of how often it was shown.
class NameDialog : public Form {
public:
    NameDialog() {
        setObjectName("NameDialog");
        setWindowTitle("Name Entry");
        auto* layout = new QVBoxLayout(this);
        Name = new QLineEdit(this);
        Name->setObjectName("Name");
        layout->addWidget(Name);
        for (auto [button, name, result] : {std::tuple{&OKBtn, "OKBtn", Modal::Ok},
                                            std::tuple{&CancelBtn, "CancelBtn", Modal::Cancel},
                                            std::tuple{&AllBtn, "AllBtn", Modal::All}}) {
            *button = new QPushButton(name, this);
            (*button)->setObjectName(name);
            layout->addWidget(*button);
            SetButtonResult(*button, result);
        }
        connect(OKBtn, &QPushButton::clicked, this, [this] {
            if (Name->text().trimmed().isEmpty())
                Refuse(Name, "Please enter a name.", "Name Entry");
        });
    }
    QLineEdit* Name;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* AllBtn;
    int shows = 0;

protected:
    void FormShow() override { ++shows; }
};

// Collects the failures of a host instead of failing the test, to test them.
struct Collected {
    QStringList failures;
    ScriptedHost host{[this](const QString& f) { failures << f; }};
    MessageHost* previous = InstallHost(&host);
    ~Collected() { InstallHost(previous); }
};

// Acts on the dialog every 10 ms while it is the modal window, one step at a time, as a user
// would while the real host's loop runs.
class Driver {
public:
    Driver(QDialog& dialog, std::function<void(int step)> act) : act_(std::move(act)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, &dialog] {
            if (dialog.isVisible() && QApplication::activeModalWidget() == &dialog) act_(steps_++);
        });
        timer_.start();
    }
    int Steps() const { return steps_; }

private:
    std::function<void(int)> act_;
    QTimer timer_;
    int steps_ = 0;
};

}  // namespace

TEST(ScriptedHost, AnswersMessageBoxesInOrderAndRecordsThem) {
    ScriptedHostGuard host;
    host->Answer(MsgResult::No, "Delete it?", "Please Confirm").Answer(MsgResult::Ok);
    EXPECT_EQ(MessageBox("Delete it?", "Please Confirm", MsgIcon::Question, MsgButtons::YesNo),
              MsgResult::No);
    EXPECT_EQ(MessageBox("Done.", "Report", MsgIcon::Information), MsgResult::Ok);

    ASSERT_EQ(host->Record().size(), 2u);
    const auto& first = host->Record()[0];
    EXPECT_EQ(first.caption, "Please Confirm");
    EXPECT_EQ(first.icon, MsgIcon::Question);
    EXPECT_EQ(first.result, static_cast<int>(MsgResult::No));
    EXPECT_EQ(host->Messages(), (QStringList{"Delete it?", "Done."}));
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Information);
}

TEST(ScriptedHost, UnexpectedOrMismatchedBoxesFailAndCloseWithCancelOrNo) {
    Collected c;
    // Nothing scripted: the box closes with the safest answer it offers.
    EXPECT_EQ(MessageBox("Exit?", "Please Confirm", MsgIcon::Question, MsgButtons::YesNo),
              MsgResult::No);
    EXPECT_EQ(MessageBox("Retry?", "Files", MsgIcon::Warning, MsgButtons::RetryCancel),
              MsgResult::Cancel);
    EXPECT_EQ(MessageBox("Stop", "Files", MsgIcon::Warning, MsgButtons::AbortRetryIgnore),
              MsgResult::Abort);
    ASSERT_EQ(c.failures.size(), 3);
    EXPECT_TRUE(c.failures[0].contains("Exit?"));

    // A scripted answer whose text, caption or button does not fit is a failure too.
    c.host.Answer(MsgResult::Yes, "Other text");
    c.host.Answer(MsgResult::Yes, {}, "Other caption");
    c.host.Answer(MsgResult::Yes);
    EXPECT_EQ(MessageBox("Exit?", "Please Confirm", MsgIcon::Question, MsgButtons::YesNo),
              MsgResult::No);
    EXPECT_EQ(MessageBox("Exit?", "Please Confirm", MsgIcon::Question, MsgButtons::YesNo),
              MsgResult::No);
    EXPECT_EQ(MessageBox("Saved.", "Save", MsgIcon::Information, MsgButtons::Ok), MsgResult::Ok);
    EXPECT_EQ(c.failures.size(), 6);
    EXPECT_EQ(c.host.Pending(), 0u);
}

TEST(ScriptedHost, GuardFailsTheTestOnAnUnexpectedBox) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHostGuard host;
            MessageBox("Surprise", "Oops", MsgIcon::Warning);
        },
        "Unexpected message box");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHostGuard host;
            host->Answer(MsgResult::Ok, "Never shown");
        },
        "never shown");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHostGuard host;
            NameDialog dialog;
            EXPECT_EQ(dialog.ShowModal(), Modal::Cancel);
        },
        "Unexpected modal window");
}

TEST(ScriptedHost, WatchdogClosesADialogRunOutsideTheHost) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHostGuard host;
            QDialog stray;
            stray.setWindowTitle("Stray");
            EXPECT_EQ(stray.exec(), QDialog::Rejected);
        },
        "outside the host");
}

TEST(ScriptedHost, ModalScriptFillsPressesAndRefusalKeepsTheWindowOpen) {
    ScriptedHostGuard host;
    NameDialog dialog;
    host->OnModal("NameDialog", [&](Form& form) {
        PressButton(form, "OKBtn");  // empty name: refused, window stays
        EXPECT_EQ(form.ModalResult(), Modal::None);
        EXPECT_TRUE(form.isVisible());
        FillControl(form, "Name", "Harbour Supplies");
        PressButton(form, "OKBtn");
    });
    host->Answer(MsgResult::Ok, "Please enter a name.", "Name Entry");
    EXPECT_EQ(dialog.ShowModal(), Modal::Ok);
    EXPECT_EQ(dialog.Name->text(), "Harbour Supplies");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Warning);
}

TEST(ScriptedHost, OtherResultsAreReturnedAndFormShowRunsEachTime) {
    ScriptedHostGuard host;
    NameDialog dialog;
    host->OnModal("NameDialog", [](Form& f) { PressButton(f, "AllBtn"); });
    host->OnModal({}, [](Form& f) { PressButton(f, "CancelBtn"); });
    EXPECT_EQ(dialog.ShowModal(), Modal::All);
    EXPECT_EQ(dialog.ShowModal(), Modal::Cancel);
    EXPECT_EQ(dialog.shows, 2);
}

TEST(ScriptedHost, ScriptLeavingTheWindowOpenFails) {
    Collected c;
    NameDialog dialog;
    c.host.OnModal("NameDialog", [](Form&) {});
    EXPECT_EQ(dialog.ShowModal(), Modal::Cancel);
    ASSERT_EQ(c.failures.size(), 1);
    EXPECT_TRUE(c.failures[0].contains("left open"));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ScriptedHost, ControlDrivingRefusesWhatAUserCouldNotDo) {
    ScriptedHostGuard host;
    NameDialog dialog;
    EXPECT_THROW(PressButton(dialog, "NoSuchButton"), ScriptError);
    dialog.OKBtn->setEnabled(false);
    EXPECT_THROW(PressButton(dialog, "OKBtn"), ScriptError);
    EXPECT_THROW(FillControl(dialog, "OKBtn", "x"), ScriptError);
    EXPECT_THROW(CheckButton(dialog, "CancelBtn", true), ScriptError);
}

TEST(ScriptedHost, DialogsBeepsHelpAndCalculatorAreRecorded) {
    ScriptedHostGuard host;
    host->AnswerFile("/tmp/report.TXT").AnswerFile({}).AnswerPrinterDialog(true);
    EXPECT_EQ(AskSaveFileName("Save As", "Text File|*.TXT", "TXT"), "/tmp/report.TXT");
    EXPECT_EQ(AskOpenFileName("Open", "Label files (*.LBL)|*.LBL"), "");
    EXPECT_TRUE(PrinterSetup());
    Beep();
    ShowHelp("InvoiceManager");
    RunCalculator();
    EXPECT_EQ(host->Beeps(), 1);
    EXPECT_EQ(host->HelpKeywords(), QStringList{"InvoiceManager"});
    EXPECT_EQ(host->CalculatorRuns(), 1);
}

TEST(FileDialogs, FiltersMatchBothCasesAndDefaultExtensionIsAdded) {
    EXPECT_EQ(QtFileFilter("Label files (*.LBL)|*.LBL"), "Label files (*.LBL *.lbl)");
    EXPECT_EQ(QtFileFilter("Text File|*.TXT|All|*.*"), "Text File (*.TXT *.txt);;All (*.*)");
    EXPECT_EQ(WithDefaultExtension("/d/report", "TXT"), "/d/report.TXT");
    EXPECT_EQ(WithDefaultExtension("/d/report.lst", "TXT"), "/d/report.lst");
    EXPECT_EQ(WithDefaultExtension("/d.x/report", "LBL"), "/d.x/report.LBL");

    ScriptedHostGuard host;
    host->AnswerFile("/tmp/Profit Report");
    EXPECT_EQ(AskSaveFileName("Save As", "Text File|*.TXT", "TXT"), "/tmp/Profit Report.TXT");
}

// The real host runs a modal loop; the window closes only after the click's handlers have
// run, so a refusal in a later handler keeps it open.
TEST(RealModalLoop, ResultClosesAfterHandlersAndRefusalKeepsItOpen) {
    NameDialog dialog;
    Collected c;  // answers the refusal's box; no watchdog, the loop here is meant
    c.host.Answer(MsgResult::Ok, "Please enter a name.");
    RealHost real;
    const Driver driver(dialog, [&](int step) {
        switch (step) {
            case 0:
                dialog.OKBtn->click();
                break;  // refused
            case 1:
                EXPECT_TRUE(dialog.isVisible());
                dialog.Name->setText("Ann");
                dialog.AllBtn->click();
                break;
            default:
                break;
        }
    });
    EXPECT_EQ(real.ShowModal(dialog), Modal::All);
    EXPECT_EQ(dialog.shows, 1);

    // Escape (reject) is Cancel.
    QTimer::singleShot(10, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(real.ShowModal(dialog), Modal::Cancel);
    EXPECT_EQ(dialog.shows, 2);
    EXPECT_TRUE(c.failures.isEmpty());
    EXPECT_EQ(c.host.Pending(), 0u);
}

namespace {

// Answers like the scripted host, but only after running an event loop of its own, as a real
// message box does: whatever was queued before the box came up runs while it is up.
class WaitingHost : public ScriptedHost {
public:
    using ScriptedHost::ScriptedHost;
    MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                          MsgButtons buttons) override {
        QEventLoop box;
        QTimer::singleShot(30, &box, &QEventLoop::quit);
        box.exec();
        return ScriptedHost::ShowMessage(text, caption, icon, buttons);
    }
};

}  // namespace

// The refusal's message box runs its own loop while the OK click is still being handled; the
// window must not close in it, or the user's typing is lost with the window.
TEST(RealModalLoop, ARefusalWhoseBoxWaitsForTheUserKeepsTheWindowOpen) {
    NameDialog dialog;
    QStringList failures;
    WaitingHost host([&](const QString& f) { failures << f; });
    MessageHost* previous = InstallHost(&host);
    host.Answer(MsgResult::Ok, "Please enter a name.");
    RealHost real;
    const Driver driver(dialog, [&](int step) {
        switch (step) {
            case 0:
                dialog.Name->setText("  ");
                dialog.OKBtn->click();  // refused while the box waits
                break;
            case 1:
                EXPECT_EQ(dialog.Name->text(), "  ");
                dialog.Name->setText("Ann");
                dialog.OKBtn->click();
                break;
            default:
                dialog.reject();  // not reached while the window behaves
                break;
        }
    });
    EXPECT_EQ(real.ShowModal(dialog), Modal::Ok);
    EXPECT_EQ(driver.Steps(), 2);
    EXPECT_TRUE(failures.isEmpty()) << failures.join("; ").toStdString();
    InstallHost(previous);
}

// A handler that lets pending messages run (a progress window, a wait for a lock) is still
// handling the click: the window stays until it is done, and its refusal still counts.
TEST(RealModalLoop, PendingMessagesRunInsideAHandlerDoNotCloseTheWindow) {
    NameDialog dialog;
    Collected c;
    c.host.Answer(MsgResult::Ok, "Please enter a name.");
    bool shownDuringRun = false;
    QObject::connect(dialog.AllBtn, &QPushButton::clicked, &dialog, [&] {
        QThread::msleep(5);
        ProcessPendingMessages();
        shownDuringRun = dialog.isVisible();
        dialog.Refuse(dialog.Name, "Please enter a name.", "Name Entry");
    });
    RealHost real;
    const Driver driver(dialog, [&](int step) {
        if (step == 0)
            dialog.AllBtn->click();
        else
            dialog.CancelBtn->click();
    });
    EXPECT_EQ(real.ShowModal(dialog), Modal::Cancel);
    EXPECT_TRUE(shownDuringRun);
    EXPECT_GE(driver.Steps(), 2);
    EXPECT_TRUE(c.failures.isEmpty()) << c.failures.join("; ").toStdString();
}

TEST(ErrorDisplay, CommandErrorIsShownAndTheProgramGoesOn) {
    ScriptedHostGuard host;
    NameDialog dialog;
    int after = 0;
    QObject::connect(dialog.CancelBtn, &QPushButton::clicked,
                     Guarded([] { RaiseError("Add operation failed"); }));
    QObject::connect(dialog.AllBtn, &QPushButton::clicked, [&] { ++after; });
    host->Answer(MsgResult::Ok, "Add operation failed", ProgramCaption());
    PressButton(dialog, "CancelBtn");
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Error);
    PressButton(dialog, "AllBtn");
    EXPECT_EQ(after, 1);

    host->Answer(MsgResult::Ok, "Delete operation failed");
    EXPECT_FALSE(RunCommand([] { throw AppError("Delete operation failed"); }));
    EXPECT_TRUE(RunCommand([] {}));
}
