#include "platform/calculator.h"

#include <QProcess>
#include <QStandardPaths>

#include "platform/message_host.h"

QStringList DesktopCalculators() {
    return {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"};
}

bool StartFirstProgram(const QStringList& programs) {
    for (const QString& program : programs) {
        // Looked up first, so that a missing program costs no process start.
        const QString path = QStandardPaths::findExecutable(program);
        if (!path.isEmpty() && QProcess::startDetached(path, {})) return true;
    }
    return false;
}

void LaunchCalculator(const QStringList& programs) {
    if (!StartFirstProgram(programs))
        MessageBox("Windows Calculator not found.", "Calculator", MsgIcon::Warning);
}
