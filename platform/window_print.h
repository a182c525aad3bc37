#pragma once
// "Print Window": the image of a window as it looks on screen, printed on one page.

class QWidget;

// Prints the window's image, fitted to the printable page, as one job titled with the
// window's caption. A job that does not end well raises an error.
void PrintWindowImage(QWidget& window);
