#include "render/text_label.h"

#include <QFontMetrics>
#include <QPainter>

namespace torvane {
namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;

}  // namespace

QFont ViewLabelFont() {
  QFont font(QStringLiteral("Courier"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(15);
  font.setWeight(QFont::Thin);
  return font;
}

QSize LabelSize(const TextLabel& label) {
  if (label.text.isEmpty()) return {0, 0};
  QFontMetrics metrics(label.font);
  return metrics.boundingRect(QRect(0, 0, 100000, 100000), kTextFlags, label.text).size();
}

QPoint LabelPosition(const TextLabel& label, LabelCorner corner, const QSize& viewSize) {
  QSize size = LabelSize(label);
  switch (corner) {
    case LabelCorner::kTopRight:
      return {viewSize.width() - size.width() - 4, 2};
    case LabelCorner::kBottomLeft:
      return {2, viewSize.height() - size.height() - 2};
    case LabelCorner::kTopLeft:
      break;
  }
  return {2, 2};
}

void PaintLabel(QPainter& painter, const TextLabel& label, LabelCorner corner,
                const QSize& viewSize) {
  if (!label.shown || label.text.isEmpty()) return;
  QPoint at = LabelPosition(label, corner, viewSize);
  painter.setFont(label.font);
  painter.setPen(QColor::fromRgba(label.colour));
  QSize size = LabelSize(label);
  painter.drawText(QRect(at, size), kTextFlags, label.text);
}

}  // namespace torvane
