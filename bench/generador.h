#pragma once
// Builds a database of a given size for the benchmarks: the embedded files of a folder,
// or a database of the PostgreSQL server the environment names (PGHOST and the rest).
#include <QString>

struct Tamano {
    int expedientes = 10000;
    int clientes = 100000;
    int proveedores = 10000;
    int usuarios = 200;      // the first 50 hold the everyday authorisations
    int actuacionesGrande = 10000;
    int usuariosGrande = 200;
};

// Creates carpeta's databases from db/ and fills them in one transaction with prepared
// statements. The case file with id 1 is the big one (actions and authorised users).
bool generarBase(const QString &carpeta, const Tamano &t, QString *error);
// The same rows in a new server database named base (dropped first if it exists), with
// the schema of db/ and the rows sent by COPY.
bool generarBaseServidor(const QString &base, const Tamano &t, QString *error);
