#pragma once
// Numbers typed by users, read and shown in the user's locale ("1.234,5" under Spanish).
// The writer, the form utilities, the editors and the grids all go through these two.
#include "exportar.h"
#include <QDate>
#include <QString>
#include <QTime>

// The locale's decimal separator marks the decimals; its group separator is believed
// where it groups by three ("1.234,56", "1.234.567,89"). A lone group mark that cannot
// be one ("1.5", "1234.5", "0.250") is the decimal key typed the other way. Surrounding
// blanks pass; anything else makes *ok false and the result 0.
VMEXP_EXPORT double numeroLocal(const QString &texto, bool *ok = nullptr);

// The number of texto, rounded half up to decimales on its digits (no binary error),
// in the locale's separators; grouped by thousands unless agrupar is false. Text that
// does not read as a number comes back unchanged with *ok false.
VMEXP_EXPORT QString textoImporte(const QString &texto, int decimales, bool agrupar = true, bool *ok = nullptr);
VMEXP_EXPORT QString textoImporte(double valor, int decimales, bool agrupar = true);

// A date as the screens show it, "dd/MM/yyyy", followed by " HH:mm:ss" when a time of
// day other than midnight is given. Written by hand: the locale's formatter costs more
// than the rest of a row of a grid or a node of a tree. An invalid date gives "".
VMEXP_EXPORT QString textoFecha(const QDate &fecha, const QTime &hora = QTime(0, 0));
