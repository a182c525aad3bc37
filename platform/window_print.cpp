#include "platform/window_print.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "platform/application.h"
#include "platform/printer.h"

void PrintWindowImage(QWidget& window) {
    const QImage image = window.grab().toImage();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return;
    PrintCanvas& canvas = Printer();
    PrintJob job(canvas, window.windowTitle());
    // As large as the page allows, without distorting the window's proportions.
    const double scale = std::min(static_cast<double>(canvas.PageWidth()) / image.width(),
                                  static_cast<double>(canvas.PageHeight()) / image.height());
    const int w = static_cast<int>(image.width() * scale);
    const int h = static_cast<int>(image.height() * scale);
    canvas.StretchDraw(QRect(0, 0, w, h), image);
    if (!job.End()) RaiseError("The window could not be printed.");
}
