#pragma once
// Statements are written in T-SQL; each backend says what it changes of them.
#include <QString>
#include <memory>

class DialectoSql {
public:
    virtual ~DialectoSql() = default;
    virtual QString traducir(const QString &tsql) const { return tsql; }
    // Rows [desde, desde + filas) of a translated SELECT, in its own order, as one short
    // statement; empty when the backend cannot say it (the reader then skips rows itself).
    virtual QString pagina(const QString &sql, int filas, qint64 desde) const;
    // What opens a transaction that holds the write lock from its start; empty when the
    // driver's plain begin already does what a writer needs.
    virtual QString inicioEscritura() const { return {}; }
    // The dialect of a Qt driver name ("QSQLITE", "QODBC", ...).
    static std::unique_ptr<DialectoSql> paraDriver(const QString &driver);
};

// SQLite: isnull, Getdate(), three-part names, '+' joining text, day-first literals.
class DialectoSqlite : public DialectoSql {
public:
    QString traducir(const QString &tsql) const override;
    QString pagina(const QString &sql, int filas, qint64 desde) const override;
    QString inicioEscritura() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    // Name of the function the embedded connection registers for Getdate().
    static constexpr const char *kFuncionAhora = "vmexp_getdate";
};
