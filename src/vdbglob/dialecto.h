#pragma once
// Statements are written in T-SQL; each backend says what it changes of them, and
// how it does what plain SQL through the Qt driver cannot do well.
#include "flujoblob.h"
#include "lectorfilas.h"

#include <QHash>
#include <QVariant>
#include <QString>
#include <QStringList>
#include <memory>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// Reads sent to the server ahead of need, all in one round trip and without waiting for
// their rows (see Conexion::adelantar).
class Adelanto {
public:
    virtual ~Adelanto() = default;
    // Sends the translated SELECTs, one statement each, after the rows of those sent
    // before have arrived; false when nothing was sent (the reads then run as usual).
    virtual bool enviar(const QStringList &traducidas) = 0;
    // The rows of a statement sent, waiting for them if need be; nullptr when it was not
    // sent, failed or never ran (it is then run as usual, to its own error).
    virtual std::unique_ptr<LectorFilas> tomar(const QString &traducida) = 0;
    // Until every statement sent has answered: the connection is free again.
    virtual void esperar() = 0;
};

class DialectoSql {
public:
    virtual ~DialectoSql() = default;
    virtual QString traducir(const QString &tsql) const { return tsql; }
    // Rows [desde, desde + filas) of a translated SELECT, in its own order, as one short
    // statement; empty when the backend cannot say it (the reader then skips rows itself).
    virtual QString pagina(const QString &sql, int filas, qint64 desde) const;
    // A translated SELECT in an order other users' saves do not change, for reading it a
    // page at a time; the statement itself when its own order already is.
    virtual QString ordenEstable(QSqlDatabase &db, const QString &sql) const { return sql; }
    // What opens a transaction that holds the write lock from its start; empty when the
    // driver's plain begin already does what a writer needs.
    virtual QString inicioEscritura() const { return {}; }
    // Settings every connection of the backend needs before the library uses it.
    virtual bool prepararSesion(QSqlDatabase &db, QString *error) const { return true; }
    // What the INSERT into tabla (as translated) needs appended so that it gives back
    // the key it generates; empty when the driver reports the key by itself.
    virtual QString clausulaClave(QSqlDatabase &db, const QString &tabla) const { return {}; }
    // Runs a translated statement with valores bound to its '?' in order; with clave, an
    // INSERT ending in clausulaClave, the key it generated is read back. False, with
    // *error set, when it fails.
    virtual bool ejecutarConValores(QSqlDatabase &db, const QString &sql, const QList<QVariant> &valores, qint64 *clave,
                                    QSqlError *error) const;
    // The contents of a blob column as read by the driver: the bytes themselves, or
    // what the backend keeps in their place.
    virtual QVariant contenidoBlob(QSqlDatabase &db, const QVariant &leido) const { return leido; }
    // Contents of a file into tabla.columna of the row whose generated key is fila,
    // and back (see FlujoBlob).
    Resultado guardarFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                             const QString &ruta, const FlujoBlob::Progreso &progreso) const;
    Resultado cargarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                             const QString &ruta, bool *escrito, const FlujoBlob::Progreso &progreso) const;
    // The SELECT tsql narrowed to the rows whose column columnas[columna] holds every one
    // of palabras (folded by BaseDatos::plegar), in the statement's own order; T-SQL too.
    virtual QString estrechar(QSqlDatabase &db, const QString &tsql, const QStringList &columnas, int columna,
                              const QStringList &palabras) const;
    // The rows of a translated SELECT that is read once from start to end, run and
    // standing before its first row; nullptr when the Qt driver's query is to read them,
    // or, with *error set, when the statement fails.
    virtual std::unique_ptr<LectorFilas> lectorSoloAdelante(QSqlDatabase &db, const QString &sql, QSqlError *error) const {
        return nullptr;
    }
    // A grid's page: the first filas rows (or fewer) of a translated SELECT, held whole so
    // that any of them is reached and made into values only when shown; nullptr as
    // lectorSoloAdelante.
    virtual std::unique_ptr<LectorFilas> lectorPagina(QSqlDatabase &db, const QString &sql, int filas,
                                                      QSqlError *error) const {
        return nullptr;
    }
    // True when the driver brings a whole result to the client at once: then even the
    // first page of a grid is asked for as a page.
    virtual bool traeResultadoEntero() const { return false; }
    // Where reads can be sent ahead of need; nullptr when a read costs no round trip.
    virtual std::unique_ptr<Adelanto> adelanto(QSqlDatabase &db) const { return nullptr; }
    // The words of a search in the documents' text: runs of letters and digits.
    VMEXP_EXPORT static QStringList palabras(const QString &texto);
    // A condition on Exp that keeps the case files with a document whose text holds every
    // one of the words (without regard to accents or letter case); empty without words.
    // muchos: many documents hold them, and each case file is better checked as it is read
    // than all of them gathered before the first row.
    virtual QString expedientesConPalabras(const QStringList &palabras, bool muchos) const;
    // A SELECT of how many documents hold the words, counting no further than tope; empty
    // when the backend chooses its way by itself.
    virtual QString contarDocumentosConPalabras(const QStringList &palabras, int tope) const;
    // A SELECT of the documents of action idAct whose text holds the words: their id and
    // the passage that holds them; empty when the backend cannot say it.
    virtual QString fragmentosConPalabras(const QStringList &palabras, int idAct) const;
    // The dialect of a Qt driver name ("QSQLITE", "QPSQL", ...).
    static std::unique_ptr<DialectoSql> paraDriver(const QString &driver);
    // The statement without the blanks and the ';' at its end, to go on with more.
    static QString sinPuntoYComa(const QString &sql);

protected:
    // Opens the file a transfer stores, unbuffered; false and the reason in *error.
    static bool abrirParaSubir(class QFile &fichero, QString *error);
    // The transfers themselves: false and the reason in *error; false with no reason when
    // there is nothing to read.
    virtual bool subirFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                              const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const;
    virtual bool bajarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                               const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const;
    // A SELECT wrapped to return rows [desde, desde + filas).
    static QString conLimite(const QString &sql, int filas, qint64 desde);
};

// SQLite: isnull, Getdate(), three-part names, '+' joining text, day-first literals.
class DialectoSqlite : public DialectoSql {
public:
    QString traducir(const QString &tsql) const override;
    QString pagina(const QString &sql, int filas, qint64 desde) const override;
    QString inicioEscritura() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    // A connection a host opened on its own gets the collation and functions too.
    bool prepararSesion(QSqlDatabase &db, QString *error) const override;
    QString expedientesConPalabras(const QStringList &palabras, bool muchos) const override;
    QString contarDocumentosConPalabras(const QStringList &palabras, int tope) const override;
    QString fragmentosConPalabras(const QStringList &palabras, int idAct) const override;
    std::unique_ptr<LectorFilas> lectorSoloAdelante(QSqlDatabase &db, const QString &sql, QSqlError *error) const override;
    std::unique_ptr<LectorFilas> lectorPagina(QSqlDatabase &db, const QString &sql, int filas,
                                              QSqlError *error) const override;
    // Name of the function the embedded connection registers for Getdate().
    static constexpr const char *kFuncionAhora = "vmexp_getdate";
    // Through the name index of the statement's table when it has one and few rows match.
    QString estrechar(QSqlDatabase &db, const QString &tsql, const QStringList &columnas, int columna,
                      const QStringList &palabras) const override;

protected:
    bool subirFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                      const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const override;
    bool bajarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                       const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const override;
};

// PostgreSQL: vmcomun is a schema of the company database; documents are large
// objects; keys come back by RETURNING.
class DialectoPostgres : public DialectoSql {
public:
    QString traducir(const QString &tsql) const override;
    QString pagina(const QString &sql, int filas, qint64 desde) const override;
    // A changed row is stored anew elsewhere and a plain read meets it in another place:
    // a statement over one table without an order of its own is read in its key's.
    QString ordenEstable(QSqlDatabase &db, const QString &sql) const override;
    // Narrowed in the same order the whole list is read in.
    QString estrechar(QSqlDatabase &db, const QString &tsql, const QStringList &columnas, int columna,
                      const QStringList &palabras) const override;
    bool traeResultadoEntero() const override { return true; }
    std::unique_ptr<Adelanto> adelanto(QSqlDatabase &db) const override;
    // The page's statement stops at its rows by itself: its whole result, in one round trip.
    std::unique_ptr<LectorFilas> lectorPagina(QSqlDatabase &db, const QString &sql, int filas,
                                              QSqlError *error) const override;
    // Rows are locked as they are written; a save whose check read a row that another
    // then changed fails as a lock and is run again, so that the check sees the change.
    QString inicioEscritura() const override { return QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"); }
    bool prepararSesion(QSqlDatabase &db, QString *error) const override;
    QString clausulaClave(QSqlDatabase &db, const QString &tabla) const override;
    bool ejecutarConValores(QSqlDatabase &db, const QString &sql, const QList<QVariant> &valores, qint64 *clave,
                            QSqlError *error) const override;
    QVariant contenidoBlob(QSqlDatabase &db, const QVariant &leido) const override;
    QString expedientesConPalabras(const QStringList &palabras, bool muchos) const override;
    QString fragmentosConPalabras(const QStringList &palabras, int idAct) const override;
    // Creates the schema (and the demo data) on an empty database; never drops or
    // replaces a table: an existing one is an error.
    static bool crearEsquema(QSqlDatabase &db, bool demo, QString *error);

protected:
    bool subirFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                      const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const override;
    bool bajarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                       const QString &ruta, QString *error, const FlujoBlob::Progreso &progreso) const override;

private:
    // The generated key column of tabla (lower case), empty when it has none.
    QString columnaClave(QSqlDatabase &db, const QString &tabla) const;
    // The key a statement over one table without an order of its own is read in, with
    // that table in *tabla; empty for any other statement.
    QString claveDeOrden(QSqlDatabase &db, const QString &sql, QString *tabla = nullptr) const;
    mutable QHash<QString, QString> m_claves;
};
