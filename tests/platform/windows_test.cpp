// The platform's own windows and services: the status window, the engine dialog, the font
// dialog, help by keyword and the calculator.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

#include "platform/calculator.h"
#include "platform/font_dialog.h"
#include "platform/help.h"
#include "platform/scripted_host_guard.h"
#include "platform/status_window.h"

TEST(StatForm, ShownWithoutWaitingOnTopAndClearedByClearRebuildStatus) {
    PlatformWindows windows;
    ASSERT_NE(StatForm, nullptr);
    EXPECT_EQ(StatForm->windowTitle(), "Rebuild Status");
    EXPECT_TRUE(StatForm->windowFlags() & Qt::WindowStaysOnTopHint);
    {
        StatFormShown shown;
        EXPECT_TRUE(StatForm->isVisible());
        EXPECT_FALSE(StatForm->isModal());
        StatForm->Label1->setText("Printing invoice 1001");
        StatForm->Label3->setText("3 of 10");
        ClearRebuildStatus();
        EXPECT_EQ(StatForm->Label1->text(), "");
        EXPECT_EQ(StatForm->Label3->text(), "");
    }
    EXPECT_FALSE(StatForm->isVisible());
}

TEST(StatForm, HiddenAgainWhenTheRunFailsAndInstancesGoWithTheirOwner) {
    {
        PlatformWindows windows;
        try {
            StatFormShown shown;
            throw std::runtime_error("stop");
        } catch (const std::runtime_error&) {
        }
        EXPECT_FALSE(StatForm->isVisible());
    }
    EXPECT_EQ(StatForm, nullptr);
    EXPECT_EQ(NetTypeDlg, nullptr);
    EXPECT_THROW(ClearRebuildStatus(), std::logic_error);
}

TEST(NetTypeDlg, ExplainsAndClosesWithOk) {
    ScriptedHostGuard host;
    PlatformWindows windows;
    host->OnModal("NetTypeDlg", [](Form& f) { PressButton(f, "OKBtn"); });
    EXPECT_EQ(NetTypeDlg->ShowModal(), Modal::Ok);
    EXPECT_TRUE(NetTypeDlg->Label1->text().contains("not been started"));
}

TEST(FontDialog, GivesNameSizeColourAndAllFourStyleBits) {
    ScriptedHostGuard host;
    const FontSpec start{"Arial", 10, 0x0000FF, FontStyle::Bold};
    host->OnModal("FontDialog", [&](Form& f) {
        auto& dialog = static_cast<FontDialog&>(f);
        EXPECT_EQ(dialog.Spec(), start);  // opens on the font given
        FillControl(f, "FontSize", "14");
        FillControl(f, "FontColor", "Navy");
        CheckButton(f, "Bold", false);
        CheckButton(f, "Underline", true);
        CheckButton(f, "StrikeOut", true);
        PressButton(f, "OKBtn");
    });
    const auto chosen = ChooseFont(start);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->name, "Arial");
    EXPECT_EQ(chosen->size, 14);
    EXPECT_EQ(chosen->color, 0x800000);
    EXPECT_EQ(chosen->style, FontStyle::Underline | FontStyle::StrikeOut);

    host->AnswerFont(std::nullopt);
    EXPECT_FALSE(ChooseFont(start).has_value());
    // A colour not in the list comes back unchanged.
    const FontSpec odd{"Courier New", 9, 0x123456, FontStyle::Italic};
    host->OnModal("FontDialog", [](Form& f) { PressButton(f, "OKBtn"); });
    EXPECT_EQ(ChooseFont(odd), odd);
}

TEST(FontSpec, ColoursConvertBothWays) {
    EXPECT_EQ(ColorFromRef(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromRef(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ColorToRef(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_TRUE(ColorFromRef(static_cast<int32_t>(0x80000008)).isValid());  // a system colour
    const QFont font = ToQFont({"Arial", 11, 0, FontStyle::Italic | FontStyle::StrikeOut});
    EXPECT_EQ(font.pointSize(), 11);
    EXPECT_TRUE(font.italic() && font.strikeOut() && !font.bold() && !font.underline());
    EXPECT_EQ(FontSpecOf(font, Qt::black).style, FontStyle::Italic | FontStyle::StrikeOut);
}

TEST(Help, KeywordPagesAreFoundAndOthersSayThereIsNoHelp) {
    ASSERT_FALSE(HelpFolder().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(HelpFolder() + "/index.html"));
    EXPECT_FALSE(HelpPagePath("index").isEmpty());
    EXPECT_TRUE(HelpPagePath("NoSuchTopic").isEmpty());
    // Nothing outside the help folder can be reached through a keyword.
    EXPECT_TRUE(HelpPagePath("../CMakeLists").isEmpty());
    EXPECT_TRUE(HelpPagePath("/etc/passwd").isEmpty());

    HelpWindow& window = OpenHelpWindow("index");
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Browser->toPlainText().contains("Stockmere Help"));
    OpenHelpWindow("NoSuchTopic");
    EXPECT_TRUE(window.Browser->toPlainText().contains("No help for NoSuchTopic"));
    window.close();
}

namespace {

// Whether Qt last told the window it is blocked by a modal window.
struct BlockWatch : QObject {
    bool blocked = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked) blocked = true;
        if (event->type() == QEvent::WindowUnblocked) blocked = false;
        return false;
    }
};

}  // namespace

// Help is asked for from modal windows; a help window they blocked could not be scrolled,
// followed or closed until the window asking for it was gone.
TEST(Help, TheHelpWindowStaysUsableWhileAModalWindowIsUp) {
    HelpWindow& first = OpenHelpWindow("index");
    BlockWatch watch;
    first.installEventFilter(&watch);

    QDialog settings;
    settings.setWindowModality(Qt::ApplicationModal);
    settings.show();
    HelpWindow& shown = OpenHelpWindow("MainWindow");
    shown.installEventFilter(&watch);
    QApplication::processEvents();
    EXPECT_TRUE(shown.isVisible());
    EXPECT_FALSE(watch.blocked);
    EXPECT_TRUE(shown.Browser->toPlainText().contains("Main Window"));

    // It outlives the window it was opened from.
    settings.hide();
    QApplication::processEvents();
    EXPECT_TRUE(shown.isVisible());
    shown.close();
}

TEST(Help, BackAndContentsMoveBetweenPages) {
    HelpWindow& window = OpenHelpWindow("CompanyManager");
    EXPECT_FALSE(window.BackBtn->isEnabled());
    window.ContentsBtn->click();
    EXPECT_TRUE(window.Browser->toPlainText().contains("Stockmere Help"));
    ASSERT_TRUE(window.BackBtn->isEnabled());
    window.BackBtn->click();
    EXPECT_TRUE(window.Browser->toPlainText().contains("Company Manager"));
    window.close();
}

TEST(Calculator, SaysSoWhenNoCalculatorStarts) {
    ScriptedHostGuard host;
    EXPECT_FALSE(StartFirstProgram({"no-such-calculator-1", "no-such-calculator-2"}));
    host->Answer(MsgResult::Ok, "Windows Calculator not found.");
    LaunchCalculator({"no-such-calculator"});
    EXPECT_EQ(DesktopCalculators().front(), "gnome-calculator");
}
