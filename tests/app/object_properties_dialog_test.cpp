// The object properties dialog: which object it edits, the disabled state,
// the values it shows, edits applied when a field is left, the step keys,
// Default / Accept / Cancel / Escape, the scale rule and the field range,
// following changes made elsewhere without losing a value being typed, the
// wiring through the main window, and the bundled help page.

#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>

#include "app/help_pages.h"
#include "app/object_properties_dialog.h"
#include "app/property_field.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

class PropertiesDialogTest : public ::testing::Test {
 protected:
  PropertiesDialogTest() {
    first_ = test::AddTriangles(doc_, 5);
    second_ = test::AddTriangles(doc_, 2);
    // The redraw of the running program also refreshes the dialog.
    dialog_ = std::make_unique<ObjectPropertiesDialog>(doc_, [this] {
      ++redraws_;
      dialog_->RefreshProperties();
    });
  }

  SceneObject& Object(uint32_t id) { return *FindObject(doc_, id); }
  void Select(std::vector<uint32_t> ids, uint32_t mode = kSelectionModeObject) {
    doc_.selection = std::move(ids);
    doc_.selectionMode = mode;
  }
  void Open() {
    dialog_->ShowProperties();
    QApplication::setActiveWindow(dialog_.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  QLineEdit* Edit(int group, int axis) { return dialog_->field(group, axis)->edit(); }
  QString Text(int group, int axis) { return Edit(group, axis)->text(); }
  // Position, rotation and scale fields as shown: "x y z|x y z|x y z".
  QString Fields() {
    QStringList groups;
    for (int group = 0; group < 3; ++group)
      groups << Text(group, 0) + ' ' + Text(group, 1) + ' ' + Text(group, 2);
    return groups.join('|');
  }
  // The dialog at a glance: the message, the buttons and the triangle count
  // ("!" before a disabled one), how many of the fields and their up-downs
  // are enabled, and the fields.
  QString State() {
    QStringList state{dialog_->messageLine()->text()};
    auto add = [&](QWidget* widget, const QString& text) {
      state << (widget->isEnabled() ? "" : "!") + text;
    };
    for (QPushButton* button : {dialog_->defaultButton(), dialog_->acceptButton(),
                                dialog_->helpButton(), dialog_->cancelButton()})
      add(button, button->text());
    add(dialog_->triangleCount(), dialog_->triangleCount()->text());
    int enabled = 0;
    for (int i = 0; i < 9; ++i)
      enabled +=
          Edit(i / 3, i % 3)->isEnabled() + dialog_->field(i / 3, i % 3)->upButton()->isEnabled();
    return state.join('|') + QStringLiteral("|%1|").arg(enabled) + Fields();
  }
  // Types `text` over the field's contents without leaving it.
  void Type(int group, int axis, const QString& text) {
    QLineEdit* edit = Edit(group, axis);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  void TypeAndTab(int group, int axis, const QString& text) {
    Type(group, axis, text);
    QTest::keyClick(Edit(group, axis), Qt::Key_Tab);
  }
  // The world matrix is the one the transform gives.
  bool WorldMatrixFollows(uint32_t id) {
    const SceneObject& object = Object(id);
    return MeshTransformMatrix(object.mesh).m == object.worldMatrix.m;
  }

  test::ScopedSettings settings_;
  Document doc_;
  uint32_t first_ = kNoObjectId;
  uint32_t second_ = kNoObjectId;
  int redraws_ = 0;
  std::unique_ptr<ObjectPropertiesDialog> dialog_;
};

TEST_F(PropertiesDialogTest, EditsOnlyTheOneSelectedObjectInObjectMode) {
  Select({first_, second_});
  EXPECT_EQ(PropertiesObject(doc_), nullptr);
  Open();
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Object Properties"));
  QStringList labels;
  for (const QLabel* label : dialog_->findChildren<QLabel*>()) {
    if (!label->text().isEmpty() && label != dialog_->messageLine()) labels << label->text();
  }
  EXPECT_EQ(labels.join(QLatin1Char('|')),
            QStringLiteral("X|Y|Z|Position: |Rotation: |Scale: |Number of triangles:"));
  const QString none = QStringLiteral(
      "No object selected|!Default|!Accept|Help|Close|!0|0|0.000 0.000 0.000|0.000 0.000 0.000|"
      "1.000 1.000 1.000");
  EXPECT_EQ(State(), none);
  EXPECT_TRUE(dialog_->messageLine()->isVisible());
  // One object, but an element mode: still none.
  Select({first_}, kSelectionModeTriangle);
  EXPECT_EQ(PropertiesObject(doc_), nullptr);
  dialog_->RefreshProperties();
  EXPECT_EQ(State(), none);

  Select({first_});
  EXPECT_EQ(PropertiesObject(doc_), &Object(first_));
  dialog_->RefreshProperties();
  EXPECT_EQ(State(), QStringLiteral("|Default|Accept|Help|Cancel|5|18|0.000 0.000 0.000|0.000 "
                                    "0.000 0.000|1.000 1.000 1.000"));

  // "Close" only hides: nothing is put back or redrawn.
  Select({first_, second_});
  dialog_->RefreshProperties();
  const int redraws = redraws_;
  QTest::mouseClick(dialog_->cancelButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(redraws_, redraws);
  // A deleted object is no object.
  Select({first_});
  RemoveObject(doc_, first_);
  EXPECT_EQ(PropertiesObject(doc_), nullptr);
}

TEST_F(PropertiesDialogTest, TypedValueAppliesOnLeavingCancelPutsItBackAndOutsideChangesFollow) {
  Mesh& mesh = Object(first_).mesh;
  SetPosition(mesh, {1.0f, 0.123456f, -4.0f});
  SetRotation(mesh, {0.0f, 10.0f, 0.0f});
  UpdateWorldMatrix(Object(first_));
  mesh.unsavedChange = false;
  Select({first_});
  Open();

  Type(0, 0, QStringLiteral("7.5"));
  EXPECT_EQ(mesh.position.x, 1.0f);  // nothing yet while typing
  QTest::keyClick(Edit(0, 0), Qt::Key_Tab);
  EXPECT_TRUE(Edit(0, 1)->hasFocus());
  EXPECT_EQ(mesh.position.x, 7.5f);
  EXPECT_EQ(mesh.position.y, 0.123456f);  // untouched fields keep their exact values
  EXPECT_EQ(mesh.position.z, -4.0f);
  EXPECT_EQ(Text(0, 0), QStringLiteral("7.500"));
  EXPECT_TRUE(mesh.unsavedChange);
  EXPECT_TRUE(WorldMatrixFollows(first_));
  EXPECT_GT(redraws_, 0);

  // Moving through fields without typing changes nothing.
  const int redraws = redraws_;
  QTest::keyClick(Edit(0, 1), Qt::Key_Tab);
  QTest::keyClick(Edit(0, 2), Qt::Key_Tab);
  EXPECT_EQ(mesh.position.y, 0.123456f);
  EXPECT_EQ(redraws_, redraws);

  TypeAndTab(1, 1, QStringLiteral("400"));  // angles are reduced by the object
  EXPECT_EQ(mesh.rotation.y, 40.0f);
  EXPECT_EQ(Text(1, 1), QStringLiteral("400.000"));

  // Cancel puts back what the dialog was opened with, despite the redraws
  // that followed each edit.
  QTest::mouseClick(dialog_->cancelButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(mesh.position.x, 1.0f);
  EXPECT_EQ(mesh.rotation.y, 10.0f);
  EXPECT_TRUE(WorldMatrixFollows(first_));

  // Escape is Cancel and throws away a value still being typed; Enter
  // confirms it and closes like Accept.
  for (auto [key, z] : {std::pair{Qt::Key_Escape, -4.0f}, {Qt::Key_Return, 6.0f}}) {
    Open();
    Type(0, 2, QStringLiteral("6"));
    QTest::keyClick(Edit(0, 2), key);
    QApplication::processEvents();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(mesh.position.z, z);
  }

  Open();

  // A drag step moves the object: the fields follow, and Cancel now goes
  // back only to where the drag left it.
  SetPosition(mesh, {2.0f, 3.0f, 4.0f});
  UpdateWorldMatrix(Object(first_));
  dialog_->RefreshProperties();
  EXPECT_EQ(Text(0, 1), QStringLiteral("3.000"));

  // A value being typed survives refreshes for the same object, even when
  // the other fields change.
  Type(0, 0, QStringLiteral("8"));
  dialog_->RefreshProperties();
  EXPECT_EQ(Text(0, 0), QStringLiteral("8"));
  SetPosition(mesh, {2.0f, 5.0f, 4.0f});
  dialog_->RefreshProperties();
  EXPECT_EQ(Text(0, 0), QStringLiteral("8"));
  EXPECT_EQ(Text(0, 1), QStringLiteral("5.000"));
  QTest::keyClick(Edit(0, 0), Qt::Key_Tab);
  EXPECT_EQ(mesh.position.x, 8.0f);
  EXPECT_EQ(mesh.position.y, 5.0f);

  QTest::mouseClick(dialog_->cancelButton(), Qt::LeftButton);
  EXPECT_EQ(mesh.position.x, 2.0f);
  EXPECT_EQ(mesh.position.y, 5.0f);

  // Another object selected: its values replace what was typed, and a
  // report arriving before the refresh never gives the new object the old
  // object's values.
  Open();
  Type(0, 0, QStringLiteral("9"));
  Select({second_});
  dialog_->OnGroupReported(kPositionGroup);
  EXPECT_EQ(Object(second_).mesh.position.x, 0.0f);
  EXPECT_EQ(Text(0, 0), QStringLiteral("0.000"));
  EXPECT_EQ(dialog_->triangleCount()->text(), QStringLiteral("2"));
  EXPECT_EQ(mesh.position.x, 2.0f);

  // Hidden, the dialog ignores refreshes.
  dialog_->hide();
  Select({first_, second_});
  dialog_->RefreshProperties();
  EXPECT_EQ(dialog_->cancelButton()->text(), QStringLiteral("Cancel"));
}

TEST_F(PropertiesDialogTest, DefaultScaleRuleRangeStepKeysAndTheFieldText) {
  Mesh& mesh = Object(first_).mesh;
  SetPosition(mesh, {3.0f, -4.0f, 1500000.0f});
  SetRotation(mesh, {30.0f, 0.0f, 90.5f});
  SetScale(mesh, {2.0f, 2.0f, 2.0f});
  Select({first_});
  Open();
  // Beyond the typing range, shown as it is.
  EXPECT_EQ(Fields(), QStringLiteral("3.000 -4.000 1500000.000|30.000 0.000 90.500|2.000 2.000 "
                                     "2.000"));

  // Too small a scale is refused; the fields show the scale kept.
  TypeAndTab(2, 1, QStringLiteral("0.001"));
  EXPECT_EQ(mesh.scale.y, 2.0f);
  EXPECT_EQ(Text(2, 1), QStringLiteral("2.000"));
  TypeAndTab(2, 1, QStringLiteral("-3"));
  EXPECT_EQ(mesh.scale.y, 2.0f);
  TypeAndTab(2, 1, QStringLiteral("0.005"));
  EXPECT_EQ(mesh.scale.y, 0.005f);

  // Beyond the range the value is clamped, shown and applied.
  TypeAndTab(0, 0, QStringLiteral("5000000"));
  EXPECT_EQ(Text(0, 0), QStringLiteral("1000000.000"));
  EXPECT_EQ(mesh.position.x, 1000000.0f);
  TypeAndTab(0, 0, QStringLiteral("oops"));
  EXPECT_EQ(mesh.position.x, 0.0f);
  EXPECT_EQ(Text(0, 0), QStringLiteral("0.000"));

  QTest::mouseClick(dialog_->defaultButton(), Qt::LeftButton);
  EXPECT_EQ(Fields(), QStringLiteral("0.000 0.000 0.000|0.000 0.000 0.000|1.000 1.000 1.000"));
  EXPECT_TRUE(PositionsEqual(mesh.position, {0, 0, 0}));
  EXPECT_TRUE(PositionsEqual(mesh.rotation, {0, 0, 0}));
  EXPECT_TRUE(PositionsEqual(mesh.scale, {1, 1, 1}));
  EXPECT_TRUE(WorldMatrixFollows(first_));

  // Accept keeps it all.
  QTest::mouseClick(dialog_->acceptButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_TRUE(PositionsEqual(mesh.scale, {1, 1, 1}));

  SetPosition(mesh, {1.0f, 0.0f, 0.0f});
  Open();
  QLineEdit* x = Edit(0, 0);
  x->setFocus();
  QStringList shown;
  for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_PageDown}) {
    QTest::keyClick(x, key);
    shown << x->text();
  }
  EXPECT_EQ(shown.join(' ').toStdString(), "2.000 2.100 2.000 1.900 0.900");
  EXPECT_EQ(mesh.position.x, 1.0f);

  // An up-down applies at once and leaves the field being edited alone.
  QTest::mouseClick(dialog_->field(2, 0)->upButton(), Qt::LeftButton);
  EXPECT_FLOAT_EQ(mesh.scale.x, 1.1f);
  EXPECT_TRUE(x->hasFocus());
  EXPECT_EQ(x->text(), QStringLiteral("0.900"));
  EXPECT_EQ(mesh.position.x, 1.0f);

  QTest::keyClick(x, Qt::Key_Tab);
  EXPECT_FLOAT_EQ(mesh.position.x, 0.9f);

  // Steps stop at the ends of the range.
  Edit(0, 2)->setFocus();
  Type(0, 2, QStringLiteral("999999.5"));
  QTest::keyClick(Edit(0, 2), Qt::Key_PageUp);
  EXPECT_EQ(Text(0, 2), QStringLiteral("1000000.000"));

  // The field text: leading spaces and trailing text are ignored, an exponent without
  // digits is no exponent, only the C locale's point is a decimal mark, and
  // what is no number (nan and inf included) reads as 0.
  const char* texts[] = {"12.5", "  +3.25e1xyz", "-.5",    "5.",      "2e",    "1,5",  "abc",   ".",
                         "nan",  "inf",          "1e-400", "5000000", "1e400", "-1e9", "-1e400"};
  const double values[] = {12.5, 32.5,          -0.5,          5.0,           2.0,
                           1.0,  0.0,           0.0,           0.0,           0.0,
                           0.0,  kFieldMaximum, kFieldMaximum, kFieldMinimum, kFieldMinimum};
  static_assert(std::size(texts) == std::size(values));
  for (size_t i = 0; i < std::size(texts); ++i)
    EXPECT_DOUBLE_EQ(ParseFieldValue(QString::fromLatin1(texts[i])), values[i]) << texts[i];
  EXPECT_EQ(FormatFieldValue(1.23456), QStringLiteral("1.235"));
}

using PropertiesWindowTest = test::MainWindowTest;

TEST_F(PropertiesWindowTest, MainWindowOwnsTheDialogAndCommandsRefreshIt) {
  window_.show();
  EXPECT_TRUE(attached_.host->CanShowProperties());
  EXPECT_EQ(window_.propertiesDialog(), nullptr);
  window_.RefreshProperties();  // nothing to refresh yet

  ApplicationShell& shell = *attached_.shell;
  ASSERT_TRUE(shell.Dispatch(cmd::kAddCube));
  ASSERT_EQ(SelectedCount(doc_), 1u);
  ASSERT_TRUE(shell.Dispatch(cmd::kPropertiesView));
  ObjectPropertiesDialog* dialog = window_.propertiesDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->triangleCount()->text(), QStringLiteral("12"));

  // Undo removes the cube: the open dialog has no object.
  ASSERT_TRUE(shell.Dispatch(cmd::kUndo));
  EXPECT_EQ(dialog->messageLine()->text(), QStringLiteral("No object selected"));
  ASSERT_TRUE(shell.Dispatch(cmd::kRedo));

  // Shown again after Accept, it is the same dialog.
  dialog->OnAccept();
  shell.Dispatch(cmd::kPropertiesEdit);
  EXPECT_EQ(window_.propertiesDialog(), dialog);
  EXPECT_TRUE(dialog->isVisible());

  // Help opens the bundled page in the main window's help window.
  QTest::mouseClick(dialog->helpButton(), Qt::LeftButton);
  auto* help = window_.findChild<QTextBrowser*>(QStringLiteral("HelpWindow"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("No object selected")));
  EXPECT_EQ(ShowHelpPage(&window_, QStringLiteral("objectpropertiesdialog")), help);
  ShowHelpPage(&window_, QStringLiteral("../objectpropertiesdialog"));
  EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("not available")));
}

}  // namespace
}  // namespace torvane
