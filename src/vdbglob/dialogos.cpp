#include "dialogos.h"

#include "registro.h"
#include "transaccion.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QPushButton>

namespace {
DialogService *g_instalado = nullptr;
std::function<void(const QString &)> g_avisoTransaccion;

void comprobarSinTransaccion(const QString &texto) {
    if (Transaccion::abiertas() == 0)
        return;
    qCCritical(lcErrores).noquote() << "Mensaje mostrado con una transacción abierta:" << texto;
    if (g_avisoTransaccion)
        g_avisoTransaccion(texto);
}

QWidget *ventanaActiva() { return QApplication::activeWindow(); }

struct Boton {
    QMessageBox::StandardButton qt;
    int vb;
};

QList<Boton> botonesDe(int estilo) {
    switch (estilo & 7) {
    case vb::vbOKCancel: return {{QMessageBox::Ok, vb::vbOK}, {QMessageBox::Cancel, vb::vbCancel}};
    case vb::vbAbortRetryIgnore:
        return {{QMessageBox::Abort, vb::vbAbort}, {QMessageBox::Retry, vb::vbRetry}, {QMessageBox::Ignore, vb::vbIgnore}};
    case vb::vbYesNoCancel:
        return {{QMessageBox::Yes, vb::vbYes}, {QMessageBox::No, vb::vbNo}, {QMessageBox::Cancel, vb::vbCancel}};
    case vb::vbYesNo: return {{QMessageBox::Yes, vb::vbYes}, {QMessageBox::No, vb::vbNo}};
    case vb::vbRetryCancel: return {{QMessageBox::Retry, vb::vbRetry}, {QMessageBox::Cancel, vb::vbCancel}};
    default: return {{QMessageBox::Ok, vb::vbOK}};
    }
}

QMessageBox::Icon iconoDe(int estilo) {
    switch (estilo & 0x70) {
    case vb::vbCritical: return QMessageBox::Critical;
    case vb::vbQuestion: return QMessageBox::Question;
    case vb::vbExclamation: return QMessageBox::Warning;
    case vb::vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}
} // namespace

DialogService &DialogService::actual() {
    static QtDialogService qt;
    return g_instalado ? *g_instalado : qt;
}

void DialogService::instalar(DialogService *servicio) { g_instalado = servicio; }

void DialogService::alMostrarEnTransaccion(std::function<void(const QString &)> aviso) {
    g_avisoTransaccion = std::move(aviso);
}

int MsgBox(const QString &texto, int estilo, const QString &titulo) {
    comprobarSinTransaccion(texto);
    const int icono = estilo & 0x70;
    const bool error = icono == vb::vbCritical || ((estilo & 7) == vb::vbOKOnly && icono != vb::vbInformation && icono != vb::vbQuestion);
    QString detalle;
    if (error) {
        const QString referencia = Registro::nuevaReferencia();
        detalle = detalleReferencia(referencia);
        qCWarning(lcErrores).noquote() << "Ref." << referencia << texto;
    }
    return DialogService::actual().mensaje(texto, estilo, titulo, detalle);
}

QString InputBox(const QString &pregunta, const QString &titulo, const QString &inicial) {
    comprobarSinTransaccion(pregunta);
    return DialogService::actual().pedirTexto(pregunta, titulo, inicial);
}

QString detalleReferencia(const QString &referencia) {
    return QStringLiteral("Si llama al soporte técnico, indique esta referencia: Ref. ") + referencia;
}

int QtDialogService::mensaje(const QString &texto, int estilo, const QString &titulo, const QString &detalle) {
    QMessageBox box(iconoDe(estilo), titulo.isEmpty() ? tituloPorDefecto() : titulo, texto,
                    QMessageBox::NoButton, ventanaActiva());
    // Under "Mostrar detalles...": the message itself reads as it always has.
    box.setDetailedText(detalle);
    const auto botones = botonesDe(estilo);
    for (const auto &b : botones)
        box.addButton(b.qt);
    const int porDefecto = (estilo >> 8) & 3;
    if (porDefecto < botones.size())
        box.setDefaultButton(botones[porDefecto].qt);
    const auto pulsado = QMessageBox::StandardButton(box.exec());
    for (const auto &b : botones)
        if (b.qt == pulsado)
            return b.vb;
    // Closed without a button: the box's escape answer.
    return botones.size() == 1 ? vb::vbOK : botones.last().vb;
}

QString QtDialogService::pedirTexto(const QString &pregunta, const QString &titulo, const QString &inicial) {
    bool ok = false;
    const QString t = QInputDialog::getText(ventanaActiva(), titulo.isEmpty() ? tituloPorDefecto() : titulo,
                                            pregunta, QLineEdit::Normal, inicial, &ok);
    return ok ? t : QString();
}

namespace {
// Qt name filters ("Descripción (*.PDF)" followed by its patterns) for the request's pairs.
QStringList filtrosQt(const PeticionFichero &p) {
    QStringList filtros;
    for (qsizetype i = 0; i < p.filtros.size(); ++i) {
        QStringList patrones = p.patrones.value(i).split(u';', Qt::SkipEmptyParts);
        for (QString &patron : patrones) {
            patron = patron.trimmed();
            // "*.*" means every file to the Windows dialog, also those without an extension.
            if (patron == QLatin1String("*.*"))
                patron = QStringLiteral("*");
        }
        filtros << QStringLiteral("%1 (%2)").arg(p.filtros[i], patrones.join(u' '));
    }
    return filtros;
}
} // namespace

void QtDialogService::prepararDialogo(QFileDialog &dlg, const PeticionFichero &p) {
    // Qt's own dialog, because its model can match patterns without regard to case.
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    // The descriptions already show their patterns.
    dlg.setOption(QFileDialog::HideNameFilterDetails, true);
    dlg.setWindowTitle(p.titulo);
    if (!p.carpetaInicial.isEmpty())
        dlg.setDirectory(p.carpetaInicial);
    dlg.setAcceptMode(p.guardar ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(p.multiple ? QFileDialog::ExistingFiles
                               : (p.debeExistir ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    // Patterns are written in capitals; files on Linux are usually in lower case.
    dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);
    const QStringList filtros = filtrosQt(p);
    dlg.setNameFilters(filtros);
    if (p.indiceFiltro >= 1 && p.indiceFiltro <= filtros.size())
        dlg.selectNameFilter(filtros[p.indiceFiltro - 1]);
    dlg.setDefaultSuffix(p.extensionPorDefecto);
    if (!p.nombrePropuesto.isEmpty())
        dlg.selectFile(p.nombrePropuesto);
}

int QtDialogService::indiceElegido(const QFileDialog &dlg, const PeticionFichero &p) {
    // With the details hidden the dialog may answer with the bare description.
    const QString elegido = dlg.selectedNameFilter();
    qsizetype i = filtrosQt(p).indexOf(elegido);
    if (i < 0)
        i = p.filtros.indexOf(elegido);
    return int(i) + 1;
}

RespuestaFichero QtDialogService::pedirFichero(const PeticionFichero &p) {
    QFileDialog dlg(p.propietario ? p.propietario : ventanaActiva());
    prepararDialogo(dlg, p);
    RespuestaFichero r;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return r;
    r.aceptado = true;
    r.ruta = dlg.selectedFiles().first();
    r.indiceFiltro = indiceElegido(dlg, p);
    // Qt's dialog has no read-only box: the tick stays as offered.
    r.soloLectura = p.soloLectura;
    return r;
}

int QtDialogService::abrirModal(QDialog *pantalla) { return pantalla->exec(); }

int QtDialogService::abrirConEscritorio(const QString &ruta) {
    if (!QFileInfo::exists(ruta))
        return 2;
    // Without a desktop session xdg-open waits for the application it started: it is let
    // run on its own, and only a failure it reports at once is returned. A destroyed
    // QProcess would kill it, so it is deleted when it ends.
    auto *p = new QProcess;
    QEventLoop espera;
    QObject::connect(p, &QProcess::finished, &espera, &QEventLoop::quit);
    QObject::connect(p, &QProcess::errorOccurred, &espera, &QEventLoop::quit);
    QTimer::singleShot(700, &espera, &QEventLoop::quit);
    p->start(QStringLiteral("xdg-open"), {ruta});
    // Screens keep painting meanwhile; clicks wait until the answer is in.
    if (p->state() != QProcess::NotRunning)
        espera.exec(QEventLoop::ExcludeUserInputEvents);
    if (p->state() != QProcess::NotRunning) {
        QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
        return 0;
    }
    const int codigo = p->error() == QProcess::FailedToStart ? 3
                       : p->exitStatus() == QProcess::NormalExit ? p->exitCode()
                                                                 : 4;
    delete p;
    return codigo;
}
