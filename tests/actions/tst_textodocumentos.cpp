// Case files found by what their documents say: the text read from a stored PDF, a scan
// or a file without text, the search screen's filter within the user's permissions, the
// passage shown in the action editor, and the text gone with its document.
#include "componentes.h"
#include "datosactuacion.h"
#include "datosbusqueda.h"
#include "fixture.h"
#include "frmexpedientes.h"
#include "modexp.h"
#include "pantallas.h"

#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

namespace {
constexpr int kTiempoLectura = 60000; // OCR on a loaded machine

// A page of Spanish text as a scanner gives it: an image only, at 300 dpi.
QImage paginaEscaneada(const QString &texto, QSize tamano) {
    QImage imagen(tamano, QImage::Format_Grayscale8);
    imagen.fill(Qt::white);
    imagen.setDotsPerMeterX(11811);
    imagen.setDotsPerMeterY(11811);
    QPainter p(&imagen);
    QFont letra(QStringLiteral("DejaVu Sans"));
    letra.setPixelSize(46);
    p.setFont(letra);
    p.drawText(imagen.rect().adjusted(40, 0, -40, 0), Qt::AlignVCenter | Qt::TextWordWrap, texto);
    return imagen;
}

// A one-page PDF at 300 dpi (a strip of 5 by 0.87 inches unless told): with its text
// drawn as text, or holding only an image of it.
bool escribirPdf(const QString &ruta, const QString &texto, bool escaneado, QSize puntos = {1500, 260}) {
    QPdfWriter pdf(ruta);
    pdf.setResolution(300);
    pdf.setPageSize(QPageSize(QSizeF(puntos) / 300, QPageSize::Inch));
    pdf.setPageMargins({});
    QPainter p(&pdf);
    if (escaneado)
        p.drawImage(QRect({}, puntos), paginaEscaneada(texto, puntos));
    else
        p.drawText(QRect({40, 0}, puntos - QSize(80, 0)), Qt::AlignVCenter | Qt::TextWordWrap, texto);
    return p.end();
}

// Stands in for "VMTwain.vTwain": the page it scans is the one the test put down.
class EscanerDePagina : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString fichero MEMBER m_fichero)
    Q_PROPERTY(bool resultado MEMBER m_resultado)
public:
    static inline QString texto;
    Q_INVOKABLE void vConfig() { m_resultado = escribirPdf(m_fichero, texto, true); }

private:
    QString m_fichero;
    bool m_resultado = false;
};
} // namespace

class tst_textodocumentos : public QObject {
    Q_OBJECT
    std::unique_ptr<Entorno> e;
    QTemporaryDir m_ficheros;

    // Adds a document to action idAct as the user does, from a file or the scanner.
    void guardarDesdeEditor(int idAct, const QString &ruta) {
        e->expe->setIdExp(2);
        e->expe->setIdAct(idAct);
        std::unique_ptr<QDialog> w(Pantallas::fabrica(QStringLiteral("frmExpedientes2"))(nullptr));
        QVERIFY(mostrar(w.get()));
        e->dialogos.respuestasTexto << QStringLiteral("Carta recibida");
        if (!ruta.isEmpty())
            e->dialogos.respuestasFichero << RespuestaFichero{true, ruta};
        auto *barra = w->findChild<QToolBar *>("Toolbar1");
        QWidget *boton = barra->widgetForAction(w->findChild<QAction *>(ruta.isEmpty() ? "ESCANER" : "ARCHIVO"));
        QTest::mouseClick(boton, Qt::LeftButton, {}, QPoint(boton->width() / 3, boton->height() / 2));
    }
    int ultimoDocumento() { return e->valor(QStringLiteral("SELECT MAX(ActF_Id) FROM ActF")).toInt(); }
    bool leido(int idActF) {
        return e->valor(QStringLiteral("SELECT ActFTex_Pendiente FROM ActFTex WHERE ActFTex_IdActF = %1").arg(idActF)).toInt() < 0;
    }
    void ponerTexto(int idActF, const QString &texto) {
        QVERIFY(e->ejecutar(QStringLiteral("INSERT INTO ActFTex (ActFTex_IdActF, ActFTex_Pendiente, ActFTex_Texto) "
                                           "VALUES (%1, -1, '%2')").arg(idActF).arg(texto)));
    }
    // The case files of the customers' tab the search screen lists with these words.
    QList<int> buscar(const QString &palabras) {
        frmExpedientes f;
        f.show();
        control<QLineEdit>(&f, "Text1_8")->setFocus();
        control<QLineEdit>(&f, "Text1_8")->insert(palabras); // as pasted: the words may carry accents
        pulsar(&f, "cmdBuscar");
        return expedientes(control<QTableView>(&f, "DataGrid1")->model());
    }
    // The tooltip of each document row of the action editor, by file name.
    QHash<QString, QString> pasajes(int idAct) {
        e->expe->setIdAct(idAct);
        std::unique_ptr<QDialog> w(Pantallas::fabrica(QStringLiteral("frmExpedientes2"))(nullptr));
        auto *lista = w->findChild<QTreeWidget *>("ListView1");
        QHash<QString, QString> r;
        for (int i = 0; i < lista->topLevelItemCount(); ++i)
            r.insert(lista->topLevelItem(i)->text(0), lista->topLevelItem(i)->toolTip(1));
        return r;
    }

private slots:
    void init() {
        e = std::make_unique<Entorno>(1);
        Componentes::registrar(QStringLiteral("VMTwain.vTwain"), [] { return new EscanerDePagina; });
    }
    void cleanup() {
        gExpe.reset(); // a session a test started stops reading before its database goes
        e.reset();
    }

    void textoDeCadaDocumento_data() {
        // Empty fichero: scanned; empty contenido: a PDF written from texto. pasaje: what the editor's tooltip
        // shows (empty: no tooltip).
        columnas<QString, QByteArray, QString, QString, QString>("fichero", "contenido", "texto", "busqueda", "pasaje");
        QTest::newRow("PDF con texto") << "carta.pdf" << QByteArray() << "Solicitamos la reparación del compresor"
                                       << "REPARACION compresor" << "«reparación» del «compresor»";
        QTest::newRow("carta escaneada") << "" << QByteArray() << "Factura de la caldera averiada"
                                         << "factura caldera" << "caldera»";
        QTest::newRow("texto plano") << "nota.txt" << QByteArray("Revisión del contador eléctrico") << ""
                                     << "contador electrico" << "«eléctrico»";
        QTest::newRow("sin texto") << "datos.bin" << QByteArray("\x01\x02\x03 compresor", 13) << "" << "compresor"
                                   << "";
    }
    // A document stored in an action of case file 2 is read after the store, and the
    // search finds its case file by its words, accents and letter case aside.
    void textoDeCadaDocumento() {
        const auto [fichero, contenido, texto, busqueda, pasaje] =
            leerFila<QString, QByteArray, QString, QString, QString>("fichero", "contenido", "texto", "busqueda",
                                                                     "pasaje");
        const bool encontrado = !pasaje.isEmpty();
        QString ruta;
        if (fichero.isEmpty()) {
            EscanerDePagina::texto = texto;
        } else {
            ruta = m_ficheros.filePath(fichero);
            QVERIFY(contenido.isEmpty() ? escribirPdf(ruta, texto, false) : escribirFichero(ruta, contenido));
        }
        const int antes = ultimoDocumento();
        guardarDesdeEditor(5, ruta);
        QVERIFY2(e->dialogos.mensajes.isEmpty(), qPrintable(e->dialogos.ultimoMensaje())); // stored, or no text to wait for
        const int id = ultimoDocumento();
        QVERIFY(id > antes);
        QTRY_VERIFY_WITH_TIMEOUT(leido(id), kTiempoLectura);
        QCOMPARE(buscar(busqueda), encontrado ? QList<int>{2} : QList<int>{});
        // The editor reached from that search shows where the document says it.
        const QString mostrado = pasajes(5).value(e->valor(QStringLiteral("SELECT ActF_Fic FROM ActF WHERE ActF_Id = %1")
                                                               .arg(id)).toString());
        QVERIFY2(encontrado ? mostrado.contains(pasaje, Qt::CaseInsensitive) : mostrado.isEmpty(), qPrintable(mostrado));
    }

    void filtroConPermisos_data() {
        // muchos: documents from which case files are checked one by one
        columnas<int, QString, QList<int>, int>("usuario", "busqueda", "ids", "muchos");
        QTest::newRow("administrador") << 1 << "compresor" << QList<int>{1, 2} << 2000;
        // User 4 may see case file 1 but not 2: its document must not show it.
        QTest::newRow("sin permiso en el 2") << 4 << "compresor" << QList<int>{1} << 2000;
        QTest::newRow("sin permiso, muchos documentos") << 4 << "compresor" << QList<int>{1} << 1;
        QTest::newRow("acentos y mayúsculas") << 4 << "COMPRESÓR Averiado" << QList<int>{1} << 2000;
        QTest::newRow("palabras de un mismo documento") << 1 << "compresor licencia" << QList<int>{2} << 2000;
        QTest::newRow("de un mismo documento, muchos") << 1 << "compresor licencia" << QList<int>{2} << 1;
        QTest::newRow("ninguno lo dice") << 1 << "hormigón" << QList<int>{} << 1;
    }
    void filtroConPermisos() {
        const auto [usuario, busqueda, muchos] = leerFila<int, QString, int>("usuario", "busqueda", "muchos");
        const int umbral = std::exchange(DatosBusqueda::umbralMuchosDocumentos, muchos);
        // Document 1 is in case file 1; document 3 in an action of case file 2.
        QVERIFY(e->ejecutar(QStringLiteral("INSERT INTO ActF (ActF_Id, ActF_IdAct, ActF_Fic) VALUES (3, 5, 'aviso.pdf')")));
        ponerTexto(1, QStringLiteral("El compresor está averiado"));
        ponerTexto(3, QStringLiteral("Licencia de obra y revisión del compresor"));
        if (usuario != 1)
            e->expe->setMyBd(std::make_shared<MyBd>(e->conexion.get(), usuario));
        const QList<int> encontrados = buscar(busqueda);
        DatosBusqueda::umbralMuchosDocumentos = umbral;
        QTEST(encontrados, "ids");
    }

    void borrarOReemplazar_data() {
        QTest::addColumn<bool>("eliminar");
        QTest::newRow("eliminar") << true;
        QTest::newRow("reemplazar") << false;
    }
    // Deleting a document takes its text; new contents replace it with theirs.
    void borrarOReemplazar() {
        QFETCH(bool, eliminar);
        ponerTexto(1, QStringLiteral("Presupuesto de cubierta"));
        QCOMPARE(buscar(QStringLiteral("cubierta")), QList<int>{1});
        DatosActuacion datos(e->bd.get());
        const QString nuevo = m_ficheros.filePath(QStringLiteral("nuevo.txt"));
        QVERIFY(escribirFichero(nuevo, "Tejado de chapa"));
        QVERIFY(eliminar ? datos.eliminarDocumento(1).ok() : datos.guardarContenido(1, nuevo).ok());
        QCOMPARE(buscar(QStringLiteral("cubierta")), QList<int>{});
        if (eliminar) {
            QCOMPARE(e->cuenta(QStringLiteral("ActFTex WHERE ActFTex_IdActF = 1")), 0);
            return;
        }
        e->expe->leerTextosPendientes();
        QTRY_VERIFY_WITH_TIMEOUT(leido(1), kTiempoLectura);
        QCOMPARE(buscar(QStringLiteral("tejado")), QList<int>{1});
    }

    // A document still waiting when the program ended is read at the next start; the
    // documents stored before there was any text are read by indexarDocumentos, which
    // goes on from where an interrupted run stopped.
    void pendientesAlEmpezarEIndexar() {
        QVERIFY(e->ejecutar(QStringLiteral("INSERT INTO ActFTex (ActFTex_IdActF, ActFTex_Pendiente) VALUES (2, 1)")));
        auto siguiente = VMEXPE::crear();
        siguiente->setMyBd(e->bd);
        QTRY_VERIFY_WITH_TIMEOUT(leido(2), kTiempoLectura);
        QCOMPARE(buscar(QStringLiteral("altura nave")), QList<int>{1});
        QList<QPair<int, int>> avance;
        const auto anotar = [&](int hechos, int total, int) { avance << qMakePair(hechos, total); };
        QVERIFY(siguiente->indexarDocumentos(anotar));
        QCOMPARE(avance, (QList<QPair<int, int>>{{0, 1}, {1, 1}}));
        QCOMPARE(buscar(QStringLiteral("presupuesto IVA")), QList<int>{1});
        QVERIFY(siguiente->indexarDocumentos(anotar));
        QCOMPARE(avance, (QList<QPair<int, int>>{{0, 1}, {1, 1}, {0, 0}}));
        // A session that ends while a long scan is being read stops at once; the scan waits.
        const QString escaneo = m_ficheros.filePath(QStringLiteral("largo.pdf"));
        QVERIFY(escribirPdf(escaneo, QStringLiteral("Informe de la revisión anual de la caldera. ").repeated(60), true,
                            {2480, 3508}));
        QVERIFY(DatosActuacion(e->bd.get()).guardarContenido(1, escaneo).ok());
        siguiente->leerTextosPendientes();
        QTest::qWait(300);
        gExpe.reset();
        siguiente.reset();
        QVERIFY(!leido(1));
    }
};

QTEST_MAIN(tst_textodocumentos)
#include "tst_textodocumentos.moc"
