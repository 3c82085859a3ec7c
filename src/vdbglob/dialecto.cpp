#include "dialecto.h"

#include "basedatos.h"
#include "comillas.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QSet>
#include <QSqlDatabase>
#include <QTime>

std::unique_ptr<DialectoSql> DialectoSql::paraDriver(const QString &driver)
{
    if (driver == QLatin1String("QSQLITE"))
        return std::make_unique<DialectoSqlite>();
    if (driver == QLatin1String("QPSQL"))
        return std::make_unique<DialectoPostgres>();
    return std::make_unique<DialectoSql>();
}

QString DialectoSql::pagina(const QString &, int, qint64) const { return {}; }

bool DialectoSql::abrirParaSubir(QFile &fichero, QString *error)
{
    if (fichero.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return true;
    if (error)
        *error = QStringLiteral("No se puede leer el fichero %1: %2").arg(fichero.fileName(), fichero.errorString());
    return false;
}

QString DialectoSql::sinPuntoYComa(const QString &sql)
{
    QString cuerpo = sql.trimmed();
    if (cuerpo.endsWith(u';'))
        cuerpo.chop(1);
    return cuerpo;
}

QString DialectoSql::conLimite(const QString &sql, int filas, qint64 desde)
{
    // Wrapped rather than appended: the statement may end in a comment or have a LIMIT
    // of its own. SQLite flattens the subquery, so the order and the cost are the same.
    // Joined, not arg()'d: a LIKE '%2%' in the statement must stay as it is.
    return QStringLiteral("SELECT * FROM (\n") + sinPuntoYComa(sql) + QStringLiteral("\n) AS vmexp_pagina LIMIT ")
           + QString::number(filas) + QStringLiteral(" OFFSET ") + QString::number(desde);
}

QString DialectoSqlite::pagina(const QString &sql, int filas, qint64 desde) const
{
    return conLimite(sql, filas, desde);
}

bool DialectoSql::ejecutarConValores(QSqlDatabase &db, const QString &sql, const QList<QVariant> &valores, qint64 *clave,
                                     QSqlError *error) const
{
    QSqlQuery q(db);
    if (q.prepare(sql)) {
        for (int i = 0; i < valores.size(); ++i)
            q.bindValue(i, valores[i]);
        if (q.exec()) {
            if (clave)
                *clave = q.lastInsertId().toLongLong();
            return true;
        }
    }
    *error = q.lastError();
    return false;
}

Resultado DialectoSql::guardarFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                                      const QString &ruta, const FlujoBlob::Progreso &progreso) const
{
    QString error;
    if (subirFichero(db, tabla, columna, fila, ruta, &error, progreso))
        return {};
    return Resultado::fallo(error);
}

Resultado DialectoSql::cargarAFichero(QSqlDatabase &db, const QString &tabla, const QString &columna, qint64 fila,
                                      const QString &ruta, bool *escrito, const FlujoBlob::Progreso &progreso) const
{
    QString error;
    const bool hecho = bajarAFichero(db, tabla, columna, fila, ruta, &error, progreso);
    if (escrito)
        *escrito = hecho;
    // Nothing stored is no failure: only a reason is.
    if (hecho || error.isEmpty())
        return {};
    return Resultado::fallo(error);
}

bool DialectoSql::subirFichero(QSqlDatabase &, const QString &, const QString &, qint64, const QString &,
                               QString *error, const FlujoBlob::Progreso &) const
{
    if (error)
        *error = QStringLiteral("Esta base de datos no admite guardar ficheros");
    return false;
}

bool DialectoSql::bajarAFichero(QSqlDatabase &, const QString &, const QString &, qint64, const QString &,
                                QString *error, const FlujoBlob::Progreso &) const
{
    if (error)
        *error = QStringLiteral("Esta base de datos no admite leer ficheros");
    return false;
}

namespace {

enum class Clase { Blanco, Comentario, Literal, Corchetes, Nombre, Numero, Signo };

struct Token {
    Clase clase;
    QString texto;
};

bool esInicioNombre(QChar c) { return c.isLetter() || c == u'_' || c == u'@' || c == u'#'; }
bool esParteNombre(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// Position just past the closing delimiter; a doubled one is part of the content.
qsizetype hastaCierre(const QString &s, qsizetype i, QChar cierre)
{
    while (i < s.size()) {
        if (s[i] == cierre) {
            if (i + 1 < s.size() && s[i + 1] == cierre) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i; // unterminated: the rest belongs to it, the server will complain
}

QList<Token> trocear(const QString &s)
{
    static const QSet<QString> dobles = {"<=", ">=", "<>", "!=", "!<", "!>", "||"};
    QList<Token> tokens;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        qsizetype j = i + 1;
        Clase clase = Clase::Signo;
        if (c.isSpace()) {
            while (j < n && s[j].isSpace())
                ++j;
            clase = Clase::Blanco;
        } else if (c == u'-' && j < n && s[j] == u'-') {
            while (j < n && s[j] != u'\n')
                ++j;
            clase = Clase::Comentario;
        } else if (c == u'/' && j < n && s[j] == u'*') {
            const qsizetype fin = s.indexOf(QLatin1String("*/"), i + 2);
            j = fin < 0 ? n : fin + 2;
            clase = Clase::Comentario;
        } else if (c == u'\'') {
            j = hastaCierre(s, j, u'\'');
            clase = Clase::Literal;
        } else if (c == u'[') {
            j = hastaCierre(s, j, u']');
            clase = Clase::Corchetes;
        } else if (c == u'"') {
            j = hastaCierre(s, j, u'"');
            clase = Clase::Corchetes;
        } else if (esInicioNombre(c)) {
            while (j < n && esParteNombre(s[j]))
                ++j;
            clase = Clase::Nombre;
        } else if (c.isDigit() || (c == u'.' && j < n && s[j].isDigit())) {
            while (j < n && (s[j].isDigit() || s[j] == u'.'))
                ++j;
            if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                qsizetype k = j + 1;
                if (k < n && (s[k] == u'+' || s[k] == u'-'))
                    ++k;
                if (k < n && s[k].isDigit())
                    j = k;
            }
            // 0x1F, 1e5 and the like stay one token
            while (j < n && esParteNombre(s[j]))
                ++j;
            clase = Clase::Numero;
        } else if (j < n && dobles.contains(s.mid(i, 2))) {
            j = i + 2;
        }
        tokens.append({clase, s.mid(i, j - i)});
        i = j;
    }
    return tokens;
}

// "SELECT ... FROM table [WHERE ...] [ORDER BY ...]": its table, lower case, and whether
// it has an order of its own; no table for any other shape (a grouping, a join,
// DISTINCT, a set operation, a limit of its own).
struct SelectSimple {
    QString tabla;
    bool ordenada = false;
};

SelectSimple selectSimple(const QString &sql)
{
    static const QSet<QString> otraForma = {"group", "having", "union", "intersect", "except", "limit",
                                            "offset", "fetch", "join", "distinct", "for", "window"};
    QStringList fuera; // significant tokens outside parentheses, names lower case
    int profundidad = 0;
    for (const Token &tk : trocear(sql)) {
        if (tk.clase == Clase::Blanco || tk.clase == Clase::Comentario)
            continue;
        if (tk.texto == u"(")
            ++profundidad;
        else if (tk.texto == u")")
            --profundidad;
        else if (profundidad == 0)
            fuera << (tk.clase == Clase::Nombre ? tk.texto.toLower() : tk.texto);
    }
    if (fuera.value(0) != u"select" || fuera.count(QStringLiteral("from")) != 1)
        return {};
    for (const QString &x : std::as_const(fuera))
        if (otraForma.contains(x))
            return {};
    qsizetype k = fuera.indexOf(QStringLiteral("from")) + 1;
    QString tabla = fuera.value(k);
    // schema.table
    if (fuera.value(k + 1) == u"." && !fuera.value(k + 2).isEmpty()) {
        tabla += u'.' + fuera.value(k + 2);
        k += 2;
    }
    const QString sigue = fuera.value(k + 1);
    const bool nombre = !tabla.isEmpty() && esInicioNombre(tabla[0]);
    if (!nombre || !(sigue.isEmpty() || sigue == u"where" || sigue == u"order" || sigue == u";"))
        return {};
    return {tabla, fuera.contains(QStringLiteral("order"))};
}

// 'dd/mm/yyyy' or 'dd/mm/yyyy hh:mm:ss' as the ISO text dates are stored in; empty otherwise.
QString fechaIso(const QString &literal)
{
    if (literal.size() < 2 || !literal.endsWith(u'\''))
        return {};
    const QString c = literal.mid(1, literal.size() - 2);
    if (c.size() != 10 && c.size() != 19)
        return {};
    static const QString forma = QStringLiteral("dd/dd/dddd dd:dd:dd");
    for (qsizetype i = 0; i < c.size(); ++i) {
        const bool digito = forma[i] == u'd';
        if (digito ? !(c[i] >= u'0' && c[i] <= u'9') : c[i] != forma[i])
            return {};
    }
    const auto num = [&c](int desde, int largo) { return c.mid(desde, largo).toInt(); };
    const QDate fecha(num(6, 4), num(3, 2), num(0, 2));
    const QTime hora = c.size() == 19 ? QTime(num(11, 2), num(14, 2), num(17, 2)) : QTime(0, 0);
    if (!fecha.isValid() || !hora.isValid())
        return {};
    return QString::asprintf("'%04d-%02d-%02d %02d:%02d:%02d'", fecha.year(), fecha.month(),
                             fecha.day(), hora.hour(), hora.minute(), hora.second());
}

enum class Destino { Sqlite, Postgres };

// [name] as PostgreSQL reads it: a plain name folds to lower case like the unquoted
// ones; anything else (an alias with blanks) keeps its letters.
QString nombreEntreComillas(const QString &corchetes)
{
    QString n = corchetes.mid(1, corchetes.size() - 2).replace(QStringLiteral("]]"), QStringLiteral("]"));
    bool simple = !n.isEmpty() && !n[0].isDigit();
    for (QChar c : std::as_const(n))
        simple = simple && (c.isLetterOrNumber() || c == u'_');
    if (simple)
        n = n.toLower();
    return entreComillas(n, u'"');
}

class Traductor {
public:
    Traductor(const QString &tsql, Destino destino) : t(trocear(tsql)), destino(destino) {}

    QString traducir()
    {
        quitarEsquemaDbo();
        indexar();
        cambiarTokens();
        cambiarCasts();
        if (destino == Destino::Postgres)
            ordenarNulosPrimero();
        nivel(0, sig.size());
        QString salida;
        for (const Token &tk : std::as_const(t))
            salida += tk.texto;
        return salida;
    }

private:
    // One element of an operand: a token, or a parenthesised group read as its pieces.
    struct Elemento {
        qsizetype k;          // significant index of the token or of the '('
        qsizetype fin = -1;   // for a group: index of its ')' (or the end when unclosed)
        QList<bool> piezas;   // for a group: per comma-separated piece, is it one text chain
    };

    QList<Token> t;
    Destino destino;
    QList<qsizetype> sig;    // positions in t of the tokens that are not blanks or comments
    QList<qsizetype> pareja; // per significant index: the matching parenthesis, -1 if none

    Token &tok(qsizetype k) { return t[sig[k]]; }
    bool es(qsizetype k, QStringView texto)
    {
        return k >= 0 && k < sig.size() && tok(k).clase == Clase::Signo && tok(k).texto == texto;
    }
    QString nombre(qsizetype k)
    {
        return k >= 0 && k < sig.size() && tok(k).clase == Clase::Nombre ? tok(k).texto.toLower()
                                                                         : QString();
    }

    void indexar()
    {
        sig.clear();
        for (qsizetype i = 0; i < t.size(); ++i)
            if (t[i].clase != Clase::Blanco && t[i].clase != Clase::Comentario)
                sig.append(i);
        pareja.fill(-1, sig.size());
        QList<qsizetype> abiertos;
        for (qsizetype k = 0; k < sig.size(); ++k) {
            if (es(k, u"(")) {
                abiertos.append(k);
            } else if (es(k, u")") && !abiertos.isEmpty()) {
                pareja[k] = abiertos.last();
                pareja[abiertos.takeLast()] = k;
            }
        }
    }

    // db.dbo.table -> db.table: the company-wide database is attached under its own name.
    void quitarEsquemaDbo()
    {
        indexar();
        const auto esParte = [this](qsizetype k) {
            return tok(k).clase == Clase::Nombre || tok(k).clase == Clase::Corchetes;
        };
        const auto esDbo = [this](qsizetype k) {
            const Token &x = tok(k);
            return (x.clase == Clase::Nombre && x.texto.compare(u"dbo", Qt::CaseInsensitive) == 0)
                || (x.clase == Clase::Corchetes
                    && x.texto.compare(u"[dbo]", Qt::CaseInsensitive) == 0);
        };
        QList<std::pair<qsizetype, qsizetype>> quitar; // token ranges, first and last
        for (qsizetype k = 0; k + 4 < sig.size(); ++k) {
            if (esParte(k) && es(k + 1, u".") && esDbo(k + 2) && es(k + 3, u".") && esParte(k + 4)) {
                quitar.append({sig[k + 2], sig[k + 3]});
                k += 3;
            }
        }
        for (auto it = quitar.crbegin(); it != quitar.crend(); ++it)
            t.remove(it->first, it->second - it->first + 1);
    }

    // Function names and date literals, one token at a time.
    void cambiarTokens()
    {
        for (qsizetype k = 0; k < sig.size(); ++k) {
            Token &x = tok(k);
            const bool pg = destino == Destino::Postgres;
            if (x.clase == Clase::Literal) {
                const QString iso = fechaIso(x.texto);
                if (!iso.isEmpty())
                    x.texto = iso;
                continue;
            }
            if (pg && x.clase == Clase::Corchetes && x.texto.startsWith(u'[') && x.texto.endsWith(u']')) {
                x.texto = nombreEntreComillas(x.texto);
                continue;
            }
            if (es(k - 1, u"."))
                continue;
            const QString n = nombre(k);
            // LIKE matches without regard to letter case, as the embedded like() does
            if (pg && n == u"like")
                x.texto = QStringLiteral("ILIKE");
            if (!es(k + 1, u"("))
                continue;
            if (n == u"isnull") {
                x.texto = pg ? QStringLiteral("coalesce") : QStringLiteral("ifnull");
            } else if (n == u"getdate" && es(k + 2, u")")) {
                if (pg) {
                    x.texto = QStringLiteral("LOCALTIMESTAMP");
                    tok(k + 2).texto = QStringLiteral("3)");
                } else {
                    x.texto = QLatin1String(DialectoSqlite::kFuncionAhora);
                }
            }
        }
    }

    // Index of the AS of cast(x AS type), or -1.
    qsizetype asDelCast(qsizetype abre, qsizetype cierra)
    {
        qsizetype as = -1;
        for (qsizetype k = abre + 1; k < cierra; ++k) {
            if (es(k, u"(") && pareja[k] >= 0)
                k = pareja[k];
            else if (nombre(k) == u"as")
                as = k;
        }
        return as;
    }

    // Blanks the significant tokens [b, e) and the blanks between them.
    void vaciar(qsizetype b, qsizetype e)
    {
        for (qsizetype i = sig[b]; b < e && i <= sig[e - 1]; ++i)
            t[i].texto.clear();
    }

    // The types of cast(x AS type) the target names otherwise; binary casts make the
    // documents of the demo data.
    void cambiarCasts()
    {
        const bool pg = destino == Destino::Postgres;
        for (qsizetype k = 0; k + 1 < sig.size(); ++k) {
            if (nombre(k) != u"cast" || !es(k + 1, u"(") || pareja[k + 1] < 0 || es(k - 1, u"."))
                continue;
            const qsizetype cierra = pareja[k + 1];
            const qsizetype as = asDelCast(k + 1, cierra);
            if (as < 0)
                continue;
            const QString tipo = nombre(as + 1);
            const bool conLargo = es(as + 2, u"(");
            const bool largoMax = conLargo && nombre(as + 3) == u"max";
            if (tipo == u"varbinary" || tipo == u"binary" || tipo == u"image") {
                // On the server the contents become a large object, the column holds its id
                if (pg) {
                    tok(k).texto = QStringLiteral("lo_from_bytea(0, ") + tok(k).texto;
                    tok(cierra).texto = QStringLiteral("))");
                }
                tok(as + 1).texto = pg ? QStringLiteral("bytea") : QStringLiteral("BLOB");
                vaciar(as + 2, cierra);
            } else if (tipo == u"datetime") {
                // the embedded database keeps dates as ISO text
                tok(as + 1).texto = pg ? QStringLiteral("timestamp(3)") : QStringLiteral("TEXT");
            } else if (pg && (tipo == u"nvarchar" || tipo == u"nchar" || tipo == u"ntext"
                              || (tipo == u"varchar" && largoMax))) {
                const bool texto = tipo == u"ntext" || largoMax || !conLargo;
                tok(as + 1).texto = texto ? QStringLiteral("text")
                                          : tipo == u"nchar" ? QStringLiteral("char") : QStringLiteral("varchar");
                if (texto)
                    vaciar(as + 2, cierra);
            }
        }
    }

    // The statements expect NULL before any value in ascending order (and after them in
    // descending), as the original server and SQLite sort; PostgreSQL does the opposite.
    void ordenarNulosPrimero()
    {
        static const QSet<QString> finales = {"limit", "offset", "for", "union", "except", "intersect", "fetch"};
        for (qsizetype k = 0; k + 1 < sig.size(); ++k) {
            if (nombre(k) != u"order" || nombre(k + 1) != u"by")
                continue;
            qsizetype j = k + 2;
            while (true) {
                const qsizetype inicio = j;
                while (j < sig.size() && !es(j, u",") && !es(j, u")") && !es(j, u";")
                       && !finales.contains(nombre(j))) {
                    if (es(j, u"(") && pareja[j] > j)
                        j = pareja[j];
                    ++j;
                }
                if (j == inicio || nombre(j - 1) == u"first" || nombre(j - 1) == u"last")
                    break;
                tok(j - 1).texto += nombre(j - 1) == u"desc" ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
                if (!es(j, u","))
                    break;
                ++j;
            }
            k = j;
        }
    }

    bool esPalabraClave(qsizetype k)
    {
        static const QSet<QString> claves = {
            "select", "from",   "where",  "and",     "or",        "not",    "as",     "like",
            "in",     "is",     "between", "on",     "join",      "inner",  "outer",  "cross",
            "full",   "left",   "right",  "order",   "by",        "group",  "having", "union",
            "all",    "distinct", "top",  "into",    "values",    "set",    "update", "insert",
            "delete", "case",   "when",   "then",    "else",      "end",    "asc",    "desc",
            "escape", "exists", "collate", "with",   "except",    "intersect", "limit", "offset",
            "using",  "natural", "ilike"};
        const QString n = nombre(k);
        if (!claves.contains(n))
            return false;
        // LEFT(x, n) and RIGHT(x, n) are functions
        return !((n == u"left" || n == u"right") && es(k + 1, u"("));
    }

    // What may stand inside one operand of a '+' chain; anything else ends the chain.
    bool esDeOperando(qsizetype k)
    {
        switch (tok(k).clase) {
        case Clase::Literal:
        case Clase::Corchetes:
        case Clase::Numero:
            return true;
        case Clase::Nombre:
            return !esPalabraClave(k);
        case Clase::Signo:
            return es(k, u".") || es(k, u"*") || es(k, u"/") || es(k, u"%");
        default:
            return false;
        }
    }

    // cast(... as nvarchar), also with a length: (30), (max).
    bool esCastATexto(qsizetype abre, qsizetype cierra)
    {
        static const QSet<QString> tipos = {"nvarchar", "varchar", "char", "nchar", "text", "ntext"};
        const qsizetype as = asDelCast(abre, cierra);
        return as >= 0 && tipos.contains(nombre(as + 1));
    }

    bool esTexto(const QList<Elemento> &op)
    {
        if (op.size() == 1) {
            const Elemento &e = op.first();
            if (e.fin >= 0)
                return e.piezas == QList<bool>{true};
            return tok(e.k).clase == Clase::Literal;
        }
        if (op.size() == 2 && op[0].fin < 0 && op[1].fin >= 0) {
            const QString n = nombre(op[0].k);
            if (n == u"cast")
                return esCastATexto(op[1].k, op[1].fin);
            // isnull(x,'') yields text when one of its values is text
            if (n == u"isnull" || n == u"ifnull" || n == u"coalesce")
                return op[1].piezas.contains(true);
        }
        return false;
    }

    // Reads the significant tokens [b, e) at one parenthesis depth; turns the '+' of every
    // chain that joins text into '||'. Returns, per comma-separated piece, whether the piece
    // is a single chain of text (so that the enclosing group counts as text).
    QList<bool> nivel(qsizetype b, qsizetype e)
    {
        QList<bool> piezas;
        QList<Elemento> op;
        QList<qsizetype> mas;
        bool texto = false;
        bool unaCadena = true;

        const auto cerrarCadena = [&]() {
            if (!op.isEmpty())
                texto = texto || esTexto(op);
            if (texto)
                for (qsizetype k : std::as_const(mas))
                    tok(k).texto = QStringLiteral("||");
            const bool fueTexto = texto;
            op.clear();
            mas.clear();
            texto = false;
            return fueTexto;
        };

        for (qsizetype k = b; k < e; ++k) {
            if (es(k, u"(")) {
                const qsizetype fin = pareja[k] >= 0 ? pareja[k] : e;
                op.append(Elemento{k, fin, nivel(k + 1, fin)});
                k = fin;
            } else if (es(k, u"+") && !op.isEmpty()) {
                texto = texto || esTexto(op);
                op.clear();
                mas.append(k);
            } else if (es(k, u"+") || esDeOperando(k)) {
                op.append(Elemento{k, -1, {}});
            } else {
                const bool fueTexto = cerrarCadena();
                if (es(k, u",")) {
                    piezas.append(unaCadena && fueTexto);
                    unaCadena = true;
                } else {
                    unaCadena = false;
                }
            }
        }
        const bool fueTexto = cerrarCadena();
        piezas.append(unaCadena && fueTexto);
        return piezas;
    }
};

} // namespace

QString DialectoPostgres::claveDeOrden(QSqlDatabase &db, const QString &sql, QString *tabla) const
{
    const SelectSimple forma = selectSimple(sql);
    if (tabla)
        *tabla = forma.tabla;
    return forma.tabla.isEmpty() || forma.ordenada ? QString() : columnaClave(db, forma.tabla);
}

QString DialectoPostgres::ordenEstable(QSqlDatabase &db, const QString &sql) const
{
    QString tabla;
    const QString clave = claveDeOrden(db, sql, &tabla);
    if (clave.isEmpty())
        return sql;
    // On a line of its own: the statement may end in a comment.
    return sinPuntoYComa(sql) + QStringLiteral("\nORDER BY ") + tabla + u'.' + clave;
}

QString DialectoPostgres::estrechar(QSqlDatabase &db, const QString &tsql, const QStringList &columnas, int columna,
                                   const QStringList &palabras) const
{
    const QString todas = DialectoSql::estrechar(db, tsql, columnas, columna, palabras);
    const QString clave = claveDeOrden(db, traducir(tsql));
    const bool mostrada = !clave.isEmpty() && columnas.contains(clave, Qt::CaseInsensitive);
    return mostrada ? todas + QStringLiteral("\nORDER BY ") + clave : todas;
}

QString DialectoPostgres::pagina(const QString &sql, int filas, qint64 desde) const
{
    if (selectSimple(sql).tabla.isEmpty())
        return conLimite(sql, filas, desde);
    // Limited at its own level rather than wrapped: the server then works out the
    // columns' subqueries only for the rows of the page, not for every row it orders.
    return sinPuntoYComa(sql) + QStringLiteral("\nLIMIT ") + QString::number(filas) + QStringLiteral(" OFFSET ")
           + QString::number(desde);
}

QString DialectoSqlite::traducir(const QString &tsql) const
{
    return Traductor(tsql, Destino::Sqlite).traducir();
}

QString DialectoPostgres::traducir(const QString &tsql) const
{
    return Traductor(tsql, Destino::Postgres).traducir();
}

bool DialectoSqlite::prepararSesion(QSqlDatabase &db, QString *error) const {
    // Registering again while a statement runs would be refused: only when missing.
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("PRAGMA collation_list")))
        while (q.next())
            if (q.value(1).toString() == QLatin1String(BaseDatos::kCotejo))
                return true;
    q.finish();
    if (BaseDatos::registrarFunciones(db))
        return true;
    if (error)
        *error = QStringLiteral("No se puede preparar la conexión con la base de datos: falta el orden de los textos (%1).")
                     .arg(QLatin1String(BaseDatos::kCotejo));
    return false;
}
