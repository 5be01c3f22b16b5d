#pragma once
// A push button that shows its picture above its caption and wraps the caption to the
// button's width, as the window's large command buttons do. When caption and picture do not
// fit one above the other, the picture stands left of the caption.

#include <QPushButton>

namespace shotsweep {

class PictureButton : public QPushButton {
  Q_OBJECT

 public:
  PictureButton(const QIcon& picture, QSize pictureSize, const QString& caption, QWidget* parent);

  // Whether picture and caption fit the button in its present size and font.
  bool CaptionFits() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Arrangement {
    QRect picture;
    QRect caption;
    bool fits = false;
  };
  Arrangement Arrange(const QStyleOptionButton& option) const;
};

}  // namespace shotsweep
