#pragma once
// The real dialogs: Qt's message box, input dialog and file dialog, modal over the window.

#include <QStringList>

#include "platform/dialogs.h"

class QMessageBox;
class QWidget;

namespace shotsweep {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}

  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
  void ReportBox(const ReportBoxRequest& report) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& proposed) override;
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  bool Question(const std::string& text, const std::string& title) override;

 private:
  QWidget* parent_;
};

// The file dialog's name filters for a filter given as "description|pattern|" pairs:
// "Text (*.txt)|*.txt|All files|*.*" gives {"Text (*.txt)", "All files (*)"}. Qt takes the
// pattern from the filter's last parentheses, so they are added unless the description
// already ends with them. "*.*" means every file, as it does where these filters come from,
// and several patterns of one pair (";"-separated) become blank-separated.
QStringList NameFiltersFrom(const std::string& filter);

// The width a window needs for the title bar to show `title` whole, and a message box made
// at least that wide.
int TitleWidth(const QString& title);
void FitTitle(QMessageBox& box);

}  // namespace shotsweep
