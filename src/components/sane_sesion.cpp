#include "sane_sesion.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
std::atomic<int> g_vivas{0};

// A page larger than this is a driver that never says EOF, not a document.
constexpr qsizetype kMaxBytesTrama = qsizetype(1) << 30;

// Offered when the device accepts any value in a range, with its current value and its maximum.
constexpr double kResolucionesHabituales[] = {75, 100, 150, 200, 300, 400, 600, 1200};

double valorDe(const SANE_Option_Descriptor *d, SANE_Word w) {
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
}

SANE_Word palabraDe(const SANE_Option_Descriptor *d, double v) {
    return d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : SANE_Word(std::lround(v));
}

int muestra(const uchar *linea, int i, int profundidad) {
    switch (profundidad) {
    case 1: return (linea[i >> 3] >> (7 - (i & 7))) & 1 ? 255 : 0;
    case 16: {
        quint16 v;
        std::memcpy(&v, linea + 2 * i, sizeof v); // native byte order, as SANE sends it
        return v >> 8;
    }
    default: return linea[i];
    }
}

int lineasDe(const TramaSane &t) {
    if (t.p.bytes_per_line <= 0)
        return 0;
    const qsizetype hay = t.datos.size() / t.p.bytes_per_line;
    // A hand scanner does not know its height (-1) until the data ends.
    return int(t.p.lines < 0 ? hay : std::min<qsizetype>(t.p.lines, hay));
}

SANE_Status leerTrama(SANE_Handle h, LecturaSane &l, TramaSane &t) {
    SANE_Status st = sane_get_parameters(h, &t.p);
    if (st != SANE_STATUS_GOOD)
        return st;
    if (t.p.bytes_per_line > 0 && t.p.lines > 0)
        t.datos.reserve(std::min(qsizetype(t.p.bytes_per_line) * t.p.lines, kMaxBytesTrama));
    std::vector<SANE_Byte> buf(64 * 1024);
    for (;;) {
        if (l.cancelar)
            return SANE_STATUS_CANCELLED;
        SANE_Int n = 0;
        st = sane_read(h, buf.data(), SANE_Int(buf.size()), &n);
        if (st == SANE_STATUS_EOF)
            return SANE_STATUS_GOOD;
        if (st != SANE_STATUS_GOOD)
            return st;
        if (n <= 0)
            continue; // no data is no sign of life: the component's watch decides
        if (t.datos.size() + n > kMaxBytesTrama)
            return SANE_STATUS_NO_MEM;
        l.actividad = ahoraMs();
        t.datos.append(reinterpret_cast<const char *>(buf.data()), n);
    }
}

SANE_Status leerPagina(SANE_Handle h, LecturaSane &l, QImage *pagina) {
    QList<TramaSane> tramas;
    // A three-pass scanner sends red, green and blue as frames of their own, each started apart.
    do {
        SANE_Status st = sane_start(h);
        if (st != SANE_STATUS_GOOD)
            return st;
        l.actividad = ahoraMs();
        TramaSane t;
        st = leerTrama(h, l, t);
        if (st != SANE_STATUS_GOOD)
            return st;
        tramas << t;
    } while (!tramas.last().p.last_frame && tramas.size() < 3);
    *pagina = imagenDeTramas(tramas);
    return pagina->isNull() ? SANE_STATUS_INVAL : SANE_STATUS_GOOD;
}
} // namespace

SesionSane::SesionSane() {
    ++g_vivas;
    SANE_Int version = 0;
    m_iniciada = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
}

SesionSane::~SesionSane() {
    cerrar();
    if (m_iniciada)
        sane_exit();
    --g_vivas;
}

bool SesionSane::hayOtra() { return g_vivas > 0; }

QList<DispositivoSane> SesionSane::dispositivos() {
    QList<DispositivoSane> r;
    const SANE_Device **lista = nullptr;
    if (!m_iniciada || sane_get_devices(&lista, SANE_FALSE) != SANE_STATUS_GOOD || !lista)
        return r;
    for (int i = 0; lista[i]; ++i) {
        const SANE_Device *d = lista[i];
        if (!d->name)
            continue;
        const QString nombre = QString::fromLocal8Bit(d->name);
        const QString modelo = QStringLiteral("%1 %2")
                                   .arg(QString::fromLocal8Bit(d->vendor ? d->vendor : ""),
                                        QString::fromLocal8Bit(d->model ? d->model : ""))
                                   .trimmed();
        r.append({QByteArray(d->name), modelo.isEmpty() ? nombre : QStringLiteral("%1 (%2)").arg(modelo, nombre)});
    }
    return r;
}

void SesionSane::cerrar() {
    if (m_h)
        sane_close(m_h);
    m_h = nullptr;
    m_abierto.clear();
}

bool SesionSane::abrir(const QByteArray &nombre) {
    if (m_h && m_abierto == nombre)
        return true;
    cerrar();
    SANE_Handle h = nullptr;
    if (!m_iniciada || sane_open(nombre.constData(), &h) != SANE_STATUS_GOOD || !h)
        return false;
    m_h = h;
    m_abierto = nombre;
    return true;
}

int SesionSane::opcion(const char *nombre) {
    SANE_Int cuantas = 0;
    if (!m_h || sane_control_option(m_h, 0, SANE_ACTION_GET_VALUE, &cuantas, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (int i = 1; i < cuantas; ++i) {
        const SANE_Option_Descriptor *d = sane_get_option_descriptor(m_h, i);
        if (d && d->name && std::strcmp(d->name, nombre) == 0 && SANE_OPTION_IS_ACTIVE(d->cap))
            return i;
    }
    return -1;
}

ResolucionesSane SesionSane::resoluciones() {
    ResolucionesSane r;
    const int i = opcion(SANE_NAME_SCAN_RESOLUTION);
    const SANE_Option_Descriptor *d = i < 0 ? nullptr : sane_get_option_descriptor(m_h, i);
    if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size < SANE_Int(sizeof(SANE_Word)))
        return r;
    std::vector<SANE_Word> v(d->size / sizeof(SANE_Word));
    if (sane_control_option(m_h, i, SANE_ACTION_GET_VALUE, v.data(), nullptr) == SANE_STATUS_GOOD)
        r.actual = valorDe(d, v[0]);

    QList<double> &valores = r.valores;
    if (SANE_OPTION_IS_SETTABLE(d->cap) && d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        const SANE_Word *lista = d->constraint.word_list;
        for (int k = 1; k <= lista[0]; ++k)
            valores << valorDe(d, lista[k]);
    } else if (SANE_OPTION_IS_SETTABLE(d->cap) && d->constraint_type == SANE_CONSTRAINT_RANGE) {
        const double min = valorDe(d, d->constraint.range->min);
        const double max = valorDe(d, d->constraint.range->max);
        const double paso = valorDe(d, d->constraint.range->quant);
        QList<double> candidatos(std::begin(kResolucionesHabituales), std::end(kResolucionesHabituales));
        candidatos << r.actual << max;
        for (double c : candidatos) {
            if (c < min || c > max)
                continue;
            if (paso > 0) {
                c = min + std::round((c - min) / paso) * paso;
                if (c > max)
                    c -= paso;
            }
            valores << c;
        }
        if (valores.isEmpty())
            valores << min;
    } else if (r.actual > 0) {
        valores << r.actual;
    }
    std::sort(valores.begin(), valores.end());
    valores.erase(std::unique(valores.begin(), valores.end(),
                              [](double a, double b) { return std::abs(a - b) < 1e-6; }),
                  valores.end());
    valores.removeIf([](double v) { return v <= 0; });
    return r;
}

bool SesionSane::fijarResolucion(double ppp) {
    const int i = opcion(SANE_NAME_SCAN_RESOLUTION);
    const SANE_Option_Descriptor *d = i < 0 ? nullptr : sane_get_option_descriptor(m_h, i);
    if (!d || !SANE_OPTION_IS_SETTABLE(d->cap) || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
        d->size < SANE_Int(sizeof(SANE_Word)))
        return false;
    std::vector<SANE_Word> v(d->size / sizeof(SANE_Word), palabraDe(d, ppp));
    SANE_Int info = 0;
    return sane_control_option(m_h, i, SANE_ACTION_SET_VALUE, v.data(), &info) == SANE_STATUS_GOOD;
}

bool SesionSane::alimentador() {
    const int i = opcion(SANE_NAME_SCAN_SOURCE);
    const SANE_Option_Descriptor *d = i < 0 ? nullptr : sane_get_option_descriptor(m_h, i);
    if (!d || d->type != SANE_TYPE_STRING || d->size <= 0)
        return false;
    QByteArray valor(d->size, '\0');
    if (sane_control_option(m_h, i, SANE_ACTION_GET_VALUE, valor.data(), nullptr) != SANE_STATUS_GOOD)
        return false;
    // Drivers name it "ADF", "ADF Duplex", "Automatic Document Feeder", "Document Feeder"...
    const QString fuente = QString::fromLatin1(valor.constData()).toLower();
    return fuente.contains(QLatin1String("adf")) || fuente.contains(QLatin1String("feeder")) ||
           fuente.contains(QLatin1String("duplex"));
}

SANE_Status leerPaginas(SANE_Handle h, LecturaSane &l, bool alimentador) {
    SANE_Status st = SANE_STATUS_GOOD;
    for (int leidas = 0;; ++leidas) {
        if (l.cancelar) {
            st = SANE_STATUS_CANCELLED;
            break;
        }
        QImage pagina;
        st = leerPagina(h, l, &pagina);
        // An empty feeder after the first page is the end of the document.
        if (st == SANE_STATUS_NO_DOCS && leidas > 0) {
            st = SANE_STATUS_GOOD;
            break;
        }
        if (st != SANE_STATUS_GOOD)
            break;
        {
            std::lock_guard g(l.m);
            l.paginas << pagina;
        }
        if (!alimentador)
            break;
    }
    sane_cancel(h);
    return st;
}

QImage imagenDeTramas(const QList<TramaSane> &tramas) {
    if (tramas.isEmpty())
        return {};
    const SANE_Parameters &p = tramas.first().p;
    const int ancho = p.pixels_per_line;
    const int profundidad = p.depth;
    const bool rgb = p.format == SANE_FRAME_RGB;
    const int canales = rgb ? 3 : 1;
    int alto = INT_MAX;
    for (const TramaSane &t : tramas) {
        if (t.p.pixels_per_line != ancho || t.p.depth != profundidad ||
            qint64(ancho) * canales * profundidad > qint64(t.p.bytes_per_line) * 8)
            return {};
        alto = std::min(alto, lineasDe(t));
    }
    if (ancho <= 0 || alto <= 0 || (profundidad != 1 && profundidad != 8 && profundidad != 16))
        return {};

    if (p.format == SANE_FRAME_GRAY) {
        QImage img(ancho, alto, QImage::Format_Grayscale8);
        const TramaSane &t = tramas.first();
        for (int y = 0; y < alto; ++y) {
            const auto *linea = reinterpret_cast<const uchar *>(t.datos.constData()) + qsizetype(y) * t.p.bytes_per_line;
            uchar *destino = img.scanLine(y);
            if (profundidad == 8) {
                std::memcpy(destino, linea, ancho);
                continue;
            }
            for (int x = 0; x < ancho; ++x)
                // In one-bit grey a set bit is black; in every other case more is brighter.
                destino[x] = uchar(profundidad == 1 ? 255 - muestra(linea, x, 1) : muestra(linea, x, profundidad));
        }
        return img;
    }

    QImage img(ancho, alto, QImage::Format_RGB888);
    img.fill(Qt::black);
    if (rgb) {
        const TramaSane &t = tramas.first();
        for (int y = 0; y < alto; ++y) {
            const auto *linea = reinterpret_cast<const uchar *>(t.datos.constData()) + qsizetype(y) * t.p.bytes_per_line;
            uchar *destino = img.scanLine(y);
            if (profundidad == 8)
                std::memcpy(destino, linea, qsizetype(ancho) * 3);
            else
                for (int x = 0; x < ancho * 3; ++x)
                    destino[x] = uchar(muestra(linea, x, profundidad));
        }
        return img;
    }

    int vistos = 0;
    for (const TramaSane &t : tramas) {
        const int canal = t.p.format - SANE_FRAME_RED;
        if (canal < 0 || canal > 2 || (vistos & (1 << canal)))
            return {};
        vistos |= 1 << canal;
        for (int y = 0; y < alto; ++y) {
            const auto *linea = reinterpret_cast<const uchar *>(t.datos.constData()) + qsizetype(y) * t.p.bytes_per_line;
            uchar *destino = img.scanLine(y);
            for (int x = 0; x < ancho; ++x)
                destino[3 * x + canal] = uchar(muestra(linea, x, profundidad));
        }
    }
    return vistos == 7 ? img : QImage();
}
