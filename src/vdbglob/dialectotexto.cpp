// How each backend finds the documents whose text holds some words (table ActFTex).
#include "dialecto.h"

#include <QRegularExpression>

namespace {
// Joined from the matches outwards: the engine reads each matching document once.
const QString kHastaExpediente = QStringLiteral(" JOIN ActF ON ActF_Id = %1 JOIN Act ON Act_Id = ActF_IdAct WHERE ");

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

QString DialectoSql::expedientesConPalabras(const QStringList &palabras) const {
    if (palabras.isEmpty())
        return {};
    QStringList condiciones;
    for (const QString &p : palabras)
        condiciones << QStringLiteral("ActFTex_Texto Like '%") + p + QStringLiteral("%'");
    return QStringLiteral("SELECT Act_IdExp FROM ActFTex") + kHastaExpediente.arg(QStringLiteral("ActFTex_IdActF"))
           + condiciones.join(QStringLiteral(" AND "));
}

QString DialectoSql::fragmentosConPalabras(const QStringList &, int) const { return {}; }

// FTS5: each word a quoted token, matched from its start so that "compresor" finds
// "compresores" as the server's Spanish stems do; the words all have to be there.
QString DialectoSqlite::expedientesConPalabras(const QStringList &palabras) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT Act_IdExp FROM ActFTex_Fts") + kHastaExpediente.arg(QStringLiteral("ActFTex_Fts.rowid"))
           + QStringLiteral("ActFTex_Fts MATCH '") + unidas(palabras, QStringLiteral("\""), QStringLiteral("\"*")) + u'\'';
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
QString DialectoPostgres::expedientesConPalabras(const QStringList &palabras) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT Act_IdExp FROM ActFTex") + kHastaExpediente.arg(QStringLiteral("ActFTex_IdActF"))
           + QStringLiteral("ActFTex_Vector @@ plainto_tsquery('vmexp_spanish', '") + palabras.join(u' ')
           + QStringLiteral("')");
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
