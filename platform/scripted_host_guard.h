#pragma once
// For tests: installs a ScriptedHost for the scope. A message box or window nothing was
// scripted for is a test failure at once; so is a script step never used. A modal dialog
// that bypasses the host (a QDialog run directly) is failed and closed by a watchdog, so
// the test cannot hang on it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include "platform/scripted_host.h"

class ScriptedHostGuard {
public:
    ScriptedHostGuard()
        : host_([](const QString& failure) { ADD_FAILURE() << failure.toStdString(); }),
          previous_(InstallHost(&host_)) {
        watchdog_.setInterval(100);
        QObject::connect(&watchdog_, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "A modal window was shown outside the host: \""
                              << modal->windowTitle().toStdString() << "\"";
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
        });
        watchdog_.start();
    }
    ~ScriptedHostGuard() {
        watchdog_.stop();
        host_.VerifyAllUsed();
        InstallHost(previous_);
    }
    ScriptedHostGuard(const ScriptedHostGuard&) = delete;
    ScriptedHostGuard& operator=(const ScriptedHostGuard&) = delete;

    ScriptedHost& operator*() { return host_; }
    ScriptedHost* operator->() { return &host_; }

private:
    ScriptedHost host_;
    MessageHost* previous_;
    QTimer watchdog_;
};
