#include "app/picture_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace shotsweep {
namespace {

constexpr int kGap = 2;
constexpr int kTextFlags = Qt::TextWordWrap | Qt::AlignCenter;

}  // namespace

PictureButton::PictureButton(const QIcon& picture, QSize pictureSize, const QString& caption,
                             QWidget* parent)
    : QPushButton(picture, caption, parent) {
  setIconSize(pictureSize);
}

PictureButton::Arrangement PictureButton::Arrange(const QStyleOptionButton& option) const {
  const QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  const QSize picture = iconSize();
  const QFontMetrics metrics = fontMetrics();
  Arrangement out;

  const QRect under = metrics.boundingRect(QRect(0, 0, content.width(), 10000), kTextFlags, text());
  if (picture.height() + kGap + under.height() <= content.height()) {
    const int top = content.top() + (content.height() - picture.height() - kGap - under.height()) / 2;
    out.picture = QRect(QPoint(content.center().x() - picture.width() / 2 + 1, top), picture);
    out.caption = QRect(content.left(), out.picture.bottom() + 1 + kGap, content.width(), under.height());
    out.fits = under.width() <= content.width();
    return out;
  }
  out.picture = QRect(QPoint(content.left() + kGap, content.center().y() - picture.height() / 2 + 1), picture);
  out.caption = content.adjusted(picture.width() + 2 * kGap, 0, 0, 0);
  const QRect beside = metrics.boundingRect(QRect(0, 0, out.caption.width(), 10000), kTextFlags, text());
  out.fits = beside.height() <= out.caption.height() && beside.width() <= out.caption.width();
  return out;
}

bool PictureButton::CaptionFits() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  return Arrange(option).fits;
}

void PictureButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  Arrangement arrangement = Arrange(option);
  const QString caption = option.text;
  option.text.clear();
  option.icon = QIcon();
  painter.drawControl(QStyle::CE_PushButton, option);

  if (isDown()) {
    const QPoint shift(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    arrangement.picture.translate(shift);
    arrangement.caption.translate(shift);
  }
  icon().paint(&painter, arrangement.picture, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
  style()->drawItemText(&painter, arrangement.caption, kTextFlags, option.palette, isEnabled(), caption,
                        QPalette::ButtonText);
}

}  // namespace shotsweep
