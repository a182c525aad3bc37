// The browse control over real engine files: binding, paging, positioning and filtering.
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <stdexcept>

#include "tests/browse/browse_fixture.h"

namespace browsetest {
namespace {

// Collects what the owner's error hook is told, and puts the old hook back.
struct ReportLog {
    std::vector<std::string> messages;
    decltype(BrowserErrorReporter) saved = BrowserErrorReporter;
    ReportLog() {
        BrowserErrorReporter = [this](const std::string& m) { messages.push_back(m); };
    }
    ~ReportLog() { BrowserErrorReporter = saved; }
};

TEST_F(BrowseTest, WithoutModel) {
    TFvcBrowser b;
    EXPECT_EQ(BrowserKeyNumber(b), 65535);
    EXPECT_EQ(BrowserCurrentRef(b), 0);
    std::vector<uint8_t> buffer(ItemLength, 7);
    bool read = true;
    EXPECT_EQ(BrowserReadCurrent(b, read, buffer), 5);
    EXPECT_FALSE(read);
    EXPECT_EQ(buffer, std::vector<uint8_t>(ItemLength, 7));
    BrowserRedraw(b);
    BrowserGotoKey(b, "X", 0);
    EXPECT_TRUE(b.rows().empty());
}

TEST_F(BrowseTest, BindingRefusesWhatCannotWork) {
    makeItems(3);
    TFvcBrowser b;
    InitBrowserModel(b, file, 3, ItemLength);  // no third key
    EXPECT_FALSE(EngineOK);
    EXPECT_EQ(BrowserKeyNumber(b), 65535);
    InitBrowserModel(b, file, CodeKey, ItemLength - 1);  // owner's buffer too short
    EXPECT_FALSE(EngineOK);
    EXPECT_EQ(BrowserKeyNumber(b), 65535);
    InitBrowserModel(b, 0, CodeKey, ItemLength);
    EXPECT_FALSE(EngineOK);
    InitBrowserModel(b, file, NameKey, ItemLength);
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(BrowserKeyNumber(b), NameKey);
    // A failed rebind leaves no model rather than the old one.
    InitBrowserModel(b, file, 0, ItemLength);
    EXPECT_EQ(BrowserKeyNumber(b), 65535);
    EXPECT_TRUE(b.rows().empty());
}

TEST_F(BrowseTest, HoldsNothingOpenBetweenSteps) {
    makeItems(20);
    open(CodeKey, 10);
    press(Qt::Key_Down, 3);
    // The owner closes its set to rebuild it while the list is still up.
    CloseFileSet(file);
    const std::string name = dir.file("ITEMS");
    RestructureFile(name, ItemLength, ItemLength);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    KeyDescTable keys{};
    keys[0] = {10, false};
    keys[1] = {20, true};
    ReindexFile(name, 2, keys, [](std::span<const uint8_t> record, int keyNr) {
        return keyNr == CodeKey ? codeIn(record) : field(record, 14, 20);
    });
    ASSERT_TRUE(EngineOK) << EngineErrorCode;

    // Paging with the set closed shows nothing and asks nothing of the engine.
    press(Qt::Key_Down);
    EXPECT_TRUE(browser->rows().empty());
    EXPECT_EQ(BrowserKeyNumber(*browser), 65535);
    std::vector<uint8_t> buffer(ItemLength, 0);
    bool read = true;
    EXPECT_EQ(BrowserReadCurrent(*browser, read, buffer), 5);

    OpenFileSet(file, name, false, false, false, true);
    InitBrowserModel(*browser, file, CodeKey, ItemLength);
    EXPECT_EQ(shownTexts(), codes(1, 10));
}

TEST_F(BrowseTest, EmptyFile) {
    makeItems(0);
    open();
    EXPECT_TRUE(browser->rows().empty());
    EXPECT_EQ(browser->currentRow(), -1);
    press(Qt::Key_Down);
    press(Qt::Key_PageDown);
    press(Qt::Key_End);
    press(Qt::Key_Up);
    press(Qt::Key_Home);
    BrowserGotoKey(*browser, "00000050", 0);
    EXPECT_TRUE(browser->rows().empty());
    EXPECT_EQ(BrowserCurrentRef(*browser), 0);
    std::vector<uint8_t> buffer(ItemLength, 7);
    bool read = true;
    EXPECT_EQ(BrowserReadCurrent(*browser, read, buffer), 0);
    EXPECT_FALSE(read);
    EXPECT_EQ(buffer, std::vector<uint8_t>(ItemLength, 7));

    // A record added later shows on the next redraw.
    const int32_t ref = addItem(1);
    BrowserRedraw(*browser);
    EXPECT_EQ(BrowserCurrentRef(*browser), ref);
}

TEST_F(BrowseTest, OneRecord) {
    makeItems(1);
    open();
    EXPECT_EQ(shownTexts(), codes(1, 1));
    for (int key :
         {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Up, Qt::Key_PageUp, Qt::Key_Home}) {
        press(key);
        EXPECT_EQ(shownTexts(), codes(1, 1));
        EXPECT_EQ(browser->currentRow(), 0);
    }
    BrowserGotoKey(*browser, "99999999", 0);  // past the end: the nearest row
    EXPECT_EQ(currentText(), codeOf(1));
    std::vector<uint8_t> buffer(ItemLength, 0);
    bool read = false;
    EXPECT_EQ(BrowserReadCurrent(*browser, read, buffer), 0);
    EXPECT_TRUE(read);
    EXPECT_EQ(codeIn(buffer), codeOf(1));
}

TEST_F(BrowseTest, StepsThroughEveryRowBothWays) {
    makeItems(35);
    open(CodeKey, 10);
    EXPECT_EQ(shownTexts(), codes(1, 10));
    std::vector<std::string> seen{currentText()};
    for (int n = 0; n < 40; ++n) {
        press(Qt::Key_Down);
        if (currentText() != seen.back()) seen.push_back(currentText());
    }
    EXPECT_EQ(seen, codes(1, 35));
    EXPECT_EQ(shownTexts(), codes(26, 35));
    EXPECT_EQ(browser->currentRow(), 9);

    std::vector<std::string> back{currentText()};
    for (int n = 0; n < 40; ++n) {
        press(Qt::Key_Up);
        if (currentText() != back.back()) back.push_back(currentText());
    }
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, codes(1, 35));
    EXPECT_EQ(shownTexts(), codes(1, 10));
}

TEST_F(BrowseTest, PagesAndEnds) {
    makeItems(35);
    open(CodeKey, 10);
    press(Qt::Key_Down, 2);
    press(Qt::Key_PageDown);  // the page moves, the highlight keeps its screen row
    EXPECT_EQ(shownTexts(), codes(11, 20));
    EXPECT_EQ(currentText(), codeOf(13));
    press(Qt::Key_PageDown, 2);  // only 5 rows left: the highlight goes the rest of the way
    EXPECT_EQ(shownTexts(), codes(26, 35));
    EXPECT_EQ(currentText(), codeOf(33));
    press(Qt::Key_PageDown);
    EXPECT_EQ(currentText(), codeOf(35));
    press(Qt::Key_PageUp);
    EXPECT_EQ(shownTexts(), codes(16, 25));
    EXPECT_EQ(currentText(), codeOf(25));
    press(Qt::Key_PageUp, 4);
    EXPECT_EQ(shownTexts(), codes(1, 10));
    EXPECT_EQ(currentText(), codeOf(1));

    press(Qt::Key_End);
    EXPECT_EQ(shownTexts(), codes(26, 35));
    EXPECT_EQ(currentText(), codeOf(35));
    EXPECT_EQ(browser->verticalScrollBar()->value(), browser->verticalScrollBar()->maximum());
    press(Qt::Key_Home);
    EXPECT_EQ(shownTexts(), codes(1, 10));
    EXPECT_EQ(currentText(), codeOf(1));
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
}

TEST_F(BrowseTest, GotoKey) {
    makeItems(35);
    open(CodeKey, 10);
    BrowserGotoKey(*browser, codeOf(12), 0);
    EXPECT_EQ(currentText(), codeOf(12));
    EXPECT_EQ(browser->currentRow(), 0);
    BrowserGotoKey(*browser, "00000125", 0);  // between two codes: the next one
    EXPECT_EQ(currentText(), codeOf(13));
    BrowserGotoKey(*browser, codeOf(30), 0);  // near the end the page still fills
    EXPECT_EQ(shownTexts(), codes(26, 35));
    EXPECT_EQ(currentText(), codeOf(30));
    BrowserGotoKey(*browser, "", 0);
    EXPECT_EQ(currentText(), codeOf(1));
    BrowserGotoKey(*browser, "A", 0);  // after every code
    EXPECT_EQ(currentText(), codeOf(35));
    ReportLog log;
    BrowserGotoKey(*browser, std::string(40, '0'), 0);  // longer than any key
    EXPECT_EQ(currentText(), codeOf(1));
    EXPECT_TRUE(log.messages.empty());
}

TEST_F(BrowseTest, KeySwitchAndDuplicates) {
    makeItems(35);
    open(CodeKey, 10);
    BrowserGotoKey(*browser, codeOf(20), 0);
    BrowserSetKeyNumber(*browser, NameKey);
    EXPECT_EQ(BrowserKeyNumber(*browser), NameKey);
    // Name order, equal names by record: items 7, 14, 21, 28, 35 are NAME0.
    EXPECT_EQ(browser->rows()[0].Key, "NAME0");
    EXPECT_EQ(shownTexts(),
              (std::vector<std::string>{codeOf(7), codeOf(14), codeOf(21), codeOf(28), codeOf(35),
                                        codeOf(1), codeOf(8), codeOf(15), codeOf(22), codeOf(29)}));
    // Among equal keys the Ref picks the row.
    const int32_t ref21 = browser->rows()[2].Ref;
    BrowserGotoKey(*browser, "NAME0", ref21);
    EXPECT_EQ(currentText(), codeOf(21));
    BrowserGotoKey(*browser, "NAME0", ref21 + 1);
    EXPECT_EQ(currentText(), codeOf(28));
    // Walking through the duplicates one by one repeats and skips nothing.
    BrowserGotoKey(*browser, "", 0);
    std::vector<std::string> seen{currentText()};
    for (int n = 0; n < 40; ++n) {
        press(Qt::Key_Down);
        if (currentText() != seen.back()) seen.push_back(currentText());
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, codes(1, 35));

    BrowserSetKeyNumber(*browser, 9);
    EXPECT_FALSE(EngineOK);
    EXPECT_EQ(BrowserKeyNumber(*browser), NameKey);
    BrowserSetKeyNumber(*browser, CodeKey);
    EXPECT_EQ(BrowserKeyNumber(*browser), CodeKey);
    EXPECT_EQ(shownTexts(), codes(1, 10));
}

TEST_F(BrowseTest, Filter) {
    makeItems(35);
    open(CodeKey, 10);
    int asked = 0;
    browser->OnPerformFilter = [&](RR&, std::span<const uint8_t> record) {
        ++asked;
        return std::stoi(codeIn(record)) % 30 == 0;  // items 3, 6, 9, ...
    };
    EXPECT_EQ(asked, 0);  // not asked while the filter is off
    SetFilterEnabled(*browser, true);
    EXPECT_TRUE(browser->FilterEnabled());
    EXPECT_EQ(shownTexts(), (std::vector<std::string>{codeOf(3), codeOf(6), codeOf(9), codeOf(12),
                                                      codeOf(15), codeOf(18), codeOf(21),
                                                      codeOf(24), codeOf(27), codeOf(30)}));
    press(Qt::Key_End);
    EXPECT_EQ(currentText(), codeOf(33));
    BrowserGotoKey(*browser, codeOf(4), 0);
    EXPECT_EQ(currentText(), codeOf(6));

    // A filter that hides everything leaves an empty list after one walk, whatever is pressed.
    browser->OnPerformFilter = [&](RR&, std::span<const uint8_t>) {
        ++asked;
        return false;
    };
    asked = 0;
    BrowserRedraw(*browser);
    EXPECT_TRUE(browser->rows().empty());
    EXPECT_LE(asked, 35);
    for (int key : {Qt::Key_Down, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Home}) press(key);
    EXPECT_TRUE(browser->rows().empty());
    bool read = true;
    std::vector<uint8_t> buffer(ItemLength, 0);
    EXPECT_EQ(BrowserReadCurrent(*browser, read, buffer), 0);
    EXPECT_FALSE(read);

    SetFilterEnabled(*browser, false);
    EXPECT_EQ(shownTexts(), codes(1, 10));
}

TEST_F(BrowseTest, ReadRowInsideFilter) {
    makeItems(12);
    open(CodeKey, 10);
    std::vector<uint8_t> ownerBuffer(ItemLength, 0);
    browser->OnPerformFilter = [&](RR& row, std::span<const uint8_t>) {
        EXPECT_EQ(BrowserReadRow(*browser, row, ownerBuffer), 0);
        return codeIn(ownerBuffer) >= codeOf(5);
    };
    SetFilterEnabled(*browser, true);
    EXPECT_EQ(shownTexts(), codes(5, 12));
    std::vector<uint8_t> tooShort(ItemLength - 1, 0);
    EXPECT_EQ(BrowserReadRow(*browser, browser->rows()[0], tooShort), 4);
}

TEST_F(BrowseTest, OwnerBufferChangesOnlyWhenAsked) {
    makeItems(35);
    open(CodeKey, 10);
    std::vector<uint8_t> ownerBuffer(ItemLength, 0xAB);  // an edit in progress
    const auto edit = ownerBuffer;
    press(Qt::Key_PageDown);
    press(Qt::Key_End);
    BrowserGotoKey(*browser, codeOf(17), 0);
    BrowserRedraw(*browser);
    browser->repaint();
    EXPECT_EQ(ownerBuffer, edit);

    bool read = false;
    EXPECT_EQ(BrowserReadCurrent(*browser, read, ownerBuffer), 0);
    EXPECT_TRUE(read);
    EXPECT_EQ(codeIn(ownerBuffer), codeOf(17));
    EXPECT_EQ(BrowserCurrentRef(*browser), browser->rows()[0].Ref);
}

TEST_F(BrowseTest, OwnerWalkUndisturbed) {
    makeItems(35);
    open(CodeKey, 10);
    std::vector<std::string> walked;
    std::string key;
    int32_t ref = 0;
    ClearKeyPosition(file, CodeKey);
    for (int step = 0;; ++step) {
        NextKey(file, CodeKey, ref, key);
        if (!EngineOK) break;
        walked.push_back(key);
        // The control pages on the same index in between.
        press(step % 2 ? Qt::Key_PageDown : Qt::Key_End);
        BrowserGotoKey(*browser, codeOf(35 - step % 35), 0);
        BrowserRedraw(*browser);
    }
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    EXPECT_EQ(walked, codes(1, 35));
}

TEST_F(BrowseTest, EngineStatusIsTheOwners) {
    makeItems(5);
    open(CodeKey, 10);
    EngineOK = false;
    EngineErrorCode = EngineCode::DuplicateKey;
    press(Qt::Key_End);  // walks past the last entry inside
    BrowserRedraw(*browser);
    BrowserGotoKey(*browser, "Z", 0);
    EXPECT_FALSE(EngineOK);
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
}

TEST_F(BrowseTest, HighlightStaysOnItsRecord) {
    makeItems(35);
    open(CodeKey, 10);
    BrowserGotoKey(*browser, codeOf(5), 0);  // page 5..14, highlight on 5
    press(Qt::Key_Down, 3);                  // highlight on 8, fourth row
    addItem(0);                              // a row appears above
    BrowserRedraw(*browser);
    EXPECT_EQ(currentText(), codeOf(8));
    EXPECT_EQ(browser->currentRow(), 3);
    EXPECT_EQ(shownTexts(), codes(5, 14));

    removeItem(8, refs[8]);
    BrowserRedraw(*browser);  // gone: the nearest following row
    EXPECT_EQ(currentText(), codeOf(9));
    EXPECT_EQ(browser->currentRow(), 3);

    // Gone between showing and picking: the pick fails, nothing is read, the list refreshes.
    removeItem(9, refs[9]);
    std::vector<uint8_t> ownerBuffer(ItemLength, 0xAB);
    bool read = true;
    EXPECT_EQ(BrowserReadCurrent(*browser, read, ownerBuffer), 1);
    EXPECT_FALSE(read);
    EXPECT_EQ(ownerBuffer, std::vector<uint8_t>(ItemLength, 0xAB));
    EXPECT_EQ(currentText(), codeOf(10));

    // Paging on from a row that vanished neither stops nor repeats.
    removeItem(10, refs[10]);
    for (int i = 11; i <= 14; ++i) removeItem(i, refs[i]);
    press(Qt::Key_PageDown);
    EXPECT_GT(shownTexts().front(), codeOf(14));
}

TEST_F(BrowseTest, UnreadableRowReportedOnce) {
    makeItems(12);
    open(CodeKey, 10);
    ReportLog log;
    // An index entry for a record the file does not have.
    const int32_t missing = refs.back() + 100;
    AddKey(file, CodeKey, missing, "00000055");
    std::vector<uint8_t> scratch(ItemLength);
    ReadRecord(file, missing, scratch);
    ASSERT_GE(EngineErrorClass(), 2);
    const std::string expected = "Class " + std::to_string(EngineErrorClass()) +
                                 " error.  Isam Error " + std::to_string(EngineErrorCode);
    BrowserRedraw(*browser);
    EXPECT_EQ(log.messages, std::vector<std::string>{expected});
    EXPECT_EQ(browser->rows()[5].Ref, missing);
    EXPECT_EQ(browser->rows()[5].Status, -1);
    EXPECT_EQ(browser->rows()[5].BRLRowEltString, "****  00000055");
    EXPECT_EQ(browser->rows()[6].Status, 0);

    // Redraws, repaints and paging past it again do not repeat the message.
    BrowserRedraw(*browser);
    browser->repaint();
    press(Qt::Key_Down, 12);
    press(Qt::Key_Home);
    EXPECT_EQ(log.messages.size(), 1u);

    // Picking it reads nothing.
    BrowserGotoKey(*browser, "00000055", 0);
    std::vector<uint8_t> ownerBuffer(ItemLength, 0xAB);
    bool read = true;
    EXPECT_GE(BrowserReadCurrent(*browser, read, ownerBuffer), 2);
    EXPECT_FALSE(read);
    EXPECT_EQ(ownerBuffer, std::vector<uint8_t>(ItemLength, 0xAB));

    // A reporter that throws is contained.
    BrowserErrorReporter = [](const std::string&) { throw std::runtime_error("box failed"); };
    InitBrowserModel(*browser, file, CodeKey, ItemLength);
    EXPECT_EQ(browser->rows()[5].Status, -1);
}

TEST_F(BrowseTest, DeletedRecordUnderALiveKey) {
    makeItems(12);
    open(CodeKey, 10);
    DeleteRecord(file, refs[5]);  // its keys stay: the index is out of step with the data
    ASSERT_TRUE(EngineOK);
    BrowserRedraw(*browser);
    EXPECT_EQ(browser->rows()[4].Status, -1);
    EXPECT_EQ(browser->rows()[4].BRLRowEltString, "****  " + codeOf(5));
    BrowserGotoKey(*browser, codeOf(5), 0);
    std::vector<uint8_t> ownerBuffer(ItemLength, 0xAB);
    bool read = true;
    EXPECT_EQ(BrowserReadCurrent(*browser, read, ownerBuffer), 4);
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    EXPECT_FALSE(read);
    EXPECT_EQ(ownerBuffer, std::vector<uint8_t>(ItemLength, 0xAB));
}

TEST_F(BrowseTest, OwnerExceptionsStayOutOfTheEventLoop) {
    makeItems(35);
    open(CodeKey, 10);
    ReportLog log;
    browser->OnBuildRow = [](RR& row, std::span<const uint8_t>) {
        if (row.Key == codeOf(11)) throw std::runtime_error("bad row");
        row.BRLRowEltString = row.Key;
    };
    press(Qt::Key_PageDown);  // the next page starts with row 11
    ASSERT_EQ(log.messages, std::vector<std::string>{"bad row"});
    EXPECT_FALSE(browser->rows().empty());
    // The owner's own call gets the exception, and the page stays as it was.
    const auto before = shownTexts();
    EXPECT_THROW(BrowserGotoKey(*browser, codeOf(11), 0), std::runtime_error);
    EXPECT_EQ(shownTexts(), before);
}

TEST_F(BrowseTest, MouseWheelAndSignals) {
    makeItems(35);
    open(CodeKey, 10);
    std::vector<int32_t> changed;
    int picked = 0, entered = 0;
    QObject::connect(browser.get(), &TFvcBrowser::currentRowChanged,
                     [&](qint32 ref) { changed.push_back(ref); });
    QObject::connect(browser.get(), &TFvcBrowser::rowDoubleClicked, [&] { ++picked; });
    QObject::connect(browser.get(), &TFvcBrowser::enterPressed, [&] { ++entered; });
    const int line = browser->fontMetrics().lineSpacing();
    const QPointF third(10, 2 * line + line / 2);
    QMouseEvent click(QEvent::MouseButtonPress, third, browser->viewport()->mapToGlobal(third),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(browser->viewport(), &click);
    EXPECT_EQ(currentText(), codeOf(3));
    EXPECT_EQ(changed, std::vector<int32_t>{browser->rows()[2].Ref});
    QMouseEvent twice(QEvent::MouseButtonDblClick, third, browser->viewport()->mapToGlobal(third),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(browser->viewport(), &twice);
    EXPECT_EQ(picked, 1);
    press(Qt::Key_Return);
    press(Qt::Key_Enter);
    EXPECT_EQ(entered, 2);

    const QPointF at(10, 10);
    QWheelEvent down(at, browser->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(browser->viewport(), &down);
    EXPECT_EQ(shownTexts(), codes(4, 13));
    EXPECT_EQ(currentText(), codeOf(4));  // the highlighted row scrolled off: the nearest one
}

TEST_F(BrowseTest, HeaderTakesALine) {
    makeItems(35);
    open(CodeKey, 10);
    SetHeader(*browser, "Code");
    EXPECT_EQ(browser->Header(), "Code");
    EXPECT_EQ(browser->pageRows(), 9);
    EXPECT_EQ(shownTexts(), codes(1, 9));
    const int line = browser->fontMetrics().lineSpacing();
    const QPointF onHeader(10, line / 2);
    QMouseEvent click(QEvent::MouseButtonPress, onHeader,
                      browser->viewport()->mapToGlobal(onHeader), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(browser->viewport(), &click);
    EXPECT_EQ(browser->currentRow(), 0);
}

}  // namespace
}  // namespace browsetest
