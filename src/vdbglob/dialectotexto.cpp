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

// FTS5: each word a quoted token, matched from its start so that "compresor" finds
// "compresores" as the server's Spanish stems do; the words all have to be there.
QString coincidenFts(const QStringList &palabras) {
    return QStringLiteral("ActFTex_Fts MATCH '") + unidas(palabras, QStringLiteral("\""), QStringLiteral("\"*")) + u'\'';
}
} // namespace

QStringList DialectoSql::palabras(const QString &texto) {
    if (texto.isEmpty()) // the usual case, each search
        return {};
    static const QRegularExpression separador(QStringLiteral("[^\\p{L}\\p{N}\\p{M}]+"));
    return texto.split(separador, Qt::SkipEmptyParts);
}

QString DialectoSql::expedientesConPalabras(const QStringList &palabras, bool) const {
    if (palabras.isEmpty())
        return {};
    QStringList condiciones;
    for (const QString &p : palabras)
        condiciones << QStringLiteral("ActFTex_Texto Like '%") + p + QStringLiteral("%'");
    return QStringLiteral("Exp_Id IN (SELECT Act_IdExp FROM ActFTex") + kHastaExpediente.arg(QStringLiteral("ActFTex_IdActF"))
           + condiciones.join(QStringLiteral(" AND ")) + u')';
}

QString DialectoSql::contarDocumentosConPalabras(const QStringList &, int) const { return {}; }

QString DialectoSql::fragmentosConPalabras(const QStringList &, int) const { return {}; }

// Few matches: their case files are gathered, and only those are read. Many: each case
// file is checked as it is read, against the matching documents gathered once (the "+ 0"
// keeps the engine from reading every case file for each of them), so that the first
// rows come without gathering every case file first.
QString DialectoSqlite::expedientesConPalabras(const QStringList &palabras, bool muchos) const {
    if (palabras.isEmpty())
        return {};
    if (muchos)
        return QStringLiteral("EXISTS (SELECT 1 FROM Act JOIN ActF ON ActF_IdAct = Act_Id WHERE Act_IdExp = Exp_Id AND "
                              "ActF_Id + 0 IN (SELECT rowid FROM ActFTex_Fts WHERE ")
               + coincidenFts(palabras) + QStringLiteral("))");
    return QStringLiteral("Exp_Id IN (SELECT Act_IdExp FROM ActFTex_Fts") + kHastaExpediente.arg(QStringLiteral("ActFTex_Fts.rowid"))
           + coincidenFts(palabras) + u')';
}

QString DialectoSqlite::contarDocumentosConPalabras(const QStringList &palabras, int tope) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM ActFTex_Fts WHERE ") + coincidenFts(palabras)
           + QStringLiteral(" LIMIT ") + QString::number(tope) + u')';
}

QString DialectoSqlite::fragmentosConPalabras(const QStringList &palabras, int idAct) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("SELECT ActF_Id, snippet(ActFTex_Fts, 0, '«', '»', '…', 16) FROM ActFTex_Fts "
                          "JOIN ActF ON ActF_Id = ActFTex_Fts.rowid WHERE ActF_IdAct = ")
           + QString::number(idAct) + QStringLiteral(" AND ") + coincidenFts(palabras);
}

// The Spanish configuration with unaccent (vmexp_spanish): stems and stop words as
// Spanish has them, accents and letter case left out.
// The server's planner chooses between gathering and checking by itself.
QString DialectoPostgres::expedientesConPalabras(const QStringList &palabras, bool) const {
    if (palabras.isEmpty())
        return {};
    return QStringLiteral("Exp_Id IN (SELECT Act_IdExp FROM ActFTex") + kHastaExpediente.arg(QStringLiteral("ActFTex_IdActF"))
           + QStringLiteral("ActFTex_Vector @@ plainto_tsquery('vmexp_spanish', '") + palabras.join(u' ')
           + QStringLiteral("'))");
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
