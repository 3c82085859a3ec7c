#include "arbolactuaciones.h"

#include "conexion.h"
#include "numeros.h"

#include <QDateTime>
#include <QTreeWidget>
#include <optional>

namespace ArbolActuaciones {

QString textoFecha(const QVariant &v) {
    if (v.metaType().id() == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        return ::textoFecha(dt.date(), dt.time());
    }
    if (v.metaType().id() == QMetaType::QDate)
        return ::textoFecha(v.toDate());
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

// A node with its text and, when it can be read, its tag. A top-level node of a
// published action gets the web marker.
class Nodos {
public:
    Nodos(const Recordset &rs, const Columnas &c) : m_rs(rs), m_c(c) { m_negrita.setBold(true); }

    QTreeWidgetItem *grupo(const QString &texto, bool conEtiquetaDeAccion) {
        auto *nodo = new QTreeWidgetItem;
        const bool web = m_rs.Fields(m_c.web).toInt() > 0;
        nodo->setText(0, web ? QStringLiteral("(web) ") + texto : texto);
        if (web)
            nodo->setFont(0, m_negrita);
        if (conEtiquetaDeAccion)
            etiquetar(nodo);
        else
            nodo->setData(0, kRolEtiqueta, 0);
        return nodo;
    }

    QTreeWidgetItem *hijo(const QString &texto) {
        auto *nodo = new QTreeWidgetItem;
        nodo->setText(0, texto);
        etiquetar(nodo);
        return nodo;
    }

private:
    // The action id as the node's tag; a node whose id cannot be read gets none.
    void etiquetar(QTreeWidgetItem *nodo) {
        const QVariant id = m_rs.Fields(m_c.id);
        if (id.isValid() && !id.isNull())
            nodo->setData(0, kRolEtiqueta, id.toInt());
    }

    const Recordset &m_rs;
    const Columnas &m_c;
    QFont m_negrita;
};
} // namespace

void llenar(QTreeWidget *arbol, Recordset &rs, int agrupacion) {
    const Columnas c(rs, agrupacion);
    Nodos nodos(rs, c);
    QList<QTreeWidgetItem *> raiz;
    QList<QTreeWidgetItem *> hijos; // of the last group, added to it in one go
    const auto cerrarGrupo = [&] {
        if (!raiz.isEmpty() && !hijos.isEmpty())
            raiz.last()->addChildren(hijos);
        hijos.clear();
    };
    QString anterior;
    for (; !rs.isEOF(); rs.MoveNext()) {
        // A null grouping value keeps the previous one, so the row joins that group.
        if (const auto valor = texto(rs.Fields(c.grupo)); valor && *valor != anterior) {
            anterior = *valor;
            cerrarGrupo();
            if (agrupacion == kActuacion)
                raiz.append(nodos.grupo(fechaYDescripcion(rs, c), true));
            else
                raiz.append(nodos.grupo(agrupacion == kCategoria ? texto(rs.Fields(c.desAct)).value_or(QString()) : *valor, false));
        }
        if (agrupacion == kActuacion || raiz.isEmpty())
            continue;
        if (agrupacion == kFechas) {
            const auto des = texto(rs.Fields(c.des));
            hijos.append(nodos.hijo(des ? u' ' + *des : QString()));
        } else {
            hijos.append(nodos.hijo(fechaYDescripcion(rs, c)));
        }
    }
    cerrarGrupo();
    // One insertion with the view frozen keeps thousands of nodes quick.
    const bool senales = arbol->blockSignals(true);
    arbol->setUpdatesEnabled(false);
    arbol->clear();
    arbol->addTopLevelItems(raiz);
    arbol->setUpdatesEnabled(true);
    arbol->blockSignals(senales);
}

} // namespace ArbolActuaciones
