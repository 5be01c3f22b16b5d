#pragma once
// The settings of Shotsweep.ini, changed in the window: the four switches, the code page and
// the two lists, each with a line that says what it does. A value the file could not take is
// refused with the reason the start-up would give for it, and the dialog stays open.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "settings/settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace shotsweep {

class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  // Saves the settings chosen; why it could not, or nullopt.
  using Save = std::function<std::optional<std::string>(const Settings& chosen)>;

  // `file`: where the settings are saved, as the dialog names it.
  PreferencesDialog(const Settings& current, const QString& file, Save save, QWidget* parent);

  void accept() override;

 private:
  Settings current_;
  Save save_;
  QCheckBox* trash_;
  QCheckBox* confirm_;
  QCheckBox* deleteScripts_;
  QCheckBox* quoteEveryPath_;
  QLineEdit* codePage_;
  QLineEdit* extraRaw_;
  QLineEdit* sidecars_;
  QLabel* problems_;
};

}  // namespace shotsweep
