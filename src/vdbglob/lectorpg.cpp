// A grid's page on the server, read through libpq in one round trip: the Qt driver
// prepares, runs and deallocates each statement (three round trips), fetches the rows one
// at a time and turns every value into a QVariant. Here the whole page arrives at once
// and a value is made only when asked for, the way the driver would make it.
#include "conexionpg.h"
#include "dialecto.h"
#include "lectorfilas.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <charconv>

namespace {
// The server's type oids (its catalogue headers are not among libpq's).
enum : Oid {
    kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kRegproc = 24, kXid = 28, kCid = 29, kFloat4 = 700,
    kFloat8 = 701, kAbstime = 702, kReltime = 703, kDate = 1082, kTime = 1083, kTimestamp = 1114,
    kTimestampTz = 1184, kTimeTz = 1266, kNumeric = 1700,
};

// What the driver gives for a column of the type; anything it does not know is text.
QMetaType tipoQt(Oid tipo) {
    switch (tipo) {
    case kBool: return QMetaType::fromType<bool>();
    case kBytea: return QMetaType::fromType<QByteArray>();
    case kInt8: return QMetaType::fromType<qlonglong>();
    case kInt2:
    case kInt4: return QMetaType::fromType<int>();
    case kFloat4:
    case kFloat8:
    case kNumeric: return QMetaType::fromType<double>();
    case kDate: return QMetaType::fromType<QDate>();
    case kTime: return QMetaType::fromType<QTime>();
    case kTimestamp:
    case kTimestampTz: return QMetaType::fromType<QDateTime>();
    default: return QMetaType::fromType<QString>();
    }
}

// Types the driver turns into values of its own that this reader does not copy.
bool paraElDriver(Oid tipo) {
    return tipo == kRegproc || tipo == kXid || tipo == kCid || tipo == kAbstime || tipo == kReltime || tipo == kTimeTz;
}

int cifras(const char *t, int desde, int n) {
    int v = 0;
    for (int i = desde; i < desde + n; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return -1;
        v = v * 10 + (t[i] - '0');
    }
    return v;
}

// "2024-03-01" at the start of t; an invalid date for any other shape.
QDate diaIso(const char *t, int largo) {
    if (largo < 10 || t[4] != '-' || t[7] != '-')
        return {};
    return QDate(cifras(t, 0, 4), cifras(t, 5, 2), cifras(t, 8, 2));
}

// "2024-03-01 10:11:12.345" and its shorter forms, as the local time they write; an
// invalid date for anything else (a time zone, more than milliseconds, a year BC).
QDateTime fechaHoraIso(const char *t, int largo) {
    const QDate dia = diaIso(t, largo);
    if (!dia.isValid() || largo < 19 || largo > 23 || largo == 20 || t[10] != ' ' || t[13] != ':' || t[16] != ':'
        || (largo > 19 && t[19] != '.'))
        return {};
    int ms = largo > 19 ? cifras(t, 20, largo - 20) : 0;
    for (int n = largo - 20; n < 3; ++n)
        ms *= 10;
    const QTime hora(cifras(t, 11, 2), cifras(t, 14, 2), cifras(t, 17, 2), ms);
    return hora.isValid() && ms >= 0 ? QDateTime(dia, hora) : QDateTime();
}

template <typename N>
bool leerNumero(const char *t, int largo, N &n) {
    const auto r = std::from_chars(t, t + largo, n);
    return r.ec == std::errc() && r.ptr == t + largo;
}

class LectorPg : public FilasEnMemoria {
public:
    explicit LectorPg(PGresult *r) : m_r(r) {
        m_filas = PQntuples(r);
        for (int i = 0; i < PQnfields(r); ++i) {
            m_tipos << tipoQt(PQftype(r, i));
            m_columnas.append(QSqlField(QString::fromUtf8(PQfname(r, i)), m_tipos.last()));
        }
    }
    ~LectorPg() override { terminar(); }

    QVariant valor(int i) const override {
        if (!m_r || m_pos < 0 || i < 0 || i >= m_tipos.size())
            return {};
        if (PQgetisnull(m_r, m_pos, i))
            return QVariant(m_tipos[i]);
        const char *t = PQgetvalue(m_r, m_pos, i);
        const int largo = PQgetlength(m_r, m_pos, i);
        switch (PQftype(m_r, i)) {
        case kBool: return t[0] == 't';
        case kInt8: {
            // As the driver: unsigned unless negative.
            qlonglong n = 0;
            qulonglong u = 0;
            if (t[0] == '-' ? leerNumero(t, largo, n) : leerNumero(t, largo, u))
                return t[0] == '-' ? QVariant(n) : QVariant(u);
            break;
        }
        case kInt2:
        case kInt4: {
            int n = 0;
            if (leerNumero(t, largo, n))
                return n;
            break;
        }
        case kFloat4:
        case kFloat8:
        case kNumeric: {
            // The shortest text that reads back as the same double: every digit kept.
            double d = 0;
            if (leerNumero(t, largo, d))
                return d;
            return QByteArrayView(t, largo).toDouble();
        }
        case kDate:
            if (const QDate f = diaIso(t, largo); f.isValid() && largo == 10)
                return f;
            return QDate::fromString(QLatin1StringView(t, largo), Qt::ISODate);
        case kTime: return QTime::fromString(QLatin1StringView(t, largo), Qt::ISODate);
        case kTimestamp:
        case kTimestampTz: {
            if (const QDateTime f = fechaHoraIso(t, largo); f.isValid())
                return f;
            // With a time zone (or in any other shape): the local time of that instant.
            const QDateTime f = QDateTime::fromString(QLatin1StringView(t, largo), Qt::ISODate);
            return f.isValid() && f.timeSpec() != Qt::LocalTime ? f.toLocalTime() : f;
        }
        case kBytea: {
            size_t n = 0;
            unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(t), &n);
            const QByteArray b(reinterpret_cast<const char *>(bytes), qsizetype(n));
            PQfreemem(bytes);
            return b;
        }
        default: break;
        }
        return QString::fromUtf8(t, largo);
    }
    bool nulo(int i) const override { return !m_r || m_pos < 0 || PQgetisnull(m_r, m_pos, i); }
    QSqlRecord columnas() const override { return m_columnas; }
    void terminar() override {
        PQclear(m_r);
        m_r = nullptr;
        m_filas = 0;
    }

private:
    PGresult *m_r;
    QList<QMetaType> m_tipos;
    QSqlRecord m_columnas;
};

// The reader of a result, or nullptr when it has columns of the driver's own.
std::unique_ptr<LectorFilas> lectorDe(PGresult *r) {
    for (int i = 0; i < PQnfields(r); ++i)
        if (paraElDriver(PQftype(r, i))) {
            PQclear(r);
            return nullptr;
        }
    return std::make_unique<LectorPg>(r);
}

// The statements go as one text by the simple protocol, which answers each in turn; a
// failed one stops the rest, whose results then never come.
class AdelantoPg : public Adelanto {
public:
    explicit AdelantoPg(PGconn *c) : m_c(c) {}
    ~AdelantoPg() override {
        esperar();
        for (PGresult *r : std::as_const(m_recibidos))
            PQclear(r);
    }

    bool enviar(const QStringList &traducidas) override {
        esperar();
        // Inside a transaction a failure among them would spoil it for what follows.
        if (traducidas.isEmpty() || PQtransactionStatus(m_c) != PQTRANS_IDLE)
            return false;
        QByteArray texto;
        for (const QString &t : traducidas)
            texto += DialectoSql::sinPuntoYComa(t).toUtf8() + ";\n"; // a line comment at the end stops there
        if (!PQsendQuery(m_c, texto.constData()))
            return false;
        m_pendientes = traducidas;
        return true;
    }

    std::unique_ptr<LectorFilas> tomar(const QString &traducida) override {
        while (!m_recibidos.contains(traducida) && m_pendientes.contains(traducida))
            recibir();
        PGresult *r = m_recibidos.take(traducida);
        if (!r)
            return nullptr;
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            PQclear(r);
            return nullptr;
        }
        return lectorDe(r);
    }

    void esperar() override {
        while (!m_pendientes.isEmpty())
            recibir();
    }

private:
    // The next statement's result.
    void recibir() {
        PGresult *r = PQgetResult(m_c);
        if (!r) {
            m_pendientes.clear();
            return;
        }
        const QString texto = m_pendientes.takeFirst();
        if (PGresult *antes = m_recibidos.value(texto))
            PQclear(antes);
        m_recibidos.insert(texto, r);
        // The end of the text's answer, after its last result: the connection is free.
        if (m_pendientes.isEmpty() || PQresultStatus(r) != PGRES_TUPLES_OK) {
            m_pendientes.clear();
            while (PGresult *resto = PQgetResult(m_c))
                PQclear(resto);
        }
    }

    PGconn *m_c;
    QStringList m_pendientes;
    QHash<QString, PGresult *> m_recibidos;
};
} // namespace

std::unique_ptr<Adelanto> DialectoPostgres::adelanto(QSqlDatabase &db) const {
    PGconn *c = conexionPg(db, nullptr);
    return c ? std::make_unique<AdelantoPg>(c) : nullptr;
}

std::unique_ptr<LectorFilas> DialectoPostgres::lectorPagina(QSqlDatabase &db, const QString &sql, int,
                                                            QSqlError *error) const {
    PGconn *c = conexionPg(db, nullptr);
    if (!c)
        return nullptr;
    // Sent unprepared, but by the extended protocol: one statement only, as the driver allows.
    PGresult *r = PQexecParams(c, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK) {
        *error = errorPg(c, r);
        PQclear(r);
        return nullptr;
    }
    return lectorDe(r);
}
