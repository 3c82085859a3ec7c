#include "versionesquema.h"

#include "conexion.h"
#include "dialecto.h"
#include "registro.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString kTabla = QStringLiteral("vmexp_version");

void decir(QString *error, const QString &texto) {
    if (error)
        *error = texto;
}

bool hayTabla(QSqlDatabase &db, const QString &tabla) { return db.tables().contains(tabla, Qt::CaseInsensitive); }

// Opens a transaction that holds the write lock from its start, so that two programs
// upgrading at once take turns and the second finds the step done.
bool empezar(QSqlDatabase &db) {
    const QString inicio = DialectoSql::paraDriver(db.driverName())->inicioEscritura();
    if (!inicio.isEmpty())
        return QSqlQuery(db).exec(inicio);
    if (!db.transaction())
        return false;
    // A server's plain begin takes no lock: the version row is what upgraders queue on.
    if (db.driverName() == QLatin1String("QPSQL") && hayTabla(db, kTabla))
        return QSqlQuery(db).exec(QStringLiteral("LOCK TABLE vmexp_version IN EXCLUSIVE MODE"));
    return true;
}

bool ejecutarPaso(QSqlDatabase &db, const VersionEsquema::Paso &paso, QString *error) {
    QSqlQuery q(db);
    for (const QString &sql : paso.sentencias) {
        qCInfo(lcEsquema).noquote() << sql;
        if (!q.exec(sql)) {
            decir(error, textoError(q.lastError()));
            return false;
        }
    }
    if (!q.exec(QStringLiteral("DELETE FROM ") + kTabla)
        || !q.exec(QStringLiteral("INSERT INTO %1 (Ver_Numero) VALUES (%2)").arg(kTabla).arg(paso.version))) {
        decir(error, textoError(q.lastError()));
        return false;
    }
    return true;
}
} // namespace

const QList<VersionEsquema::Paso> &VersionEsquema::pasos() {
    static const QList<Paso> p{
        {2, QStringLiteral("anotar en la base de datos la versión de su esquema"),
         {QStringLiteral("CREATE TABLE IF NOT EXISTS vmexp_version (Ver_Numero integer NOT NULL)")}},
    };
    return p;
}

int VersionEsquema::leer(QSqlDatabase &db, QString *error) {
    if (!hayTabla(db, kTabla))
        return hayTabla(db, QStringLiteral("Exp")) ? 1 : 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT max(Ver_Numero) FROM ") + kTabla) || !q.next()) {
        decir(error, QStringLiteral("No se puede leer la versión del esquema de la base de datos: %1").arg(textoError(q.lastError())));
        return -1;
    }
    return q.value(0).toInt();
}

QList<VersionEsquema::Paso> VersionEsquema::pendientes(int desde, const QList<Paso> &pasos) {
    QList<Paso> r;
    for (const Paso &p : pasos)
        if (p.version > desde)
            r << p;
    return r;
}

QString VersionEsquema::rechazoPorNueva(int version) {
    if (version <= kActual)
        return {};
    return QStringLiteral("La base de datos tiene la versión %1 del esquema, más nueva que la %2 que conoce este "
                          "programa. No se ha modificado nada: instale la versión del programa con la que se creó o "
                          "se actualizó la base de datos.")
        .arg(version)
        .arg(kActual);
}

bool VersionEsquema::actualizar(QSqlDatabase &db, QString *error, const QList<Paso> &pasos) {
    QString motivo;
    const int inicial = leer(db, &motivo);
    if (inicial < 0) {
        decir(error, motivo);
        return false;
    }
    const int conocida = pasos.isEmpty() ? kActual : std::max(kActual, pasos.last().version);
    if (inicial > conocida) {
        decir(error, rechazoPorNueva(inicial));
        return false;
    }
    for (const Paso &paso : pendientes(inicial, pasos)) {
        if (!empezar(db)) {
            decir(error, QStringLiteral("No se puede empezar la actualización a la versión %1: %2")
                             .arg(paso.version)
                             .arg(textoError(db.lastError())));
            return false;
        }
        // Read again inside the transaction: another program may have done it meanwhile.
        const int ahora = leer(db, &motivo);
        const bool hecho = ahora >= paso.version;
        if (!hecho && (ahora < 0 || !ejecutarPaso(db, paso, &motivo))) {
            db.rollback();
            decir(error, QStringLiteral("No se ha podido actualizar la base de datos a la versión %1 (%2): %3. "
                                        "Ese paso no ha cambiado nada.")
                             .arg(paso.version)
                             .arg(paso.descripcion, motivo));
            qCWarning(lcEsquema).noquote() << *error;
            return false;
        }
        if (!db.commit()) {
            decir(error, QStringLiteral("No se ha podido terminar la actualización a la versión %1: %2")
                             .arg(paso.version)
                             .arg(textoError(db.lastError())));
            db.rollback();
            return false;
        }
        qCInfo(lcEsquema).noquote() << (hecho ? "ya estaba en la versión" : "actualizada a la versión") << paso.version;
    }
    return true;
}
