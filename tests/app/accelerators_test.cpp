// The walk over every window of the program: the main window, each window its commands open
// (the managers' entry dialogs for line-item and memo documents), and every other window shown
// as it stands. In each: no two captions share an Alt key, the window fits the smallest
// screen, and each Help command opens a page that describes the window.
#include <QApplication>
#include <QMainWindow>

#include "platform/application.h"
#include "platform/form.h"
#include "platform/message_host.h"
#include "tests/app/program_env.h"
#include "tests/support/accelerators.h"
#include "tests/support/window_fit.h"
#include "tests/support/window_help.h"

namespace {

// Answers every box by dismissing it and checks every window shown before closing it with
// Cancel, so that one walk meets the windows as the user does.
class WalkingHost : public UnattendedHost {
public:
    // By window, what is wrong in it.
    std::map<QString, std::set<QString>> clashes;
    std::map<QString, std::set<QString>> misfits;
    std::map<QString, std::set<QString>> helpFaults;
    std::set<QString> checked;  // object names

    int ShowModal(Form& form) override {
        form.BeginScriptedShow();
        Check(form);
        // The managers' documents open their entry, view and find windows as the user meets
        // them: the entry dialogs differ for a new document and one being changed.
        if (form.objectName() == "InvEdit1" || form.objectName() == "POList1")
            for (const char* button : {"AddInvoice", "EditInvoice", "InvPrint", "SpeedButton1",
                                       "BatchPrinButn", "CustDataButn"})
                if (form.findChild<QWidget*>(button)) PressButton(form, button);
        form.EndScriptedShow();
        return Modal::Cancel;
    }

    void Check(QWidget& window) {
        const QString name = window.windowTitle() + " (" + window.objectName() + ")";
        checked.insert(window.objectName());
        auto found = testsupport::AcceleratorClashes(window);
        if (!found.empty()) clashes[name].merge(found);
        for (const QString& misfit : testsupport::FitProblems(window)) misfits[name].insert(misfit);
        for (const auto& help : testsupport::HelpCommands(window)) {
            opened_.clear();
            help();
            if (opened_.size() != 1)
                helpFaults[name].insert(
                    QString("a Help command opened %1 pages").arg(opened_.size()));
            for (const QString& keyword : opened_)
                if (const QString fault =
                        testsupport::HelpPageProblem(keyword, window.windowTitle());
                    !fault.isEmpty())
                    helpFaults[name].insert(fault);
        }
    }

    void ShowHelp(const QString& keyword) override { opened_ << keyword; }

private:
    QStringList opened_;
};

class AcceleratorWalk : public ProgramEnv {
protected:
    AcceleratorWalk() { previous = InstallHost(&walker); }
    ~AcceleratorWalk() override { InstallHost(previous); }

    WalkingHost walker;
    MessageHost* previous = nullptr;

    // Meets every window of the program and checks each as it is shown.
    void Walk() {
        // The entry dialogs show other controls for memo documents than for line items.
        for (const char* kind : {"P", "M"}) {
            CompanyRec& company = Shell().companies.CurrentCompany;
            company.set(Company::NewInvoiceType, kind);
            company.set(Company::NewPOType, kind);
            walker.Check(main());
            for (const CommandInfo& command : CommandTable())
                if (command.id != CommandId::Exit && IsCommandRegistered(command.id))
                    RunRegisteredCommand(command.id);
            // The windows the commands did not reach (those other windows open), as they stand.
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* form = qobject_cast<Form*>(w);
                if (form && !walker.checked.contains(form->objectName()))
                    RunCommand([form] { form->ShowModal(); });
            }
        }
        // Every window was met, whatever its showing asked.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<Form*>(w) || qobject_cast<QMainWindow*>(w)) {
                EXPECT_TRUE(walker.checked.contains(w->objectName()))
                    << w->objectName().toStdString();
            }
        }
        EXPECT_GE(walker.checked.size(), 30u);
    }

    static void Report(const std::map<QString, std::set<QString>>& faults) {
        for (const auto& [window, found] : faults)
            ADD_FAILURE() << window.toStdString() << ":\n" << testsupport::ClashLines(found);
    }
};

TEST_F(AcceleratorWalk, NoWindowHasTwoCaptionsOnOneAltKey) {
    Walk();
    Report(walker.clashes);
}

// At 1024 x 768 under a window manager every window, opened or maximised, shows all of itself.
TEST_F(AcceleratorWalk, EveryWindowFitsTheSmallestScreen) {
    Walk();
    Report(walker.misfits);
}

TEST_F(AcceleratorWalk, EveryHelpCommandOpensAPageAboutItsWindow) {
    Walk();
    Report(walker.helpFaults);
}

}  // namespace
