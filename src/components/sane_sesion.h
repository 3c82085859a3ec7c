#pragma once
// The scanner side of vTwain: one SANE session, the devices it offers, the few options
// the component touches, and the reading of pages (meant for a thread of its own).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <mutex>

#include <sane/sane.h>

struct DispositivoSane {
    QByteArray nombre;   // what sane_open wants
    QString descripcion; // what the user reads
};

struct ResolucionesSane {
    QList<double> valores; // dots per inch the user may choose, ascending
    double actual = 0;     // the device's current value; 0 when it has none
};

// sane_init in the constructor, sane_close and sane_exit in the destructor. SANE is one
// per process, so a session still alive (a scan stuck in its driver) blocks the next one.
class SesionSane {
public:
    SesionSane();
    ~SesionSane();
    SesionSane(const SesionSane &) = delete;
    SesionSane &operator=(const SesionSane &) = delete;

    static bool hayOtra();
    bool iniciada() const { return m_iniciada; }
    QList<DispositivoSane> dispositivos();

    // Opens a device, closing the one open before; the same name twice keeps it open.
    bool abrir(const QByteArray &nombre);
    SANE_Handle handle() const { return m_h; }

    ResolucionesSane resoluciones();
    bool fijarResolucion(double ppp);
    // True when the current source is a document feeder, which gives pages until it is empty.
    bool alimentador();

private:
    void cerrar();
    int opcion(const char *nombre);

    bool m_iniciada = false;
    SANE_Handle m_h = nullptr;
    QByteArray m_abierto;
};

inline qint64 ahoraMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// What the reading thread and the component share.
struct LecturaSane {
    std::mutex m;
    QList<QImage> paginas; // read, not yet taken by the component
    bool fin = false;
    SANE_Status estado = SANE_STATUS_GOOD;
    std::atomic<bool> cancelar{false};
    std::atomic<qint64> actividad{0}; // ahoraMs() at the driver's last sign of life
};

// Reads one page (a flatbed) or every page until the feeder is empty; ends the batch
// with sane_cancel. Returns SANE_STATUS_GOOD when at least one page was read.
SANE_Status leerPaginas(SANE_Handle h, LecturaSane &lectura, bool alimentador);

struct TramaSane {
    SANE_Parameters p{};
    QByteArray datos;
};
// One page from its frames: one grey or RGB frame, or red, green and blue frames from a
// three-pass scanner. 16-bit samples keep their high byte. Null when they make no image.
QImage imagenDeTramas(const QList<TramaSane> &tramas);
