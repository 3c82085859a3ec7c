#pragma once
// Database access for the screens: one open connection, scrollable results and a
// grid model, with the statements written in T-SQL and translated for the backend.
#include "exportar.h"
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QAbstractTableModel>
#include <QSqlRecord>
#include <QVariant>
#include <memory>

#include "resultado.h"

class DialectoSql;

// Kind of value a column holds; tells the connection how to return what it reads.
enum class TipoValor { Texto, Entero, Importe, Fecha, FechaHora, Blob };

class Recordset;
class QSqlError;

// A database failure as a Spanish sentence saying what happened and what to do; the
// engine's own text goes only to the debug log category "vmexp.basedatos".
VMEXP_EXPORT QString textoError(const QSqlError &e);

class VMEXP_EXPORT Conexion : public QObject {
    Q_OBJECT
public:
    // Takes an open database; the dialect is chosen by its driver name.
    explicit Conexion(const QSqlDatabase &db, QObject *parent = nullptr);
    ~Conexion() override;

    // The connection, free of reads sent ahead (see adelantar).
    QSqlDatabase &db();
    // What the backend does its own way: translation, keys, documents.
    const DialectoSql &dialecto() const { return *m_dialecto; }
    // Whether the backend's session settings took; the connection is not to be used otherwise.
    const Resultado &sesion() const { return m_sesion; }

    // A statement with a result. Errors come back in Recordset::resultado(), never thrown.
    // A forward-only result reads each row once, without keeping it: quicker for
    // long results read from start to end; it cannot move back nor count its rows.
    enum class Cursor { Desplazable, SoloAdelante };
    Recordset Execute(const QString &sql, Cursor cursor = Cursor::Desplazable);
    // A statement without a result.
    Resultado Ejecutar(const QString &sql);

    // Reads a screen will make, sent now without waiting for their rows: the Execute of
    // each statement (T-SQL, as Execute takes it) and the first page of the grid over
    // rejilla that follow take their rows when they come, the screen working meanwhile.
    // On a server they go in one round trip; elsewhere nothing is sent ahead. Anything
    // else the connection does waits for them first; a write, or soltarAdelanto, drops
    // the rows nobody took. False when nothing was sent.
    bool adelantar(const QStringList &sentencias, const QString &rejilla = {});
    void soltarAdelanto();
    // Statements and groups sent ahead so far: the round trips to a server.
    qint64 idasYVueltas() const { return m_idas; }

    // Saves open their transaction through the guard (transaccion.h), not these.
    // BeginTrans is a transaction for reading: the backend takes locks as statements
    // need them. BeginTransEscritura holds the write lock from its start ("BEGIN
    // IMMEDIATE" on SQLite), waiting on the busy timeout, so that a save begun so cannot
    // fail half-way for a lock; inside an open transaction it only nests.
    Resultado BeginTrans();
    Resultado BeginTransEscritura();
    Resultado CommitTrans();
    Resultado RollbackTrans();
    bool enTransaccion() const { return m_nivelTransaccion > 0; }

    // T-SQL as the library writes it, turned into what the backend runs.
    QString traducir(const QString &sql) const;

    // Value kinds by column name (any letter case); dates are returned as dates.
    void setTiposColumna(const QHash<QString, TipoValor> &tipos);
    TipoValor tipoColumna(const QString &columna) const;
    QVariant valorLeido(const QString &columna, const QVariant &bruto) const;

    // Runs a statement with valores bound to its '?' in order (a value never goes into
    // the text). With tablaClave, an INSERT into that table whose generated key goes to *clave.
    Resultado EjecutarConValores(const QString &sql, const QList<QVariant> &valores, const QString &tablaClave = {},
                                 qint64 *clave = nullptr);
    // A database failure as a result: textoError's message, the engine's text as cause.
    static Resultado fallo(const class QSqlError &e);

signals:
    // Every statement exactly as the library wrote it, before translation.
    void sentencia(const QString &sql);

private:
    // Tells the observers and the log; ida: the statement goes on its own.
    void anunciar(const QString &sql, bool ida = true);
    // Until the reads sent ahead have answered: the connection is free.
    void esperarAdelanto() const;
    // The rows of a read sent ahead; nullptr, with the connection free, otherwise.
    std::unique_ptr<class LectorFilas> tomarAdelantada(const QString &traducida);
    // A grid's statement as its model reads it, and the text of its first filas rows.
    QString textoRejilla(const QString &sql);
    QString primeraPagina(const QString &texto, int filas) const;
    // A translated SELECT run; nullptr and *error when it fails. The backend's own
    // reader serves what is read once from start to end, and a grid's page of at most
    // filasPagina rows (0: no page).
    std::unique_ptr<class LectorFilas> lector(const QString &traducida, QSqlError *error, int filasPagina = 0);
    std::unique_ptr<class LectorFilas> consulta(const QString &traducida, bool soloAdelante, QSqlError *error);

    QSqlDatabase m_db;
    std::unique_ptr<DialectoSql> m_dialecto;
    QHash<QString, TipoValor> m_tipos; // keys lower case
    mutable QHash<QString, QString> m_traducidas;
    QHash<QString, QString> m_rejillas; // a grid's translated statement in its stable order
    int m_nivelTransaccion = 0;
    Resultado m_sesion;
    std::unique_ptr<class Adelanto> m_adelanto;
    qint64 m_idas = 0;

    friend class RecordsetModel;
};

// Drops, at the end of a scope, the rows sent ahead that nobody took.
struct FinAdelanto {
    Conexion *conexion;
    ~FinAdelanto() {
        if (conexion)
            conexion->soltarAdelanto();
    }
};

// A scrollable result: positioned on its first row, EOF and BOF both true when empty.
class VMEXP_EXPORT Recordset {
public:
    Recordset();
    // A failed statement reads as no rows: check this before reading any.
    Resultado resultado() const;
    bool ok() const;

    bool isEOF() const;
    bool isBOF() const;
    int RecordCount(); // -1 on a forward-only result
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    // "Col = value" (number or quoted text), searched from the current row on;
    // leaves the result at EOF when no row matches.
    bool Find(const QString &criterio);
    int AbsolutePosition() const; // 1-based, 0 outside the rows

    int FieldCount() const;
    QString FieldName(int i) const;
    // NULL comes back as an invalid QVariant, so it differs from "".
    QVariant Fields(int i) const;
    QVariant Fields(const QString &nombre) const;
    int indiceCampo(const QString &nombre) const; // -1 when absent

    void Close();

private:
    friend class Conexion;
    struct Datos;
    std::shared_ptr<Datos> d;
};

// A grid's model over a SELECT. Rows are read a page at a time, each page by a short
// statement that is finished before the user gets the screen back: a grid left open
// holds no read snapshot, so the connection's next save is never refused for a stale
// one, and a result of a million rows binds at once. Pages go by position (the
// dialect's LIMIT/OFFSET) rather than by key: the statements are the screens' own, in
// their own order, with no key this model could rely on. A server that stores a changed
// row anew reads a statement without an order of its own in its table's key order
// (DialectoSql::ordenEstable). Rows another user inserts or deletes meanwhile may shift
// a row across a page boundary; a new search shows them in place.
// Values are returned as Recordset does.
class VMEXP_EXPORT RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rows of the first page: a screenful and some. One more is read to know whether
    // there are others.
    static constexpr int kPrimeraPagina = 256;

    RecordsetModel(Conexion *conexion, const QString &sql, QObject *parent = nullptr);
    // The same, reading only primeraPagina rows before the grid first shows: for a list
    // whose statement stops as soon as it has them.
    RecordsetModel(Conexion *conexion, const QString &sql, int primeraPagina, QObject *parent = nullptr);
    bool ok() const { return m_resultado.ok(); }
    const Resultado &resultado() const { return m_resultado; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;

    // The column names; with a row, its values as read.
    QSqlRecord record() const { return m_columnas; }
    QSqlRecord record(int n) const;
    // True when the result has at least one row, without counting the rest.
    bool tieneFilas() const { return !m_filas.isEmpty(); }
    // Takes otro's statement, rows and captions in one reset, otro getting these: the
    // views over this model keep their headers, selection and connections.
    void tomarResultado(RecordsetModel &otro);

private:
    bool leerPagina();
    // Up to n rows of f after those held; m_hayMas tells whether it has others.
    QList<QList<QVariant>> tomarFilas(std::unique_ptr<class LectorFilas> &f, int n);
    // Row n's values, made from its page the first time they are asked for.
    const QList<QVariant> &fila(int n) const;

    // A page held whole by its reader until each of its rows has been made.
    struct Pagina {
        qsizetype desde;
        int pendientes;
        std::shared_ptr<class LectorFilas> filas;
    };

    Conexion *m_conexion;
    QString m_sql; // translated
    Resultado m_resultado;
    QSqlRecord m_columnas;
    QList<TipoValor> m_tipos;
    mutable QList<QList<QVariant>> m_filas; // a row still in its page is empty
    mutable QList<Pagina> m_paginas;
    QHash<int, QVariant> m_cabeceras;
    bool m_hayMas = true;
    bool m_trayendo = false;
};
