#pragma once
// File contents moved in and out of a blob column in chunks, so that storing or
// viewing a large document never holds the whole file in memory.
#include "exportar.h"
#include <QString>
#include <functional>

#include "resultado.h"

class Conexion;

namespace FlujoBlob {
// Progress callback: bytes done of the total; returning false cancels the transfer.
using Progreso = std::function<bool(qint64 hecho, qint64 total)>;

// Writes the whole file at ruta into tabla.columna of the row whose generated key is
// fila. A failure when the file cannot be read, the row does
// not exist or the database refuses the write; the column is then left as it was.
VMEXP_EXPORT Resultado guardarFichero(Conexion *conexion, const QString &tabla, const QString &columna, qint64 fila,
                         const QString &ruta, const Progreso &progreso = {});

// Writes the contents of tabla.columna of row fila into the file at ruta (replacing it).
// A missing row or a NULL content is no failure: *escrito is then false. A failure
// when the file cannot be written (no partial file remains).
VMEXP_EXPORT Resultado cargarAFichero(Conexion *conexion, const QString &tabla, const QString &columna, qint64 fila,
                         const QString &ruta, bool *escrito, const Progreso &progreso = {});
} // namespace FlujoBlob
