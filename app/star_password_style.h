// Password edits show "*" for each character, whatever the desktop style
// would draw.
#pragma once

class QStyle;

namespace app {

// One style shared by every password edit, owned by the application.
QStyle* StarPasswordStyle();

}  // namespace app
