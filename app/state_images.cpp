#include "app/state_images.h"

#include <QPainter>

namespace app {

QPixmap StateImagePicture(TStateImage image) {
  // Drawn rather than loaded: the window needs no files beside the program.
  static const QColor colours[] = {QColor(0xB0, 0xB0, 0xB0), QColor(0xF0, 0xC0, 0x20),
                                   QColor(0x30, 0xA0, 0x40), QColor(0xD0, 0x30, 0x30)};
  QPixmap picture(kStateImageSize, kStateImageSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(colours[image].darker(140));
  painter.setBrush(colours[image]);
  painter.drawEllipse(2, 2, kStateImageSize - 4, kStateImageSize - 4);
  return picture;
}

}  // namespace app
