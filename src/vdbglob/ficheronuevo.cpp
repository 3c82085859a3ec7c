#include "ficheronuevo.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>

FicheroNuevo::FicheroNuevo(const QString &ruta) : QTemporaryFile(ruta + QStringLiteral(".XXXXXX")), m_ruta(ruta) {}

bool FicheroNuevo::abrir() {
    const QFileInfo destino(m_ruta);
    if (destino.isDir()) {
        setErrorString(QStringLiteral("es una carpeta"));
        return false;
    }
    if (destino.exists() && !destino.isWritable()) {
        setErrorString(QStringLiteral("no se puede sustituir"));
        return false;
    }
    return open();
}

bool FicheroNuevo::confirmar() {
    if (!flush())
        return false;
    // As a new file of the user's would be: read and write for the owner, read for the rest.
    setPermissions(ReadOwner | WriteOwner | ReadGroup | ReadOther);
    const QString temporal = fileName();
    close();
    if (std::rename(QFile::encodeName(temporal).constData(), QFile::encodeName(m_ruta).constData()) != 0) {
        setErrorString(qt_error_string(errno));
        return false;
    }
    setAutoRemove(false);
    return true;
}
