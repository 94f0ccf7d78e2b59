#include "classlib/format_settings.h"

namespace classlib {

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

void ResetFormatSettings() { FormatSettings() = TFormatSettings(); }

}  // namespace classlib
