#include "carpetatrabajo.h"

#include "modexp.h"
#include "registro.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextStream>

namespace {
// Taken when the library is loaded: a copy written before then belongs to an earlier run.
const qint64 kInicio = QDateTime::currentMSecsSinceEpoch();

const QString kLista = QStringLiteral(".vmexp-copias");
constexpr QFile::Permissions kSoloUsuario = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

bool sePuedeEscribir(const QString &carpeta) {
    // A real try: root passes every permission check, a read-only mount does not.
    QTemporaryFile prueba(carpeta + QStringLiteral("/.vmexp-XXXXXX"));
    return prueba.open();
}

// Whether any process we may look at has the file open (/proc/<pid>/fd/*).
bool abiertoPorAlguien(const QString &ruta) {
    const QString destino = QFileInfo(ruta).canonicalFilePath();
    QDirIterator procesos(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (procesos.hasNext()) {
        const QString proceso = procesos.next();
        bool numero = false;
        procesos.fileName().toInt(&numero);
        if (!numero)
            continue;
        QDirIterator fds(proceso + QStringLiteral("/fd"), QDir::Files | QDir::System);
        while (fds.hasNext())
            if (QFile::symLinkTarget(fds.next()) == destino)
                return true;
    }
    return false;
}

// Office suites keep a lock file beside a document they have open, not the file itself.
bool bloqueadoPorOfimatica(const QString &ruta) {
    const QFileInfo f(ruta);
    return QFile::exists(f.absolutePath() + QStringLiteral("/.~lock.") + f.fileName() + u'#');
}

struct Copia {
    QString nombre;
    qint64 tamano = -1;  // -1: not written yet when noted (a scan)
    qint64 escrita = -1; // modification time, ms
};

QList<Copia> leerLista(const QString &carpeta) {
    QList<Copia> r;
    QFile f(carpeta + u'/' + kLista);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return r;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QStringList campos = in.readLine().split(u'\t');
        if (campos.size() == 3 && !campos[2].isEmpty())
            r.append({campos[2], campos[0].toLongLong(), campos[1].toLongLong()});
    }
    return r;
}

void escribirLista(const QString &carpeta, const QList<Copia> &copias) {
    const QString ruta = carpeta + u'/' + kLista;
    if (copias.isEmpty()) {
        QFile::remove(ruta);
        return;
    }
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&f);
    for (const Copia &c : copias)
        out << c.tamano << u'\t' << c.escrita << u'\t' << c.nombre << u'\n';
    out.flush();
    f.commit();
}
} // namespace

QString CarpetaTrabajo::elegir(const QString &carpetaLibreria, int idUsuario) {
    const QString nombre = QStringLiteral("DOC") + QString::number(idUsuario);
    const QString propia = carpetaLibreria + u'/' + nombre;
    if (sePuedeEscribir(QDir(propia).exists() ? propia : carpetaLibreria))
        return propia;
    qCInfo(lcDocumentos).noquote() << "no se puede escribir en" << carpetaLibreria << ": carpeta de trabajo propia del usuario";
    // Documents are confidential: nobody else may even list the private folder.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vmexp");
    if (QDir().mkpath(base))
        QFile::setPermissions(base, kSoloUsuario);
    return base + u'/' + nombre;
}

QString CarpetaTrabajo::rutaEscaneo() {
    FnCrearCarpeta();
    const QString ruta = gCarpetaDoc + QStringLiteral("/DOC")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm")) + QStringLiteral(".pdf");
    // Noted before the scanner writes it: a run that dies before removing it leaves no orphan.
    anotarCopia(ruta);
    return ruta;
}

void CarpetaTrabajo::anotarCopia(const QString &ruta) {
    const QFileInfo f(ruta);
    const QString carpeta = f.absolutePath();
    QList<Copia> copias = leerLista(carpeta);
    copias.removeIf([&](const Copia &c) { return c.nombre == f.fileName(); });
    copias.append({f.fileName(), f.exists() ? f.size() : -1, f.exists() ? f.lastModified().toMSecsSinceEpoch() : -1});
    escribirLista(carpeta, copias);
}

int CarpetaTrabajo::limpiar(const QString &carpeta) {
    const QList<Copia> copias = leerLista(carpeta);
    if (copias.isEmpty())
        return 0;
    QList<Copia> quedan;
    int borradas = 0;
    for (const Copia &c : copias) {
        const QFileInfo f(carpeta + u'/' + c.nombre);
        if (!f.exists())
            continue;
        const qint64 escrita = f.lastModified().toMSecsSinceEpoch();
        // Changed since it was written: the user's own work now, never ours to remove.
        if (c.tamano >= 0 && (f.size() != c.tamano || escrita != c.escrita))
            continue;
        if (escrita >= kInicio || abiertoPorAlguien(f.filePath()) || bloqueadoPorOfimatica(f.filePath())) {
            quedan.append(c);
            continue;
        }
        if (QFile::remove(f.filePath())) {
            qCInfo(lcDocumentos).noquote() << "copia para ver borrada:" << f.filePath();
            ++borradas;
        }
        else
            quedan.append(c);
    }
    escribirLista(carpeta, quedan);
    return borradas;
}
