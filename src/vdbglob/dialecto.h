#pragma once
// Statements are written in T-SQL; each backend says what it changes of them.
#include <QString>
#include <memory>

class DialectoSql {
public:
    virtual ~DialectoSql() = default;
    virtual QString traducir(const QString &tsql) const { return tsql; }
    // The dialect of a Qt driver name ("QSQLITE", "QODBC", ...).
    static std::unique_ptr<DialectoSql> paraDriver(const QString &driver);
};

// SQLite: isnull, Getdate(), three-part names, '+' joining text, day-first literals.
class DialectoSqlite : public DialectoSql {
public:
    QString traducir(const QString &tsql) const override;
    // Name of the function the embedded connection registers for Getdate().
    static constexpr const char *kFuncionAhora = "vmexp_getdate";
};
