#include "mcommondialog.h"

#include "dialogos.h"

#include <QFileInfo>

namespace mCommonDialog {

namespace {
const QChar kNul(0);

// Cancel and failure leave the same outputs.
bool sinEleccion(QString &nombre, QString &tituloFichero, QString &filtro, int &indice, int &flags) {
    nombre.clear();
    tituloFichero.clear();
    filtro.clear();
    indice = -1;
    flags = 0;
    return false;
}
} // namespace

QString FnCortarEnNulo(const QString &texto) {
    const qsizetype fin = texto.indexOf(kNul);
    return fin < 0 ? texto : texto.left(fin);
}

QString ConvertirFiltro(const QString &filtro) {
    QString r = filtro;
    for (QChar &c : r)
        if (c == u'|' || c == u':')
            c = kNul;
    return r + kNul + kNul;
}

QString FnFiltroElegido(const QString &lista, int n) {
    qsizetype pos = 0;
    while (n > 0) {
        const qsizetype finDescripcion = lista.indexOf(kNul, pos);
        if (finDescripcion < 0)
            return {};
        qsizetype finPatron = lista.indexOf(kNul, finDescripcion + 1);
        if (finPatron < 0)
            finPatron = lista.size();
        if (n == 1)
            return lista.mid(pos, finPatron - pos);
        --n;
        pos = finPatron + 1;
    }
    return {};
}

bool FnDialogoAbrir(QString &nombreFichero, QString &tituloFichero, bool &debeExistir,
                    bool &seleccionMultiple, bool &soloLectura, bool &ocultarSoloLectura,
                    QString &filtro, int &indiceFiltro, QString &carpetaInicial, QString &titulo,
                    QString &extensionPorDefecto, QWidget *&propietario, int &flags) {
    // The name and title travel in fixed buffers; a longer text cannot be offered.
    if (nombreFichero.size() > kMaxRuta || tituloFichero.size() > kMaxRuta)
        return sinEleccion(nombreFichero, tituloFichero, filtro, indiceFiltro, flags);

    int f = flags & ~(OFN_ENABLEHOOK | OFN_ENABLETEMPLATE);
    if (debeExistir)
        f |= OFN_FILEMUSTEXIST;
    if (seleccionMultiple)
        f |= OFN_ALLOWMULTISELECT;
    if (soloLectura)
        f |= OFN_READONLY;
    if (ocultarSoloLectura)
        f |= OFN_HIDEREADONLY;

    const QString lista = ConvertirFiltro(filtro);

    PeticionFichero p;
    p.titulo = titulo;
    p.carpetaInicial = carpetaInicial;
    p.nombrePropuesto = FnCortarEnNulo(nombreFichero);
    p.extensionPorDefecto = extensionPorDefecto;
    p.propietario = propietario;
    p.indiceFiltro = indiceFiltro;
    p.flags = f;
    p.debeExistir = f & OFN_FILEMUSTEXIST;
    p.multiple = f & OFN_ALLOWMULTISELECT;
    p.soloLectura = f & OFN_READONLY;
    p.ocultarSoloLectura = f & OFN_HIDEREADONLY;
    // Pairs are read as the Windows dialog reads them: up to the first empty description.
    const QStringList partes = lista.split(kNul);
    for (qsizetype i = 0; i + 1 < partes.size() && !partes[i].isEmpty(); i += 2) {
        p.filtros << partes[i];
        p.patrones << partes[i + 1];
    }

    const RespuestaFichero r = DialogService::actual().pedirFichero(p);
    if (!r.aceptado || r.ruta.isEmpty())
        return sinEleccion(nombreFichero, tituloFichero, filtro, indiceFiltro, flags);

    // The dialog hands back the flags it was given, with the read-only box's state.
    flags = r.soloLectura ? (f | OFN_READONLY) : (f & ~OFN_READONLY);
    nombreFichero = FnCortarEnNulo(r.ruta);
    tituloFichero = FnCortarEnNulo(QFileInfo(nombreFichero).fileName());
    indiceFiltro = r.indiceFiltro;
    filtro = FnFiltroElegido(lista, indiceFiltro);
    if (flags & OFN_READONLY)
        soloLectura = true;
    return true;
}

} // namespace mCommonDialog
