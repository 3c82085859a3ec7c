#include "cutilidades.h"

#include "buscarpornombre.h"
#include "conexion.h"
#include "dialogos.h"
#include "numeros.h"

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

namespace {
const char *const kPropFecha = "vmexp_fecha";
const char *const kPropImporte = "vmexp_importe";

bool esFormatoFecha(const QString &formato) {
    return formato.compare(QLatin1String("dd/mm/yyyy"), Qt::CaseInsensitive) == 0;
}

bool esCampoFecha(const QLineEdit *campo) { return campo->property(kPropFecha).toBool(); }
bool esCampoImporte(const QLineEdit *campo) { return campo->property(kPropImporte).toBool(); }

void pintarFondo(QLineEdit *campo, const QColor &color) {
    QPalette p = campo->palette();
    p.setColor(QPalette::Base, color);
    campo->setPalette(p);
}

QChar separadorDecimal() { return QLocale().decimalPoint().at(0); }
QChar separadorMiles() { return QLocale().groupSeparator().at(0); }

bool esDigito(QChar c) { return c >= u'0' && c <= u'9'; }

// "1,234" with a separator typed at its end: the comma was a thousands mark. The field
// becomes "1.234" when the digits before it still group by three; false otherwise.
bool agruparDecimal(QLineEdit *campo, const QString &resto) {
    const QChar decimal = separadorDecimal();
    const QChar miles = separadorMiles();
    const qsizetype pd = resto.indexOf(decimal);
    QString entero = resto.left(pd);
    if (entero.startsWith(u'-'))
        entero.remove(0, 1);
    const QStringList grupos = (entero + miles + resto.mid(pd + 1)).split(miles);
    if (grupos.front().isEmpty() || grupos.front().size() > 3 || grupos.front().front() == u'0')
        return false;
    for (const QString &g : grupos) {
        for (QChar c : g)
            if (!esDigito(c))
                return false;
        if (&g != &grupos.front() && g.size() != 3)
            return false;
    }
    QString agrupado = resto;
    agrupado[pd] = miles;
    campo->setText(agrupado);
    campo->setCursorPosition(int(agrupado.size()));
    return true;
}

int anioCompleto(int anio, int cifras) {
    if (cifras != 2)
        return anio;
    return anio < 30 ? 2000 + anio : 1900 + anio;
}

} // namespace

CUtilidades::CUtilidades(QObject *parent) : QObject(parent) {}

QColor CUtilidades::colorDesdeNumero(double numero) {
    const auto v = quint32(qint64(numero));
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

void CUtilidades::setCampoImporte(QLineEdit *campo, bool importe) {
    if (campo)
        campo->setProperty(kPropImporte, importe);
}

void CUtilidades::setCampoFecha(QLineEdit *campo, bool fecha) {
    if (campo)
        campo->setProperty(kPropFecha, fecha);
}

void CUtilidades::EntrarCampo(QLineEdit *campo, const QString &formato) {
    if (!campo)
        return;
    pintarFondo(campo, colorDesdeNumero(m_colorFoco));
    if (!esCampoFecha(campo) && !esFormatoFecha(formato))
        return;
    // Dates are typed as bare digits; SalirCampo puts the slashes back.
    static const QRegularExpression mostrada(QStringLiteral("^[0-9]{2}/[0-9]{2}/[0-9]{4}$"));
    if (mostrada.match(campo->text()).hasMatch())
        campo->setText(campo->text().remove(u'/'));
}

void CUtilidades::TeclaCampo(QLineEdit *campo, int &keyAscii, bool fecha) {
    // Backspace, Enter, Tab, Escape and the clipboard keys are never filtered.
    if (!campo || (keyAscii >= 0 && keyAscii < 32) || keyAscii == 127)
        return;
    if (fecha)
        setCampoFecha(campo);
    const bool enRango = keyAscii > 0 && keyAscii <= 0xFFFF;
    const QChar c = enRango ? QChar(char16_t(keyAscii)) : QChar();

    if (fecha || esCampoFecha(campo)) {
        if (!enRango || !(esDigito(c) || c == u'/'))
            keyAscii = 0;
        return;
    }
    if (!esCampoImporte(campo))
        return;

    // What stays of the text once the key replaces the selection, if there is one.
    const QString texto = campo->text();
    const int inicio = campo->hasSelectedText() ? campo->selectionStart() : campo->cursorPosition();
    const int fin = campo->hasSelectedText() ? campo->selectionEnd() : inicio;
    const QString resto = texto.left(inicio) + texto.mid(fin);
    const bool antesDelSigno = inicio == 0 && resto.startsWith(u'-');
    const QChar decimal = separadorDecimal();

    if (enRango && esDigito(c)) {
        if (antesDelSigno)
            keyAscii = 0;
    } else if (enRango && c == u'-') {
        if (inicio != 0 || resto.contains(u'-'))
            keyAscii = 0;
    } else if (enRango && (c == u'.' || c == u',' || c == decimal)) {
        // The keypad's "." and a typed "," both stand for the locale's separator; a
        // second one typed after three digits turns the first into a thousands mark,
        // so "1.234,56" and "1.234.567,89" come out as written.
        if (!antesDelSigno && resto.contains(decimal) && inicio == resto.size() && agruparDecimal(campo, resto))
            keyAscii = decimal.unicode();
        else if (antesDelSigno || resto.contains(decimal))
            keyAscii = 0;
        else
            keyAscii = decimal.unicode();
    } else {
        keyAscii = 0;
    }
}

void CUtilidades::SalirCampo(QLineEdit *campo, const QString &formato) {
    if (!campo)
        return;
    pintarFondo(campo, colorDesdeNumero(m_colorNormal));
    const QString texto = campo->text();
    if (formato.isEmpty() || texto.trimmed().isEmpty())
        return;
    bool ok = false;
    QString nuevo;
    if (esFormatoFecha(formato)) {
        nuevo = formatearFecha(texto, &ok);
    } else if (const int decimales = decimalesDeFormato(formato); decimales >= 0) {
        nuevo = formatearImporte(texto, decimales, &ok);
    }
    // An impossible date or a non-number stays as typed, for the user to see and fix.
    if (ok && nuevo != texto)
        campo->setText(nuevo);
}

QString CUtilidades::formatearFecha(const QString &texto, bool *valida) {
    if (valida)
        *valida = false;
    const QString t = texto.trimmed();
    int dia = 0, mes = 0, anio = 0;
    static const QRegularExpression digitos(QStringLiteral("^([0-9]{2})([0-9]{2})([0-9]{4}|[0-9]{2})$"));
    static const QRegularExpression partes(
        QStringLiteral("^([0-9]{1,2})[/.-]([0-9]{1,2})[/.-]([0-9]{4}|[0-9]{2})$"));
    QRegularExpressionMatch m = digitos.match(t);
    if (!m.hasMatch())
        m = partes.match(t);
    if (!m.hasMatch())
        return texto;
    dia = m.captured(1).toInt();
    mes = m.captured(2).toInt();
    anio = anioCompleto(m.captured(3).toInt(), int(m.captured(3).size()));
    const QDate fecha(anio, mes, dia);
    if (!fecha.isValid())
        return texto;
    if (valida)
        *valida = true;
    return fecha.toString(QStringLiteral("dd/MM/yyyy"));
}

QString CUtilidades::formatearImporte(const QString &texto, int decimales, bool *valido) {
    return textoImporte(texto, decimales, true, valido);
}

int CUtilidades::decimalesDeFormato(const QString &formato) {
    static const QRegularExpression importe(QStringLiteral("^#,##0(?:\\.(0*))?$"));
    const QRegularExpressionMatch m = importe.match(formato.trimmed());
    return m.hasMatch() ? int(m.captured(1).size()) : -1;
}

QString CUtilidades::BuscarPorNombre(const QString &sql, const QString &columnaBusqueda,
                                     const QString &captionCodigo, const QString &captionNombre,
                                     const QString &titulo, int anchoCodigo, int anchoNombre, int flag) {
    if (!m_conexion) {
        MsgBox(QStringLiteral("No hay conexión con la base de datos"), vb::vbCritical);
        return {};
    }
    frmBuscarPorNombre dlg(m_conexion, sql, columnaBusqueda, captionCodigo, captionNombre, titulo,
                           anchoCodigo, anchoNombre, QApplication::activeWindow());
    if (!dlg.ok()) {
        MsgBox(QStringLiteral("Error en la búsqueda: %1").arg(dlg.error()), vb::vbCritical);
        return {};
    }
    if (DialogService::actual().abrirModal(&dlg) != QDialog::Accepted)
        return {};
    return dlg.resultado();
}
