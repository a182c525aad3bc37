#pragma once
// Printing a text document on the printer's canvas: laid out at the canvas's resolution to
// the width of its page, each run of text drawn in its own font where the layout puts it,
// bullets before their paragraphs, a new page when a line would pass the page's foot.

class PrintCanvas;
class QTextDocument;

// Prints the document from the top-left of the current page; the job must be open.
void PrintRichText(PrintCanvas& canvas, const QTextDocument& document);
