#include "platform/long_run.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

#include "platform/scope_guard.h"

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

namespace {
int depth = 0;
}

void ProcessPendingMessages() {
    const ScopedAssign<int> inside(depth, depth + 1);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int PendingMessagesDepth() {
    return depth;
}
