#pragma once
// What a cleanup would do, shown before it is done: what it would delete (or move to the
// trash), set aside and keep, with counts, and a button that carries out exactly that cleanup.
// The files are a list over the plan's rows, which paints only what is in sight.

#include <QDialog>
#include <QString>

#include "cleanup/cleanup_plan.h"

class QLabel;
class QPushButton;

namespace shotsweep {

class PreviewDialog : public QDialog {
  Q_OBJECT

 public:
  // `rawFolder` as the pane shows it. Accepted when the user chose to carry the cleanup out.
  PreviewDialog(QWidget* parent, const QString& title, const RunPlan& plan, const QString& rawFolder);

  // What would become of a file, in the words its row shows.
  static QString Fate(PlannedFile::Action action);
  // The one-line summary, as the dialog shows it.
  static QString Summary(const RunPlan& plan);
  // The plain warning for a cleanup that would leave no RAW file in the folder; empty otherwise.
  static QString Warning(const RunPlan& plan);
};

}  // namespace shotsweep
