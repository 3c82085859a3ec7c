#pragma once
// The schema version a database records (table vmexp_version, the same on every
// backend) and the ordered steps that bring an older database up to the one this
// program knows. Each step runs in a transaction of its own and can run again: a
// database already past it is left alone.
#include "exportar.h"
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace VersionEsquema {
// The version of the DDL in db/. The first release recorded none: a database that has
// the tables but no version table is version 1.
constexpr int kActual = 6;

struct Paso {
    int version;            // what the database records once the step is done
    QString descripcion;    // what the step does, in Spanish, as the host announces it
    QStringList sentencias; // on every backend, after the backend's own below
    QStringList servidor = {}; // first, on a PostgreSQL server
    // First, on an embedded database: statements worked out from its own schema.
    QStringList (*integrada)(QSqlDatabase &db) = nullptr;
};
// Every step after the first release, in order.
VMEXP_EXPORT const QList<Paso> &pasos();

// The version recorded in an open database; 0 when it holds no schema at all, -1 and
// a message when it cannot be read.
VMEXP_EXPORT int leer(QSqlDatabase &db, QString *error = nullptr);
// The steps that would take a database from version desde to the newest of pasos.
VMEXP_EXPORT QList<Paso> pendientes(int desde, const QList<Paso> &pasos = VersionEsquema::pasos());
// The Spanish refusal for a database newer than this program; empty when it is not.
VMEXP_EXPORT QString rechazoPorNueva(int version);
// Runs the pending steps, each in one transaction. False and a Spanish message at the
// first that fails; the steps before it stay done, nothing of it does.
VMEXP_EXPORT bool actualizar(QSqlDatabase &db, QString *error = nullptr, const QList<Paso> &pasos = VersionEsquema::pasos());
} // namespace VersionEsquema
