#include "textodocumentos.h"

#include "conexion.h"
#include "dialecto.h"
#include "flujoblob.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <QSqlError>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <poppler-qt6.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <memory>

Q_LOGGING_CATEGORY(lcTexto, "vmexp.texto", QtWarningMsg)

namespace {
// Resolution pages without a text layer are rendered at for OCR.
constexpr double kPuntosPorPulgada = 300;
// Longer texts are cut: the search index of one document has a size limit on the server.
constexpr qsizetype kLargoMaximo = 500000;

// One Spanish OCR engine for the pages of a document, loaded only if a page needs it.
class Ocr {
public:
    explicit Ocr(const std::atomic<bool> *parar) : m_parar(parar) {}

    QString leer(const QImage &imagen, double dpi) {
        if (!m_api) {
            m_api = std::make_unique<tesseract::TessBaseAPI>();
            if (m_api->Init(nullptr, "spa") != 0) {
                qCWarning(lcTexto) << "no se puede cargar el reconocimiento de texto en español (tesseract-ocr-spa)";
                m_fallo = true;
            }
        }
        if (m_fallo || imagen.isNull())
            return {};
        const QImage gris = imagen.convertToFormat(QImage::Format_Grayscale8);
        m_api->SetImage(gris.constBits(), gris.width(), gris.height(), 1, int(gris.bytesPerLine()));
        m_api->SetSourceResolution(int(dpi));
        // A page takes seconds: the reading stops when the program ends.
        tesseract::ETEXT_DESC monitor;
        monitor.cancel = [](void *parar, int) { return parar && static_cast<const std::atomic<bool> *>(parar)->load(); };
        monitor.cancel_this = const_cast<std::atomic<bool> *>(m_parar);
        if (m_api->Recognize(&monitor) != 0 || detenido())
            return {};
        std::unique_ptr<char[]> texto(m_api->GetUTF8Text());
        return texto ? QString::fromUtf8(texto.get()) : QString();
    }
    bool detenido() const { return m_parar && m_parar->load(); }

private:
    const std::atomic<bool> *m_parar;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    bool m_fallo = false;
};

// Each page's text layer; a page without one is a scan, read by OCR.
TextoDocumentos::Extraido dePdf(const QString &ruta, const std::atomic<bool> *parar) {
    TextoDocumentos::Extraido r;
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(ruta);
    if (!doc || doc->isLocked())
        return r;
    doc->setRenderHint(Poppler::Document::Antialiasing);
    doc->setRenderHint(Poppler::Document::TextAntialiasing);
    Ocr ocr(parar);
    QStringList paginas;
    for (int i = 0; i < doc->numPages() && !r.interrumpido; ++i) {
        std::unique_ptr<Poppler::Page> pagina = doc->page(i);
        if (!pagina)
            continue;
        QString texto = pagina->text(QRectF());
        if (texto.trimmed().isEmpty())
            texto = ocr.leer(pagina->renderToImage(kPuntosPorPulgada, kPuntosPorPulgada), kPuntosPorPulgada);
        r.interrumpido = ocr.detenido();
        paginas << texto.trimmed();
        ++r.paginas;
    }
    r.texto = paginas.join(u'\n');
    return r;
}

TextoDocumentos::Extraido deImagen(const QString &ruta, const std::atomic<bool> *parar) {
    const QImage imagen(ruta);
    // Scanners record their resolution; an image without one is taken as a 300 dpi scan.
    const double dpi = imagen.dotsPerMeterX() * 0.0254;
    Ocr ocr(parar);
    const QString texto = ocr.leer(imagen, dpi >= 70 ? dpi : kPuntosPorPulgada).trimmed();
    return {texto, imagen.isNull() ? 0 : 1, ocr.detenido()};
}

// UTF-8 when it is; otherwise the Windows files of the office, read as Latin-1.
QString deTexto(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texto = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : texto;
}

bool esTextoPlano(const QString &nombre) {
    static const QStringList kExtensiones{QStringLiteral("txt"), QStringLiteral("csv"), QStringLiteral("log"),
                                          QStringLiteral("md")};
    return kExtensiones.contains(QFileInfo(nombre).suffix().toLower());
}

// A statement with its one text value bound: document text is never written into SQL.
Resultado ejecutarConTexto(Conexion *cn, const QString &sql, const QString &texto) {
    return cn->EjecutarConValores(sql, {texto});
}

const QString kDondeDocumento = QStringLiteral(" WHERE ActFTex_IdActF = ");
} // namespace

TextoDocumentos::Extraido TextoDocumentos::extraer(const QString &ruta, const QString &nombre,
                                                   const std::atomic<bool> *parar) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    Extraido r;
    if (f.peek(5) == "%PDF-")
        r = dePdf(ruta, parar);
    else if (esTextoPlano(nombre)) // only what the index keeps is read: a huge log stays on disk
        r = {deTexto(f.read(kLargoMaximo * 4)), 1};
    else if (!QImageReader::imageFormat(ruta).isEmpty())
        r = deImagen(ruta, parar);
    r.texto.truncate(kLargoMaximo);
    return r;
}

Resultado TextoDocumentos::marcarPendiente(Conexion *cn, int idActF) {
    const QString id = QString::number(idActF);
    Recordset rs = cn->Execute(QStringLiteral("SELECT ActFTex_Pendiente FROM ActFTex") + kDondeDocumento + id);
    if (!rs.ok())
        return rs.resultado();
    const bool existe = !rs.isEOF();
    rs.Close();
    // The count goes up, never back: a reading of older contents cannot pass for this one.
    return cn->Ejecutar(existe ? QStringLiteral("UPDATE ActFTex SET ActFTex_Texto = NULL, ActFTex_Pendiente = "
                                                "abs(ActFTex_Pendiente) + 1")
                                     + kDondeDocumento + id
                               : QStringLiteral("INSERT INTO ActFTex (ActFTex_IdActF, ActFTex_Pendiente) VALUES (")
                                     + id + QStringLiteral(", 1)"));
}

Resultado TextoDocumentos::eliminar(Conexion *cn, int idActF) {
    return cn->Ejecutar(QStringLiteral("DELETE FROM ActFTex") + kDondeDocumento + QString::number(idActF));
}

Resultado TextoDocumentos::extraerSiguiente(Conexion *cn, bool &hay, int *paginas, const std::atomic<bool> *parar) {
    hay = false;
    Recordset rs = cn->Execute(
        QStringLiteral("SELECT ActFTex_IdActF, ActFTex_Pendiente, ActF_Id, ActF_Fic, (SELECT min(Ima_Id) FROM Ima "
                       "WHERE Ima_Tabla = 'ActF' AND Ima_IdTabla = ActFTex_IdActF) AS Ima_Id FROM ActFTex LEFT JOIN "
                       "ActF ON ActF_Id = ActFTex_IdActF WHERE ActFTex_IdActF = (SELECT min(ActFTex_IdActF) FROM "
                       "ActFTex WHERE ActFTex_Pendiente > 0)"));
    if (!rs.ok() || rs.isEOF())
        return rs.resultado();
    hay = true;
    const QString id = rs.Fields(0).toString();
    const QString marca = rs.Fields(1).toString();
    const bool documento = !rs.Fields(2).isNull();
    const QString nombre = rs.Fields(3).toString();
    const qint64 fila = rs.Fields(4).toLongLong();
    rs.Close();
    // The document went meanwhile: so does its row here.
    if (!documento)
        return eliminar(cn, id.toInt());

    Extraido leido;
    QTemporaryDir carpeta;
    const QString ruta = carpeta.filePath(QStringLiteral("documento"));
    bool escrito = false;
    if (fila > 0 && carpeta.isValid()) {
        // Contents that cannot be read give no text rather than holding up the documents after them.
        if (const Resultado r = FlujoBlob::cargarAFichero(cn, QStringLiteral("Ima"), QStringLiteral("Ima_File"), fila,
                                                          ruta, &escrito);
            !r)
            qCWarning(lcTexto).noquote() << "documento" << id << ":" << r.causa();
        if (escrito)
            leido = extraer(ruta, nombre, parar);
    }
    if (leido.interrumpido) {
        hay = false;
        return {};
    }
    if (paginas)
        *paginas = leido.paginas;
    qCInfo(lcTexto).noquote() << "documento" << id << ":" << leido.paginas << "páginas," << leido.texto.size()
                              << "caracteres";
    // Stored only if no newer contents came meanwhile; those are read next.
    return ejecutarConTexto(cn,
                            QStringLiteral("UPDATE ActFTex SET ActFTex_Texto = ?, ActFTex_Pendiente = -ActFTex_Pendiente")
                                + kDondeDocumento + id + QStringLiteral(" AND ActFTex_Pendiente = ") + marca,
                            leido.texto);
}

Resultado TextoDocumentos::anotarSinTexto(Conexion *cn, int &pendientes) {
    pendientes = 0;
    const Resultado r = cn->Ejecutar(QStringLiteral(
        "INSERT INTO ActFTex (ActFTex_IdActF, ActFTex_Pendiente) SELECT ActF_Id, 1 FROM ActF WHERE ActF_Id IN "
        "(SELECT Ima_IdTabla FROM Ima WHERE Ima_Tabla = 'ActF' AND Ima_File IS NOT NULL) AND ActF_Id NOT IN "
        "(SELECT ActFTex_IdActF FROM ActFTex)"));
    if (!r)
        return r;
    Recordset rs = cn->Execute(QStringLiteral("SELECT count(*) FROM ActFTex WHERE ActFTex_Pendiente > 0"));
    if (rs.ok() && !rs.isEOF())
        pendientes = rs.Fields(0).toInt();
    return rs.resultado();
}

Resultado TextoDocumentos::fragmentos(Conexion *cn, int idAct, const QString &busqueda, QHash<int, QString> &porDocumento) {
    porDocumento.clear();
    const QString sql = cn->dialecto().fragmentosConPalabras(DialectoSql::palabras(busqueda), idAct);
    if (sql.isEmpty())
        return {};
    Recordset rs = cn->Execute(sql);
    for (; rs.ok() && !rs.isEOF(); rs.MoveNext())
        porDocumento.insert(rs.Fields(0).toInt(), rs.Fields(1).toString().simplified());
    return rs.resultado();
}

Resultado TextoDocumentos::indexar(Conexion *cn, const Avance &avance, int *hechos) {
    int total = 0, n = 0, paginas = 0;
    if (hechos)
        *hechos = 0;
    if (const Resultado r = anotarSinTexto(cn, total); !r)
        return r;
    avance(0, total, 0);
    for (;;) {
        bool hay = false;
        int p = 0;
        if (const Resultado r = extraerSiguiente(cn, hay, &p); !r)
            return r;
        if (!hay)
            return {};
        paginas += p;
        // Another program may be reading some of them too.
        n = std::min(n + 1, total);
        if (hechos)
            *hechos = n;
        avance(n, total, paginas);
    }
}

// ---------------------------------------------------------------- ExtractorTexto

ExtractorTexto::ExtractorTexto(const QString &conexion) : m_origen(conexion) {}

ExtractorTexto::~ExtractorTexto() {
    m_parar = true;
    wait();
}

void ExtractorTexto::avisar() {
    QMutexLocker bloqueo(&m_mutex);
    m_otraVuelta = true;
    if (m_activo || m_parar)
        return;
    m_activo = true;
    bloqueo.unlock();
    wait(); // a round that has just ended may still be closing its connection
    start(QThread::LowPriority);
}

void ExtractorTexto::run() {
    // A Qt connection belongs to the thread that opened it: this one has its own.
    const QString nombre = QStringLiteral("vmexp_texto_%1").arg(quintptr(this), 0, 16);
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(m_origen, nombre);
        std::unique_ptr<Conexion> cn;
        if (db.open())
            cn = std::make_unique<Conexion>(db);
        else
            qCWarning(lcTexto).noquote() << "no se puede abrir la base de datos para leer el texto de los documentos:"
                                         << db.lastError().text();
        for (;;) {
            {
                QMutexLocker bloqueo(&m_mutex);
                if (!m_otraVuelta || m_parar) {
                    m_activo = false;
                    break;
                }
                m_otraVuelta = false;
            }
            bool hay = cn && cn->sesion().ok();
            while (hay && !m_parar) {
                if (const Resultado r = TextoDocumentos::extraerSiguiente(cn.get(), hay, nullptr, &m_parar); !r) {
                    qCWarning(lcTexto).noquote() << r.causa();
                    break;
                }
            }
        }
        cn.reset();
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
}
