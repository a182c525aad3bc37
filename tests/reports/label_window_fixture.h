#pragma once
// A data folder with the shell's state and a scripted host, for driving the print queue
// window offscreen.

#include <gtest/gtest.h>

#include <QAction>
#include <memory>

#include "platform/application.h"
#include "platform/scripted_host_guard.h"
#include "reports/labels/print_queue_window.h"
#include "shell/app_context.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_dir.h"

class LabelWindowTest : public ::testing::Test {
protected:
    LabelWindowTest() { LabelQueueChanged = false; }

    // Creates the window as start-up does.
    Tlblwiz& Create() {
        window_ = std::make_unique<Tlblwiz>();
        return *window_;
    }
    void Destroy() { window_.reset(); }

    static void Trigger(QAction* action) {
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        RunCommand([action] { action->trigger(); });
    }

    std::string Path(const std::string& name) const { return dir.file(name); }
    QString QPath(const std::string& name) const { return QString::fromStdString(dir.file(name)); }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    ScriptedHostGuard host;

private:
    std::unique_ptr<Tlblwiz> window_;
};
