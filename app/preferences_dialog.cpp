#include "app/preferences_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/settings_writer.h"

namespace shotsweep {
namespace {

QString Joined(const std::vector<std::string>& kinds) {
  QStringList list;
  for (const std::string& kind : kinds) list << QString::fromStdString(kind);
  return list.join(',');
}

// The line under a setting that says what it does, smaller and greyed as a hint is.
QLabel* Explanation(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  label->setForegroundRole(QPalette::PlaceholderText);
  QFont small = label->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  label->setFont(small);
  return label;
}

}  // namespace

PreferencesDialog::PreferencesDialog(const Settings& current, const QString& file, Save save, QWidget* parent)
    : QDialog(parent), current_(current), save_(std::move(save)) {
  setObjectName("PreferencesDialog");
  setWindowTitle("Preferences");
  auto* layout = new QVBoxLayout(this);

  const auto box = [&](const char* name, const QString& text, bool ticked, const QString& explanation) {
    auto* check = new QCheckBox(text);
    check->setObjectName(name);
    check->setChecked(ticked);
    layout->addWidget(check);
    QLabel* line = Explanation(explanation);
    line->setContentsMargins(24, 0, 0, 6);
    layout->addWidget(line);
    return check;
  };
  trash_ = box("trashBox", "Deleted RAW files go to the trash (Trash)", current.trash,
               "A cleanup moves what it deletes to the desktop's trash, where it can be put back.");
  confirm_ = box("confirmBox", "Preview every cleanup first (Confirm)", current.confirm,
                 "Both cleanup buttons show what they would do and wait for the go-ahead.");
  deleteScripts_ = box("killBatBox", "Delete the cleanup scripts afterwards (KillBat)", current.deleteScripts,
                       "Clear it to keep the scripts of the last cleanup in the RAW folder, to read.");
  quoteEveryPath_ = box("qmarkBox", "Quote every path in the scripts (QMark)", current.quoteEveryPath,
                        "Otherwise a path is quoted only when the RAW folder's path holds a blank.");

  auto* form = new QFormLayout;
  const auto field = [&](const char* name, const QString& label, const QString& value, const QString& explanation) {
    auto* edit = new QLineEdit(value);
    edit->setObjectName(name);
    form->addRow(label, edit);
    form->addRow(QString(), Explanation(explanation));
    return edit;
  };
  codePage_ = field("codePageEdit", "Code page (RAWCodePage):", QString::number(current.codePage),
                    "The number after \"chcp\" on the first line of every script.");
  extraRaw_ = field("extraRawEdit", "More RAW kinds (ExtraRAW):", Joined(current.extraRawKinds),
                    "Extensions beyond nef, cr2, crw, arw and orf, separated by commas: cr3,dng,raf.");
  sidecars_ = field("sidecarsEdit", "Sidecar files (Sidecars):", Joined(current.sidecarKinds),
                    "Extensions of the files that leave with a RAW file a cleanup deletes; empty for none.");
  layout->addLayout(form);

  problems_ = new QLabel;
  problems_->setObjectName("problems");
  problems_->setWordWrap(true);
  problems_->setTextFormat(Qt::PlainText);
  QPalette red = problems_->palette();
  red.setColor(QPalette::WindowText, QColor(192, 0, 0));
  problems_->setPalette(red);
  problems_->hide();
  layout->addWidget(problems_);

  auto* where = Explanation("Saved in " + file);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(where);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
  buttons->setObjectName("buttons");
  buttons->button(QDialogButtonBox::Save)->setObjectName("save");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(520);
}

void PreferencesDialog::accept() {
  Settings chosen = current_;
  chosen.trash = trash_->isChecked();
  chosen.confirm = confirm_->isChecked();
  chosen.deleteScripts = deleteScripts_->isChecked();
  chosen.quoteEveryPath = quoteEveryPath_->isChecked();
  // Each value goes through the reader's own rules, so what is saved is what the next start
  // reads, and a value it would pass over is refused here with its reason.
  QStringList problems;
  for (auto [key, edit] : {std::pair{"RAWCodePage", codePage_}, std::pair{"ExtraRAW", extraRaw_},
                           std::pair{"Sidecars", sidecars_}}) {
    for (const std::string& problem : SettingValueProblems(key, edit->text().trimmed().toStdString(), chosen))
      problems << QString::fromStdString(problem);
  }
  if (problems.isEmpty()) {
    if (const std::optional<std::string> failure = save_(chosen)) {
      problems << "The settings could not be saved: " + QString::fromStdString(*failure);
    }
  }
  if (!problems.isEmpty()) {
    problems_->setText(problems.join('\n'));
    problems_->show();
    return;
  }
  QDialog::accept();
}

}  // namespace shotsweep
