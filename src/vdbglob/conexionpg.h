#pragma once
// libpq's own connection behind an open QPSQL connection, for what the Qt driver does
// slowly or not at all (documents, the grid's pages).
#include <libpq-fe.h>

class QSqlDatabase;
class QSqlError;
class QString;

// nullptr, with the reason in *error, when db is no open PostgreSQL connection.
PGconn *conexionPg(const QSqlDatabase &db, QString *error);

// A failed statement's error in the driver's words, so that the library reads it alike.
QSqlError errorPg(PGconn *c, PGresult *r);
