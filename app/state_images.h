// The pictures of the update parts' state images.
#pragma once

#include <QPixmap>

#include "app/progress_view.h"

namespace app {

inline constexpr int kStateImageSize = 16;

QPixmap StateImagePicture(TStateImage image);

}  // namespace app
