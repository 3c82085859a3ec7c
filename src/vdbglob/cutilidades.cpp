#include "cutilidades.h"

#include "buscarpornombre.h"
#include "conexion.h"
#include "dialogos.h"

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

#include <optional>

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

bool todoDigitos(const QString &t) {
    for (QChar c : t)
        if (!esDigito(c))
            return false;
    return true;
}

int anioCompleto(int anio, int cifras) {
    if (cifras != 2)
        return anio;
    return anio < 30 ? 2000 + anio : 1900 + anio;
}

// An amount as typed, kept as digit text so that rounding is decimal and exact.
struct Cifra {
    bool negativo = false;
    QString entero;
    QString fraccion;
};

std::optional<Cifra> leerCifra(const QString &texto, QChar decimal, QChar miles) {
    QString t = texto.trimmed();
    Cifra c;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        c.negativo = t.front() == u'-';
        t.remove(0, 1);
    }
    // A lone thousands mark not followed by exactly three digits can only be a
    // decimal point typed the other way ("1234.5" under a "," locale).
    if (!t.contains(decimal) && t.count(miles) == 1) {
        const qsizetype p = t.indexOf(miles);
        if (t.size() - p - 1 != 3)
            t[p] = decimal;
    }
    const qsizetype pd = t.indexOf(decimal);
    if (pd >= 0 && t.indexOf(decimal, pd + 1) >= 0)
        return std::nullopt;
    QString entero = pd >= 0 ? t.left(pd) : t;
    c.fraccion = pd >= 0 ? t.mid(pd + 1) : QString();
    if (entero.contains(miles)) {
        // Thousands marks are only believed where they group by three.
        const QStringList grupos = entero.split(miles);
        if (grupos.front().isEmpty() || grupos.front().size() > 3)
            return std::nullopt;
        for (qsizetype i = 1; i < grupos.size(); ++i)
            if (grupos[i].size() != 3)
                return std::nullopt;
        entero = grupos.join(QString());
    }
    if (!todoDigitos(entero) || !todoDigitos(c.fraccion) || (entero.isEmpty() && c.fraccion.isEmpty()))
        return std::nullopt;
    c.entero = entero;
    return c;
}

// Adds one unit in the last place of a digit string; may grow it by one digit.
void sumarUno(QString &digitos) {
    for (qsizetype i = digitos.size() - 1; i >= 0; --i) {
        if (digitos[i] != u'9') {
            digitos[i] = QChar(digitos[i].unicode() + 1);
            return;
        }
        digitos[i] = u'0';
    }
    digitos.prepend(u'1');
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
        // The keypad's "." and a typed "," both stand for the locale's separator.
        if (antesDelSigno || resto.contains(decimal))
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
    if (valido)
        *valido = false;
    const QChar decimal = separadorDecimal();
    const QChar miles = separadorMiles();
    const std::optional<Cifra> cifra = leerCifra(texto, decimal, miles);
    if (!cifra || decimales < 0)
        return texto;

    // Round half up on the digits themselves.
    QString digitos = cifra->entero + cifra->fraccion.left(decimales).leftJustified(decimales, u'0');
    if (cifra->fraccion.size() > decimales && cifra->fraccion[decimales] >= u'5')
        sumarUno(digitos);
    QString entero = digitos.left(digitos.size() - decimales);
    const QString fraccion = digitos.right(decimales);
    while (entero.size() > 1 && entero.front() == u'0')
        entero.remove(0, 1);
    if (entero.isEmpty())
        entero = QStringLiteral("0");
    const bool cero = (entero + fraccion).count(u'0') == entero.size() + fraccion.size();

    QString r;
    for (qsizetype i = 0; i < entero.size(); ++i) {
        if (i > 0 && (entero.size() - i) % 3 == 0)
            r.append(miles);
        r.append(entero[i]);
    }
    if (decimales > 0)
        r += decimal + fraccion;
    if (cifra->negativo && !cero)
        r.prepend(u'-');
    if (valido)
        *valido = true;
    return r;
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
