#include "resumenimpreso.h"

#include "arbolactuaciones.h"
#include "datosexpediente.h"
#include "numeros.h"

#include <QDate>
#include <QTextDocument>

namespace ResumenImpreso {

namespace {
QString texto(const QString &t) { return t.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")); }

QString fecha(const QVariant &v) {
    if (!v.isValid() || v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::QDateTime || v.metaType().id() == QMetaType::QDate)
        return ArbolActuaciones::textoFecha(v);
    // A date stored as text still reads day-first.
    const QDate d = QDate::fromString(v.toString().left(10), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : v.toString();
}

// The status date reads as the editor shows it: the day alone.
QString dia(const QVariant &v) { return fecha(v).left(10); }

QString importe(double valor, int decimales) { return textoImporte(valor, decimales); }

QString fila(const QString &rotulo, const QString &valor, bool cifra = false) {
    return QStringLiteral("<tr><td class='r'>%1</td><td%3>%2</td></tr>")
        .arg(rotulo, valor, cifra ? QStringLiteral(" class='n'") : QString());
}

QString origen(short o) {
    return o == 1 ? QStringLiteral("Proveedor") : o == 2 ? QStringLiteral("Expediente interno") : QStringLiteral("Cliente");
}
} // namespace

QString html(const ResumenExpediente &r) {
    QString h = QStringLiteral(
        "<html><head><style>"
        "body{font-family:sans-serif;font-size:9pt} h1{font-size:14pt} h2{font-size:11pt;margin-top:12px}"
        "td{padding:2px 6px} td.r{font-weight:bold} th{background:#e6e6e6;text-align:left;padding:2px 6px}"
        "td.n,th.n{text-align:right}"
        "</style></head><body>");
    h += QStringLiteral("<h1>Expediente %1</h1>").arg(texto(r.codigo));
    h += QStringLiteral("<table>");
    h += fila(origen(r.origen) + u':', texto(r.contraparte));
    h += fila(QStringLiteral("Código:"), texto(r.codigo));
    h += fila(QStringLiteral("Tipo:"), texto(r.tipo));
    h += fila(QStringLiteral("Estado:"),
              texto(r.estado) + (dia(r.fechaEstado).isEmpty() ? QString() : QStringLiteral(" (%1)").arg(dia(r.fechaEstado))));
    h += fila(QStringLiteral("Fecha de inicio:"), fecha(r.fini));
    h += fila(QStringLiteral("Fecha de fin:"), fecha(r.ffin));
    h += fila(QStringLiteral("Presupuesto:"), importe(r.presupuesto, r.decimales));
    h += fila(QStringLiteral("Ubicación en archivo:"), texto(r.ubicacion));
    h += fila(QStringLiteral("Propietario:"), texto(r.propietario));
    h += fila(QStringLiteral("Descripción:"), texto(r.descripcion));
    h += fila(QStringLiteral("Observaciones:"), texto(r.observaciones));
    h += QStringLiteral("</table>");

    h += QStringLiteral("<h2>Usuarios autorizados</h2>");
    if (r.usuarios.isEmpty())
        h += QStringLiteral("<p>Ninguno.</p>");
    else {
        h += QStringLiteral("<ul>");
        for (const QString &u : r.usuarios)
            h += QStringLiteral("<li>%1</li>").arg(texto(u));
        h += QStringLiteral("</ul>");
    }

    h += QStringLiteral("<h2>Actuaciones</h2>");
    if (r.actuaciones.isEmpty())
        h += QStringLiteral("<p>Ninguna.</p>");
    else {
        h += QStringLiteral("<table width='100%' cellspacing='0' border='0'><tr><th>Fecha</th><th>Tipo</th>"
                            "<th>Descripción</th><th>Realizado por</th><th>Web</th><th class='n'>Importe</th></tr>");
        for (const ResumenExpediente::Actuacion &a : r.actuaciones) {
            h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td class='n'>%6</td></tr>")
                     .arg(fecha(a.fecha), texto(a.tipo), texto(a.descripcion), texto(a.operario),
                          a.web ? QStringLiteral("Sí") : QStringLiteral("No"), importe(a.importe, r.decimales));
            for (const ResumenExpediente::Documento &d : a.documentos)
                h += QStringLiteral("<tr><td></td><td colspan='5'>Documento: %1 (%2)</td></tr>")
                         .arg(texto(d.descripcion), texto(d.fichero));
        }
        h += QStringLiteral("</table>");
    }
    const double diferencia = r.presupuesto - r.total();
    h += QStringLiteral("<table>");
    h += fila(QStringLiteral("Total de las actuaciones:"), importe(r.total(), r.decimales), true);
    h += fila(QStringLiteral("Presupuesto:"), importe(r.presupuesto, r.decimales), true);
    h += fila(diferencia >= 0 ? QStringLiteral("Queda del presupuesto:") : QStringLiteral("Excede del presupuesto:"),
              importe(qAbs(diferencia), r.decimales), true);
    h += QStringLiteral("</table></body></html>");
    return h;
}

void componer(const ResumenExpediente &r, QTextDocument &documento) {
    documento.setHtml(html(r));
    documento.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Expediente %1").arg(r.codigo));
}

} // namespace ResumenImpreso
