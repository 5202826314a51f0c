// MainWindow: Torvane's single top-level window. It shows the document's file
// name in its caption (with "*" while there are unsaved changes), holds the
// four views in the stored layout, and shows the status display of the
// selected object at the bottom. The view settings are read by StartUp and
// written when a started window closes. It owns the object properties
// dialog, created the first time it is shown.
#pragma once

#include <QMainWindow>
#include <string>

class QLabel;

namespace torvane {

struct Document;
class ObjectPropertiesDialog;
class SceneViews;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(Document& doc, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Rebuilds the caption from the document path and the modified flag.
  void UpdateTitle(bool modified);
  void SetDocumentPath(const std::string& path) { document_path_ = path; }

  SceneViews& views() { return *views_; }
  Document& document() { return doc_; }

  // Reads the view settings (grid, layout, camera); from then on closing
  // the window writes them back.
  void StartUp();
  bool startedUp() const { return started_up_; }
  // Closing writes no settings (used by the screenshot run).
  void SetKeepSettingsOnClose(bool keep) { keep_settings_ = keep; }

  // Opens the object properties dialog (created on first use) and
  // activates it.
  void ShowProperties();
  // Brings an open properties dialog up to date with the selection and the
  // objects; cheap, and nothing happens while it is closed.
  void RefreshProperties();
  // Null until the dialog was first shown.
  ObjectPropertiesDialog* propertiesDialog() const { return properties_; }

 Q_SIGNALS:
  // The properties dialog changed an object.
  void objectEdited();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Document& doc_;
  SceneViews* views_ = nullptr;
  QLabel* status_label_ = nullptr;
  ObjectPropertiesDialog* properties_ = nullptr;
  std::string document_path_ = "Untitled.stl";
  bool shown_modified_ = false;
  bool started_up_ = false;
  bool keep_settings_ = false;
  bool settings_written_ = false;
};

}  // namespace torvane
