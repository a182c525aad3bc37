#pragma once
// The letter's ruler: where its three indent markers stand for a paragraph's indents, and the
// indents a dragged marker sets. Indents are whole points: the first line's from the left
// margin, the other lines' from the first line's, the right one from the right margin. The
// ruler counts 4/3 pixels to the point and starts where the editor does; the editor's text
// lies 6 pixels inside it.

class QTextBlockFormat;

struct ParagraphIndents {
    int first = 0;
    int left = 0;
    int right = 0;

    bool operator==(const ParagraphIndents&) const = default;
};

// The left edges of the markers on a ruler of the given client width.
struct MarkerPositions {
    int first = 0;
    int left = 0;
    int right = 0;
};
MarkerPositions PlaceMarkers(const ParagraphIndents& indents, int rulerWidth);

// The indent a marker sets when dropped with its left edge at `markerLeft`; `offset` is where
// in the marker it is held.
int FirstIndentAt(int markerLeft, int offset);
int LeftIndentAt(int markerLeft, int offset, int firstIndent);
int RightIndentAt(int markerLeft, int offset, int rulerWidth);

// The paragraph's indents, and a format with them. Text never goes left of the margin or
// right of the right margin: indents that would take it there are cut back.
ParagraphIndents IndentsOf(const QTextBlockFormat& format);
void SetIndents(QTextBlockFormat& format, const ParagraphIndents& indents);
