#pragma once
// The actions tree of a case file: the nodes built in one pass from the rows of the
// grouping's statement. Groups are runs of rows with the same grouping text.
#include <QString>
#include <QVariant>

class Recordset;
class QTreeWidget;

namespace ArbolActuaciones {
// 0 one node per action, 1 by date, 2 by action type, 3 by who did it.
enum Agrupacion { kActuacion = 0, kFechas = 1, kCategoria = 2, kRealizadoPor = 3 };

// A node's tag (the action id, 0 for a group) is kept under this role.
constexpr int kRolEtiqueta = Qt::UserRole;

// Replaces the tree's nodes with those of rs (read from its current row on).
void llenar(QTreeWidget *arbol, Recordset &rs, int agrupacion);

// A date value as text: "dd/mm/yyyy", with the time when it is not midnight.
QString textoFecha(const QVariant &v);
} // namespace ArbolActuaciones
