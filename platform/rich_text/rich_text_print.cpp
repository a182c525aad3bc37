#include "platform/rich_text/rich_text_print.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <memory>

#include "platform/printer.h"
#include "platform/scope_guard.h"

namespace {

FontSpec SpecOf(const QTextDocument& document, const QTextCharFormat& format) {
    const QColor color = format.hasProperty(QTextFormat::ForegroundBrush) &&
                                 format.foreground().style() != Qt::NoBrush
                             ? format.foreground().color()
                             : QColor(Qt::black);
    return FontSpecOf(format.font().resolve(document.defaultFont()), color);
}

// Draws the text on the line's baseline, starting at the text position given.
void DrawPiece(PrintCanvas& canvas, const FontSpec& font, double x, double baseline,
               const QString& text) {
    canvas.SetFont(font);
    canvas.TextOut(qRound(x), qRound(baseline) - canvas.TextAscent(), text);
}

// The runs of one line, split at tabs so that each piece starts where the layout put it.
void DrawLine(PrintCanvas& canvas, const QTextDocument& document, const QTextBlock& block,
              const QTextLine& line, QPointF origin, double top) {
    const int lineStart = line.textStart();
    const int lineEnd = lineStart + line.textLength();
    const double baseline = top + line.ascent();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int from = std::max(fragment.position() - block.position(), lineStart);
        const int to =
            std::min(fragment.position() + fragment.length() - block.position(), lineEnd);
        if (from >= to) continue;
        const FontSpec font = SpecOf(document, fragment.charFormat());
        const QString text = block.text().mid(from, to - from);
        int start = 0;
        for (int i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != u'\t' && text[i] != QChar::LineSeparator) continue;
            const QString piece = text.mid(start, i - start);
            if (!piece.trimmed().isEmpty())
                DrawPiece(canvas, font, origin.x() + line.cursorToX(from + start), baseline, piece);
            start = i + 1;
        }
    }
}

void DrawBullet(PrintCanvas& canvas, const QTextDocument& document, const QTextBlock& block,
                const QTextLine& line, QPointF origin, double top) {
    const QTextList& list = *block.textList();
    const QTextListFormat::Style style = list.format().style();
    const bool numbered = style != QTextListFormat::ListDisc &&
                          style != QTextListFormat::ListCircle &&
                          style != QTextListFormat::ListSquare;
    const QString marker = numbered ? list.itemText(block) : QString(QChar(0x2022));
    canvas.SetFont(SpecOf(document, block.charFormat()));
    const double x = origin.x() + line.x() - canvas.TextWidth(marker + " ");
    DrawPiece(canvas, canvas.Font(), x, top + line.ascent(), marker);
}

}  // namespace

void PrintRichText(PrintCanvas& canvas, const QTextDocument& document) {
    // A copy laid out at the canvas's resolution, to its page width, without the screen's
    // margins.
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(const_cast<QPaintDevice*>(&canvas.MeasuringDevice()));
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setPadding(0);
    copy->rootFrame()->setFrameFormat(frame);
    copy->setTextWidth(canvas.PageWidth());

    // Overlapping runs must not paint over each other.
    const ScopeExit restoreBrush(
        [&canvas, brush = canvas.GetBrushStyle()] { canvas.SetBrushStyle(brush); });
    canvas.SetBrushStyle(BrushStyle::Clear);
    double pageTop = 0;
    bool pageEmpty = true;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        // The layout is made lazily; asking for the block's place makes it.
        copy->documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        const QPointF origin = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            double top = origin.y() + line.y();
            if (!pageEmpty && top + line.height() - pageTop > canvas.PageHeight()) {
                canvas.NewPage();
                pageTop = top;
            }
            pageEmpty = false;
            const QPointF at(origin.x(), origin.y() - pageTop);
            top -= pageTop;
            if (i == 0 && block.textList()) DrawBullet(canvas, *copy, block, line, at, top);
            DrawLine(canvas, *copy, block, line, at, top);
        }
    }
}
