#include "numeros.h"

#include <QLocale>

double numeroLocal(const QString &texto, bool *ok) {
    const QLocale loc;
    QString t = texto.trimmed();
    t.remove(loc.groupSeparator());
    t.replace(loc.decimalPoint(), QStringLiteral("."));
    // Only digits, one point and a leading sign may remain.
    bool valido = !t.isEmpty();
    int puntos = 0;
    for (qsizetype i = 0; valido && i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.')
            valido = ++puntos == 1;
        else if (c == u'-' || c == u'+')
            valido = i == 0;
        else
            valido = c.isDigit();
    }
    double v = 0;
    if (valido)
        v = QLocale::c().toDouble(t, &valido);
    if (ok)
        *ok = valido;
    return valido ? v : 0;
}
