// The search by what documents say, over many documents' text, and how fast their text
// is read out of PDFs and scans.
#include "textodocumentos_bench.h"

#include "basedatos.h"
#include "conexion.h"
#include "modexp.h"
#include "mybd.h"
#include "pantallas.h"
#include "tabla.h"
#include "textodocumentos.h"
#include "vmexpe.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFont>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>

namespace {
QTextStream &salida = salidaBench();

const char *const kPalabras[] = {
    "presupuesto", "factura", "obra", "cliente", "entrega", "material", "revisión", "instalación", "eléctrica",
    "fontanería", "pintura", "ventana", "puerta", "tejado", "cubierta", "nave", "oficina", "plazo", "pago",
    "transferencia", "garantía", "avería", "técnico", "visita", "informe", "contrato", "firma", "licencia",
    "ayuntamiento", "permiso", "proyecto", "arquitecto", "medición", "hormigón", "acero", "madera", "cristal",
    "calefacción", "caldera", "aire", "acondicionado", "motor", "bomba", "válvula", "tubería", "cableado",
    "cuadro", "luminaria", "seguridad", "alarma", "cámara", "mantenimiento", "anual", "trimestral", "mensual",
    "urgente", "pendiente", "aprobado", "rechazado", "señal", "anticipo", "saldo", "importe", "descuento",
    "según", "acuerdo", "reunión", "llamada", "correo", "notificación", "recibo", "albarán", "pedido",
    "proveedor", "suministro", "transporte", "almacén", "inventario", "daños", "reclamación", "seguro",
    "perito", "valoración", "reparación", "sustitución", "limpieza", "desmontaje", "montaje", "prueba",
};


// documentos documents, one per action, spread over the case files, each with a text of
// about 120 words; one in 2,000 says "reparación del compresor".
bool generarTextos(const QString &carpeta, int expedientes, int documentos) {
    sqlite3 *h = nullptr;
    if (sqlite3_open((carpeta + QStringLiteral("/empresa.db")).toUtf8().constData(), &h) != SQLITE_OK
        || !BaseDatos::registrarCotejo(h)) {
        sqlite3_close(h);
        return false;
    }
    sqlite3_exec(h, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *act = nullptr, *doc = nullptr, *tex = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO Act (Act_IdExp, Act_Des) VALUES (?, 'Documentación')", -1, &act, nullptr);
    sqlite3_prepare_v2(h, "INSERT INTO ActF (ActF_IdAct, ActF_Fic, ActF_Des) VALUES (?, 'documento.pdf', 'Documento')",
                       -1, &doc, nullptr);
    sqlite3_prepare_v2(h, "INSERT INTO ActFTex (ActFTex_IdActF, ActFTex_Pendiente, ActFTex_Texto) VALUES (?, -1, ?)",
                       -1, &tex, nullptr);
    QRandomGenerator azar(2024);
    const int nPalabras = int(std::size(kPalabras));
    bool ok = act && doc && tex;
    for (int i = 1; ok && i <= documentos; ++i) {
        sqlite3_bind_int(act, 1, 1 + int((qint64(i) * 7919) % expedientes));
        ok = sqlite3_step(act) == SQLITE_DONE;
        sqlite3_reset(act);
        sqlite3_bind_int64(doc, 1, sqlite3_last_insert_rowid(h));
        ok = ok && sqlite3_step(doc) == SQLITE_DONE;
        sqlite3_reset(doc);
        QByteArray texto;
        for (int p = 0; p < 120; ++p)
            texto += QByteArray(kPalabras[azar.bounded(nPalabras)]) + ' ';
        if (i % 2000 == 0)
            texto += "Solicitamos la reparación del compresor averiado.";
        sqlite3_bind_int64(tex, 1, sqlite3_last_insert_rowid(h));
        sqlite3_bind_text(tex, 2, texto.constData(), int(texto.size()), SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(tex) == SQLITE_DONE;
        sqlite3_reset(tex);
    }
    sqlite3_finalize(act);
    sqlite3_finalize(doc);
    sqlite3_finalize(tex);
    ok = ok && sqlite3_exec(h, "COMMIT; INSERT INTO ActFTex_Fts(ActFTex_Fts) VALUES ('optimize')", nullptr, nullptr,
                            nullptr) == SQLITE_OK;
    sqlite3_close(h);
    return ok;
}

// The engine alone: the ids of the documents that hold the words.
double consultaDesnuda(const QString &carpeta, const QString &palabras, int veces) {
    sqlite3 *h = nullptr;
    sqlite3_open((carpeta + QStringLiteral("/empresa.db")).toUtf8().constData(), &h);
    const QByteArray sql = "SELECT count(*) FROM ActFTex_Fts WHERE ActFTex_Fts MATCH ?";
    QStringList terminos;
    for (const QString &p : palabras.split(u' '))
        terminos << u'"' + p + QStringLiteral("\"*");
    const QByteArray patron = terminos.join(u' ').toUtf8();
    std::vector<double> t;
    for (int i = 0; i < veces; ++i) {
        QElapsedTimer r;
        r.start();
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(h, sql.constData(), -1, &s, nullptr);
        sqlite3_bind_text(s, 1, patron.constData(), int(patron.size()), SQLITE_STATIC);
        while (sqlite3_step(s) == SQLITE_ROW) {
        }
        sqlite3_finalize(s);
        t.push_back(r.nsecsElapsed() / 1e6);
    }
    sqlite3_close(h);
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void benchBuscarEnTexto(const QString &carpeta, int documentos, int veces) {
    const auto fabrica = Pantallas::fabrica(QStringLiteral("frmExpedientes"));
    struct Caso {
        QString palabras;
        int usuario;
    };
    for (const Caso &c : {Caso{QStringLiteral("compresor reparación"), 1}, Caso{QStringLiteral("compresor reparación"), 7},
                          Caso{QStringLiteral("caldera"), 1}, Caso{QStringLiteral("caldera"), 7}}) {
        const QString nombre = QStringLiteral("texto%1").arg(c.usuario);
        int filas = 0;
        std::vector<double> t;
        {
            QSqlDatabase db = BaseDatos::abrir(carpeta, nombre);
            Conexion conexion(db);
            auto bd = std::make_shared<MyBd>(&conexion, c.usuario);
            auto expe = VMEXPE::crear();
            expe->setMyBd(bd);
            for (int i = 0; i < veces; ++i) {
                std::unique_ptr<QDialog> d(fabrica(nullptr));
                d->show();
                QApplication::processEvents();
                d->findChild<QLineEdit *>(QStringLiteral("Text1_8"))->setText(c.palabras);
                QElapsedTimer r;
                r.start();
                QMetaObject::invokeMethod(d.get(), "cmdBuscar_Click");
                // The first screenful: the rows the grid shows once it has painted.
                QApplication::processEvents();
                t.push_back(r.nsecsElapsed() / 1e6);
                auto *grid = d->findChild<QAbstractItemView *>(QStringLiteral("DataGrid1"));
                filas = grid && grid->model() ? grid->model()->rowCount() : 0;
            }
            expe.reset();
            gExpe.reset();
        }
        QSqlDatabase::removeDatabase(nombre);
        std::sort(t.begin(), t.end());
        fila(QStringLiteral("documentos dicen '%1' (usuario %2), %3 textos").arg(c.palabras).arg(c.usuario).arg(documentos),
             t[t.size() / 2], consultaDesnuda(carpeta, c.palabras, veces),
             QStringLiteral("%1 filas en la primera página; límite 100 ms").arg(filas));
    }
}

// Pages per second read from a PDF of paginas pages, with a text layer or scanned.
void benchExtraccion(int paginas, bool escaneado) {
    QTemporaryDir dir;
    const QString ruta = dir.filePath(QStringLiteral("muestra.pdf"));
    {
        QPdfWriter pdf(ruta);
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        QPainter p(&pdf);
        QFont letra(QStringLiteral("DejaVu Sans"));
        letra.setPixelSize(40);
        QString texto;
        for (int i = 0; i < 300; ++i)
            texto += QLatin1String(kPalabras[(i * 37) % std::size(kPalabras)]) + u' ';
        const QRect caja(200, 200, 2080, 3100);
        for (int i = 0; i < paginas; ++i) {
            if (i > 0)
                pdf.newPage();
            if (escaneado) {
                QImage imagen(caja.size(), QImage::Format_Grayscale8);
                imagen.fill(Qt::white);
                QPainter pi(&imagen);
                pi.setFont(letra);
                pi.drawText(imagen.rect(), Qt::TextWordWrap, texto);
                pi.end();
                p.drawImage(caja, imagen);
            } else {
                p.setFont(letra);
                p.drawText(caja, Qt::TextWordWrap, texto);
            }
        }
    }
    QElapsedTimer r;
    r.start();
    const TextoDocumentos::Extraido e = TextoDocumentos::extraer(ruta, QStringLiteral("muestra.pdf"));
    const double ms = r.nsecsElapsed() / 1e6;
    fila(QStringLiteral("leer el texto de un PDF %1 de %2 páginas A4")
             .arg(escaneado ? QStringLiteral("escaneado (OCR)") : QStringLiteral("con texto"))
             .arg(paginas),
         ms, 0, QStringLiteral("%1 páginas por segundo, %2 caracteres").arg(e.paginas / (ms / 1000), 0, 'f', 2).arg(e.texto.size()));
}
} // namespace

void benchTextoDocumentos(const QString &carpeta, int expedientes, int documentos, int veces) {
    QElapsedTimer r;
    r.start();
    if (!generarTextos(carpeta, expedientes, documentos)) {
        salida << "| texto de los documentos: no se pudo generar |\n";
        return;
    }
    salida << QStringLiteral("| (generar %1 textos de documentos e indexarlos) | %2 | | | |\n").arg(documentos).arg(r.elapsed());
    benchBuscarEnTexto(carpeta, documentos, veces);
    benchExtraccion(20, false);
    benchExtraccion(2, true);
}
