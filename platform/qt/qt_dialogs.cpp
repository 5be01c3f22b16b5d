#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>

#include "platform/qt/local_path.h"

namespace shotsweep {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

int TitleWidth(const QString& title) {
  // The window manager draws the title, in a font of its own, beside its buttons; a bold
  // desktop font with room for three buttons is a fair guess at what it needs.
  QFont bold = QApplication::font();
  bold.setBold(true);
  return QFontMetrics(bold).horizontalAdvance(title) * 11 / 10 + 3 * 32;
}

void FitTitle(QMessageBox& box) {
  // A box is as wide as its text; with a short text ("Operation done") the window manager
  // cuts a longer title short ("RAW fil...named"). A row of that width below the rest keeps
  // the box at least as wide as its title needs.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(new QSpacerItem(TitleWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

QStringList NameFiltersFrom(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == "*.*") pattern = "*";
    }
    const QString description = parts[i].trimmed();
    const QString wanted = QString("(%1)").arg(patterns.join(' '));
    if (description.endsWith(wanted) || description.endsWith(QString("(%1)").arg(parts[i + 1])))
      filters << description;
    else
      filters << (description.isEmpty() ? wanted : description + ' ' + wanted);
  }
  return filters;
}

void QtDialogs::MessageBox(const std::string& text, const std::string& title, MessageIcon icon) {
  const QMessageBox::Icon shown = icon == MessageIcon::Critical  ? QMessageBox::Critical
                                  : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                                 : QMessageBox::Information;
  QMessageBox box(shown, Q(title), Q(text), QMessageBox::Ok, parent_);
  FitTitle(box);
  box.exec();
}

bool QtDialogs::Question(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::No);
  FitTitle(box);
  return box.exec() == QMessageBox::Yes;
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& proposed) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(Q(title));
  dialog.setLabelText(Q(prompt));
  dialog.setTextValue(Q(proposed));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

std::optional<std::string> QtDialogs::OpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(parent_, Q(request.DialogTitle));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // Photo lists come from Windows machines as often as not: "*.txt" must find "LIST.TXT".
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  QString suffix = Q(request.DefaultExt);
  // Given as "txt", ".txt" or "*.txt"; Qt wants the bare suffix.
  while (suffix.startsWith('*') || suffix.startsWith('.')) suffix.remove(0, 1);
  dialog.setDefaultSuffix(suffix);
  const QStringList filters = NameFiltersFrom(request.Filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.FileName.empty()) dialog.selectFile(Q(request.FileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToLocalPath(dialog.selectedFiles().constFirst());
}

}  // namespace shotsweep
