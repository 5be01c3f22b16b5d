#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/qt/qt_dialogs.h"

namespace shotsweep {
namespace {

QStyle::StandardPixmap PixmapOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Critical: return QStyle::SP_MessageBoxCritical;
    case MessageIcon::Warning: return QStyle::SP_MessageBoxWarning;
    case MessageIcon::Information: break;
  }
  return QStyle::SP_MessageBoxInformation;
}

}  // namespace

// Not a QMessageBox: its text cannot scroll, and a run over six hundred files has six hundred
// rows to show.
void QtDialogs::ReportBox(const ReportBoxRequest& report) {
  QDialog box(parent_);
  box.setObjectName("ReportBox");
  box.setWindowTitle(QString::fromStdString(report.title));
  auto* layout = new QVBoxLayout(&box);

  auto* head = new QHBoxLayout;
  auto* icon = new QLabel(&box);
  const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
  icon->setPixmap(box.style()->standardIcon(PixmapOf(report.icon), nullptr, &box).pixmap(side, side));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(QString::fromStdString(report.text), &box);
  text->setObjectName("text");
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  head->addWidget(icon);
  head->addWidget(text, 1);
  layout->addLayout(head);

  if (!report.rows.empty()) {
    auto* rows = new QListWidget(&box);
    rows->setObjectName("rows");
    rows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    rows->setUniformItemSizes(true);  // quick with thousands of rows
    for (const std::string& row : report.rows) rows->addItem(QString::fromStdString(row));
    layout->addWidget(rows, 1);
  }

  if (!report.details.empty()) {
    auto* toggle = new QToolButton(&box);
    toggle->setObjectName("details");
    toggle->setText(QObject::tr("Details"));
    toggle->setCheckable(true);
    toggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toggle->setArrowType(Qt::RightArrow);
    auto* details = new QPlainTextEdit(QString::fromStdString(report.details).remove(QLatin1Char('\r')), &box);
    details->setObjectName("transcript");
    details->setReadOnly(true);
    details->setLineWrapMode(QPlainTextEdit::NoWrap);
    details->setVisible(false);
    QObject::connect(toggle, &QToolButton::toggled, &box, [toggle, details](bool shown) {
      details->setVisible(shown);
      toggle->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    });
    layout->addWidget(toggle, 0, Qt::AlignLeft);
    layout->addWidget(details, 1);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.resize(560, report.rows.empty() ? 160 : 400);
  box.exec();
}

}  // namespace shotsweep
