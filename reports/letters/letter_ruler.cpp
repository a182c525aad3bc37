#include "reports/letters/letter_ruler.h"

#include <QTextBlockFormat>
#include <algorithm>
#include <cmath>

namespace {

// The editor's text lies this far inside its left and right edges.
constexpr int kInset = 6;

// Points to pixels (4/3) and back, truncated as the ruler measures.
int ToPixels(int points) {
    return points * 4 / 3;
}
int ToPoints(int pixels) {
    return pixels * 3 / 4;
}

}  // namespace

MarkerPositions PlaceMarkers(const ParagraphIndents& indents, int rulerWidth) {
    return {ToPixels(indents.first) + 2, ToPixels(indents.left + indents.first) + 2,
            rulerWidth - kInset - ToPixels(indents.right + kInset)};
}

int FirstIndentAt(int markerLeft, int offset) {
    return ToPoints(markerLeft + offset - kInset);
}

int LeftIndentAt(int markerLeft, int offset, int firstIndent) {
    return ToPoints(markerLeft + offset - kInset) - firstIndent;
}

int RightIndentAt(int markerLeft, int offset, int rulerWidth) {
    return ToPoints(rulerWidth - markerLeft + offset - 2) - 12;
}

ParagraphIndents IndentsOf(const QTextBlockFormat& format) {
    // The format keeps pixels of 96 to the inch: 3/4 point each.
    const auto points = [](double pixels) { return static_cast<int>(std::lround(pixels * 0.75)); };
    return {points(format.leftMargin() + format.textIndent()), points(-format.textIndent()),
            points(format.rightMargin())};
}

void SetIndents(QTextBlockFormat& format, const ParagraphIndents& indents) {
    const int first = std::max(indents.first, 0);
    const int rest = std::max(first + indents.left, 0);
    format.setLeftMargin(rest / 0.75);
    format.setTextIndent((first - rest) / 0.75);
    format.setRightMargin(std::max(indents.right, 0) / 0.75);
}
