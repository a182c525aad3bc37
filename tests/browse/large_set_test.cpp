// The browse control over a hundred thousand records.
#include <QScrollBar>

#include "tests/browse/browse_fixture.h"

namespace browsetest {
namespace {

int itemShown(const TFvcBrowser& b, int row) {
    return std::stoi(b.rows()[static_cast<size_t>(row)].BRLRowEltString) / 10;
}

TEST_F(BrowseTest, HundredThousandRecords) {
    constexpr int Count = 100000;
    makeItems(Count);
    int built = 0;
    open(CodeKey, 20);
    browser->OnBuildRow = [&](RR& row, std::span<const uint8_t> record) {
        ++built;
        row.BRLRowEltString = codeIn(record);
    };
    BrowserRedraw(*browser);
    EXPECT_EQ(shownTexts(), codes(1, 20));
    EXPECT_LE(built, 40);  // the page, not the file
    QScrollBar* bar = browser->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), Count - 20);
    EXPECT_EQ(bar->value(), 0);

    press(Qt::Key_End);
    EXPECT_EQ(shownTexts(), codes(Count - 19, Count));
    EXPECT_EQ(bar->value(), bar->maximum());
    press(Qt::Key_PageUp, 2);
    EXPECT_EQ(shownTexts(), codes(Count - 59, Count - 40));
    EXPECT_NEAR(bar->value(), bar->maximum() - 40, 2);

    BrowserGotoKey(*browser, codeOf(54321), 0);
    EXPECT_EQ(currentText(), codeOf(54321));
    EXPECT_NEAR(bar->value(), 54320, Count / 100);

    // Dragging the thumb lands about where it was dropped, and the page is whole.
    built = 0;
    bar->setSliderPosition(bar->maximum() / 4);
    EXPECT_NEAR(itemShown(*browser, 0), Count / 4, Count / 100);
    EXPECT_EQ(browser->rows().size(), 20u);
    EXPECT_EQ(bar->value(), bar->maximum() / 4);
    EXPECT_LE(built, 40);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), bar->maximum() / 4 + 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(shownTexts(), codes(Count - 19, Count));

    // Every tenth thousand through a filter, then a filter that hides all of them.
    browser->OnPerformFilter = [](RR&, std::span<const uint8_t> record) {
        return std::stoi(codeIn(record)) % 100000 == 0;
    };
    SetFilterEnabled(*browser, true);
    EXPECT_EQ(currentText(), codeOf(Count));
    press(Qt::Key_Home);
    EXPECT_EQ(currentText(), codeOf(10000));
    EXPECT_EQ(browser->rows().size(), 10u);
    browser->OnPerformFilter = [](RR&, std::span<const uint8_t>) { return false; };
    BrowserRedraw(*browser);
    EXPECT_TRUE(browser->rows().empty());
}

}  // namespace
}  // namespace browsetest
