#include "arbolactuaciones.h"

#include "conexion.h"

#include <QDateTime>
#include <QTreeWidget>
#include <optional>

namespace ArbolActuaciones {

QString textoFecha(const QVariant &v) {
    if (v.metaType().id() == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        if (dt.time() != QTime(0, 0))
            return dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        return dt.date().toString(QStringLiteral("dd/MM/yyyy"));
    }
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    return v.toString();
}

namespace {
// A value as the tree shows it; a null value has no text (the node keeps "").
std::optional<QString> texto(const QVariant &v) {
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    return textoFecha(v);
}

// Column positions resolved once: the tree is built from thousands of rows.
struct Columnas {
    int id, fecha, des, web, grupo, desAct;
    Columnas(const Recordset &rs, int agrupacion)
        : id(rs.indiceCampo(QStringLiteral("Act_Id"))), fecha(rs.indiceCampo(QStringLiteral("Act_Fecha"))),
          des(rs.indiceCampo(QStringLiteral("Act_Des"))), web(rs.indiceCampo(QStringLiteral("Act_IdOperario"))),
          grupo(rs.indiceCampo(agrupacion == kFechas        ? QStringLiteral("Act_Fecha")
                               : agrupacion == kCategoria   ? QStringLiteral("Act_IdTac")
                               : agrupacion == kRealizadoPor ? QStringLiteral("Act_Operario")
                                                             : QStringLiteral("Act_Id"))),
          desAct(rs.indiceCampo(QStringLiteral("DesAct"))) {}
};

// "date description" of an action; "" when its date is missing.
QString fechaYDescripcion(const Recordset &rs, const Columnas &c) {
    const auto fecha = texto(rs.Fields(c.fecha));
    if (!fecha)
        return {};
    const auto des = texto(rs.Fields(c.des));
    return des ? *fecha + u' ' + *des : *fecha;
}

void marcarWeb(QTreeWidgetItem *nodo, const Recordset &rs, const Columnas &c) {
    if (rs.Fields(c.web).toInt() <= 0)
        return;
    nodo->setText(0, QStringLiteral("(web) ") + nodo->text(0));
    QFont f = nodo->font(0);
    f.setBold(true);
    nodo->setFont(0, f);
}

// The action id as the node's tag; a node whose id cannot be read gets none.
void etiquetar(QTreeWidgetItem *nodo, const Recordset &rs, const Columnas &c) {
    const QVariant id = rs.Fields(c.id);
    if (id.isValid() && !id.isNull())
        nodo->setData(0, kRolEtiqueta, id.toInt());
}
} // namespace

void llenar(QTreeWidget *arbol, Recordset &rs, int agrupacion) {
    const Columnas c(rs, agrupacion);
    QList<QTreeWidgetItem *> raiz;
    QTreeWidgetItem *padre = nullptr;
    QString anterior;
    for (; !rs.isEOF(); rs.MoveNext()) {
        // A null grouping value keeps the previous one, so the row joins that group.
        if (const auto valor = texto(rs.Fields(c.grupo)); valor && *valor != anterior) {
            anterior = *valor;
            padre = new QTreeWidgetItem;
            if (agrupacion == kActuacion) {
                padre->setText(0, fechaYDescripcion(rs, c));
                etiquetar(padre, rs, c);
            } else {
                padre->setText(0, agrupacion == kCategoria ? texto(rs.Fields(c.desAct)).value_or(QString()) : *valor);
                padre->setData(0, kRolEtiqueta, 0);
            }
            marcarWeb(padre, rs, c);
            raiz.append(padre);
        }
        if (agrupacion == kActuacion || !padre)
            continue;
        auto *hijo = new QTreeWidgetItem(padre);
        if (agrupacion == kFechas) {
            const auto des = texto(rs.Fields(c.des));
            hijo->setText(0, des ? u' ' + *des : QString());
        } else {
            hijo->setText(0, fechaYDescripcion(rs, c));
        }
        etiquetar(hijo, rs, c);
    }
    // One insertion with the view frozen keeps thousands of nodes quick.
    const bool senales = arbol->blockSignals(true);
    arbol->setUpdatesEnabled(false);
    arbol->clear();
    arbol->addTopLevelItems(raiz);
    arbol->setUpdatesEnabled(true);
    arbol->blockSignals(senales);
}

} // namespace ArbolActuaciones
