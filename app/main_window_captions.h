// Captions of the first page that change with the kind of server; the
// page shows them and the layout measures them.
#pragma once

#include <QString>

namespace app {

inline const QString kLocalServerCaption = QStringLiteral("Локальный сервер базы данных");
inline const QString kWindowsCredentialsCaption =
    QStringLiteral("Использовать учетные сведения ОС Windows");
inline const QString kDatabaseFileCaption = QStringLiteral("Файл базы данных:");
inline const QString kDatabaseNameCaption = QStringLiteral("Имя базы данных:");
inline const QString kNetworkServiceCaption = QStringLiteral("Сетевой сервис:");

}  // namespace app
