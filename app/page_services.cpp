#include "app/page_services.h"

#include <QRegularExpression>
#include <cstdlib>

namespace app {

QStringList TConfiguredServerList::Names() {
  const char* configured = std::getenv("UPDATER_DB_SERVERS");
  if (!configured) return {QStringLiteral("localhost")};
  return QString::fromUtf8(configured).split(QRegularExpression(QStringLiteral("[;,\\s]+")),
                                             Qt::SkipEmptyParts);
}

void TConfiguredServerList::Enumerate(const std::function<void(const QString&)>& add) {
  for (const QString& name : Names()) add(name);
}

}  // namespace app
