// ObjectPropertiesDialog: controls, refresh, the group handlers and the
// Default / Accept / Cancel / Help buttons.
#include "app/object_properties_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "app/help_pages.h"
#include "app/property_field.h"
#include "core/document.h"
#include "core/live_triangles.h"
#include "core/mesh.h"
#include "core/scene_object.h"

namespace torvane {
namespace {

constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};
constexpr const char* kGroupLabels[3] = {"Position: ", "Rotation: ", "Scale: "};
constexpr const char* kGroupNames[3] = {"Position", "Rotation", "Scale"};

bool SameVec(const Vec3& a, const Vec3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

float Component(const Vec3& v, int axis) {
  return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

}  // namespace

SceneObject* PropertiesObject(Document& doc) {
  if (doc.selectionMode != kSelectionModeObject || doc.selection.size() != 1) return nullptr;
  return FindObject(doc, doc.selection.front());
}

ObjectPropertiesDialog::ObjectPropertiesDialog(Document& doc, std::function<void()> redraw,
                                               QWidget* parent)
    : QDialog(parent), doc_(doc), redraw_(std::move(redraw)) {
  setObjectName(QStringLiteral("ObjectPropertiesDialog"));
  setWindowTitle(QStringLiteral("Object Properties"));
  setModal(false);
  BuildControls();
}

ObjectPropertiesDialog::~ObjectPropertiesDialog() {
  // The fields lose the focus while the base class destroys them; by then
  // this dialog is gone, so they must not report to it any more.
  updating_ = true;
  for (auto& group : fields_) {
    for (PropertyField* field : group)
      disconnect(field, nullptr, this, nullptr);
  }
}

void ObjectPropertiesDialog::BuildControls() {
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(8);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(3, 1);

  // The top-left cell is an empty label, as in the rows below it.
  grid->addWidget(new QLabel(this), 0, 0);
  for (int axis = 0; axis < 3; ++axis) {
    auto* label = new QLabel(QString::fromLatin1(kAxisNames[axis]), this);
    label->setAlignment(Qt::AlignCenter);
    grid->addWidget(label, 0, axis + 1);
  }
  for (int group = 0; group < 3; ++group) {
    auto* label = new QLabel(QString::fromLatin1(kGroupLabels[group]), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, group + 1, 0);
    for (int axis = 0; axis < 3; ++axis) {
      auto* field = new PropertyField(this);
      field->setObjectName(QString::fromLatin1(kGroupNames[group]) +
                           QString::fromLatin1(kAxisNames[axis]));
      field->SetValue(group == 2 ? 1.0 : 0.0);
      label->setBuddy(field->edit());
      const int code = kPositionGroup + group;
      connect(field, &PropertyField::reported, this, [this, code] { OnGroupReported(code); });
      fields_[group][axis] = field;
      grid->addWidget(field, group + 1, axis + 1);
    }
  }

  grid->addWidget(new QLabel(QStringLiteral("Number of triangles:"), this), 4, 0, 1, 2);
  count_ = new QLineEdit(QStringLiteral("0"), this);
  count_->setObjectName(QStringLiteral("TriangleCount"));
  count_->setReadOnly(true);
  grid->addWidget(count_, 4, 2, 1, 2);

  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("MessageLine"));
  message_->setAlignment(Qt::AlignCenter);
  message_->hide();
  grid->addWidget(message_, 5, 0, 1, 4);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  grid->addWidget(line, 6, 0, 1, 4);

  auto* buttons = new QHBoxLayout;
  defaultButton_ = new QPushButton(QStringLiteral("Default"), this);
  acceptButton_ = new QPushButton(QStringLiteral("Accept"), this);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  helpButton_ = new QPushButton(QStringLiteral("Help"), this);
  acceptButton_->setDefault(true);
  buttons->addWidget(defaultButton_);
  buttons->addStretch(1);
  buttons->addWidget(acceptButton_);
  buttons->addWidget(cancelButton_);
  buttons->addWidget(helpButton_);
  grid->addLayout(buttons, 7, 0, 1, 4);

  connect(defaultButton_, &QPushButton::clicked, this, &ObjectPropertiesDialog::OnDefault);
  connect(acceptButton_, &QPushButton::clicked, this, &ObjectPropertiesDialog::OnAccept);
  connect(cancelButton_, &QPushButton::clicked, this, &ObjectPropertiesDialog::OnCancel);
  connect(helpButton_, &QPushButton::clicked, this, &ObjectPropertiesDialog::ShowPropertiesHelp);
}

void ObjectPropertiesDialog::ShowProperties() {
  if (!isVisible()) shown_ = Shown::kNothing;
  show();
  raise();
  activateWindow();
  RefreshProperties();
}

void ObjectPropertiesDialog::RefreshProperties() {
  if (!isVisible()) return;
  SceneObject* object = PropertiesObject(doc_);
  if (!object) {
    if (shown_ != Shown::kNoObject) ShowNoObject();
    return;
  }
  const Mesh& mesh = object->mesh;
  const Transform now{mesh.position, mesh.rotation, mesh.scale};
  const uint32_t triangles = LiveTriangleCount(mesh);  // removed ones do not count
  const bool sameObject = shown_ == Shown::kObject && shownId_ == object->id;
  // Nothing changed outside the dialog (a redraw after its own edit, or any
  // other redraw): the stored values for Cancel and a value being typed stay.
  if (sameObject && SameVec(now.position, lastSeen_.position) &&
      SameVec(now.rotation, lastSeen_.rotation) && SameVec(now.scale, lastSeen_.scale) &&
      triangles == lastTriangles_) {
    return;
  }
  shown_ = Shown::kObject;
  shownId_ = object->id;
  stored_ = now;
  lastSeen_ = now;
  lastTriangles_ = triangles;

  updating_ = true;
  FillFields(now, sameObject);
  count_->setText(QString::number(triangles));
  message_->clear();
  message_->hide();
  cancelButton_->setText(QStringLiteral("Cancel"));
  acceptButton_->setEnabled(true);
  SetControlsEnabled(true);
  updating_ = false;
}

void ObjectPropertiesDialog::ShowNoObject() {
  shown_ = Shown::kNoObject;
  shownId_ = kNoObjectId;
  updating_ = true;
  FillFields(Transform{}, false);
  count_->setText(QStringLiteral("0"));
  SetControlsEnabled(false);
  message_->setText(QStringLiteral("No object selected"));
  message_->show();
  cancelButton_->setText(QStringLiteral("Close"));
  acceptButton_->setEnabled(false);
  updating_ = false;
}

void ObjectPropertiesDialog::FillFields(const Transform& transform, bool sameObject) {
  const Vec3* groups[3] = {&transform.position, &transform.rotation, &transform.scale};
  for (int group = 0; group < 3; ++group) {
    for (int axis = 0; axis < 3; ++axis) {
      PropertyField* field = fields_[group][axis];
      // A value the user is typing for this same object is not overwritten.
      if (sameObject && field->pending() && field->edit()->hasFocus()) continue;
      field->SetValue(Component(*groups[group], axis));
    }
  }
}

void ObjectPropertiesDialog::SetControlsEnabled(bool enabled) {
  for (auto& group : fields_) {
    for (PropertyField* field : group)
      field->setEnabled(enabled);
  }
  count_->setEnabled(enabled);
  defaultButton_->setEnabled(enabled);
}

bool ObjectPropertiesDialog::ApplyGroup(SceneObject& object, int group, const Vec3& values) {
  Mesh& mesh = object.mesh;
  switch (group) {
    case 0:
      if (SameVec(mesh.position, values)) return false;
      SetPosition(mesh, values);
      break;
    case 1: {
      const Vec3 reduced{std::fmod(values.x, 360.0f), std::fmod(values.y, 360.0f),
                         std::fmod(values.z, 360.0f)};
      if (SameVec(mesh.rotation, values) || SameVec(mesh.rotation, reduced)) return false;
      SetRotation(mesh, values);
      break;
    }
    case 2:
      if (!(values.x >= kMinimumScale && values.y >= kMinimumScale && values.z >= kMinimumScale)) {
        return false;
      }
      if (SameVec(mesh.scale, values)) return false;
      SetScale(mesh, values);
      break;
    default:
      return false;
  }
  UpdateWorldMatrix(object);
  return true;
}

void ObjectPropertiesDialog::OnGroupReported(int code) {
  const int group = code - kPositionGroup;
  if (updating_ || !isVisible() || group < 0 || group > 2) return;
  SceneObject* object = PropertiesObject(doc_);
  if (!object) return;
  if (shown_ != Shown::kObject || object->id != shownId_) {
    // The fields still belong to an earlier selection: show this object's
    // values rather than give it those.
    RefreshProperties();
    return;
  }

  double values[3][3];
  updating_ = true;
  for (int g = 0; g < 3; ++g) {
    for (int axis = 0; axis < 3; ++axis) {
      PropertyField* field = fields_[g][axis];
      values[g][axis] = field->Value();
      field->Rewrite(values[g][axis], g != group && field->pending());
    }
  }
  const Vec3 wanted{static_cast<float>(values[group][0]), static_cast<float>(values[group][1]),
                    static_cast<float>(values[group][2])};
  ApplyGroup(*object, group, wanted);
  const Mesh& mesh = object->mesh;
  if (group == 2 && !SameVec(mesh.scale, wanted)) {
    // A refused scale: the fields show the scale the object keeps.
    for (int axis = 0; axis < 3; ++axis)
      fields_[2][axis]->Rewrite(Component(mesh.scale, axis), false);
  }
  updating_ = false;
  lastSeen_ = Transform{mesh.position, mesh.rotation, mesh.scale};
  if (redraw_) redraw_();
}

void ObjectPropertiesDialog::OnDefault() {
  if (updating_ || !isVisible()) return;
  SceneObject* object = PropertiesObject(doc_);
  if (!object) return;
  if (shown_ != Shown::kObject || object->id != shownId_) RefreshProperties();
  const Transform defaults;
  updating_ = true;
  FillFields(defaults, false);
  updating_ = false;
  ApplyGroup(*object, 0, defaults.position);
  ApplyGroup(*object, 1, defaults.rotation);
  ApplyGroup(*object, 2, defaults.scale);
  const Mesh& mesh = object->mesh;
  lastSeen_ = Transform{mesh.position, mesh.rotation, mesh.scale};
  if (redraw_) redraw_();
}

void ObjectPropertiesDialog::FlushPendingEdit() {
  for (int group = 0; group < 3; ++group) {
    for (PropertyField* field : fields_[group]) {
      if (field->pending()) {
        OnGroupReported(kPositionGroup + group);
        break;
      }
    }
  }
}

void ObjectPropertiesDialog::HideKeepingObject() {
  updating_ = true;
  for (auto& group : fields_) {
    for (PropertyField* field : group)
      field->DiscardPending();
  }
  hide();
  updating_ = false;
  shown_ = Shown::kNothing;
}

void ObjectPropertiesDialog::OnAccept() {
  // A value typed and confirmed with Enter is applied before the window goes.
  FlushPendingEdit();
  HideKeepingObject();
}

void ObjectPropertiesDialog::OnCancel() {
  const bool hadObject = shown_ == Shown::kObject;
  const uint32_t id = shownId_;
  // A value still being typed is thrown away with the rest.
  HideKeepingObject();
  if (!hadObject) return;
  SceneObject* object = FindObject(doc_, id);
  if (!object) return;
  Mesh& mesh = object->mesh;
  if (SameVec(mesh.position, stored_.position) && SameVec(mesh.rotation, stored_.rotation) &&
      SameVec(mesh.scale, stored_.scale)) {
    return;
  }
  // Put back exactly as stored (angles unreduced).
  mesh.position = stored_.position;
  mesh.rotation = stored_.rotation;
  mesh.scale = stored_.scale;
  MarkChanged(mesh);
  UpdateWorldMatrix(*object);
  if (redraw_) redraw_();
}

void ObjectPropertiesDialog::ShowPropertiesHelp() {
  ShowHelpPage(parentWidget() ? parentWidget() : this, QStringLiteral("objectpropertiesdialog"));
}

void ObjectPropertiesDialog::reject() {
  OnCancel();
}

void ObjectPropertiesDialog::accept() {
  OnAccept();
}

}  // namespace torvane
