#pragma once
// Backups of the embedded database: both files copied through SQLite's online backup,
// from one read snapshot, while other users keep working; and a copy put back after
// checking it. A server database is copied with its own tools (README).
#include "exportar.h"
#include <QSqlDatabase>
#include <QString>

namespace Copias {
// Writes empresa.db and vmcomun.db of the open embedded database into the folder
// destino (made when missing; a copy already there is never replaced).
VMEXP_EXPORT bool copiar(QSqlDatabase &db, const QString &destino, QString *error = nullptr);
// Whether the folder origen holds a whole copy: both files, each passing SQLite's
// integrity check, with a schema version this program can open. *version gets it.
VMEXP_EXPORT bool comprobar(const QString &origen, int *version = nullptr, QString *error = nullptr);
// Puts the checked copy in origen back over the open database, in place (the other
// users' connections see it at their next statement).
VMEXP_EXPORT bool restaurar(QSqlDatabase &db, const QString &origen, QString *error = nullptr);
} // namespace Copias
