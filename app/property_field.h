// PropertyField: one numeric field of the object properties dialog, a line
// edit holding a double shown as "%.3f" with an up-down beside it.
//
// Typing and the step keys (Page Up/Down +-1.0, Up/Down +-0.1) change only
// the text. The field reports (signal `reported`) when it loses the keyboard
// focus after such a change, when Return is pressed, and at once when one of
// its up-down arrows is clicked. Value() is the exact number last written by
// the program until the user changes the text, so that moving through the
// fields never rounds an object's transform to three decimals.
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace torvane {

inline constexpr double kFieldMinimum = -1000000.0;
inline constexpr double kFieldMaximum = 1000000.0;
inline constexpr double kFieldPageStep = 1.0;
inline constexpr double kFieldLineStep = 0.1;

// Into the field range; NaN becomes 0 (it would poison a transform).
double ClampFieldValue(double value);
// The leading decimal number of `text`, read the way the C library's atof
// reads it but independent of the locale ("12.5abc" is 12.5, text without a
// number is 0), clamped to the field range. Overflow gives the range's end.
double ParseFieldValue(const QString& text);
// "%.3f" in the C locale.
QString FormatFieldValue(double value);

class PropertyField : public QWidget {
  Q_OBJECT

 public:
  explicit PropertyField(QWidget* parent = nullptr);
  ~PropertyField() override;

  // The value the field stands for: the parsed text once the user changed
  // it, otherwise the exact value last set.
  double Value() const;
  // Writes `value` as the field's exact value and text; no longer pending.
  void SetValue(double value);
  // Rewrites the text for `value` keeping the caret and the selection; the
  // field stays pending only when `keepPending` is set.
  void Rewrite(double value, bool keepPending);
  // Adds `delta` to the value and rewrites the text without reporting.
  void Step(double delta);
  // Forgets a change the user has not reported yet.
  void DiscardPending() { pending_ = false; }
  bool pending() const { return pending_; }

  QLineEdit* edit() const { return edit_; }
  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

 Q_SIGNALS:
  void reported();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ClickStep(double delta);

  QLineEdit* edit_ = nullptr;
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  double exact_ = 0.0;
  bool pending_ = false;
};

}  // namespace torvane
