// ObjectPropertiesDialog: the modeless "Object Properties" window. It shows
// the position, rotation (degrees) and scale of the one selected object and
// its triangle count, and applies edits to the object at once.
//
// Inputs: the document (its selection, selection mode and objects) and a
// redraw callback the dialog calls after every change it makes. Outputs:
// the object's transform, set through SetPosition / SetRotation / SetScale
// with the world matrix updated. The dialog records no history; its changes
// join the next history step another operation records.
//
// The dialog's object is the one selected object, only in object selection
// mode with exactly one selected id. "Cancel" (and Escape) put back the
// transform stored at the last refresh that found the object changed from
// outside, so the dialog's own edits can always be taken back.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "core/vec3.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace torvane {

struct Document;
struct SceneObject;
class PropertyField;

// Report codes of the three field groups.
inline constexpr int kPositionGroup = 1000;
inline constexpr int kRotationGroup = 1001;
inline constexpr int kScaleGroup = 1002;

// The object the dialog edits: the single selected live object in object
// selection mode; null otherwise.
SceneObject* PropertiesObject(Document& doc);

class ObjectPropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  ObjectPropertiesDialog(Document& doc, std::function<void()> redraw, QWidget* parent = nullptr);
  ~ObjectPropertiesDialog() override;

  // Shows the dialog (again) and activates it, filled for the current
  // selection.
  void ShowProperties();
  // Follows the selection and changes made elsewhere; does nothing while
  // the dialog is hidden.
  void RefreshProperties();

  // A group's fields reported a change (code 1000, 1001 or 1002).
  void OnGroupReported(int code);
  void OnDefault();
  void OnAccept();
  void OnCancel();
  void ShowPropertiesHelp();

  // Escape, the title bar's close box and Enter on the default button.
  void reject() override;
  void accept() override;

  // The field of `group` (0 position, 1 rotation, 2 scale) and `axis`.
  PropertyField* field(int group, int axis) const { return fields_[group][axis]; }
  QLineEdit* triangleCount() const { return count_; }
  QLabel* messageLine() const { return message_; }
  QPushButton* defaultButton() const { return defaultButton_; }
  QPushButton* acceptButton() const { return acceptButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }
  QPushButton* helpButton() const { return helpButton_; }

 private:
  struct Transform {
    Vec3 position;
    Vec3 rotation;
    Vec3 scale{1.0f, 1.0f, 1.0f};
  };

  void BuildControls();
  void ShowNoObject();
  void FillFields(const Transform& transform, bool sameObject);
  void SetControlsEnabled(bool enabled);
  // Applies one group's values; true when the object changed.
  bool ApplyGroup(SceneObject& object, int group, const Vec3& values);
  void HideKeepingObject();
  // Reports the group of a field the user changed but has not left yet.
  void FlushPendingEdit();

  Document& doc_;
  std::function<void()> redraw_;
  std::array<std::array<PropertyField*, 3>, 3> fields_{};
  QLineEdit* count_ = nullptr;
  QLabel* message_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
  QPushButton* acceptButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* helpButton_ = nullptr;

  // Set while the dialog writes its own fields or hides itself, so that
  // what that does to focus and text is not taken as an edit.
  bool updating_ = false;
  // What the fields were last filled for: none yet, the disabled state or
  // an object (shownId_). lastSeen_ is that object's transform as the
  // dialog last saw or set it; a refresh that finds it unchanged leaves the
  // fields (and a value being typed) alone.
  enum class Shown { kNothing, kNoObject, kObject };
  Shown shown_ = Shown::kNothing;
  uint32_t shownId_ = 0xFFFFFFFFu;
  Transform lastSeen_;
  uint32_t lastTriangles_ = 0;
  // Put back by Cancel.
  Transform stored_;
};

}  // namespace torvane
