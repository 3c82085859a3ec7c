#include "numeros.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <optional>

namespace {
bool todoDigitos(const QString &t) {
    for (QChar c : t)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// A number as typed, kept as digit text so that rounding is decimal and exact.
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
    // A lone thousands mark that does not group by three after one to three leading
    // digits can only be the decimal key typed the other way ("1.5" under a "," locale).
    if (!t.contains(decimal) && t.count(miles) == 1) {
        const qsizetype p = t.indexOf(miles);
        if (t.size() - p - 1 != 3 || p < 1 || p > 3 || t.front() == u'0')
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

std::optional<Cifra> leerLocal(const QString &texto) {
    const QLocale loc;
    return leerCifra(texto, loc.decimalPoint().at(0), loc.groupSeparator().at(0));
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

double numeroLocal(const QString &texto, bool *ok) {
    const std::optional<Cifra> c = leerLocal(texto);
    bool valido = c.has_value();
    double v = 0;
    if (valido) {
        const QString enC = (c->negativo ? QStringLiteral("-") : QString()) + (c->entero.isEmpty() ? QStringLiteral("0") : c->entero)
                            + (c->fraccion.isEmpty() ? QString() : u'.' + c->fraccion);
        v = QLocale::c().toDouble(enC, &valido);
    }
    if (ok)
        *ok = valido;
    return valido ? v : 0;
}

QString textoImporte(const QString &texto, int decimales, bool agrupar, bool *ok) {
    if (ok)
        *ok = false;
    const QLocale loc;
    const std::optional<Cifra> cifra = leerLocal(texto);
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
        if (agrupar && i > 0 && (entero.size() - i) % 3 == 0)
            r.append(loc.groupSeparator());
        r.append(entero[i]);
    }
    if (decimales > 0)
        r += loc.decimalPoint() + fraccion;
    if (cifra->negativo && !cero)
        r.prepend(u'-');
    if (ok)
        *ok = true;
    return r;
}

QString textoImporte(double valor, int decimales, bool agrupar) {
    if (!std::isfinite(valor))
        return {};
    // Plain digits in, with enough decimals that only the rounding above decides.
    QString digitos = QString::number(valor, 'f', qMax(decimales, 0) + 3);
    digitos.replace(u'.', QLocale().decimalPoint());
    return textoImporte(digitos, decimales, agrupar);
}

namespace {
void cifras(QChar *&p, int n, int ancho) {
    for (int i = ancho - 1; i >= 0; --i, n /= 10)
        p[i] = QChar(u'0' + n % 10);
    p += ancho;
}
} // namespace

QString textoFecha(const QDate &fecha, const QTime &hora) {
    const bool conHora = hora.isValid() && hora != QTime(0, 0);
    // Years of other than four digits are the formatter's.
    if (!fecha.isValid() || fecha.year() < 1000 || fecha.year() > 9999)
        return conHora ? QDateTime(fecha, hora).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                       : fecha.toString(QStringLiteral("dd/MM/yyyy"));
    QString s(conHora ? 19 : 10, Qt::Uninitialized);
    QChar *p = s.data();
    cifras(p, fecha.day(), 2);
    *p++ = u'/';
    cifras(p, fecha.month(), 2);
    *p++ = u'/';
    cifras(p, fecha.year(), 4);
    if (conHora) {
        *p++ = u' ';
        cifras(p, hora.hour(), 2);
        *p++ = u':';
        cifras(p, hora.minute(), 2);
        *p++ = u':';
        cifras(p, hora.second(), 2);
    }
    return s;
}
