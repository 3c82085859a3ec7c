#pragma once
// The embedded database: two SQLite files (the company's and vmcomun) built from
// the DDL in db/, and the connection the host hands to the library.
#include "exportar.h"
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

struct sqlite3;

namespace BaseDatos {
// Creates both files in carpeta (replacing any there) from the DDL; with demo,
// also the Spanish demo data. False and a message in *error on failure.
VMEXP_EXPORT bool crear(const QString &carpeta, bool demo, QString *error = nullptr);
VMEXP_EXPORT bool existe(const QString &carpeta);
// The database files missing from carpeta ("empresa.db", "vmcomun.db").
VMEXP_EXPORT QStringList faltan(const QString &carpeta);
// Opens carpeta/empresa.db with vmcomun attached, WAL, busy timeout, and the
// functions the SQLite dialect needs. nombre is the Qt connection name.
VMEXP_EXPORT QSqlDatabase abrir(const QString &carpeta, const QString &nombre, QString *error = nullptr);
// The collation of the text columns: Spanish order (accents do not move a letter, ñ
// after n), letter case never counts, accents tell apart what the letters tie. Another
// SQLite program that lacks it reads rows but refuses to order by or write an indexed text.
constexpr const char *kCotejo = "VMEXP_ES";
// Registers kCotejo on a raw SQLite handle, and vmexp_plegar(texto), the folding that
// the name index's triggers store (see plegar).
VMEXP_EXPORT bool registrarCotejo(sqlite3 *h);
// Lower case without accents, as the name search compares: "Núñez" → "nunez".
VMEXP_EXPORT QString plegar(const QString &texto);
// Registers kCotejo, Getdate() and a Unicode-aware like() on an open SQLite connection.
VMEXP_EXPORT bool registrarFunciones(QSqlDatabase &db);
// The SQLite handle under an open Qt connection; nullptr for another backend.
VMEXP_EXPORT sqlite3 *manejador(const QSqlDatabase &db);

// A PostgreSQL database given by a libpq connection string or URI; what it leaves out
// (the password too) comes from libpq's usual sources: environment, ~/.pgpass.
VMEXP_EXPORT QSqlDatabase abrirServidor(const QString &conexion, const QString &nombre, QString *error = nullptr);
// Schema and, with demo, the demo data on an open server database that has none of
// the tables; never drops or replaces one.
VMEXP_EXPORT bool crearEnServidor(QSqlDatabase &db, bool demo, QString *error = nullptr);
} // namespace BaseDatos
