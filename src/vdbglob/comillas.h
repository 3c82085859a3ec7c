#pragma once
// Quotes inside a quoted text are written twice: SQL literals ('), SQL names (") and
// CSV fields (") all read them so.
#include <QString>

inline QString doblarComillas(QString texto, QChar comilla = u'\'') {
    return texto.replace(comilla, QString(2, comilla));
}

inline QString entreComillas(const QString &texto, QChar comilla = u'\'') {
    return comilla + doblarComillas(texto, comilla) + comilla;
}
