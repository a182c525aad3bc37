// An error raised by a command reaches the event boundary of the program's Application,
// is shown, and the program goes on handling events.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPushButton>
#include <cstdlib>

#include "platform/application.h"
#include "platform/scripted_host_guard.h"

namespace {

void Click(QPushButton& button) {
    const QPointF at(button.width() / 2.0, button.height() / 2.0);
    const QPointF global = button.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    QApplication::sendEvent(&button, &release);
}

}  // namespace

TEST(Application, ErrorFromAClickIsShownAndTheProgramGoesOn) {
    ScriptedHostGuard host;
    QPushButton failing("Post");
    QPushButton working("Next");
    failing.resize(80, 30);
    working.resize(80, 30);
    failing.show();
    working.show();
    int worked = 0;
    // Handlers are connected through Guarded, so the error never unwinds through Qt's frames.
    QObject::connect(&failing, &QPushButton::clicked,
                     Guarded([] { RaiseError("Add operation failed"); }));
    QObject::connect(&working, &QPushButton::clicked, [&] { ++worked; });

    host->Answer(MsgResult::Ok, "Add operation failed", ProgramCaption());
    Click(failing);
    ASSERT_NE(host->LastMessage(), nullptr);
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Error);

    Click(working);
    EXPECT_EQ(worked, 1);
}

TEST(Application, ErrorFromAPostedEventIsShownToo) {
    ScriptedHostGuard host;
    QObject target;
    bool later = false;
    QMetaObject::invokeMethod(
        &target, [] { throw std::runtime_error("Disk full"); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &target, [&] { later = true; }, Qt::QueuedConnection);
    host->Answer(MsgResult::Ok, "Disk full");
    QCoreApplication::processEvents();
    EXPECT_TRUE(later);
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
