#pragma once
// A file written beside its target and renamed over it once complete, as QSaveFile does,
// but without waiting for the disk to confirm it: the contents stay in the database, so
// a copy that a power cut loses is fetched again. No partial file takes the target's name.
#include <QTemporaryFile>

class FicheroNuevo : public QTemporaryFile {
public:
    explicit FicheroNuevo(const QString &ruta);
    // False when the target cannot be replaced or the file beside it cannot be made.
    bool abrir();
    // Puts the written file in the target's place; false and errorString() on failure.
    bool confirmar();
    const QString &ruta() const { return m_ruta; }

private:
    QString m_ruta;
};
