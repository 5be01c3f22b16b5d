#include "panes/pane.h"

#include <QPushButton>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

#include "settings/settings.h"

namespace shotsweep {
namespace {

template <typename W>
W* Placed(W* widget, const std::string& name, QRect geometry) {
  widget->setObjectName(QString::fromStdString(name));
  widget->setGeometry(geometry);
  return widget;
}

}  // namespace

Pane::Pane(const PaneLook& look, const PaneLayout& layout, DriveTable& drives, FileSystem& fs, QWidget* parent)
    : QGroupBox(look.caption, parent), driveTable_(drives), fs_(fs), captionColour_(look.captionColour) {
  const std::string name = look.name;
  setObjectName(QString::fromStdString(name + "Pane"));
  setGeometry(layout.frame);
  drives_ = Placed(new DriveList(drives, this), name + "Drives", layout.drives);
  copyPath_ = Placed(new QPushButton(look.copyPathText, this), name + "CopyPathButton", layout.copyPath);
  copyPath_->setToolTip(look.copyPathTip);
  folders_ = Placed(new FolderList(fs, this), name + "Folders", layout.folders);
  files_ = Placed(new FileList(fs, this), name + "Files", layout.files);
  // Made after the file list, so drawn above its lower right corner.
  refresh_ = Placed(new QPushButton(look.refresh, QString(), this), name + "RefreshButton", layout.refresh);
  refresh_->setIconSize(QSize(24, 24));
  refresh_->setToolTip("Refresh Filelist");

  // Direct connections: a change set by code is handled before that code goes on.
  connect(drives_, &DriveList::Change, this, &Pane::DriveChosen, Qt::DirectConnection);
  connect(folders_, &FolderList::Change, this, &Pane::FolderOpened, Qt::DirectConnection);
  connect(refresh_, &QPushButton::clicked, files_, [this] {
    files_->Refresh();
    update();
  });
  // The count in the caption follows the list.
  connect(files_, &FileList::Listed, this, qOverload<>(&QWidget::update));
}

QString Pane::Caption() const {
  const std::optional<int> count = files_->ShownCount();
  if (!count) return title();
  return QString("%1 (%2 %3)").arg(title(), locale().toString(*count), *count == 1 ? "file" : "files");
}

// The folder list moves to the drive's current folder (its own change saves the pair and
// lists the files again), then the pair is saved again.
void Pane::DriveChosen() {
  if (const std::optional<Drive> drive = driveTable_.Find(drives_->Drive())) {
    folders_->SetPath(driveTable_.CurrentFolder(*drive));
  }
  emit Changed();
}

void Pane::FolderOpened() {
  const std::string folder = folders_->Path();
  files_->SetPath(folder);
  update();
  driveTable_.Remember(folder);
  emit Changed();
}

void Pane::ShowFolderOf(Pane& other) {
  drives_->SetDrive(other.drives_->Drive());
  folders_->SetPath(other.folders_->Path());
  emit Changed();
}

void Pane::CreateFolder(Dialogs& dialogs) {
  const std::string name = dialogs.InputBox("Enter Folder Name:", "Create New Folder", "JPG");
  if (name.empty()) return;
  // One level only: a name that reaches into another folder is not a folder name.
  const std::string folder = folders_->Path();
  if (!folder.empty() && name.find_first_of(std::string{'/', kNativeSeparator}) == std::string::npos) {
    fs_.MakeFolder(WithTrailingSeparator(folder) + name);
  }
  folders_->Refresh();
}

void Pane::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  option.text = Caption();
  // Some styles take the caption's colour from the option, others from the palette.
  option.textColor = captionColour_;
  option.palette.setColor(QPalette::WindowText, captionColour_);
  painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

}  // namespace shotsweep
