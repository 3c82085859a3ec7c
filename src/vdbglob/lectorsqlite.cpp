// Results read once from start to end on SQLite, stepped on the connection's own handle:
// a value is turned into a QVariant only when it is asked for, where the Qt driver turns
// every column of every row (an actions tree asks for 5 of 26).
#include "basedatos.h"
#include "dialecto.h"
#include "lectorfilas.h"
#include "registro.h"

#include <QSqlError>
#include <QSqlField>
#include <sqlite3.h>

#include <cstring>
#include <vector>

namespace {
QSqlError errorSqlite(sqlite3 *h, int codigo) {
    return QSqlError(QStringLiteral("Unable to execute statement"), QString::fromUtf8(sqlite3_errmsg(h)),
                     QSqlError::StatementError, QString::number(codigo));
}

// A value as the Qt driver gives it, from what SQLite holds for it.
QVariant valorSqlite(int tipo, qint64 entero, double real, const void *bytes, int largo) {
    switch (tipo) {
    case SQLITE_INTEGER: return qlonglong(entero);
    case SQLITE_FLOAT: return real;
    case SQLITE_NULL: return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: return QByteArray(static_cast<const char *>(bytes), largo);
    default: return QString::fromUtf8(static_cast<const char *>(bytes), largo);
    }
}

class LectorSqlite : public LectorFilas {
public:
    // st has been stepped once, with the code primerPaso.
    LectorSqlite(sqlite3_stmt *st, int primerPaso) : m_st(st), m_pendiente(primerPaso) {
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            // As the Qt driver names them: no quotes, no table before a dot.
            QString nombre = QString::fromUtf8(sqlite3_column_name(st, i)).remove(u'"');
            m_columnas.append(QSqlField(nombre.mid(nombre.lastIndexOf(u'.') + 1)));
        }
    }
    ~LectorSqlite() override { terminar(); }

    int posicion() const override { return m_pos; }
    bool soloAdelante() const override { return true; }

    bool siguiente() override {
        if (!m_st) {
            m_pos = QSql::AfterLastRow;
            return false;
        }
        const int rc = m_pendiente ? m_pendiente : sqlite3_step(m_st);
        m_pendiente = 0;
        if (rc == SQLITE_ROW) {
            m_pos = m_pos < 0 ? 0 : m_pos + 1;
            return true;
        }
        if (rc != SQLITE_DONE)
            qCWarning(lcSentencias).noquote() << "error del motor al leer:" << rc << sqlite3_errmsg(sqlite3_db_handle(m_st));
        terminar();
        m_pos = QSql::AfterLastRow;
        return false;
    }
    bool primera() override { return m_pos == 0 || (m_pos == QSql::BeforeFirstRow && siguiente()); }
    bool ultima() override { return false; }
    bool anterior() override { return false; }
    bool ir(int fila) override { return fila == m_pos; }

    QVariant valor(int i) const override {
        if (!m_st || m_pos < 0 || i < 0 || i >= m_columnas.count())
            return {};
        const int tipo = sqlite3_column_type(m_st, i);
        // Only what the type holds is read: asking SQLite for another kind converts the value.
        const qint64 entero = tipo == SQLITE_INTEGER ? sqlite3_column_int64(m_st, i) : 0;
        const double real = tipo == SQLITE_FLOAT ? sqlite3_column_double(m_st, i) : 0;
        const void *bytes = tipo == SQLITE_BLOB ? sqlite3_column_blob(m_st, i)
                            : tipo == SQLITE_TEXT ? sqlite3_column_text(m_st, i) : nullptr;
        return valorSqlite(tipo, entero, real, bytes, bytes ? sqlite3_column_bytes(m_st, i) : 0);
    }
    bool nulo(int i) const override { return valor(i).isNull(); }
    QSqlRecord columnas() const override { return m_columnas; }
    sqlite3_stmt *sentencia() const { return m_st; }
    void terminar() override {
        // Finalised as soon as the rows end: no read snapshot stays open.
        sqlite3_finalize(m_st);
        m_st = nullptr;
    }

private:
    sqlite3_stmt *m_st;
    int m_pendiente;
    int m_pos = QSql::BeforeFirstRow;
    QSqlRecord m_columnas;
};

// A page's rows copied as SQLite holds them (numbers as numbers, texts as their bytes),
// the statement finished at once: a value is made only when the grid shows its row.
class PaginaSqlite : public FilasEnMemoria {
public:
    // The statement is finished after the first tope rows.
    PaginaSqlite(LectorSqlite &filas, int tope) : m_columnas(filas.columnas()) {
        const int n = m_columnas.count();
        for (sqlite3_stmt *st = nullptr; m_filas < tope && filas.siguiente(); ++m_filas) {
            st = filas.sentencia();
            for (int i = 0; i < n; ++i) {
                Celda c{sqlite3_column_type(st, i), 0, 0};
                if (c.tipo == SQLITE_INTEGER) {
                    c.numero = sqlite3_column_int64(st, i);
                } else if (c.tipo == SQLITE_FLOAT) {
                    const double d = sqlite3_column_double(st, i);
                    memcpy(&c.numero, &d, sizeof d);
                } else if (c.tipo != SQLITE_NULL) {
                    const void *bytes = c.tipo == SQLITE_BLOB ? sqlite3_column_blob(st, i) : sqlite3_column_text(st, i);
                    c.largo = sqlite3_column_bytes(st, i);
                    c.numero = m_bytes.size();
                    m_bytes.append(static_cast<const char *>(bytes), c.largo);
                }
                m_celdas.push_back(c);
            }
        }
        filas.terminar();
    }
    QVariant valor(int i) const override {
        if (m_pos < 0 || i < 0 || i >= m_columnas.count())
            return {};
        const Celda &c = m_celdas[size_t(m_pos) * size_t(m_columnas.count()) + size_t(i)];
        double real = 0;
        memcpy(&real, &c.numero, sizeof real);
        return valorSqlite(c.tipo, c.numero, real, m_bytes.constData() + (c.largo > 0 ? c.numero : 0), c.largo);
    }
    bool nulo(int i) const override { return valor(i).isNull(); }
    QSqlRecord columnas() const override { return m_columnas; }
    void terminar() override {}

private:
    struct Celda {
        int tipo;
        int largo;
        qint64 numero; // the integer, the double's bits, or where its bytes start
    };
    QSqlRecord m_columnas;
    std::vector<Celda> m_celdas;
    QByteArray m_bytes;
};
} // namespace

std::unique_ptr<LectorFilas> DialectoSqlite::lectorPagina(QSqlDatabase &db, const QString &sql, int filas,
                                                          QSqlError *error) const {
    std::unique_ptr<LectorFilas> lector = lectorSoloAdelante(db, sql, error);
    if (auto *sqlite = dynamic_cast<LectorSqlite *>(lector.get()))
        return std::make_unique<PaginaSqlite>(*sqlite, filas);
    return lector;
}

std::unique_ptr<LectorFilas> DialectoSqlite::lectorSoloAdelante(QSqlDatabase &db, const QString &sql, QSqlError *error) const {
    sqlite3 *h = BaseDatos::manejador(db);
    if (!h)
        return nullptr;
    const QByteArray texto = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *resto = nullptr;
    const int rc = sqlite3_prepare_v2(h, texto.constData(), int(texto.size()), &st, &resto);
    if (rc != SQLITE_OK) {
        *error = errorSqlite(h, rc);
        return nullptr;
    }
    // What the driver would refuse or do its own way (more than one statement, none)
    // is left to it.
    if (!st || (resto && !QByteArray(resto).trimmed().isEmpty())) {
        sqlite3_finalize(st);
        return nullptr;
    }
    const int paso = sqlite3_step(st);
    if (paso != SQLITE_ROW && paso != SQLITE_DONE) {
        *error = errorSqlite(h, sqlite3_extended_errcode(h));
        sqlite3_finalize(st);
        return nullptr;
    }
    return std::make_unique<LectorSqlite>(st, paso);
}
