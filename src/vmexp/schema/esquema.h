#pragma once
// Tables, columns and value kinds of the company database and vmcomun, and the
// statement pieces several screens share.
#include "conexion.h"

#include <QHash>
#include <QString>

namespace Esquema {
// Kind of every column the library reads, by name (any letter case); the
// connection uses it to hand dates back as dates.
const QHash<QString, TipoValor> &tiposColumna();

// "(SELECT Tac_Des FROM Tac WHERE Tac_Id = Act_IdTac) as DesAct"
inline const QString kDesAct = QStringLiteral("(SELECT Tac_Des FROM Tac WHERE Tac_Id = Act_IdTac) as DesAct");

// Processes and tables that own rows of Est and Ima.
constexpr short kProcesoExpedientes = 15;
inline const QString kImaTablaActF = QStringLiteral("ActF");
} // namespace Esquema
