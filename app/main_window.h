// MainWindow: Torvane's single top-level window. It shows the document's file
// name in its caption and rebuilds the caption whenever the modified state it
// last showed differs from the document's.
#pragma once

#include <QMainWindow>
#include <string>

namespace torvane {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);

  // Rebuilds the caption from the document path and the modified flag.
  void UpdateTitle(bool modified);
  void SetDocumentPath(const std::string& path) { document_path_ = path; }

 private:
  std::string document_path_ = "Untitled.stl";
  bool shown_modified_ = false;
};

}  // namespace torvane
