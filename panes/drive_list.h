#pragma once
// A pane's drive list. Its Drive is the selected drive's text; choosing a drive, by the user
// or by setting Drive, emits Change at once, inside the code that made the choice.

#include <QComboBox>
#include <string>
#include <string_view>

#include "platform/qt/drives.h"

namespace shotsweep {

class DriveList : public QComboBox {
  Q_OBJECT

 public:
  DriveList(DriveTable& drives, QWidget* parent = nullptr);

  std::string Drive() const;
  // Selects the drive the text names (DriveTable::Find). False, and nothing changes, when no
  // drive matches. Selecting the drive already shown changes nothing.
  bool SetDrive(std::string_view text);

  // A card inserted since the list was filled shows when the list is opened.
  void showPopup() override;

 signals:
  void Change();

 private:
  void Fill();

  DriveTable& drives_;
};

}  // namespace shotsweep
