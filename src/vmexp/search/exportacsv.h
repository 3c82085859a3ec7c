#pragma once
// The rows of a statement into a CSV file that a Spanish spreadsheet opens as it is:
// UTF-8 with a byte-order mark, ';' between fields. The statement is read once from
// start to end without keeping its rows, so a million of them take no more memory than one.
#include "resultado.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class Conexion;

struct ColumnaCsv {
    int campo;      // position in the statement's result
    QString titulo;
    std::function<QString(const QVariant &)> formato; // the text the grid shows
};

namespace ExportaCsv {
// A field as written: quoted, quotes doubled, when it holds ';', a quote or a line break.
QString campo(const QString &texto);
QString linea(const QStringList &campos);

// Called every few hundred rows with the rows written; false stops the export.
using Progreso = std::function<bool(qint64 filas)>;

// Writes the captions and every row of sql into ruta; the file is only replaced once
// all is written, so a cancel or a failure leaves whatever was there. cancelado tells
// the user's stop apart from a failure.
Resultado exportar(Conexion *conexion, const QString &sql, const QList<ColumnaCsv> &columnas, const QString &ruta,
                   const Progreso &progreso, qint64 &filas, bool &cancelado);
} // namespace ExportaCsv
