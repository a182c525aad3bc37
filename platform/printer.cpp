#include "platform/printer.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <utility>

#include "platform/application.h"
#include "platform/message_host.h"

namespace {

PrintCanvas* overridden = nullptr;

Qt::PenStyle QtPenStyle(PenStyle style) {
    switch (style) {
        case PenStyle::Solid:
            return Qt::SolidLine;
        case PenStyle::Dash:
            return Qt::DashLine;
        case PenStyle::Dot:
            return Qt::DotLine;
        case PenStyle::DashDot:
            return Qt::DashDotLine;
        case PenStyle::DashDotDot:
            return Qt::DashDotDotLine;
        case PenStyle::Clear:
            return Qt::NoPen;
    }
    return Qt::SolidLine;
}

// Letter, in printer pixels, less the quarter inch most printers cannot reach.
constexpr int kLetterWidth = 8 * kPrinterDpi;        // 8.5in - 2 x 0.25in
constexpr int kLetterHeight = 21 * kPrinterDpi / 2;  // 11in - 2 x 0.25in

}  // namespace

// --- PrintCanvas -------------------------------------------------------------------------

PrintCanvas::~PrintCanvas() = default;

void PrintCanvas::RequirePrinting(const char* what) const {
    if (!printing_) RaiseError(QString("Printing is not in progress (%1).").arg(what));
}

void PrintCanvas::StartJob() {
    endedWell_ = false;
    if (!DoBegin())
        RaiseError(QString("The printer could not start the print job \"%1\". Please check the "
                           "printer in Printer Setup.")
                       .arg(title_));
    jobPage_ = 1;
}

void PrintCanvas::BeginDoc() {
    if (printing_) RaiseError("Printing is already in progress.");
    if (batch_) {
        if (!batch_->jobOpen) RaiseError("The print job was abandoned.");
        // Every document begun before this one was ended: one abandoned closed the job.
        if (batch_->completed > 0) {
            if (!DoNewPage()) RaiseError("The printer could not start a new page.");
            ++jobPage_;
        }
        endedWell_ = false;
    } else {
        StartJob();
    }
    printing_ = true;
    page_ = 1;
    pen_ = {0, 0};
    DoStartDocument();
}

void PrintCanvas::NewPage() {
    RequirePrinting("new page");
    if (!DoNewPage()) RaiseError("The printer could not start a new page.");
    ++page_;
    ++jobPage_;
    pen_ = {0, 0};
}

bool PrintCanvas::EndDoc() {
    RequirePrinting("end");
    printing_ = false;
    if (batch_) {
        ++batch_->completed;
        endedWell_ = true;
        return true;
    }
    endedWell_ = DoEnd();
    return endedWell_;
}

void PrintCanvas::Abort() {
    if (!printing_) return;
    printing_ = false;
    endedWell_ = false;
    if (batch_) {
        // A page cannot be taken back out of a job: the half document costs the whole job.
        batch_->jobOpen = false;
        batch_->whenPrinted.clear();
    }
    DoAbort();
}

void PrintCanvas::WhenPrinted(std::function<void()> action) {
    if (batch_)
        batch_->whenPrinted.push_back(std::move(action));
    else
        action();
}

void PrintCanvas::OpenBatch(const QString& title) {
    if (printing_) RaiseError("Printing is already in progress.");
    title_ = title;
    StartJob();
    batch_.emplace();
    batch_->jobOpen = true;
}

bool PrintCanvas::CloseBatch() {
    Batch batch = std::move(*batch_);
    batch_.reset();
    if (!batch.jobOpen) return false;
    if (printing_) {
        printing_ = false;
        endedWell_ = false;
        DoAbort();
        return false;
    }
    if (batch.completed == 0) {
        // Nothing was printed: no empty page goes out, no empty file is left.
        DoAbort();
        endedWell_ = false;
        return true;
    }
    endedWell_ = DoEnd();
    if (endedWell_)
        for (const auto& action : batch.whenPrinted) action();
    return endedWell_;
}

void PrintCanvas::TextOut(int x, int y, const QString& text) {
    RequirePrinting("text");
    DoText({x, y}, text);
}

int PrintCanvas::TextWidth(const QString& text) const {
    return QFontMetrics(ToQFont(font_), &MetricsDevice()).horizontalAdvance(text);
}

int PrintCanvas::TextHeight(const QString&) const {
    // A line of the font: ascent plus descent, whatever the characters.
    return QFontMetrics(ToQFont(font_), &MetricsDevice()).height();
}

int PrintCanvas::TextAscent() const {
    return QFontMetrics(ToQFont(font_), &MetricsDevice()).ascent();
}

void PrintCanvas::LineTo(int x, int y) {
    RequirePrinting("line");
    DoLine(pen_, {x, y});
    pen_ = {x, y};
}

void PrintCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    RequirePrinting("rectangle");
    DoRectangle(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).normalized());
}

void PrintCanvas::StretchDraw(const QRect& target, const QImage& image) {
    RequirePrinting("image");
    if (!image.isNull()) DoImage(target, image);
}

void PrintCanvas::Draw(int x, int y, const QImage& image) {
    StretchDraw(QRect(QPoint(x, y), image.size()), image);
}

// --- QtPrintCanvas ------------------------------------------------------------------------

QtPrintCanvas::QtPrintCanvas(QPrinter& printer) : printer_(&printer) {
    printer_->setResolution(kPrinterDpi);
}

QtPrintCanvas::~QtPrintCanvas() {
    if (Printing()) Abort();
}

void QtPrintCanvas::SetOrientation(Orientation orientation) {
    PrintCanvas::SetOrientation(orientation);
    printer_->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
}

int QtPrintCanvas::PageWidth() const {
    return printer_->width();
}

int QtPrintCanvas::PageHeight() const {
    return printer_->height();
}

bool QtPrintCanvas::PrintsToFile() const {
    return printer_->outputFormat() == QPrinter::PdfFormat;
}

const QPaintDevice& QtPrintCanvas::MetricsDevice() const {
    return *printer_;
}

bool QtPrintCanvas::DoBegin() {
    printer_->setDocName(Title());
    // A printer chosen in the dialog may bring its own resolution; layouts need ours.
    printer_->setResolution(kPrinterDpi);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_)) {
        painter_.reset();
        return false;
    }
    return true;
}

bool QtPrintCanvas::DoNewPage() {
    return printer_->newPage();
}

bool QtPrintCanvas::DoEnd() {
    const bool ended = painter_->end();
    painter_.reset();
    return ended && printer_->printerState() != QPrinter::Error &&
           printer_->printerState() != QPrinter::Aborted;
}

void QtPrintCanvas::DoAbort() {
    printer_->abort();
    painter_->end();
    painter_.reset();
    // A PDF of an abandoned job is half a document: it is not kept.
    if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty())
        QFile::remove(printer_->outputFileName());
}

void QtPrintCanvas::ApplyPen() {
    const Pen pen = CurrentPen();
    QPen qpen(ColorFromRef(pen.color));
    qpen.setWidth(pen.width);
    qpen.setStyle(QtPenStyle(pen.style));
    painter_->setPen(qpen);
    const Brush brush = CurrentBrush();
    painter_->setBrush(brush.style == BrushStyle::Clear ? QBrush(Qt::NoBrush)
                                                        : QBrush(ColorFromRef(brush.color)));
}

void QtPrintCanvas::DoText(QPoint topLeft, const QString& text) {
    const QFont font = ToQFont(Font());
    painter_->setFont(font);
    const QFontMetrics metrics(font, printer_);
    const Brush brush = CurrentBrush();
    if (brush.style == BrushStyle::Solid)
        painter_->fillRect(QRect(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height())),
                           ColorFromRef(brush.color));
    painter_->setPen(ColorFromRef(Font().color));
    painter_->drawText(topLeft.x(), topLeft.y() + metrics.ascent(), text);
}

void QtPrintCanvas::DoLine(QPoint from, QPoint to) {
    ApplyPen();
    painter_->drawLine(from, to);
}

void QtPrintCanvas::DoRectangle(const QRect& rect) {
    ApplyPen();
    painter_->drawRect(rect);
}

void QtPrintCanvas::DoImage(const QRect& target, const QImage& image) {
    painter_->drawImage(target, image);
}

// --- RecordingCanvas ------------------------------------------------------------------------

RecordingCanvas::RecordingCanvas()
    : metrics_(std::make_unique<QImage>(8, 8, QImage::Format_RGB32)) {
    const int dotsPerMeter = static_cast<int>(kPrinterDpi / 0.0254 + 0.5);
    metrics_->setDotsPerMeterX(dotsPerMeter);
    metrics_->setDotsPerMeterY(dotsPerMeter);
}

RecordingCanvas::~RecordingCanvas() = default;

void RecordingCanvas::SetOrientation(Orientation orientation) {
    PrintCanvas::SetOrientation(orientation);
}

int RecordingCanvas::PageWidth() const {
    return GetOrientation() == Orientation::Portrait ? kLetterWidth : kLetterHeight;
}

int RecordingCanvas::PageHeight() const {
    return GetOrientation() == Orientation::Portrait ? kLetterHeight : kLetterWidth;
}

const QPaintDevice& RecordingCanvas::MetricsDevice() const {
    return *metrics_;
}

RecordingCanvas::Call RecordingCanvas::Make(Op op) const {
    const Pen pen = CurrentPen();
    return Call{op, JobPage(), {}, {}, {}, Font(), pen.width, pen.style, CurrentBrush().style, {}};
}

bool RecordingCanvas::DoBegin() {
    if (failBegin_) {
        failBegin_ = false;
        return false;
    }
    Call call = Make(Op::Begin);
    call.page = 1;
    call.text = Title();
    calls_.push_back(call);
    return true;
}

void RecordingCanvas::DoStartDocument() {
    Call call = Make(Op::Document);
    call.text = Title();
    calls_.push_back(call);
}

bool RecordingCanvas::DoNewPage() {
    Call call = Make(Op::NewPage);
    call.page = JobPage() + 1;
    calls_.push_back(call);
    return true;
}

bool RecordingCanvas::DoEnd() {
    calls_.push_back(Make(Op::End));
    return true;
}

void RecordingCanvas::DoAbort() {
    calls_.push_back(Make(Op::Abort));
}

void RecordingCanvas::DoText(QPoint topLeft, const QString& text) {
    Call call = Make(Op::Text);
    call.p1 = topLeft;
    call.text = text;
    calls_.push_back(call);
}

void RecordingCanvas::DoLine(QPoint from, QPoint to) {
    Call call = Make(Op::Line);
    call.p1 = from;
    call.p2 = to;
    calls_.push_back(call);
}

void RecordingCanvas::DoRectangle(const QRect& rect) {
    Call call = Make(Op::Rectangle);
    call.p1 = rect.topLeft();
    call.p2 = rect.bottomRight() + QPoint(1, 1);
    calls_.push_back(call);
}

void RecordingCanvas::DoImage(const QRect& target, const QImage& image) {
    Call call = Make(Op::Image);
    call.p1 = target.topLeft();
    call.p2 = target.bottomRight() + QPoint(1, 1);
    call.imageSize = image.size();
    calls_.push_back(call);
}

std::vector<RecordingCanvas::Call> RecordingCanvas::Texts(int page) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
        if (c.op == Op::Text && (page == 0 || c.page == page)) out.push_back(c);
    return out;
}

const RecordingCanvas::Call* RecordingCanvas::FindText(const QString& text) const {
    for (const Call& c : calls_)
        if (c.op == Op::Text && c.text == text) return &c;
    return nullptr;
}

int RecordingCanvas::Pages() const {
    int pages = 0;
    for (const Call& c : calls_) pages = std::max(pages, c.page);
    return pages;
}

// --- PrintJob --------------------------------------------------------------------------------

PrintJob::PrintJob(PrintCanvas& canvas, const QString& title) : canvas_(canvas) {
    canvas_.SetTitle(title);
    canvas_.BeginDoc();
}

PrintJob::~PrintJob() {
    if (open_) canvas_.Abort();
}

bool PrintJob::End() {
    open_ = false;
    return canvas_.EndDoc();
}

// --- PrintBatch ------------------------------------------------------------------------------

PrintBatch::PrintBatch(PrintCanvas& canvas, const QString& title)
    : canvas_(canvas), joined_(canvas.batch_.has_value()) {
    if (!joined_) canvas_.OpenBatch(title);
}

PrintBatch::~PrintBatch() {
    if (joined_ || !open_) return;
    try {
        (void)canvas_.CloseBatch();
    } catch (...) {
        // Unwinding already: the error in flight is the one the user is told.
    }
}

bool PrintBatch::End() {
    if (joined_ || !open_) return true;
    open_ = false;
    return canvas_.CloseBatch();
}

// --- the program-wide printer -------------------------------------------------------------

namespace {

// Set by SetPdfOutput: jobs go there without asking.
QString fixedPdfPath;

// A printer of the same choice and page settings as the one given, but idle.
std::unique_ptr<QPrinter> FreshCopy(const QPrinter& old) {
    auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (old.outputFormat() == QPrinter::NativeFormat)
        fresh->setPrinterName(old.printerName());
    else
        fresh->setOutputFormat(QPrinter::PdfFormat);
    fresh->setPageLayout(old.pageLayout());
    fresh->setCopyCount(old.copyCount());
    fresh->setCollateCopies(old.collateCopies());
    fresh->setDuplex(old.duplex());
    fresh->setColorMode(old.colorMode());
    fresh->setPageOrder(old.pageOrder());
    fresh->setFullPage(old.fullPage());
    if (fresh->outputFormat() == QPrinter::PdfFormat) fresh->setOutputFileName(old.outputFileName());
    fresh->setResolution(kPrinterDpi);
    return fresh;
}

// The printer that the program's jobs go to; it owns its QPrinter so that it can put an
// idle one in place of a printer whose job failed to start (Qt leaves such a printer
// marked active for good, refusing every later job and setting).
class ProgramPrintCanvas : public QtPrintCanvas {
public:
    ProgramPrintCanvas() : ProgramPrintCanvas(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}
    bool PrintsToFile() const override {
        return !fixedPdfPath.isEmpty() || QtPrintCanvas::PrintsToFile();
    }

protected:
    bool DoBegin() override {
        if (Device().printerState() == QPrinter::Active) Renew();
        const QString pdf = PdfDestination();
        if (QtPrintCanvas::DoBegin()) return true;
        Renew();
        if (!pdf.isEmpty())
            RaiseError(QString("The print job \"%1\" could not be written to the file %2. Please "
                               "choose a folder you can write to.")
                           .arg(Title(), QDir::toNativeSeparators(pdf)));
        return false;
    }

private:
    explicit ProgramPrintCanvas(std::unique_ptr<QPrinter> printer)
        : QtPrintCanvas(*printer), own_(std::move(printer)) {}

    void Renew() {
        own_ = FreshCopy(*own_);
        SetDevice(*own_);
    }

    // The PDF file this job is written to, or empty when it goes to a printer: the file
    // SetPdfOutput fixed, else the one chosen in the print dialog for this job, else the one
    // the user is asked for now. Cancelling the question cancels the job.
    QString PdfDestination() {
        const std::optional<DialogChoice> chosen = std::exchange(dialogChoice_, std::nullopt);
        QPrinter& printer = Device();
        if (!fixedPdfPath.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(fixedPdfPath);
            return fixedPdfPath;
        }
        if (printer.outputFormat() != QPrinter::PdfFormat) return {};
        QString path;
        if (chosen && chosen->title == Title()) {
            path = chosen->path;
        } else {
            path = AskSaveFileName("Print to File", "PDF Files (*.pdf)|*.pdf", "pdf",
                                   folder_.Proposal(PdfFileName(Title())));
            if (path.isEmpty()) throw CommandCancelled();
        }
        folder_.Used(path);
        printer.setOutputFileName(path);
        return path;
    }

public:
    void KeepFolderIn(const QString& file) { folder_.KeepIn(file); }

    bool RunPrintDialog(const QString& title) {
        dialogChoice_.reset();
        if (Device().printerState() == QPrinter::Active) Renew();
        // Only a printer that already prints to a file gets a file name: a name given to a
        // real printer would turn it into a file printer.
        if (Device().outputFormat() == QPrinter::PdfFormat)
            Device().setOutputFileName(folder_.Proposal(PdfFileName(title)));
        Device().setDocName(title);
        if (!PrintDialog()) return false;
        if (Device().outputFormat() == QPrinter::PdfFormat && !Device().outputFileName().isEmpty())
            dialogChoice_ = DialogChoice{title, Device().outputFileName()};
        return true;
    }

private:
    // A file chosen in the print dialog, for the next job if it has that title.
    struct DialogChoice {
        QString title;
        QString path;
    };

    std::unique_ptr<QPrinter> own_;
    SaveFolder folder_;
    std::optional<DialogChoice> dialogChoice_;
};

ProgramPrintCanvas& ProgramCanvas() {
    static ProgramPrintCanvas canvas;
    return canvas;
}

}  // namespace

QPrinter& SharedPrinter() {
    return ProgramCanvas().Device();
}

PrintCanvas& ProgramPrinter() {
    return ProgramCanvas();
}

PrintCanvas& Printer() {
    if (overridden) return *overridden;
    return ProgramCanvas();
}

void SetPdfOutput(const QString& path) {
    fixedPdfPath = path;
    QPrinter& printer = SharedPrinter();
    if (path.isEmpty()) {
        printer.setOutputFileName({});
        printer.setOutputFormat(QPrinter::NativeFormat);
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
    }
}

void KeepPdfFolderIn(const QString& file) {
    ProgramCanvas().KeepFolderIn(file);
}

bool PrintDialogForJob(const QString& title) {
    if (overridden) return PrintDialog();
    return ProgramCanvas().RunPrintDialog(title);
}

QString PdfFileName(const QString& title) {
    QString name = title.trimmed();
    for (QChar& c : name)
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c)) c = '-';
    if (name.isEmpty()) name = ProgramCaption();
    return name + ".pdf";
}

PrinterOverride::PrinterOverride(PrintCanvas& canvas) : previous_(overridden) {
    overridden = &canvas;
}

PrinterOverride::~PrinterOverride() {
    overridden = previous_;
}
