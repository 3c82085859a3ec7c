#pragma once
// Builds an embedded database of a given size for the benchmarks.
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
