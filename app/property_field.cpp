// PropertyField: parsing and formatting of the numeric fields, the step
// keys, and when a field reports.
#include "app/property_field.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace torvane {
namespace {

bool IsDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the digit run of `text` starting at `i`.
qsizetype DigitsFrom(const QString& text, qsizetype i) {
  qsizetype n = 0;
  while (i + n < text.size() && IsDigit(text[i + n]))
    ++n;
  return n;
}

}  // namespace

double ClampFieldValue(double value) {
  if (std::isnan(value)) return 0.0;
  if (value < kFieldMinimum) return kFieldMinimum;
  if (value > kFieldMaximum) return kFieldMaximum;
  return value;
}

double ParseFieldValue(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace())
    ++i;
  const qsizetype start = i;
  if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
  const qsizetype whole = DigitsFrom(text, i);
  i += whole;
  qsizetype fraction = 0;
  if (i < text.size() && text[i] == QLatin1Char('.')) {
    fraction = DigitsFrom(text, i + 1);
    if (whole > 0 || fraction > 0) i += 1 + fraction;
  }
  if (whole == 0 && fraction == 0) return 0.0;
  // An exponent counts only when digits follow it ("2e" is 2).
  if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    qsizetype j = i + 1;
    if (j < text.size() && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) ++j;
    const qsizetype exponent = DigitsFrom(text, j);
    if (exponent > 0) i = j + exponent;
  }
  // The C locale reads the prefix; out of range it answers +-inf or 0,
  // which the clamp turns into the range's ends.
  const double value = QLocale::c().toDouble(QStringView(text).mid(start, i - start));
  return ClampFieldValue(value);
}

QString FormatFieldValue(double value) {
  return QString::number(value, 'f', 3);
}

PropertyField::PropertyField(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  edit_ = new QLineEdit(this);
  edit_->setText(FormatFieldValue(0.0));
  edit_->installEventFilter(this);
  row->addWidget(edit_, 1);

  // The up-down never takes the focus: clicking it leaves a value being
  // typed in another field alone.
  auto* arrows = new QVBoxLayout;
  arrows->setContentsMargins(0, 0, 0, 0);
  arrows->setSpacing(0);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {up_, down_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    button->setFixedWidth(16);
    arrows->addWidget(button);
  }
  row->addLayout(arrows);

  connect(edit_, &QLineEdit::textEdited, this, [this] { pending_ = true; });
  connect(up_, &QToolButton::clicked, this, [this] { ClickStep(kFieldLineStep); });
  connect(down_, &QToolButton::clicked, this, [this] { ClickStep(-kFieldLineStep); });
}

PropertyField::~PropertyField() {
  // The line edit outlives this part of the field while the base class
  // destroys it; its events must not reach a half-destroyed filter.
  edit_->removeEventFilter(this);
}

double PropertyField::Value() const {
  return pending_ ? ParseFieldValue(edit_->text()) : exact_;
}

void PropertyField::SetValue(double value) {
  exact_ = value;
  pending_ = false;
  const QString text = FormatFieldValue(value);
  if (edit_->text() != text) edit_->setText(text);
}

void PropertyField::Rewrite(double value, bool keepPending) {
  exact_ = value;
  pending_ = keepPending;
  const QString text = FormatFieldValue(value);
  if (edit_->text() == text) return;
  const int cursor = edit_->cursorPosition();
  const int selectionStart = edit_->selectionStart();
  const int selectionLength = edit_->selectionLength();
  edit_->setText(text);
  if (selectionStart >= 0 && selectionLength > 0) {
    const int from = std::min<int>(selectionStart, text.size());
    const int to = std::min<int>(selectionStart + selectionLength, text.size());
    // Setting the selection leaves the caret at its far end; start from the
    // end the caret was on.
    if (cursor <= selectionStart) {
      edit_->setSelection(to, from - to);
    } else {
      edit_->setSelection(from, to - from);
    }
  } else {
    edit_->setCursorPosition(std::min<int>(cursor, text.size()));
  }
}

void PropertyField::Step(double delta) {
  Rewrite(ClampFieldValue(Value() + delta), true);
}

void PropertyField::ClickStep(double delta) {
  Step(delta);
  Q_EMIT reported();
}

bool PropertyField::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edit_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
      return false;
    }
    switch (key->key()) {
      case Qt::Key_PageUp:
        Step(kFieldPageStep);
        return true;
      case Qt::Key_PageDown:
        Step(-kFieldPageStep);
        return true;
      case Qt::Key_Up:
        Step(kFieldLineStep);
        return true;
      case Qt::Key_Down:
        Step(-kFieldLineStep);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // Report first; the key then goes on to the dialog's default button.
        if (pending_) Q_EMIT reported();
        return false;
      default:
        return false;
    }
  }
  if (event->type() == QEvent::FocusOut && pending_) Q_EMIT reported();
  return false;
}

}  // namespace torvane
