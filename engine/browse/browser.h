#pragma once
// The browse control: a paged list over one index of one file set. It reads only the rows on
// screen, so a file of any size opens at once, and it reads them through a handle and a
// record buffer of its own: the owner's index walk and record buffer change only when the
// owner asks (BrowserReadCurrent, BrowserReadRow).

#include <QAbstractScrollArea>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/index_pager.h"
#include "engine/browse/row.h"
#include "engine/engine.h"

// Where engine errors met while paging are reported ("Class %d error.  Isam Error %d"); the
// application points it at its message box. By default they go to qWarning.
extern std::function<void(const std::string&)> BrowserErrorReporter;

class TFvcBrowser : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TFvcBrowser(QWidget* parent = nullptr);
    ~TFvcBrowser() override;

    // Fills RR::BRLRowEltString from the row's record bytes (blank bytes when Status is -1).
    std::function<void(RR& row, std::span<const uint8_t> record)> OnBuildRow;
    // With FilterEnabled, rows it answers false for are not shown.
    std::function<bool(RR& row, std::span<const uint8_t> record)> OnPerformFilter;

    const QString& Header() const { return header_; }
    bool FilterEnabled() const { return filterEnabled_; }

    // The page as shown: its rows, the highlighted one (-1 when the list is empty), and how
    // many rows fit.
    const std::vector<RR>& rows() const { return rows_; }
    int currentRow() const { return rows_.empty() ? -1 : cursor_; }
    int pageRows() const;

signals:
    void currentRowChanged(qint32 ref);
    void rowDoubleClicked();
    void enterPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The scroll bar does not move pixels here: its actions page through the index.
    void scrollContentsBy(int dx, int dy) override;

private:
    friend void InitBrowserModel(TFvcBrowser&, FileSetHandle, int, int32_t);
    friend int32_t BrowserCurrentRef(const TFvcBrowser&);
    friend int BrowserKeyNumber(const TFvcBrowser&);
    friend int BrowserReadCurrent(TFvcBrowser&, bool&, std::span<uint8_t>);
    friend int BrowserReadRow(TFvcBrowser&, const RR&, std::span<uint8_t>);
    friend void BrowserGotoKey(TFvcBrowser&, std::string_view, int32_t);
    friend void BrowserSetKeyNumber(TFvcBrowser&, int);
    friend void SetHeader(TFvcBrowser&, const QString&);
    friend void SetFilterEnabled(TFvcBrowser&, bool);
    friend void BrowserRedraw(TFvcBrowser&);

    // Runs one paging step: engine status kept for the owner, then the scroll bars, the
    // repaint, the current-row signal and any error report.
    void paging(const std::function<void()>& step);
    // The same for steps started by the user: nothing escapes into the event loop.
    void userPaging(const std::function<void()>& step);

    void forgetPage();
    void showFirst();
    void showLast();
    void showAt(const std::string& key, int32_t ref, int screenRow);
    void redraw();
    void layOut(std::optional<RR> anchor, int screenRow, bool startKnown, bool endKnown);
    // Scroll the page by up to n rows, the highlight staying on its record while on the page;
    // they return how far the page moved.
    int scrollDown(int n);
    int scrollUp(int n);
    void moveCursor(int delta);
    void jumpToThumb(int value);
    void onScrollAction(int action);

    void refreshExtent();
    int32_t maxOrdinal() const;
    int32_t estimateOrdinal(const std::string& topKey) const;
    void syncScrollBars();
    void report(const std::string& message) const;
    int headerHeight() const;
    int lineHeight() const;
    int rowAt(int y) const;

    browse::IndexPager pager_;
    QString header_;
    bool filterEnabled_ = false;
    std::vector<RR> rows_;
    int cursor_ = 0;
    int32_t ordinal_ = 0;  // estimated place of the top row in the index, for the thumb
    int32_t entries_ = 0;
    std::string firstKey_, lastKey_;
    bool busy_ = false;
    bool syncing_ = false;
    int wheelRest_ = 0;
    qsizetype widest_ = 0;  // characters
};

// Binds the control to index keyNr of the owner's open file set; the owner's record buffer
// must hold ownerRecordLength bytes, at least the file's record length. Shows the first page.
// Sets EngineOK; on failure the control is left without a model.
void InitBrowserModel(TFvcBrowser& browser, FileSetHandle fileSet, int keyNr,
                      int32_t ownerRecordLength);
// The highlighted row's data Ref; 0 without a model or on an empty list.
int32_t BrowserCurrentRef(const TFvcBrowser& browser);
// 65535 without a model.
int BrowserKeyNumber(const TFvcBrowser& browser);
// Reads the highlighted row's record into the owner's buffer. Returns the engine error class
// (0 read, 1 the row is gone, 5 no model); read is false when nothing was read.
int BrowserReadCurrent(TFvcBrowser& browser, bool& read, std::span<uint8_t> ownerBuffer);
// Reads the record of `row` (the row OnPerformFilter is testing) into the owner's buffer.
int BrowserReadRow(TFvcBrowser& browser, const RR& row, std::span<uint8_t> ownerBuffer);
// Highlights the first row at or after (key, ref); "" with 0 is the first row.
void BrowserGotoKey(TFvcBrowser& browser, std::string_view key, int32_t ref);
// Runs the list on another index of the same file set, from its first row.
void BrowserSetKeyNumber(TFvcBrowser& browser, int keyNr);
void SetHeader(TFvcBrowser& browser, const QString& text);
void SetFilterEnabled(TFvcBrowser& browser, bool enabled);
// Reads the page again; the highlighted row stays on its record while it exists, else on the
// nearest one.
void BrowserRedraw(TFvcBrowser& browser);
