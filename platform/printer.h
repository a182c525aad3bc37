#pragma once
// The printer: a canvas in printer pixels (x to the right, y down from the top-left of the
// printable page). Text is drawn with its top-left corner at the point given.
//
// QtPrintCanvas draws on a QPrinter (a real printer, or a PDF file); RecordingCanvas keeps
// every call so that tests can assert what was drawn where. The program-wide printer keeps
// its settings from job to job; Printer() is the canvas printing code uses. When its output
// is a PDF file (the machine has no printer, or "Print to File" was chosen), each job asks
// for the file, proposing the job's title in the folder used last.
//
// A batch (PrintBatch) makes one job of many documents: the file is asked for once, each
// document starts on a new page, and what depends on a document having been printed (its
// "printed" mark) waits until the whole job has ended well.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/font_setting.h"

class QPainter;
class QPaintDevice;
class QPrinter;

enum class Orientation { Portrait, Landscape };
enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear };
enum class BrushStyle { Solid, Clear };

class PrintCanvas {
public:
    virtual ~PrintCanvas();

    // --- the job ---
    void SetTitle(const QString& title) { title_ = title; }
    const QString& Title() const { return title_; }
    virtual void SetOrientation(Orientation orientation) { orientation_ = orientation; }
    Orientation GetOrientation() const { return orientation_; }
    // Starts a job (inside a batch: the next document, on a new page) on its page 1; raises
    // an error when the printer cannot start one.
    void BeginDoc();
    void NewPage();
    // Ends the job; true when it ended well (only then may a document be marked printed).
    // Inside a batch the document is complete, and the batch's end tells whether it printed.
    bool EndDoc();
    // Abandons the job; nothing of it is kept (inside a batch: nothing of the batch).
    void Abort();
    bool Printing() const { return printing_; }
    // The page of the document being printed, from 1.
    int PageNumber() const { return page_; }
    // True when the last job ended well.
    bool JobEndedWell() const { return endedWell_; }
    // Runs the action once the document just printed has surely been printed: at once, or
    // inside a batch when the batch's job has ended well (never when it did not).
    void WhenPrinted(std::function<void()> action);
    // True when the next job is written to a file rather than handed to a printer: a batch
    // that pauses keeps one file, while a printer is given each part before the pause.
    virtual bool PrintsToFile() const = 0;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;

    // --- drawing state (kept across jobs, like the printer's canvas) ---
    void SetFont(const FontSpec& font) { font_ = font; }
    const FontSpec& Font() const { return font_; }
    void SetPenWidth(int width) { penWidth_ = width < 1 ? 1 : width; }
    int PenWidth() const { return penWidth_; }
    void SetPenStyle(PenStyle style) { penStyle_ = style; }
    PenStyle GetPenStyle() const { return penStyle_; }
    void SetPenColor(int32_t color) { penColor_ = color; }
    void SetBrushStyle(BrushStyle style) { brushStyle_ = style; }
    BrushStyle GetBrushStyle() const { return brushStyle_; }
    void SetBrushColor(int32_t color) { brushColor_ = color; }

    // --- drawing ---
    // With a solid brush the text's cell is filled with the brush colour first; with a
    // clear brush the text is transparent.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    // The height of the current font above its baseline.
    int TextAscent() const;
    // The device text is measured at, for laying text out as this canvas will draw it.
    const QPaintDevice& MeasuringDevice() const { return MetricsDevice(); }
    void MoveTo(int x, int y) { pen_ = {x, y}; }
    QPoint PenPos() const { return pen_; }
    void LineTo(int x, int y);
    // Outline with the pen, filled with the brush unless it is clear; right and bottom
    // edges exclusive.
    void Rectangle(int x1, int y1, int x2, int y2);
    // The image stretched to the rectangle.
    void StretchDraw(const QRect& target, const QImage& image);
    // The image at its own size with its top-left corner at the point.
    void Draw(int x, int y, const QImage& image);

protected:
    // The page of the whole job (a batch counts its documents' pages together), from 1.
    int JobPage() const { return jobPage_; }

    struct Pen {
        int width;
        PenStyle style;
        int32_t color;
    };
    struct Brush {
        BrushStyle style;
        int32_t color;
    };
    Pen CurrentPen() const { return {penWidth_, penStyle_, penColor_}; }
    Brush CurrentBrush() const { return {brushStyle_, brushColor_}; }

    // The device whose resolution font sizes are measured at.
    virtual const QPaintDevice& MetricsDevice() const = 0;
    virtual bool DoBegin() = 0;
    // A document starts (on the job's first page, or on the new page begun for it).
    virtual void DoStartDocument() {}
    virtual bool DoNewPage() = 0;
    virtual bool DoEnd() = 0;
    virtual void DoAbort() = 0;
    virtual void DoText(QPoint topLeft, const QString& text) = 0;
    virtual void DoLine(QPoint from, QPoint to) = 0;
    virtual void DoRectangle(const QRect& rect) = 0;
    virtual void DoImage(const QRect& target, const QImage& image) = 0;

private:
    friend class PrintBatch;
    void RequirePrinting(const char* what) const;
    void StartJob();
    // The batch's job: opened with the title (asking for its file), and ended with the
    // documents completed; see PrintBatch.
    void OpenBatch(const QString& title);
    bool CloseBatch();

    QString title_;
    Orientation orientation_ = Orientation::Portrait;
    bool printing_ = false;  // a document is open: drawing is allowed
    bool endedWell_ = false;
    int page_ = 0;
    int jobPage_ = 0;
    struct Batch {
        bool jobOpen = false;  // false once a document was abandoned
        int completed = 0;     // documents ended in the job
        std::vector<std::function<void()>> whenPrinted;
    };
    std::optional<Batch> batch_;
    FontSpec font_;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    int32_t penColor_ = 0;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    int32_t brushColor_ = 0xFFFFFF;
    QPoint pen_;
};

// Draws on a QPrinter.
class QtPrintCanvas : public PrintCanvas {
public:
    explicit QtPrintCanvas(QPrinter& printer);
    ~QtPrintCanvas() override;
    void SetOrientation(Orientation orientation) override;
    int PageWidth() const override;
    int PageHeight() const override;
    bool PrintsToFile() const override;
    QPrinter& Device() { return *printer_; }

protected:
    // Draws on another printer from now on (no job may be open).
    void SetDevice(QPrinter& printer) { printer_ = &printer; }
    const QPaintDevice& MetricsDevice() const override;
    bool DoBegin() override;
    bool DoNewPage() override;
    bool DoEnd() override;
    void DoAbort() override;
    void DoText(QPoint topLeft, const QString& text) override;
    void DoLine(QPoint from, QPoint to) override;
    void DoRectangle(const QRect& rect) override;
    void DoImage(const QRect& target, const QImage& image) override;

private:
    void ApplyPen();
    QPrinter* printer_;
    std::unique_ptr<QPainter> painter_;
};

// Keeps every call. Pages measure as a Letter page at the printer resolution; text is
// measured as the printer measures it.
class RecordingCanvas : public PrintCanvas {
public:
    // Begin: the job starts; Document: a document starts in it (one per job, or each of a
    // batch's).
    enum class Op { Begin, Document, NewPage, End, Abort, Text, Line, Rectangle, Image };
    struct Call {
        Op op;
        int page;
        QPoint p1;     // text top-left, line start, rectangle / image top-left
        QPoint p2;     // line end, rectangle / image bottom-right (exclusive)
        QString text;  // text drawn, or the title of the job (Begin) or document (Document)
        FontSpec font;
        int penWidth;
        PenStyle penStyle;
        BrushStyle brush;
        QSize imageSize;
    };

    RecordingCanvas();
    ~RecordingCanvas() override;
    void SetOrientation(Orientation orientation) override;
    int PageWidth() const override;
    int PageHeight() const override;
    // Makes BeginDoc fail, as an unready printer does.
    void FailNextBegin() { failBegin_ = true; }
    bool PrintsToFile() const override { return toFile_; }
    void SetPrintsToFile(bool toFile) { toFile_ = toFile; }

    const std::vector<Call>& Calls() const { return calls_; }
    // The text calls, in order, optionally of one page.
    std::vector<Call> Texts(int page = 0) const;
    // The first text call whose text is exactly the text given, or nullptr.
    const Call* FindText(const QString& text) const;
    int Pages() const;
    void Clear() { calls_.clear(); }

protected:
    const QPaintDevice& MetricsDevice() const override;
    bool DoBegin() override;
    void DoStartDocument() override;
    bool DoNewPage() override;
    bool DoEnd() override;
    void DoAbort() override;
    void DoText(QPoint topLeft, const QString& text) override;
    void DoLine(QPoint from, QPoint to) override;
    void DoRectangle(const QRect& rect) override;
    void DoImage(const QRect& target, const QImage& image) override;

private:
    Call Make(Op op) const;
    std::unique_ptr<QImage> metrics_;
    std::vector<Call> calls_;
    bool failBegin_ = false;
    bool toFile_ = true;
};

// The resolution of printer pixels: the page layouts are designed for it.
inline constexpr int kPrinterDpi = 300;

// A print job for the scope: begun in the constructor, abandoned by the destructor unless
// End() ran, so an error part-way leaves no half job open.
class [[nodiscard]] PrintJob {
public:
    PrintJob(PrintCanvas& canvas, const QString& title);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;
    // Ends the job; true when it ended well.
    bool End();

private:
    PrintCanvas& canvas_;
    bool open_ = true;
};

// One job for the documents printed in its scope (a batch run, or an invoice with its packing
// slip and file copies): the constructor starts the job, asking for the PDF file where there
// is no printer (Cancel raises CommandCancelled), and each PrintJob inside is one document
// starting on a new page. A batch opened while another is open on the canvas joins it.
//
// The destructor ends the job with the documents completed when an error left none half
// drawn (so the documents before it stay printed and marked), and abandons it otherwise. A
// job without a document writes nothing.
class [[nodiscard]] PrintBatch {
public:
    PrintBatch(PrintCanvas& canvas, const QString& title);
    ~PrintBatch();
    PrintBatch(const PrintBatch&) = delete;
    PrintBatch& operator=(const PrintBatch&) = delete;
    // Ends the job; true when it ended well or held no document; then the actions waiting
    // for it (WhenPrinted) have run. A joined batch leaves this to the one it joined.
    bool End();

private:
    PrintCanvas& canvas_;
    bool joined_;
    bool open_ = true;
};

// --- the program-wide printer ------------------------------------------------------------

// The canvas printing code draws on: an installed one (tests), else the program's printer.
PrintCanvas& Printer();
// The program's own printer, also while another canvas is installed as Printer().
PrintCanvas& ProgramPrinter();
// The program's QPrinter (its settings are kept across jobs).
QPrinter& SharedPrinter();
// Jobs go to this PDF file without asking; an empty path sends them to the chosen printer
// again.
void SetPdfOutput(const QString& path);
// The name proposed for a job's PDF file: its title, without characters a file name cannot
// hold.
QString PdfFileName(const QString& title);
// Remembers the folder of the PDF files chosen in this small file, so that the next run
// proposes it too.
void KeepPdfFolderIn(const QString& file);
// The print dialog ("Print", printer and copies) for a job titled so; false when cancelled.
// Without a printer it proposes the job's PDF file, and the job of that title that follows
// writes to the file chosen there without asking again.
bool PrintDialogForJob(const QString& title);

// Installs a canvas as Printer() for the scope (tests, print previews).
class [[nodiscard]] PrinterOverride {
public:
    explicit PrinterOverride(PrintCanvas& canvas);
    ~PrinterOverride();
    PrinterOverride(const PrinterOverride&) = delete;
    PrinterOverride& operator=(const PrinterOverride&) = delete;

private:
    PrintCanvas* previous_;
};
