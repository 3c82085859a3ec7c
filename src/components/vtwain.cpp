#include "vtwain.h"

#include "dialogos.h"
#include "frmescaner.h"
#include "sane_sesion.h"

#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <system_error>
#include <thread>

namespace {
// A device without a resolution option: the usual one for documents.
constexpr double kPppSupuestos = 300;
constexpr int kTicMs = 20;

// The PDF is built in memory, one page per scanned image, and only written out whole.
class DocumentoPdf {
public:
    bool anadir(const QImage &pagina, double ppp) {
        const QPageSize tamano(QSizeF(pagina.width() / ppp, pagina.height() / ppp), QPageSize::Inch, QString(),
                               QPageSize::ExactMatch);
        if (!m_escritor) {
            if (!m_buffer.open(QIODevice::WriteOnly))
                return false;
            m_escritor = std::make_unique<QPdfWriter>(&m_buffer);
            m_escritor->setCreator(QStringLiteral("VMTwain"));
            m_escritor->setResolution(std::max(1, qRound(ppp)));
            m_escritor->setPageMargins(QMarginsF());
            m_escritor->setPageSize(tamano);
            if (!m_pintor.begin(m_escritor.get()))
                return false;
        } else {
            // A size set now is the size of the page newPage() starts.
            m_escritor->setPageSize(tamano);
            if (!m_escritor->newPage())
                return false;
        }
        const QSizeF hoja = m_escritor->pageLayout().fullRectPixels(m_escritor->resolution()).size();
        m_pintor.drawImage(QRectF(QPointF(0, 0), hoja), pagina);
        ++m_paginas;
        return true;
    }
    int paginas() const { return m_paginas; }
    QByteArray cerrar() {
        if (m_pintor.isActive())
            m_pintor.end();
        return m_buffer.data();
    }

private:
    QBuffer m_buffer;
    std::unique_ptr<QPdfWriter> m_escritor;
    QPainter m_pintor;
    int m_paginas = 0;
};

QString motivoDeEstado(SANE_Status estado) {
    switch (estado) {
    case SANE_STATUS_CANCELLED: return {}; // someone pressed cancel on the scanner itself
    case SANE_STATUS_JAMMED: return QStringLiteral("El papel se ha atascado en el escáner.");
    case SANE_STATUS_NO_DOCS: return QStringLiteral("No hay documentos en el escáner.");
    case SANE_STATUS_COVER_OPEN: return QStringLiteral("La tapa del escáner está abierta.");
    case SANE_STATUS_DEVICE_BUSY: return QStringLiteral("El escáner está ocupado.");
    case SANE_STATUS_EOF: return QStringLiteral("El escáner no ha entregado ninguna página.");
    default: return QStringLiteral("El escáner ha fallado al leer el documento.");
    }
}

QString noSeGuarda(const QString &ruta) {
    return QStringLiteral("No se puede guardar el documento escaneado en \"%1\".").arg(ruta);
}

bool guardar(const QString &ruta, const QByteArray &datos) {
    QSaveFile f(ruta);
    return f.open(QIODevice::WriteOnly) && f.write(datos) == datos.size() && f.commit();
}
} // namespace

vTwain::vTwain(QObject *parent) : QObject(parent) {}

void vTwain::vConfig() {
    m_resultado = false;
    m_dispositivo.clear();
    m_motivo.clear();
    m_resultado = escanear();
    if (!m_resultado && !m_motivo.isEmpty())
        MsgBox(m_motivo, vb::vbExclamation);
}

bool vTwain::fallar(const QString &motivo) {
    m_motivo = motivo;
    return false;
}

bool vTwain::escanear() {
    // Checked first, so nobody scans a document that cannot be written.
    if (m_fichero.isEmpty() || !QFileInfo(m_fichero).absoluteDir().exists())
        return fallar(noSeGuarda(m_fichero));
    if (SesionSane::hayOtra())
        return fallar(QStringLiteral("El escáner ya se está usando."));
    auto sesion = std::make_shared<SesionSane>();
    const QString sinEscaner = QStringLiteral("No se encuentra ningún escáner conectado.");
    if (!sesion->iniciada())
        return fallar(sinEscaner);
    const QList<DispositivoSane> dispositivos = sesion->dispositivos();
    if (dispositivos.isEmpty())
        return fallar(sinEscaner);

    auto resolucionesDe = [&](int i) -> std::optional<ResolucionesSane> {
        if (i < 0 || i >= dispositivos.size() || !sesion->abrir(dispositivos[i].nombre))
            return std::nullopt;
        return sesion->resoluciones();
    };
    int elegido = 0;
    std::optional<double> ppp;
    const std::optional<ResolucionesSane> primero = resolucionesDe(0);
    if (dispositivos.size() > 1 || (primero && primero->valores.size() > 1)) {
        frmEscaner dlg(dispositivos, resolucionesDe);
        if (DialogService::actual().abrirModal(&dlg) != QDialog::Accepted)
            return false;
        elegido = dlg.dispositivo();
        ppp = dlg.resolucion();
    }
    if (elegido < 0 || elegido >= dispositivos.size() || !sesion->abrir(dispositivos[elegido].nombre))
        return fallar(QStringLiteral("No se puede abrir el escáner."));
    if (ppp && !sesion->fijarResolucion(*ppp))
        return fallar(QStringLiteral("El escáner no admite la resolución elegida."));
    m_dispositivo = QString::fromLocal8Bit(dispositivos[elegido].nombre);
    // Read back: a driver may round what it was given.
    const double actual = sesion->resoluciones().actual;
    return leerYGuardar(sesion, actual > 0 ? actual : kPppSupuestos);
}

bool vTwain::leerYGuardar(const std::shared_ptr<SesionSane> &sesion, double ppp) {
    auto lectura = std::make_shared<LecturaSane>();
    lectura->actividad = ahoraMs();
    const bool alimentador = sesion->alimentador();
    // Pages are read in a thread of their own so that a driver that hangs cannot hang the
    // application; a session left behind in it is closed by that thread if the driver returns.
    std::thread hilo;
    try {
        hilo = std::thread([sesion, lectura, alimentador] {
            const SANE_Status estado = leerPaginas(sesion->handle(), *lectura, alimentador);
            std::lock_guard g(lectura->m);
            lectura->estado = estado;
            lectura->fin = true;
        });
    } catch (const std::system_error &) {
        return fallar(QStringLiteral("El escáner ha fallado al leer el documento."));
    }

    DocumentoPdf pdf;
    frmEscaneando progreso;
    bool fallo = false; // the document failed or the driver stopped giving signs of life
    bool sinRespuesta = false;
    bool terminado = false;
    QEventLoop espera;
    // Takes the pages read so far into the document: one page at a time is held as an image.
    auto revisar = [&] {
        QList<QImage> nuevas;
        {
            std::lock_guard g(lectura->m);
            nuevas.swap(lectura->paginas);
            terminado = lectura->fin;
        }
        for (const QImage &pagina : std::as_const(nuevas)) {
            fallo = fallo || !pdf.anadir(pagina, ppp);
            emit paginaEscaneada(pagina, ppp);
            progreso.mostrarPagina(pdf.paginas() + 1);
        }
        if (!terminado && ahoraMs() - lectura->actividad > m_limiteEspera)
            fallo = sinRespuesta = true;
        if (terminado || fallo) {
            if (progreso.isVisible())
                progreso.done(QDialog::Accepted);
            espera.quit();
        }
    };
    QTimer reloj;
    connect(&reloj, &QTimer::timeout, this, revisar);
    reloj.start(kTicMs);

    // Rejected is the user's "Cancelar"; a service that returns at once leaves the wait to us.
    const bool cancelado = DialogService::actual().abrirModal(&progreso) != QDialog::Accepted;
    if (!cancelado) {
        revisar();
        if (!terminado && !fallo)
            espera.exec();
    }
    reloj.stop();

    auto acabado = [&] {
        std::lock_guard g(lectura->m);
        return lectura->fin;
    };
    if (!acabado()) {
        lectura->cancelar = true;
        sane_cancel(sesion->handle()); // SANE allows it while another thread reads
        QEventLoop final;
        QTimer sondeo;
        connect(&sondeo, &QTimer::timeout, &final, [&] {
            if (acabado())
                final.quit();
        });
        sondeo.start(kTicMs);
        QTimer::singleShot(std::clamp(m_limiteEspera, 2000, 10000), &final, &QEventLoop::quit);
        final.exec();
    }
    if (!acabado()) {
        qWarning("vTwain: el controlador del escáner no responde; se abandona la lectura.");
        hilo.detach();
        return fallar(QStringLiteral("El escáner no responde; se ha abandonado el escaneo."));
    }
    hilo.join();
    revisar();
    if (cancelado)
        return false;
    if (fallo)
        return fallar(sinRespuesta ? QStringLiteral("El escáner no responde; se ha abandonado el escaneo.")
                                   : QStringLiteral("No se puede componer el documento escaneado."));
    if (lectura->estado != SANE_STATUS_GOOD) {
        qWarning("vTwain: %s", sane_strstatus(lectura->estado));
        return fallar(motivoDeEstado(lectura->estado));
    }
    if (pdf.paginas() == 0)
        return fallar(motivoDeEstado(SANE_STATUS_EOF));
    return guardar(m_fichero, pdf.cerrar()) || fallar(noSeGuarda(m_fichero));
}
