#pragma once
// Where the user's documents land on disk. The library folder + "/DOC" + user id where
// that folder can be written; otherwise (an installed library) a private folder of the
// user's own, under the user's data folder. Copies written there only to be opened are
// noted, and removed at a later start once nobody holds them.
#include <QString>

namespace CarpetaTrabajo {
// The work folder for a user; makes the private parent folder (0700) when it is the one.
QString elegir(const QString &carpetaLibreria, int idUsuario);
// Where the scanner writes: work folder + "/DOC" + yyyyMMddHHmm + ".pdf" (the folder is
// created first).
QString rutaEscaneo();
// Notes a file written into the work folder only to be opened or stored.
void anotarCopia(const QString &ruta);
// Removes the noted copies in carpeta written before this process started, left as they
// were written and held by no program. Returns how many were removed.
int limpiar(const QString &carpeta);
} // namespace CarpetaTrabajo
