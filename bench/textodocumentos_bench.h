#pragma once
// The documents' text: the search by what documents say over `documentos` texts added to
// the database in carpeta (with `expedientes` case files), and the pages per second
// read out of PDFs with a text layer and of scans.
#include <QString>

void benchTextoDocumentos(const QString &carpeta, int expedientes, int documentos, int veces);
