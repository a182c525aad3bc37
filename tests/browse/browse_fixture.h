#pragma once
// A real file set of small item records on disk and a browse control shown offscreen over it.

#include <QApplication>
#include <QKeyEvent>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/browse/browser.h"
#include "engine/engine.h"
#include "tests/support/temp_dir.h"

namespace browsetest {

// Item record: engine bytes 0..3, code 4..13, name 14..33, the rest spare.
inline constexpr int32_t ItemLength = 64;
inline constexpr int CodeKey = 1;  // unique: the code
inline constexpr int NameKey = 2;  // duplicates: the name

// Codes go up in tens ("00000010", "00000020", ...) so that goto can aim between them.
inline std::string codeOf(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%08d", i * 10);
    return text;
}
inline std::vector<std::string> codes(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i) out.push_back(codeOf(i));
    return out;
}
// Seven names shared by many items.
inline std::string nameOf(int i) {
    return "NAME" + std::to_string(i % 7);
}

inline std::string field(std::span<const uint8_t> record, size_t at, size_t width) {
    std::string text(reinterpret_cast<const char*>(record.data()) + at, width);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}
inline std::string codeIn(std::span<const uint8_t> record) {
    return field(record, 4, 10);
}

class BrowseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!EngineReady()) EngineStart();
    }

    void TearDown() override {
        browser.reset();
        if (file != 0) CloseFileSet(file);
    }

    // Items 1..count; one bracket around the lot.
    void makeItems(int count) {
        KeyDescTable keys{};
        keys[0] = {10, false};
        keys[1] = {20, true};
        const std::string name = dir.file("ITEMS");
        CreateFileSet(name, ItemLength, 2, keys);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        OpenFileSet(file, name, false, false, false, true);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        LockFileSet(file);
        refs.assign(1, 0);
        for (int i = 1; i <= count; ++i) refs.push_back(addItem(i));
        UnlockFileSet(file);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }

    int32_t addItem(int i) {
        std::vector<uint8_t> record(ItemLength, ' ');
        const std::string code = codeOf(i), name = nameOf(i);
        std::copy(code.begin(), code.end(), record.begin() + 4);
        std::copy(name.begin(), name.end(), record.begin() + 14);
        int32_t ref = 0;
        AddRecord(file, ref, record);
        AddKey(file, CodeKey, ref, code);
        AddKey(file, NameKey, ref, name);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        return ref;
    }

    void removeItem(int i, int32_t ref) {
        DeleteKey(file, CodeKey, ref, codeOf(i));
        DeleteKey(file, NameKey, ref, nameOf(i));
        DeleteRecord(file, ref);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }

    // A control that shows `rows` rows, bound to the item file.
    void open(int keyNr = CodeKey, int rows = 10) {
        browser = std::make_unique<TFvcBrowser>();
        browser->OnBuildRow = [](RR& row, std::span<const uint8_t> record) {
            row.BRLRowEltString = row.Status == 0 ? codeIn(record) : "****  " + row.Key;
        };
        browser->show();
        const int line = browser->fontMetrics().lineSpacing();
        const int frame = browser->height() - browser->viewport()->height();
        browser->resize(300, frame + rows * line + line / 2);
        QApplication::processEvents();
        ASSERT_EQ(browser->pageRows(), rows);
        InitBrowserModel(*browser, file, keyNr, ItemLength);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }

    void press(int key, int times = 1) {
        for (int n = 0; n < times; ++n) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(browser.get(), &event);
        }
    }

    std::vector<std::string> shownTexts() const {
        std::vector<std::string> texts;
        for (const RR& row : browser->rows()) texts.push_back(row.BRLRowEltString);
        return texts;
    }

    std::string currentText() const {
        const int at = browser->currentRow();
        return at < 0 ? std::string() : browser->rows()[at].BRLRowEltString;
    }

    testsupport::TempDir dir;
    FileSetHandle file = 0;
    std::vector<int32_t> refs;  // refs[i] holds item i
    std::unique_ptr<TFvcBrowser> browser;
};

}  // namespace browsetest
