// TextLabel: a line (or block) of text painted over a view's frame with
// QPainter: the view labels (white, "Courier" 15 pixels, thin), the hint
// overlay (the main window's font) and the perspective view's second label.
// Positions follow the views' rule: a label's centre sits half its size plus
// a margin in from the corner it belongs to.
#pragma once

#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

#include "core/colour32.h"

class QPainter;

namespace torvane {

enum class LabelCorner { kTopLeft, kTopRight, kBottomLeft };

struct TextLabel {
  QString text;
  Colour32 colour = 0xFFFFFFFFu;
  QFont font;
  bool shown = true;

  void SetText(const QString& newText, Colour32 newColour) {
    text = newText;
    colour = newColour;
  }
};

// "Courier", 15 pixels high, weight 100.
QFont ViewLabelFont();

// Size of the label's text block in pixels.
QSize LabelSize(const TextLabel& label);

// Top-left corner of the label in a view of `viewSize`: top-left labels sit
// 2 pixels in from the left and top, top-right labels 4 in from the right and
// 2 down, bottom-left labels 2 in from the left and 2 up from the bottom.
QPoint LabelPosition(const TextLabel& label, LabelCorner corner, const QSize& viewSize);

void PaintLabel(QPainter& painter, const TextLabel& label, LabelCorner corner,
                const QSize& viewSize);

}  // namespace torvane
