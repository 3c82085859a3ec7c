// What the PostgreSQL backend does its own way: session settings, keys by RETURNING,
// documents as large objects through libpq on the Qt driver's connection, and the
// creation of the schema on an empty database.
#include "comillas.h"
#include "conexionpg.h"
#include "dialecto.h"
#include "ficheronuevo.h"
#include "registro.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <libpq/libpq-fs.h>
#include <algorithm>
#include <optional>

namespace {
constexpr qint64 kTrozo = 1024 * 1024;
const QString kCancelado = QStringLiteral("Operación cancelada por el usuario");

void decir(QString *error, const QString &texto) {
    if (error)
        *error = texto;
}

QString errorDe(PGconn *c) { return QString::fromUtf8(PQerrorMessage(c)).trimmed(); }

// A result of libpq, cleared when it leaves scope.
class RespuestaPg {
public:
    explicit RespuestaPg(PGresult *r) : m_r(r) {}
    ~RespuestaPg() { PQclear(m_r); }
    RespuestaPg(const RespuestaPg &) = delete;
    RespuestaPg &operator=(const RespuestaPg &) = delete;
    bool ok() const {
        const ExecStatusType s = PQresultStatus(m_r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int filas() const { return PQntuples(m_r); }
    bool nulo(int fila, int col) const { return PQgetisnull(m_r, fila, col); }
    QByteArray valor(int fila, int col) const { return QByteArray(PQgetvalue(m_r, fila, col)); }
    QByteArray afectadas() const { return QByteArray(PQcmdTuples(m_r)); }
    PGresult *resultado() const { return m_r; }

private:
    PGresult *m_r;
};

// A statement with its $1, $2... given as text; a value without one (nullopt) is NULL.
PGresult *ejecutar(PGconn *c, const QByteArray &sql, const QList<std::optional<QByteArray>> &valores = {}) {
    QList<const char *> punteros;
    for (const std::optional<QByteArray> &v : valores)
        punteros << (v ? v->constData() : nullptr);
    return PQexecParams(c, sql.constData(), int(valores.size()), nullptr, punteros.constData(), nullptr, nullptr, 0);
}

// Every transaction statement of a transfer goes through here, for the support log.
PGresult *transaccion(PGconn *c, const char *sql) {
    qCInfo(lcTransacciones).noquote() << sql;
    return PQexec(c, sql);
}

// The work of a transfer runs in its own transaction, or in a savepoint of the one the
// connection has open; large object descriptors live only inside one.
class Transaccion {
public:
    explicit Transaccion(PGconn *c) : m_c(c), m_propia(PQtransactionStatus(c) == PQTRANS_IDLE) {
        m_ok = RespuestaPg(transaccion(c, m_propia ? "BEGIN" : "SAVEPOINT vmexp_flujoblob")).ok();
    }
    ~Transaccion() {
        if (m_ok && !m_terminada)
            deshacer();
    }
    bool ok() const { return m_ok; }
    bool confirmar() {
        m_terminada = true;
        if (RespuestaPg(transaccion(m_c, m_propia ? "COMMIT" : "RELEASE vmexp_flujoblob")).ok())
            return true;
        deshacer();
        return false;
    }

private:
    void deshacer() {
        m_terminada = true;
        if (m_propia) {
            RespuestaPg(transaccion(m_c, "ROLLBACK"));
        } else {
            RespuestaPg(transaccion(m_c, "ROLLBACK TO vmexp_flujoblob"));
            RespuestaPg(transaccion(m_c, "RELEASE vmexp_flujoblob"));
        }
    }
    PGconn *m_c;
    bool m_propia;
    bool m_ok = false;
    bool m_terminada = false;
};

bool seguir(const FlujoBlob::Progreso &progreso, qint64 hecho, qint64 total) {
    return !progreso || progreso(hecho, total);
}

// Names in the schema are unquoted in the DDL, so they are their lower case.
QByteArray nombreSql(const QString &nombre) { return entreComillas(nombre.toLower(), u'"').toUtf8(); }

// An object made by one office user belongs to the role that owns the documents'
// table (the office's group role), so that every other user of the office may read,
// replace and unlink it. Without that membership it stays with its maker.
bool cederObjeto(PGconn *c, Oid objeto, const QString &tabla) {
    RespuestaPg duenno(ejecutar(c,
        "SELECT quote_ident(r.rolname) FROM pg_class t JOIN pg_roles r ON r.oid = t.relowner "
        "WHERE t.oid = to_regclass($1) AND r.rolname <> current_user AND pg_has_role(r.oid, 'MEMBER')",
        {nombreSql(tabla)}));
    if (!duenno.ok())
        return false;
    if (duenno.filas() == 0)
        return true;
    const QByteArray sql = "ALTER LARGE OBJECT " + QByteArray::number(objeto) + " OWNER TO " + duenno.valor(0, 0);
    return RespuestaPg(PQexec(c, sql.constData())).ok();
}

// The '?' of a statement numbered as the server's $1, $2... ; those inside quotes or
// comments are text.
QByteArray marcadoresNumerados(const QString &sql) {
    const QByteArray t = sql.toUtf8();
    QByteArray r;
    r.reserve(t.size() + 16);
    int n = 0;
    char cierre = 0; // the quote being read, or '-' / '*' for a comment
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const char sigue = i + 1 < t.size() ? t[i + 1] : 0;
        if (cierre == '-' && c == '\n')
            cierre = 0;
        else if (cierre == '*' && c == '*' && sigue == '/') {
            r += "*/";
            ++i;
            cierre = 0;
            continue;
        } else if (cierre == c && (c == '\'' || c == '"'))
            cierre = 0;
        else if (!cierre && (c == '\'' || c == '"'))
            cierre = c;
        else if (!cierre && ((c == '-' && sigue == '-') || (c == '/' && sigue == '*')))
            cierre = sigue == '-' ? '-' : '*';
        else if (!cierre && c == '?') {
            r += '$' + QByteArray::number(++n);
            continue;
        }
        r += c;
    }
    return r;
}

// A bound value as the server reads it from text; what the Qt driver would send as NULL
// is NULL.
std::optional<QByteArray> textoDeValor(const QVariant &v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType: return std::nullopt;
    case QMetaType::QString:
        if (v.toString().isNull())
            return std::nullopt;
        break;
    case QMetaType::Double:
    case QMetaType::Float: return QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Bool: return QByteArray(v.toBool() ? "1" : "0");
    case QMetaType::QDate:
        if (!v.toDate().isValid())
            return std::nullopt;
        return v.toDate().toString(Qt::ISODate).toLatin1();
    case QMetaType::QDateTime:
        if (!v.toDateTime().isValid())
            return std::nullopt;
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    default: break;
    }
    if (v.isNull())
        return std::nullopt;
    return v.toString().toUtf8();
}

const QString &script(const QString &nombre, QString &texto) {
    QFile f(QStringLiteral(":/db/") + nombre);
    f.open(QIODevice::ReadOnly);
    texto = QString::fromUtf8(f.readAll());
    return texto;
}
} // namespace

PGconn *conexionPg(const QSqlDatabase &db, QString *error) {
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    // The driver registers the type under the struct's own name or under the typedef.
    const bool esPg = qstrcmp(v.typeName(), "PGconn*") == 0 || qstrcmp(v.typeName(), "pg_conn*") == 0;
    PGconn *c = esPg ? *static_cast<PGconn *const *>(v.data()) : nullptr;
    if (!c || PQstatus(c) != CONNECTION_OK)
        decir(error, QStringLiteral("La conexión no es de una base de datos PostgreSQL abierta"));
    return c;
}

bool DialectoPostgres::prepararSesion(QSqlDatabase &db, QString *error) const {
    QSqlQuery q(db);
    // Day-first literals, and a writer that meets another waits as long as on SQLite.
    for (const char *sql : {"SET DateStyle = 'ISO, DMY'", "SET lock_timeout = '5s'"}) {
        if (!q.exec(QLatin1String(sql))) {
            decir(error, q.lastError().databaseText().trimmed());
            return false;
        }
    }
    // Grids read a page in its table's key order; priced for spinning disks, a random
    // read makes the server order a filtered search by reading every row that passes
    // rather than walking the key's index. A cost the administrator chose stays.
    q.exec(QStringLiteral("SELECT set_config('random_page_cost', '1.1', false) "
                          "WHERE current_setting('random_page_cost') = '4'"));
    // Getdate() is the workstation's local time, wherever the server is.
    const QByteArray zona = QTimeZone::systemTimeZoneId();
    if (!zona.isEmpty() && !zona.contains('\'')) {
        QSqlQuery z(db);
        z.exec(QStringLiteral("SET TimeZone = '%1'").arg(QString::fromUtf8(zona)));
    }
    return true;
}

QString DialectoPostgres::columnaClave(QSqlDatabase &db, const QString &tabla) const {
    const QString nombre = tabla.trimmed().toLower();
    const auto it = m_claves.constFind(nombre);
    if (it != m_claves.cend())
        return *it;
    PGconn *c = conexionPg(db, nullptr);
    if (!c)
        return {};
    const RespuestaPg r(ejecutar(c, "SELECT attname FROM pg_attribute WHERE attrelid = to_regclass($1) "
                                    "AND attidentity <> '' AND NOT attisdropped",
                                 {nombre.toUtf8()}));
    if (!r.ok())
        return {};
    const QString columna = r.filas() > 0 ? QString::fromUtf8(r.valor(0, 0)) : QString();
    m_claves.insert(nombre, columna);
    return columna;
}

QString DialectoPostgres::clausulaClave(QSqlDatabase &db, const QString &tabla) const {
    const QString columna = columnaClave(db, tabla);
    return columna.isEmpty() ? QString() : QStringLiteral(" RETURNING ") + columna;
}

QSqlError errorPg(PGconn *c, PGresult *r) {
    const char *estado = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    const QString codigo = QString::fromLatin1(estado ? estado : "");
    return QSqlError(QStringLiteral("QPSQL: Unable to create query"),
                     QString::fromUtf8(PQerrorMessage(c)) + QStringLiteral("(%1)").arg(codigo), QSqlError::StatementError,
                     codigo);
}

// One round trip: the driver's prepared statement takes three (prepare, execute, deallocate).
bool DialectoPostgres::ejecutarConValores(QSqlDatabase &db, const QString &sql, const QList<QVariant> &valores,
                                          qint64 *clave, QSqlError *error) const {
    PGconn *c = conexionPg(db, nullptr);
    // Bytes would go as text here: left to the driver.
    const bool bytes = std::any_of(valores.cbegin(), valores.cend(),
                                   [](const QVariant &v) { return v.typeId() == QMetaType::QByteArray; });
    if (!c || bytes)
        return DialectoSql::ejecutarConValores(db, sql, valores, clave, error);
    QList<std::optional<QByteArray>> textos;
    for (const QVariant &v : valores)
        textos << textoDeValor(v);
    const RespuestaPg r(ejecutar(c, marcadoresNumerados(sql), textos));
    if (!r.ok()) {
        *error = errorPg(c, r.resultado());
        return false;
    }
    if (clave)
        *clave = r.filas() > 0 && !r.nulo(0, 0) ? r.valor(0, 0).toLongLong() : 0;
    return true;
}

QVariant DialectoPostgres::contenidoBlob(QSqlDatabase &db, const QVariant &leido) const {
    bool esId = false;
    const qulonglong objeto = leido.toULongLong(&esId);
    if (leido.isNull() || !esId)
        return leido;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT lo_get(CAST(? AS oid))"));
    q.addBindValue(QString::number(objeto));
    return q.exec() && q.next() ? q.value(0) : QVariant();
}

bool DialectoPostgres::subirFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                                    const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const {
    PGconn *c = conexionPg(db, error);
    if (!c)
        return false;
    QFile fichero(ruta);
    if (!abrirParaSubir(fichero, error))
        return false;
    const QString clave = columnaClave(db, tabla);
    const auto errorBd = [&](const QString &causa) {
        decir(error, QStringLiteral("No se puede guardar el fichero %1 en %2.%3: %4").arg(ruta, tabla, columna, causa));
        return false;
    };
    if (clave.isEmpty())
        return errorBd(QStringLiteral("la tabla no tiene clave"));

    Transaccion tr(c);
    if (!tr.ok())
        return errorBd(errorDe(c));
    const Oid objeto = lo_creat(c, INV_READ | INV_WRITE);
    if (objeto == InvalidOid || !cederObjeto(c, objeto, tabla))
        return errorBd(errorDe(c));
    const qint64 total = fichero.size();
    if (!seguir(progreso, 0, total)) {
        decir(error, kCancelado);
        return false;
    }
    const int fd = lo_open(c, objeto, INV_WRITE);
    if (fd < 0)
        return errorBd(errorDe(c));
    QByteArray trozo(qMin(qMax(total, qint64(1)), kTrozo), Qt::Uninitialized);
    for (qint64 hecho = 0; hecho < total;) {
        const qint64 n = qMin(total - hecho, kTrozo);
        const qint64 leidos = fichero.read(trozo.data(), n);
        if (leidos != n) {
            const QString causa = leidos < 0 ? fichero.errorString() : QStringLiteral("el fichero ha cambiado mientras se leía");
            decir(error, QStringLiteral("No se puede leer el fichero %1: %2").arg(ruta, causa));
            return false;
        }
        if (lo_write(c, fd, trozo.constData(), size_t(n)) != int(n))
            return errorBd(errorDe(c));
        hecho += n;
        if (!seguir(progreso, hecho, total)) {
            decir(error, kCancelado);
            return false;
        }
    }
    if (lo_close(c, fd) < 0)
        return errorBd(errorDe(c));
    // The row takes the new object; the trigger of the table unlinks the one it held.
    RespuestaPg cambio(ejecutar(c, "UPDATE " + nombreSql(tabla) + " SET " + nombreSql(columna) + " = $1 WHERE "
                                     + nombreSql(clave) + " = $2",
                              {QByteArray::number(objeto), QByteArray::number(fila)}));
    if (!cambio.ok())
        return errorBd(errorDe(c));
    if (cambio.afectadas() != "1") {
        decir(error, QStringLiteral("No existe la fila %1 de la tabla %2").arg(fila).arg(tabla));
        return false;
    }
    return tr.confirmar() || errorBd(errorDe(c));
}

bool DialectoPostgres::bajarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                                     const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const {
    PGconn *c = conexionPg(db, error);
    if (!c)
        return false;
    const QString clave = columnaClave(db, tabla);
    const auto errorBd = [&]() {
        decir(error, QStringLiteral("No se puede leer %1.%2 de la fila %3: %4")
                         .arg(tabla, columna)
                         .arg(fila)
                         .arg(clave.isEmpty() ? QStringLiteral("la tabla no tiene clave") : errorDe(c)));
        return false;
    };
    if (clave.isEmpty())
        return errorBd();
    // The object is looked up inside the transaction that reads it: a replacement
    // committed meanwhile cannot unlink it under the reader.
    Transaccion tr(c);
    if (!tr.ok())
        return errorBd();
    RespuestaPg objeto(ejecutar(c, "SELECT " + nombreSql(columna) + " FROM " + nombreSql(tabla) + " WHERE "
                                     + nombreSql(clave) + " = $1",
                              {QByteArray::number(fila)}));
    if (!objeto.ok())
        return errorBd();
    if (objeto.filas() == 0 || objeto.nulo(0, 0))
        return false;
    const int fd = lo_open(c, Oid(objeto.valor(0, 0).toUInt()), INV_READ);
    if (fd < 0)
        return errorBd();
    const qint64 total = lo_lseek64(c, fd, 0, SEEK_END);
    if (total < 0 || lo_lseek64(c, fd, 0, SEEK_SET) < 0)
        return errorBd();
    if (!seguir(progreso, 0, total)) {
        decir(error, kCancelado);
        return false;
    }
    // Written beside the target and renamed over it at the end: no partial file remains.
    FicheroNuevo destino(ruta);
    if (!destino.abrir()) {
        decir(error, QStringLiteral("No se puede escribir el fichero %1: %2").arg(ruta, destino.errorString()));
        return false;
    }
    QByteArray trozo(qMin(qMax(total, qint64(1)), kTrozo), Qt::Uninitialized);
    for (qint64 hecho = 0; hecho < total;) {
        const int n = lo_read(c, fd, trozo.data(), size_t(qMin(total - hecho, kTrozo)));
        if (n <= 0)
            return errorBd();
        if (destino.write(trozo.constData(), n) != n) {
            decir(error, QStringLiteral("No se puede escribir el fichero %1: %2").arg(ruta, destino.errorString()));
            return false;
        }
        hecho += n;
        if (!seguir(progreso, hecho, total)) {
            decir(error, kCancelado);
            return false;
        }
    }
    lo_close(c, fd);
    if (!tr.confirmar())
        return errorBd();
    if (!destino.confirmar()) {
        decir(error, QStringLiteral("No se puede escribir el fichero %1: %2").arg(ruta, destino.errorString()));
        return false;
    }
    return true;
}

bool DialectoPostgres::crearEsquema(QSqlDatabase &db, bool demo, QString *error) {
    PGconn *c = conexionPg(db, error);
    if (!c)
        return false;
    // Never over what is there: a database with any of our tables is left alone.
    RespuestaPg hay(PQexec(c, "SELECT string_agg(table_schema || '.' || table_name, ', ') FROM information_schema.tables "
                            "WHERE table_schema IN ('public', 'vmcomun') AND table_name IN ('vmexp_version', 'usuarios', "
                            "'situaciones', 'parametros', 'cli', 'pro', 'tex', 'tac', 'exp', 'est', 'expper', 'act', "
                            "'actf', 'ima')"));
    if (!hay.ok()) {
        decir(error, QStringLiteral("No se puede crear la base de datos: %1").arg(errorDe(c)));
        return false;
    }
    if (!hay.nulo(0, 0)) {
        decir(error, QStringLiteral("La base de datos ya tiene tablas (%1): no se crea nada.")
                         .arg(QString::fromUtf8(hay.valor(0, 0))));
        return false;
    }
    QString ddl, datos;
    QString sql = QStringLiteral("BEGIN;\n") + script(QStringLiteral("postgres.sql"), ddl);
    if (demo)
        sql += DialectoPostgres().traducir(script(QStringLiteral("demo.sql"), datos));
    sql += QStringLiteral("\nCOMMIT;");
    if (RespuestaPg(PQexec(c, sql.toUtf8().constData())).ok())
        return true;
    decir(error, QStringLiteral("Error creando la base de datos: %1").arg(errorDe(c)));
    RespuestaPg(PQexec(c, "ROLLBACK"));
    return false;
}
