#include "engine/browse/browser.h"

#include "platform/application.h"
#include "platform/cp1252.h"

#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <exception>

#include "engine/browse/key_scale.h"

std::function<void(const std::string&)> BrowserErrorReporter = [](const std::string& message) {
    qWarning("%s", message.c_str());
};

namespace {

constexpr int NoModelKeyNumber = 65535;
constexpr int NoModelClass = 5;
constexpr int TextMargin = 3;
constexpr int WheelRows = 3;

// Row text is Windows-1252, one byte a character; it becomes Unicode only on screen. A stray
// control byte must not upset the columns.
QString rowText(std::string_view text) {
    QString out = FromCp1252(text);
    for (QChar& c : out)
        if (c.unicode() < 0x20) c = QChar(u' ');
    return out;
}

std::string errorText(const browse::PagingError& error) {
    char text[80];
    std::snprintf(text, sizeof text, "Class %d error.  Isam Error %d", error.errorClass,
                  static_cast<int>(error.code));
    return text;
}

}  // namespace

TFvcBrowser::TFvcBrowser(QWidget* parent)
    : QAbstractScrollArea(parent),
      pager_(
          [this](RR& row, std::span<const uint8_t> record) {
              return !filterEnabled_ || !OnPerformFilter || OnPerformFilter(row, record);
          },
          [this](RR& row, std::span<const uint8_t> record) {
              if (OnBuildRow)
                  OnBuildRow(row, record);
              else
                  row.BRLRowEltString = row.Status == 0 ? row.Key : "****  " + row.Key;
          }) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            Guarded([this](int action) { onScrollAction(action); }));
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, viewport(),
            Guarded([this] { viewport()->update(); }));
}

TFvcBrowser::~TFvcBrowser() = default;

int TFvcBrowser::lineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int TFvcBrowser::headerHeight() const {
    return header_.isEmpty() ? 0 : lineHeight() + 2;
}

int TFvcBrowser::pageRows() const {
    return std::max(1, (viewport()->height() - headerHeight()) / lineHeight());
}

int TFvcBrowser::rowAt(int y) const {
    if (y < headerHeight()) return -1;
    const int row = (y - headerHeight()) / lineHeight();
    return row < static_cast<int>(rows_.size()) ? row : -1;
}

void TFvcBrowser::report(const std::string& message) const {
    try {
        if (BrowserErrorReporter) BrowserErrorReporter(message);
    } catch (...) {
        // A failing reporter must not take the program down with it.
    }
}

// --- paging -------------------------------------------------------------------------------

void TFvcBrowser::paging(const std::function<void()>& step) {
    if (busy_) return;  // an owner's row builder asked for a redraw while one runs
    const int32_t refBefore = rows_.empty() ? 0 : rows_[cursor_].Ref;
    const std::string keyBefore = rows_.empty() ? std::string() : rows_[cursor_].Key;
    {
        busy_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{busy_};
        const browse::EngineStatusKeeper keep;
        if (const browse::IndexPager::Attachment attached{pager_})
            step();
        else
            forgetPage();  // the owner closed its set: nothing left to show
    }
    syncScrollBars();
    viewport()->update();
    const auto errors = pager_.takeErrors();
    const int32_t refNow = rows_.empty() ? 0 : rows_[cursor_].Ref;
    if (refNow != refBefore || (!rows_.empty() && rows_[cursor_].Key != keyBefore))
        emit currentRowChanged(refNow);
    // One message for one step, however many rows it met broken.
    if (!errors.empty()) report(errorText(errors.front()));
}

void TFvcBrowser::userPaging(const std::function<void()>& step) {
    try {
        paging(step);
    } catch (const std::exception& e) {
        report(e.what());
    } catch (...) {
        report("The list could not be shown.");
    }
}

void TFvcBrowser::forgetPage() {
    rows_.clear();
    cursor_ = 0;
    ordinal_ = 0;
    entries_ = 0;
    widest_ = 0;
}

void TFvcBrowser::refreshExtent() {
    entries_ = pager_.entryCount();
    if (!pager_.keyRange(firstKey_, lastKey_)) firstKey_.clear(), lastKey_.clear();
}

int32_t TFvcBrowser::maxOrdinal() const {
    return std::max<int32_t>(0, entries_ - pageRows());
}

int32_t TFvcBrowser::estimateOrdinal(const std::string& topKey) const {
    const double f = browse::keyFraction(firstKey_, lastKey_, topKey);
    const auto at = static_cast<int32_t>(std::lround(f * std::max(0, entries_ - 1)));
    return std::clamp<int32_t>(at, 0, maxOrdinal());
}

void TFvcBrowser::layOut(std::optional<RR> anchor, int screenRow, bool startKnown, bool endKnown) {
    refreshExtent();
    if (!anchor) {
        rows_.clear();
        cursor_ = 0;
        ordinal_ = 0;
        return;
    }
    const int n = pageRows();
    const int wantAbove = std::clamp(screenRow, 0, n - 1);
    std::vector<RR> above = pager_.before(*anchor, wantAbove);
    bool atStart = startKnown || static_cast<int>(above.size()) < wantAbove;
    const int wantBelow = n - 1 - static_cast<int>(above.size());
    std::vector<RR> below = pager_.after(*anchor, wantBelow);
    const bool atEnd = endKnown || static_cast<int>(below.size()) < wantBelow;
    const int shortBy = wantBelow - static_cast<int>(below.size());
    if (shortBy > 0 && !atStart) {
        // Near the end: fill the page from above rather than leave it half empty.
        auto more = pager_.before(above.empty() ? *anchor : above.back(), shortBy);
        atStart = static_cast<int>(more.size()) < shortBy;
        std::move(more.begin(), more.end(), std::back_inserter(above));
    }
    std::vector<RR> page;
    page.reserve(above.size() + 1 + below.size());
    std::move(above.rbegin(), above.rend(), std::back_inserter(page));
    page.push_back(std::move(*anchor));
    std::move(below.begin(), below.end(), std::back_inserter(page));
    rows_ = std::move(page);
    cursor_ = static_cast<int>(above.size());
    ordinal_ = atStart ? 0 : atEnd ? maxOrdinal() : estimateOrdinal(rows_.front().Key);
}

void TFvcBrowser::showFirst() {
    layOut(pager_.firstFrom(std::string(), 0), 0, true, false);
}

void TFvcBrowser::showLast() {
    layOut(pager_.lastRow(), pageRows() - 1, false, true);
}

void TFvcBrowser::showAt(const std::string& key, int32_t ref, int screenRow) {
    if (auto row = pager_.firstFrom(key, ref)) {
        layOut(std::move(row), screenRow, key.empty() && ref == 0, false);
        return;
    }
    // Nothing at or after it: the nearest row is the last one before it.
    layOut(pager_.lastBefore(key, ref), pageRows() - 1, false, true);
}

void TFvcBrowser::redraw() {
    if (rows_.empty()) {
        showFirst();
        return;
    }
    const RR current = rows_[cursor_];
    showAt(current.Key, current.Ref, cursor_);
}

int TFvcBrowser::scrollDown(int n) {
    if (rows_.empty()) {
        showFirst();
        return 0;
    }
    auto more = pager_.after(rows_.back(), n);
    const bool atEnd = static_cast<int>(more.size()) < n;
    std::move(more.begin(), more.end(), std::back_inserter(rows_));
    const int drop = std::max(0, static_cast<int>(rows_.size()) - pageRows());
    rows_.erase(rows_.begin(), rows_.begin() + drop);
    cursor_ = std::max(0, cursor_ - drop);
    const int32_t top = maxOrdinal();
    ordinal_ = atEnd ? top : std::min(ordinal_ + drop, std::max(0, top - 1));
    return drop;
}

int TFvcBrowser::scrollUp(int n) {
    if (rows_.empty()) {
        showFirst();
        return 0;
    }
    auto more = pager_.before(rows_.front(), n);
    const bool atStart = static_cast<int>(more.size()) < n;
    const int added = static_cast<int>(more.size());
    rows_.insert(rows_.begin(), std::make_move_iterator(more.rbegin()),
                 std::make_move_iterator(more.rend()));
    if (static_cast<int>(rows_.size()) > pageRows()) rows_.resize(pageRows());
    cursor_ = std::min(cursor_ + added, static_cast<int>(rows_.size()) - 1);
    ordinal_ = atStart ? 0 : std::max(ordinal_ - added, std::min(1, maxOrdinal()));
    return added;
}

// Moves the highlight by delta rows. Leaving the page scrolls it: one row for a step, a page
// for a page, the highlight keeping its screen row unless an end of the list stops the page.
void TFvcBrowser::moveCursor(int delta) {
    if (rows_.empty()) {
        showFirst();
        return;
    }
    const int target = cursor_ + delta;
    if (target >= 0 && target < static_cast<int>(rows_.size())) {
        cursor_ = target;
        return;
    }
    const int screenRow = cursor_;
    const int step = std::abs(delta) == 1 ? 1 : pageRows();
    if (delta > 0) {
        const int moved = scrollDown(step);
        cursor_ = std::min(screenRow + delta - moved, static_cast<int>(rows_.size()) - 1);
    } else {
        const int moved = scrollUp(step);
        cursor_ = std::max(screenRow + delta + moved, 0);
    }
}

void TFvcBrowser::jumpToThumb(int value) {
    refreshExtent();  // the file may have grown since the thumb was placed
    if (value <= 0) {
        showFirst();
    } else if (value >= maxOrdinal()) {
        showLast();
    } else {
        const double f = static_cast<double>(value) / std::max(1, entries_ - 1);
        showAt(browse::keyAtFraction(firstKey_, lastKey_, f), 0, 0);
        // Keep the thumb where it was dropped: the key estimate is rougher than the user's hand.
        if (ordinal_ != 0 && ordinal_ != maxOrdinal()) ordinal_ = value;
    }
}

void TFvcBrowser::onScrollAction(int action) {
    if (syncing_) return;
    const int rows = pageRows();
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            userPaging([this] { scrollDown(1); });
            break;
        case QAbstractSlider::SliderSingleStepSub:
            userPaging([this] { scrollUp(1); });
            break;
        case QAbstractSlider::SliderPageStepAdd:
            userPaging([this, rows] { scrollDown(rows); });
            break;
        case QAbstractSlider::SliderPageStepSub:
            userPaging([this, rows] { scrollUp(rows); });
            break;
        case QAbstractSlider::SliderToMinimum:
            userPaging([this] { showFirst(); });
            break;
        case QAbstractSlider::SliderToMaximum:
            userPaging([this] { showLast(); });
            break;
        case QAbstractSlider::SliderMove: {
            const int value = verticalScrollBar()->sliderPosition();
            userPaging([this, value] { jumpToThumb(value); });
            break;
        }
        default:
            break;
    }
}

void TFvcBrowser::syncScrollBars() {
    syncing_ = true;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, maxOrdinal());
    v->setPageStep(pageRows());
    v->setSingleStep(1);
    v->setValue(std::clamp<int32_t>(ordinal_, 0, maxOrdinal()));

    // The widest text seen since binding: a bar that only ever appears cannot make the page
    // shrink and grow in turn.
    widest_ = std::max<qsizetype>(widest_, header_.size());
    for (const RR& row : rows_)
        widest_ = std::max<qsizetype>(widest_, static_cast<qsizetype>(row.BRLRowEltString.size()));
    const int textWidth =
        static_cast<int>(widest_) * fontMetrics().horizontalAdvance(QLatin1Char('M'));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, textWidth + 2 * TextMargin - viewport()->width()));
    h->setPageStep(viewport()->width());
    syncing_ = false;
}

void TFvcBrowser::scrollContentsBy(int, int) {}

// --- events ------------------------------------------------------------------------------

void TFvcBrowser::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    const int w = viewport()->width();
    const int lh = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int x = TextMargin - horizontalScrollBar()->value();
    p.fillRect(viewport()->rect(), pal.base());
    const int top = headerHeight();
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const int y = top + i * lh;
        if (y >= viewport()->height()) break;
        const bool current = i == cursor_;
        if (current) p.fillRect(0, y, w, lh, pal.brush(group, QPalette::Highlight));
        p.setPen(pal.color(group, current ? QPalette::HighlightedText : QPalette::Text));
        p.drawText(x, y + ascent, rowText(rows_[i].BRLRowEltString));
    }
    if (top > 0) {
        p.fillRect(0, 0, w, top, pal.button());
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(0, top - 1, w, top - 1);
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(x, ascent + 1, header_);
    }
}

void TFvcBrowser::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (pager_.bound() && static_cast<int>(rows_.size()) != pageRows())
        userPaging([this] { redraw(); });
    else
        syncScrollBars();
}

void TFvcBrowser::keyPressEvent(QKeyEvent* event) {
    if (!pager_.bound()) {
        event->ignore();
        return;
    }
    const int rows = pageRows();
    switch (event->key()) {
        case Qt::Key_Up:
            userPaging([this] { moveCursor(-1); });
            break;
        case Qt::Key_Down:
            userPaging([this] { moveCursor(1); });
            break;
        case Qt::Key_PageUp:
            userPaging([this, rows] { moveCursor(-rows); });
            break;
        case Qt::Key_PageDown:
            userPaging([this, rows] { moveCursor(rows); });
            break;
        case Qt::Key_Home:
            userPaging([this] { showFirst(); });
            break;
        case Qt::Key_End:
            userPaging([this] { showLast(); });
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enterPressed();
            break;
        default:
            event->ignore();
            return;
    }
    event->accept();
}

void TFvcBrowser::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const int row = rowAt(event->position().toPoint().y());
    if (event->button() != Qt::LeftButton || row < 0 || row == cursor_) return;
    cursor_ = row;
    viewport()->update();
    emit currentRowChanged(rows_[cursor_].Ref);
}

void TFvcBrowser::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || rowAt(event->position().toPoint().y()) < 0) return;
    mousePressEvent(event);
    emit rowDoubleClicked();
}

void TFvcBrowser::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!pager_.bound()) return;
    // A notch is 120; touchpads send less at a time, so the rest is carried over.
    wheelRest_ += event->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    if (notches < 0)
        userPaging([this, notches] { scrollDown(-notches * WheelRows); });
    else if (notches > 0)
        userPaging([this, notches] { scrollUp(notches * WheelRows); });
}

void TFvcBrowser::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TFvcBrowser::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// --- the owner's calls -----------------------------------------------------------------------

void InitBrowserModel(TFvcBrowser& browser, FileSetHandle fileSet, int keyNr,
                      int32_t ownerRecordLength) {
    const bool ok = browser.pager_.bind(fileSet, keyNr, ownerRecordLength);
    browser.forgetPage();
    if (ok) {
        browser.paging([&] { browser.showFirst(); });
    } else {
        browser.syncScrollBars();
        browser.viewport()->update();
    }
}

int32_t BrowserCurrentRef(const TFvcBrowser& browser) {
    if (!browser.pager_.bound() || browser.rows_.empty()) return 0;
    return browser.rows_[browser.cursor_].Ref;
}

int BrowserKeyNumber(const TFvcBrowser& browser) {
    return browser.pager_.bound() ? browser.pager_.keyNumber() : NoModelKeyNumber;
}

int BrowserReadCurrent(TFvcBrowser& browser, bool& read, std::span<uint8_t> ownerBuffer) {
    read = false;
    const browse::IndexPager::Attachment attached{browser.pager_};
    if (!attached) {
        if (!browser.pager_.bound()) BrowserRedraw(browser);  // the owner closed its set
        return NoModelClass;
    }
    if (browser.rows_.empty()) return 0;
    const RR current = browser.rows_[browser.cursor_];
    if (!browser.pager_.contains(current.Key, current.Ref)) {
        // The row went away since it was shown (its slot may even hold another record now):
        // show the list as it is and let the owner's pick fail rather than read a stranger.
        browser.paging([&] { browser.redraw(); });
        EngineOK = false;
        EngineErrorCode = EngineCode::KeyNotFound;
        return EngineErrorClass();
    }
    const int cls = browser.pager_.readRecord(current.Ref, ownerBuffer);
    read = cls == 0;
    return cls;
}

int BrowserReadRow(TFvcBrowser& browser, const RR& row, std::span<uint8_t> ownerBuffer) {
    const browse::IndexPager::Attachment attached{browser.pager_};
    if (!attached) return NoModelClass;
    return browser.pager_.readRecord(row.Ref, ownerBuffer);
}

void BrowserGotoKey(TFvcBrowser& browser, std::string_view key, int32_t ref) {
    if (!browser.pager_.bound()) return;
    const std::string wanted(key);
    browser.paging([&] { browser.showAt(wanted, ref, 0); });
}

void BrowserSetKeyNumber(TFvcBrowser& browser, int keyNr) {
    if (!browser.pager_.setKeyNumber(keyNr)) return;
    browser.paging([&] { browser.showFirst(); });
}

void SetHeader(TFvcBrowser& browser, const QString& text) {
    browser.header_ = text;
    BrowserRedraw(browser);
}

void SetFilterEnabled(TFvcBrowser& browser, bool enabled) {
    browser.filterEnabled_ = enabled;
    BrowserRedraw(browser);
}

void BrowserRedraw(TFvcBrowser& browser) {
    if (!browser.pager_.bound()) {
        browser.forgetPage();
        browser.syncScrollBars();
        browser.viewport()->update();
        return;
    }
    browser.paging([&] { browser.redraw(); });
}
