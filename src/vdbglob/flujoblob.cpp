#include "flujoblob.h"

#include "basedatos.h"
#include "comillas.h"
#include "conexion.h"
#include "dialecto.h"
#include "ficheronuevo.h"
#include "registro.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

namespace {
constexpr qint64 kTrozo = 1024 * 1024;
// Nested inside any transaction the connection has open; alone, it is one.
constexpr const char *kSavepoint = "vmexp_flujoblob";

void decir(QString *error, const QString &texto) {
    if (error)
        *error = texto;
}

// The connection's SQLite handle, or nullptr and the reason in *error.
sqlite3 *manejador(const QSqlDatabase &db, QString *error) {
    sqlite3 *h = BaseDatos::manejador(db);
    if (!h)
        decir(error, QStringLiteral("La conexión no es de una base de datos SQLite abierta"));
    return h;
}

QString nombreSql(const QString &nombre) { return entreComillas(nombre, u'"'); }

QString ultimoError(sqlite3 *h) {
    return textoError(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(h)), QSqlError::StatementError,
                                QString::number(sqlite3_errcode(h))));
}

// Only the savepoint that holds a transfer together runs here.
bool ejecutar(sqlite3 *h, const QByteArray &sql) {
    qCInfo(lcTransacciones).noquote() << sql;
    return sqlite3_exec(h, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A statement prepared on the raw handle, finalized when it leaves scope.
class Sentencia {
public:
    Sentencia(sqlite3 *h, const QString &sql) {
        const QByteArray texto = sql.toUtf8();
        sqlite3_prepare_v2(h, texto.constData(), int(texto.size()), &m_stmt, nullptr);
    }
    ~Sentencia() { sqlite3_finalize(m_stmt); }
    Sentencia(const Sentencia &) = delete;
    Sentencia &operator=(const Sentencia &) = delete;
    sqlite3_stmt *get() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

// The open blob handle, closed when it leaves scope.
class Blob {
public:
    Blob(sqlite3 *h, const QString &tabla, const QString &columna, qint64 fila, bool escribir) {
        m_rc = sqlite3_blob_open(h, "main", tabla.toUtf8().constData(), columna.toUtf8().constData(), fila,
                                 escribir ? 1 : 0, &m_blob);
    }
    ~Blob() { cerrar(); }
    Blob(const Blob &) = delete;
    Blob &operator=(const Blob &) = delete;
    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3_blob *get() const { return m_blob; }
    int cerrar() {
        const int rc = m_blob ? sqlite3_blob_close(m_blob) : SQLITE_OK;
        m_blob = nullptr;
        return rc;
    }

private:
    sqlite3_blob *m_blob = nullptr;
    int m_rc = SQLITE_ERROR;
};

bool seguir(const FlujoBlob::Progreso &progreso, qint64 hecho, qint64 total) {
    return !progreso || progreso(hecho, total);
}

const QString kCancelado = QStringLiteral("Operación cancelada por el usuario");

// The pages a transfer may keep in memory: the zero pages of a document up to this size
// stay there until its contents replace them, so each page is written once.
constexpr int kCacheTransferenciaKb = 12 * 1024;

// While it lives, the connection's page cache is large enough for a transfer.
class CacheAmpliada {
public:
    explicit CacheAmpliada(sqlite3 *h) : m_h(h) {
        Sentencia leer(h, QStringLiteral("PRAGMA main.cache_size"));
        if (leer.get() && sqlite3_step(leer.get()) == SQLITE_ROW)
            m_anterior = sqlite3_column_int(leer.get(), 0);
        fijar(-kCacheTransferenciaKb);
    }
    ~CacheAmpliada() { fijar(m_anterior); }
    CacheAmpliada(const CacheAmpliada &) = delete;
    CacheAmpliada &operator=(const CacheAmpliada &) = delete;

private:
    void fijar(int valor) {
        sqlite3_exec(m_h, QByteArray("PRAGMA main.cache_size = " + QByteArray::number(valor)).constData(), nullptr,
                     nullptr, nullptr);
    }
    sqlite3 *m_h;
    int m_anterior = -2000;
};

// Replaces the column with a zero-filled blob of the file's size and fills it chunk by
// chunk. Runs inside the savepoint; the caller undoes it on failure.
bool escribirContenido(sqlite3 *h, QFile &fichero, const QString &tabla, const QString &columna,
                       qint64 fila, QString *error, const FlujoBlob::Progreso &progreso) {
    const QString ruta = fichero.fileName();
    const qint64 total = fichero.size();
    const auto errorBd = [&](const QString &causa) {
        decir(error, QStringLiteral("No se puede guardar el fichero %1 en %2.%3: %4").arg(ruta, tabla, columna, causa));
        return false;
    };

    CacheAmpliada cache(h);
    Sentencia vaciar(h, QStringLiteral("UPDATE %1 SET %2 = zeroblob(?) WHERE rowid = ?")
                            .arg(nombreSql(tabla), nombreSql(columna)));
    if (!vaciar.get())
        return errorBd(ultimoError(h));
    sqlite3_bind_int64(vaciar.get(), 1, total);
    sqlite3_bind_int64(vaciar.get(), 2, fila);
    if (sqlite3_step(vaciar.get()) != SQLITE_DONE)
        return errorBd(ultimoError(h));
    if (sqlite3_changes(h) == 0) {
        decir(error, QStringLiteral("No existe la fila %1 de la tabla %2").arg(fila).arg(tabla));
        return false;
    }
    if (!seguir(progreso, 0, total)) {
        decir(error, kCancelado);
        return false;
    }
    if (total == 0)
        return true;

    Blob blob(h, tabla, columna, fila, true);
    if (!blob.ok())
        return errorBd(ultimoError(h));
    QByteArray trozo(qMin(total, kTrozo), Qt::Uninitialized);
    for (qint64 hecho = 0; hecho < total;) {
        const qint64 n = qMin(total - hecho, kTrozo);
        const qint64 leidos = fichero.read(trozo.data(), n);
        if (leidos != n) {
            const QString causa = leidos < 0 ? fichero.errorString() : QStringLiteral("el fichero ha cambiado mientras se leía");
            decir(error, QStringLiteral("No se puede leer el fichero %1: %2").arg(ruta, causa));
            return false;
        }
        if (sqlite3_blob_write(blob.get(), trozo.constData(), int(n), int(hecho)) != SQLITE_OK)
            return errorBd(ultimoError(h));
        hecho += n;
        if (!seguir(progreso, hecho, total)) {
            decir(error, kCancelado);
            return false;
        }
    }
    if (blob.cerrar() != SQLITE_OK)
        return errorBd(ultimoError(h));
    return true;
}

// Copies the blob chunk by chunk into the file being saved.
bool leerContenido(sqlite3 *h, FicheroNuevo &destino, const QString &tabla, const QString &columna, qint64 fila,
                   QString *error, const FlujoBlob::Progreso &progreso) {
    const auto errorBd = [&]() {
        decir(error, QStringLiteral("No se puede leer %1.%2 de la fila %3: %4")
                         .arg(tabla, columna)
                         .arg(fila)
                         .arg(ultimoError(h)));
        return false;
    };
    Blob blob(h, tabla, columna, fila, false);
    if (!blob.ok())
        return errorBd();
    const qint64 total = sqlite3_blob_bytes(blob.get());
    if (!seguir(progreso, 0, total)) {
        decir(error, kCancelado);
        return false;
    }
    QByteArray trozo(qMin(total, kTrozo), Qt::Uninitialized);
    for (qint64 hecho = 0; hecho < total;) {
        const qint64 n = qMin(total - hecho, kTrozo);
        if (sqlite3_blob_read(blob.get(), trozo.data(), int(n), int(hecho)) != SQLITE_OK)
            return errorBd();
        if (destino.write(trozo.constData(), n) != n) {
            decir(error, QStringLiteral("No se puede escribir el fichero %1: %2").arg(destino.ruta(), destino.errorString()));
            return false;
        }
        hecho += n;
        if (!seguir(progreso, hecho, total)) {
            decir(error, kCancelado);
            return false;
        }
    }
    return true;
}

enum class Contenido { Falta, Nulo, Hay, Error };

// Whether the row exists and its column holds something, without reading the content.
Contenido contenido(sqlite3 *h, const QString &tabla, const QString &columna, qint64 fila) {
    Sentencia tipo(h, QStringLiteral("SELECT typeof(%1) FROM %2 WHERE rowid = ?").arg(nombreSql(columna), nombreSql(tabla)));
    if (!tipo.get())
        return Contenido::Error;
    sqlite3_bind_int64(tipo.get(), 1, fila);
    switch (sqlite3_step(tipo.get())) {
    case SQLITE_DONE:
        return Contenido::Falta;
    case SQLITE_ROW:
        return qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(tipo.get(), 0)), "null") == 0 ? Contenido::Nulo
                                                                                                        : Contenido::Hay;
    default:
        return Contenido::Error;
    }
}
} // namespace

bool DialectoSqlite::subirFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                                  const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const {
    sqlite3 *h = manejador(db, error);
    if (!h)
        return false;
    QFile fichero(ruta);
    if (!abrirParaSubir(fichero, error))
        return false;
    if (fichero.size() > sqlite3_limit(h, SQLITE_LIMIT_LENGTH, -1)) {
        decir(error, QStringLiteral("El fichero %1 es demasiado grande para guardarlo en la base de datos").arg(ruta));
        return false;
    }

    const QByteArray savepoint(kSavepoint);
    if (!ejecutar(h, "SAVEPOINT " + savepoint)) {
        decir(error, QStringLiteral("No se puede guardar el fichero %1: %2").arg(ruta, ultimoError(h)));
        return false;
    }
    bool ok = escribirContenido(h, fichero, tabla, columna, fila, error, progreso);
    if (ok && !ejecutar(h, "RELEASE " + savepoint)) {
        decir(error, QStringLiteral("No se puede guardar el fichero %1: %2").arg(ruta, ultimoError(h)));
        ok = false;
    }
    if (!ok) {
        // ROLLBACK TO keeps the savepoint open; RELEASE then ends it (and the transaction it began).
        ejecutar(h, "ROLLBACK TO " + savepoint);
        ejecutar(h, "RELEASE " + savepoint);
    }
    return ok;
}

bool DialectoSqlite::bajarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                                   const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const {
    sqlite3 *h = manejador(db, error);
    if (!h)
        return false;
    switch (contenido(h, tabla, columna, fila)) {
    case Contenido::Falta:
    case Contenido::Nulo:
        qCWarning(lcDocumentos) << "sin contenido guardado";
        return false;
    case Contenido::Error:
        decir(error, QStringLiteral("No se puede leer %1.%2 de la fila %3: %4").arg(tabla, columna).arg(fila).arg(ultimoError(h)));
        return false;
    case Contenido::Hay:
        break;
    }

    // Written beside the target and renamed over it at the end: no partial file remains.
    FicheroNuevo destino(ruta);
    if (!destino.abrir()) {
        decir(error, QStringLiteral("No se puede escribir el fichero %1: %2").arg(ruta, destino.errorString()));
        return false;
    }
    if (!leerContenido(h, destino, tabla, columna, fila, error, progreso)) {
        destino.remove();
        return false;
    }
    if (!destino.confirmar()) {
        decir(error, QStringLiteral("No se puede escribir el fichero %1: %2").arg(ruta, destino.errorString()));
        return false;
    }
    return true;
}

namespace {
// One line when a transfer starts and one when it ends, for the support log.
Resultado anotado(const char *que, const QString &tabla, qint64 fila, const QString &ruta,
                  const std::function<Resultado()> &transferir) {
    qCInfo(lcDocumentos).noquote() << que << ruta << "fila" << fila << "de" << tabla;
    const Resultado r = transferir();
    if (r)
        qCInfo(lcDocumentos).noquote() << que << ruta << "terminado";
    else
        qCWarning(lcDocumentos).noquote() << que << ruta << "falló:" << r.mensaje();
    return r;
}
} // namespace

Resultado FlujoBlob::guardarFichero(Conexion *conexion, const QString &tabla, const QString &columna, qint64 fila,
                                    const QString &ruta, const Progreso &progreso) {
    if (!conexion)
        return Resultado::fallo(QStringLiteral("No hay conexión con la base de datos"));
    return anotado("guardar", tabla, fila, ruta, [&] {
        return conexion->dialecto().guardarFichero(conexion->db(), tabla, columna, fila, ruta, progreso);
    });
}

Resultado FlujoBlob::cargarAFichero(Conexion *conexion, const QString &tabla, const QString &columna, qint64 fila,
                                    const QString &ruta, bool *escrito, const Progreso &progreso) {
    if (escrito)
        *escrito = false;
    if (!conexion)
        return Resultado::fallo(QStringLiteral("No hay conexión con la base de datos"));
    return anotado("recuperar", tabla, fila, ruta, [&] {
        return conexion->dialecto().cargarAFichero(conexion->db(), tabla, columna, fila, ruta, escrito, progreso);
    });
}
