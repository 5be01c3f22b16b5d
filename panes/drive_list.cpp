#include "panes/drive_list.h"

#include <QSignalBlocker>
#include <QStyle>

#include "platform/qt/local_path.h"

namespace shotsweep {

DriveList::DriveList(DriveTable& drives, QWidget* parent) : QComboBox(parent), drives_(drives) {
  setEditable(false);
  Fill();
  connect(this, &QComboBox::currentIndexChanged, this, &DriveList::Change, Qt::DirectConnection);
}

std::string DriveList::Drive() const { return ToLocalPath(currentText()); }

bool DriveList::SetDrive(std::string_view text) {
  const std::optional<shotsweep::Drive> drive = drives_.Find(text);
  if (!drive) return false;
  int index = findText(FromLocalPath(drive->text), Qt::MatchExactly);
  if (index < 0) {
    Fill();
    index = findText(FromLocalPath(drive->text), Qt::MatchExactly);
  }
  if (index < 0) return false;
  setCurrentIndex(index);
  return true;
}

void DriveList::showPopup() {
  drives_.Reload();
  Fill();
  QComboBox::showPopup();
}

void DriveList::Fill() {
  const QSignalBlocker quiet(this);
  const QString selected = currentText();
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  clear();
  for (const shotsweep::Drive& drive : drives_.drives()) addItem(icon, FromLocalPath(drive.text));
  // A drive that has gone away stays selected until the user picks another, as the folder
  // list may still show one of its folders.
  if (!selected.isEmpty() && findText(selected, Qt::MatchExactly) < 0) addItem(icon, selected);
  setCurrentIndex(selected.isEmpty() ? -1 : findText(selected, Qt::MatchExactly));
}

}  // namespace shotsweep
