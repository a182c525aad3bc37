// No two captions of one window share an Alt key, in every window of the program: the main
// window, each window its commands open (the managers' entry dialogs for line-item and memo
// documents), and every other window shown as it stands.
#include <QApplication>
#include <QMainWindow>

#include "platform/application.h"
#include "platform/form.h"
#include "platform/message_host.h"
#include "tests/app/program_env.h"
#include "tests/support/accelerators.h"

namespace {

// Answers every box by dismissing it and checks every window shown before closing it with
// Cancel, so that one walk meets the windows as the user does.
class WalkingHost : public UnattendedHost {
public:
    std::map<QString, std::set<QString>> clashes;  // by window
    std::set<QString> checked;                     // object names

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
    }
};

class AcceleratorWalk : public ProgramEnv {
protected:
    AcceleratorWalk() { previous = InstallHost(&walker); }
    ~AcceleratorWalk() override { InstallHost(previous); }

    WalkingHost walker;
    MessageHost* previous = nullptr;
};

TEST_F(AcceleratorWalk, NoWindowHasTwoCaptionsOnOneAltKey) {
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

    for (const auto& [window, found] : walker.clashes)
        ADD_FAILURE() << window.toStdString() << ":\n" << testsupport::ClashLines(found);
    // Every window was met, whatever its showing asked.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<Form*>(w) || qobject_cast<QMainWindow*>(w)) {
            EXPECT_TRUE(walker.checked.contains(w->objectName())) << w->objectName().toStdString();
        }
    }
    EXPECT_GE(walker.checked.size(), 30u);
}

}  // namespace
