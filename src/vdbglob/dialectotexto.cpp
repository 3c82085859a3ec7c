// How each backend finds the documents whose text holds some words (table ActFTex).
#include "dialecto.h"

#include <QRegularExpression>

namespace {
// Words hold only letters and digits: nothing typed can end a literal or the statement.
QString unidas(const QStringList &palabras, const QString &antes, const QString &despues) {
    QStringList r;
    for (const QString &p : palabras)
        r << antes + p + despues;
    return r.join(u' ');
}
} // namespace

QStringList DialectoSql::palabras(const QString &texto) {
    static const QRegularExpression separador(QStringLiteral("[^\\p{L}\\p{N}\\p{M}]+"));
    return texto.split(separador, Qt::SkipEmptyParts);
}

QString DialectoSql::documentosConPalabras(const QStringList &palabras) const {
    if (palabras.isEmpty())
        return {};
    QStringList condiciones;
    for (const QString &p : palabras)
        condiciones << QStringLiteral("ActFTex_Texto Like '%") + p + QStringLiteral("%'");
    return QStringLiteral("SELECT ActFTex_IdActF FROM ActFTex WHERE ") + condiciones.join(QStringLiteral(" AND "));
}

QString DialectoSql::fragmentosConPalabras(const QStringList &, int) const { return {}; }

// FTS5: each word a quoted token, matched from its start so that "compresor" finds
// "compresores" as the server's Spanish stems do; the words all have to be there.
QString DialectoSqlite::documentosConPalabras(const QStringList &palabras) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT rowid FROM ActFTex_Fts WHERE ActFTex_Fts MATCH '")
           + unidas(palabras, QStringLiteral("\""), QStringLiteral("\"*")) + u'\'';
}

QString DialectoSqlite::fragmentosConPalabras(const QStringList &palabras, int idAct) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT ActF_Id, snippet(ActFTex_Fts, 0, '«', '»', '…', 16) FROM ActFTex_Fts "
                          "JOIN ActF ON ActF_Id = ActFTex_Fts.rowid WHERE ActF_IdAct = ")
           + QString::number(idAct) + QStringLiteral(" AND ActFTex_Fts MATCH '")
           + unidas(palabras, QStringLiteral("\""), QStringLiteral("\"*")) + u'\'';
}

// The Spanish configuration with unaccent (vmexp_spanish): stems and stop words as
// Spanish has them, accents and letter case left out.
QString DialectoPostgres::documentosConPalabras(const QStringList &palabras) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT ActFTex_IdActF FROM ActFTex WHERE ActFTex_Vector @@ plainto_tsquery('vmexp_spanish', '")
           + palabras.join(u' ') + QStringLiteral("')");
}

QString DialectoPostgres::fragmentosConPalabras(const QStringList &palabras, int idAct) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT ActF_Id, ts_headline('vmexp_spanish', ActFTex_Texto, q, 'StartSel=«, StopSel=», "
                          "MaxWords=20, MinWords=8') FROM ActF JOIN ActFTex ON ActFTex_IdActF = ActF_Id, "
                          "plainto_tsquery('vmexp_spanish', '")
           + palabras.join(u' ') + QStringLiteral("') AS q WHERE ActF_IdAct = ") + QString::number(idAct)
           + QStringLiteral(" AND ActFTex_Vector @@ q");
}
