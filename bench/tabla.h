#pragma once
// The bench's one table on standard output: a row is a measure, its time and its base
// (both in ms), their ratio and a note.
#include <QString>
#include <QTextStream>
#include <cstdio>

inline QTextStream &salidaBench() {
    static QTextStream s(stdout);
    return s;
}

inline void fila(const QString &que, double ms, double base, const QString &nota = {}) {
    salidaBench() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                         .arg(que, -58)
                         .arg(ms, 9, 'f', 2)
                         .arg(base, 9, 'f', 2)
                         .arg(base > 0 ? ms / base : 0, 6, 'f', 2)
                         .arg(nota);
    salidaBench().flush();
}
