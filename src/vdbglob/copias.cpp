#include "copias.h"

#include "basedatos.h"
#include "conexion.h"
#include "registro.h"
#include "versionesquema.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

namespace {
// Schema name on the connection, file name on disk.
const std::pair<const char *, const char *> kFicheros[] = {{"main", "empresa.db"}, {"vmcomun", "vmcomun.db"}};

void decir(QString *error, const QString &texto) {
    if (error)
        *error = texto;
    qCWarning(lcEsquema).noquote() << texto;
}

QString errorDe(sqlite3 *h) { return QString::fromUtf8(sqlite3_errmsg(h)); }

// Copies schema esquema of the connection origen into schema destinoEsquema of destino.
bool volcar(sqlite3 *origen, const char *esquema, sqlite3 *destino, const char *destinoEsquema, QString *motivo) {
    sqlite3_backup *b = sqlite3_backup_init(destino, destinoEsquema, origen, esquema);
    if (!b) {
        *motivo = errorDe(destino);
        return false;
    }
    int rc;
    // Pages a step, so that a busy destination is waited on, not given up at once.
    while ((rc = sqlite3_backup_step(b, 1024)) == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        if (rc != SQLITE_OK)
            sqlite3_sleep(50);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        *motivo = errorDe(destino);
        return false;
    }
    return true;
}

// One file of a copy: written beside its final name and renamed once whole.
bool copiarFichero(sqlite3 *h, const char *esquema, const QString &ruta, QString *motivo) {
    const QString parcial = ruta + QStringLiteral(".parcial");
    QFile::remove(parcial);
    sqlite3 *d = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(parcial).constData(), &d) == SQLITE_OK;
    ok = ok ? volcar(h, esquema, d, "main", motivo) : (*motivo = errorDe(d), false);
    sqlite3_close(d);
    if (ok && !QFile::rename(parcial, ruta)) {
        *motivo = QStringLiteral("no se puede dar nombre a %1").arg(ruta);
        ok = false;
    }
    if (!ok)
        QFile::remove(parcial);
    return ok;
}
} // namespace

bool Copias::copiar(QSqlDatabase &db, const QString &destino, QString *error) {
    sqlite3 *h = BaseDatos::manejador(db);
    if (!h) {
        decir(error, QStringLiteral("Solo la base de datos integrada se copia así; la de un servidor PostgreSQL se "
                                    "copia con pg_dump."));
        return false;
    }
    QDir carpeta(destino);
    for (const auto &[esquema, fichero] : kFicheros)
        if (carpeta.exists(QLatin1String(fichero))) {
            decir(error, QStringLiteral("Ya hay una copia en %1: elija otra carpeta, no se reemplaza ninguna copia.").arg(destino));
            return false;
        }
    if (!QDir().mkpath(destino)) {
        decir(error, QStringLiteral("No se puede crear la carpeta %1 para la copia.").arg(destino));
        return false;
    }
    qCInfo(lcEsquema).noquote() << "copia de seguridad en" << destino;
    // One read snapshot of both files: the copies agree with each other, whatever is
    // committed while they are written.
    QSqlQuery q(db);
    QString motivo;
    bool ok = q.exec(QStringLiteral("BEGIN")) && q.exec(QStringLiteral("SELECT count(*) FROM main.sqlite_master"))
              && q.exec(QStringLiteral("SELECT count(*) FROM vmcomun.sqlite_master"));
    if (!ok)
        motivo = textoError(q.lastError());
    q.finish();
    for (const auto &[esquema, fichero] : kFicheros)
        ok = ok && copiarFichero(h, esquema, carpeta.filePath(QLatin1String(fichero)), &motivo);
    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
    if (!ok) {
        for (const auto &[esquema, fichero] : kFicheros)
            QFile::remove(carpeta.filePath(QLatin1String(fichero)));
        decir(error, QStringLiteral("No se ha podido hacer la copia de seguridad en %1: %2").arg(destino, motivo));
    }
    return ok;
}

bool Copias::comprobar(const QString &origen, int *version, QString *error) {
    const QStringList faltan = BaseDatos::faltan(origen);
    if (!faltan.isEmpty()) {
        decir(error, QStringLiteral("En %1 no hay una copia completa: falta %2.").arg(origen, faltan.join(QStringLiteral(" y "))));
        return false;
    }
    const QString nombre = QStringLiteral("vmexp-comprobar-copia");
    bool ok = false;
    {
        QString motivo;
        QSqlDatabase db = BaseDatos::abrir(origen, nombre, &motivo);
        if (!db.isOpen())
            decir(error, motivo);
        QSqlQuery q(db);
        for (const auto &[esquema, fichero] : kFicheros) {
            if (!db.isOpen())
                break;
            if (!q.exec(QStringLiteral("PRAGMA %1.integrity_check").arg(QLatin1String(esquema))) || !q.next()
                || q.value(0).toString() != QLatin1String("ok")) {
                decir(error, QStringLiteral("La copia %1 de %2 está dañada (%3): no se puede restaurar.")
                                 .arg(QLatin1String(fichero), origen,
                                      q.isActive() ? q.value(0).toString() : textoError(q.lastError())));
                db.close();
            }
        }
        q.finish();
        const int v = db.isOpen() ? VersionEsquema::leer(db, &motivo) : -1;
        if (version)
            *version = v;
        if (db.isOpen() && v < 1)
            decir(error, v < 0 ? motivo : QStringLiteral("En %1 no hay una base de datos de expedientes.").arg(origen));
        else if (db.isOpen() && !VersionEsquema::rechazoPorNueva(v).isEmpty())
            decir(error, VersionEsquema::rechazoPorNueva(v));
        else
            ok = db.isOpen();
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
    return ok;
}

bool Copias::restaurar(QSqlDatabase &db, const QString &origen, QString *error) {
    sqlite3 *h = BaseDatos::manejador(db);
    if (!h) {
        decir(error, QStringLiteral("Solo la base de datos integrada se restaura así; la de un servidor PostgreSQL se "
                                    "restaura con pg_restore."));
        return false;
    }
    if (!comprobar(origen, nullptr, error))
        return false;
    qCInfo(lcEsquema).noquote() << "restaurando la copia de" << origen;
    for (const auto &[esquema, fichero] : kFicheros) {
        sqlite3 *o = nullptr;
        const QString ruta = QDir(origen).filePath(QLatin1String(fichero));
        QString motivo;
        bool ok = sqlite3_open_v2(QFile::encodeName(ruta).constData(), &o, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
        ok = ok ? volcar(o, "main", h, esquema, &motivo) : (motivo = errorDe(o), false);
        sqlite3_close(o);
        if (!ok) {
            decir(error, QStringLiteral("No se ha podido restaurar %1 de %2: %3").arg(QLatin1String(fichero), origen, motivo));
            return false;
        }
    }
    return true;
}
