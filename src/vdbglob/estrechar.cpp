// Narrowing a name list in the database: every backend compares the folded column with
// LIKE; SQLite first asks the trigram index of the table (db/empresa.sql) which rows
// can match, when they are few, or reads them from the one kept in the list's order.
#include "basedatos.h"
#include "comillas.h"
#include "dialecto.h"
#include "registro.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <optional>
#include <sqlite3.h>

namespace {
// Above this many rows the index would cost more than walking the list in its order
// until a screenful matches (one row in 500 or more of a million match then).
constexpr int kMaximoIndice = 2000;
// A piece of two letters begins this many trigrams at most before it counts as too
// common to be worth asking the index; and reading them may take this long at most.
constexpr int kMaximoTrigramas = 64;
constexpr qint64 kMaximoVocabularioNs = 10'000'000;

// While it lives, a statement on the connection that runs longer than ns is interrupted.
class Plazo {
public:
    Plazo(QSqlDatabase &db, qint64 ns) : m_h(BaseDatos::manejador(db)), m_ns(ns) {
        m_reloj.start();
        if (m_h)
            sqlite3_progress_handler(m_h, 1000, &Plazo::vencido, this);
    }
    ~Plazo() {
        if (m_h)
            sqlite3_progress_handler(m_h, 0, nullptr, nullptr);
    }
    Plazo(const Plazo &) = delete;
    Plazo &operator=(const Plazo &) = delete;

private:
    static int vencido(void *yo) {
        auto *p = static_cast<Plazo *>(yo);
        return p->m_reloj.nsecsElapsed() > p->m_ns ? 1 : 0;
    }
    sqlite3 *m_h;
    qint64 m_ns;
    QElapsedTimer m_reloj;
};

QString nombre(const QString &n) { return u'[' + QString(n).replace(u']', QStringLiteral("]]")) + u']'; }
QString literal(const QString &t) { return entreComillas(t); }
QString frase(const QString &t) { return entreComillas(t, u'"'); }


// A plain "SELECT ... FROM tabla [ORDER BY ...]": its table, the statement without its
// order and the one column it is ordered by, if only one. No table for anything else.
struct Unica {
    QString tabla, sinOrden, orden;
};
Unica tablaUnica(const QString &tsql) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(select\\s.+\\sfrom\\s+(\\w+))\\s*(order\\s+by\\s([\\w\\s,]*))?;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression columna(QStringLiteral("^\\s*(\\w+)(\\s+asc)?\\s*$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(tsql);
    if (!m.hasMatch())
        return {};
    return {m.captured(2), m.captured(1), columna.match(m.captured(4)).captured(1)};
}

QStringList columnasDe(QSqlDatabase &db, const QString &tabla, QString *clave = nullptr) {
    QStringList r;
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA main.table_info(%1)").arg(nombre(tabla)));
    while (q.next()) {
        r << q.value(1).toString();
        if (clave && q.value(5).toInt() == 1 && q.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
            *clave = q.value(1).toString();
    }
    return r;
}

int indiceDe(const QStringList &lista, const QString &n) {
    for (int i = 0; i < lista.size(); ++i)
        if (lista[i].compare(n, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A piece of two letters as the trigrams that begin with it (the index ends each name
// with blanks, so the last letters begin one too). Empty when none does: nothing can
// match. None when too many do, or when finding them takes too long.
std::optional<QString> trigramasQueEmpiezan(QSqlDatabase &db, const QString &indice, const QString &trozo) {
    const QString vocabulario = indice + QStringLiteral("_vocab");
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS temp.%1 USING fts5vocab(main, %2, 'row')")
               .arg(nombre(vocabulario), literal(indice)));
    q.prepare(QStringLiteral("SELECT term FROM temp.%1 WHERE term >= ? AND term < ? LIMIT %2")
                  .arg(nombre(vocabulario))
                  .arg(kMaximoTrigramas + 1));
    q.addBindValue(trozo);
    q.addBindValue(trozo + QChar(0xFFFF));
    QStringList terminos;
    // The trigrams of a common pair have long lists to count: then the list is walked.
    const Plazo plazo(db, kMaximoVocabularioNs);
    if (!q.exec())
        return std::nullopt;
    while (q.next())
        terminos << frase(q.value(0).toString());
    if (terminos.size() > kMaximoTrigramas)
        return std::nullopt;
    return terminos.isEmpty() ? QString() : u'(' + terminos.join(QStringLiteral(" OR ")) + u')';
}

// The rows of vmexp_nombres whose folded column holds every word.
QString condiciones(const QStringList &columnas, int columna, const QStringList &palabras) {
    // CAST: a code column is searched as the text it shows.
    const QString valor = QStringLiteral("vmexp_plegar(CAST(vmexp_nombres.%1 AS text))").arg(nombre(columnas.value(columna)));
    QStringList r;
    for (QString p : palabras) {
        p.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
        r << valor + QStringLiteral(" LIKE ") + literal(u'%' + p + u'%') + QStringLiteral(" ESCAPE '\\'");
    }
    return r.join(QStringLiteral(" AND "));
}
} // namespace

QString DialectoSql::estrechar(QSqlDatabase &, const QString &tsql, const QStringList &columnas, int columna,
                               const QStringList &palabras) const {
    QString r = QStringLiteral("SELECT * FROM (\n") + sinPuntoYComa(tsql) + QStringLiteral("\n) AS vmexp_nombres");
    if (!palabras.isEmpty())
        r += QStringLiteral(" WHERE ") + condiciones(columnas, columna, palabras);
    return r;
}

QString DialectoSqlite::estrechar(QSqlDatabase &db, const QString &tsql, const QStringList &columnas, int columna,
                                  const QStringList &palabras) const {
    const QString todas = DialectoSql::estrechar(db, tsql, columnas, columna, palabras);
    const Unica unica = tablaUnica(tsql);
    const QString &tabla = unica.tabla;
    if (tabla.isEmpty() || palabras.isEmpty())
        return todas;
    QString clave;
    columnasDe(db, tabla, &clave);
    const QString indice = tabla + QStringLiteral("_Buscar");
    const QStringList deIndice = columnasDe(db, indice);
    const int enIndice = indiceDe(deIndice, columnas.value(columna));
    const int columnaClave = indiceDe(columnas, clave);
    if (enIndice < 0 || columnaClave < 0)
        return todas;

    QStringList partes;
    for (const QString &p : palabras) {
        if (p.size() >= 3) {
            partes << frase(p);
            continue;
        }
        // A single letter is in most names: the list is walked (reading the trigrams that
        // begin with it would cost more).
        if (p.size() == 1)
            continue;
        const auto trigramas = trigramasQueEmpiezan(db, indice, p);
        if (!trigramas)
            continue;
        if (trigramas->isEmpty())
            return todas + QStringLiteral(" AND 1 = 0");
        partes << *trigramas;
    }
    if (partes.isEmpty())
        return todas;
    // A list in the order of the searched column reads the matches in that order from the
    // index kept in it, and stops at a screenful however many there are.
    const QString ordenado = columnas.value(columna) + QStringLiteral("_Buscar");
    if (unica.orden.compare(columnas.value(columna), Qt::CaseInsensitive) == 0 && !columnasDe(db, ordenado).isEmpty())
        return QStringLiteral("SELECT vmexp_nombres.* FROM %1 AS vmexp_indice JOIN %2 AS vmexp_orden ON vmexp_orden.Ord_Clave = "
                              "vmexp_indice.rowid JOIN (\n%3\n) AS vmexp_nombres ON vmexp_nombres.%4 = vmexp_orden.Ord_Id "
                              "WHERE vmexp_indice.%1 MATCH %5 AND %6 ORDER BY vmexp_indice.rowid")
            .arg(nombre(ordenado), nombre(ordenado + QStringLiteral("_Orden")), unica.sinOrden, nombre(columnas[columnaClave]),
                 literal(partes.join(QStringLiteral(" AND "))), condiciones(columnas, columna, palabras));
    const QString consulta = u'{' + deIndice[enIndice] + QStringLiteral("} : (") + partes.join(QStringLiteral(" AND ")) + u')';
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 WHERE %1 MATCH ? LIMIT %2)")
                  .arg(nombre(indice))
                  .arg(kMaximoIndice + 1));
    q.addBindValue(consulta);
    if (!q.exec() || !q.next()) {
        qCWarning(lcSentencias) << "índice de nombres" << indice << "no disponible:" << q.lastError().text();
        return todas;
    }
    const int cuantas = q.value(0).toInt();
    if (cuantas == 0)
        return todas + QStringLiteral(" AND 1 = 0");
    if (cuantas > kMaximoIndice)
        return todas;
    return todas + QStringLiteral(" AND vmexp_nombres.%1 IN (SELECT rowid FROM %2 WHERE %2 MATCH %3)")
                       .arg(nombre(columnas[columnaClave]), nombre(indice), literal(consulta));
}
