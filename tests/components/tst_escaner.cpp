// The scanning component against SANE's own "test" backend, configured per case through
// a private SANE_CONFIG_DIR so no real scanner and no system configuration is involved.
#include "componentes.h"
#include "fixture.h"
#include "registro_componentes.h"
#include "vtwain.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>


namespace {
struct Pdf {
    QByteArray datos;
    int paginas() const {
        static const QRegularExpression pagina(QStringLiteral("/Type\\s*/Page(?!s)"));
        return int(QString::fromLatin1(datos).count(pagina));
    }
    // Width and height in points of every page.
    QList<QSizeF> cajas() const {
        static const QRegularExpression caja(
            QStringLiteral("/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"));
        QList<QSizeF> r;
        for (auto it = caja.globalMatch(QString::fromLatin1(datos)); it.hasNext();) {
            const auto m = it.next();
            r << QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
                        m.captured(4).toDouble() - m.captured(2).toDouble());
        }
        return r;
    }
};

Pdf leerPdf(const QString &ruta) {
    QFile f(ruta);
    return {f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray()};
}

bool todaDeColor(const QImage &img, QRgb color) {
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixel(x, y) != color)
                return false;
    return !rgb.isNull();
}

// A component whose methods take as many arguments as a call can pass.
class Sumador : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE int sumar(int a, int b, int c, int d, int e, int f, int g, int h, double i) {
        return a + b + c + d + e + f + g + h + int(i);
    }
};

// Pixels the test backend gives for a length in millimetres.
int pixeles(double mm, double ppp) { return int(mm / 25.4 * ppp); }
} // namespace

class TstEscaner : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_conf;
    QTemporaryDir m_salida;
    DialogoGuionizado m_servicio; // the scanner's windows, unless a case drives them, are accepted as offered
    QString m_fichero;
    QStringList m_avisos; // the messages a case expects; a scan that works or is cancelled shows none

    // The test backend's settings: tiny pages at 10 ppp unless a case says otherwise.
    void configurar(const QMap<QString, QString> &cambios = {}, const QString &backends = QStringLiteral("test")) {
        QMap<QString, QString> c{
            {"number_of_devices", "1"},   {"mode", "Gray"},          {"depth", "8"},
            {"three-pass", "false"},      {"hand-scanner", "false"}, {"resolution_min", "10.0"},
            {"resolution_max", "10.0"},   {"resolution_quant", "1.0"}, {"resolution", "10.0"},
            {"test-picture", "\"Solid black\""}, {"scan-source", "\"Flatbed\""},
            {"tl_x", "0.0"}, {"tl_y", "0.0"}, {"br_x", "30.0"}, {"br_y", "40.0"},
        };
        for (auto it = cambios.begin(); it != cambios.end(); ++it)
            c[it.key()] = it.value();
        QFile dll(m_conf.filePath("dll.conf"));
        QVERIFY(dll.open(QIODevice::WriteOnly | QIODevice::Truncate));
        dll.write(backends.toLatin1() + '\n');
        QFile test(m_conf.filePath("test.conf"));
        QVERIFY(test.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (auto it = c.begin(); it != c.end(); ++it)
            test.write((it.key() + ' ' + it.value() + '\n').toLatin1());
    }

    // Scans with a fresh component; the scanned pages are kept in *paginas.
    bool escanear(QList<QImage> *paginas = nullptr, int limiteEspera = 0, QString *dispositivo = nullptr) {
        vTwain escaner;
        if (limiteEspera > 0)
            escaner.setLimiteEspera(limiteEspera);
        connect(&escaner, &vTwain::paginaEscaneada, this, [paginas](const QImage &p) {
            if (paginas)
                *paginas << p;
        });
        escaner.setFichero(m_fichero);
        escaner.vConfig();
        if (dispositivo)
            *dispositivo = escaner.dispositivo();
        return escaner.resultado();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_conf.isValid());
        QVERIFY(m_salida.isValid());
        // No trailing ':': only this folder, never the system's configuration.
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(m_conf.path()));
        DialogService::instalar(&m_servicio);
        registrarComponentesSuite();
    }
    void cleanupTestCase() { DialogService::instalar(nullptr); }

    void init() {
        m_servicio = DialogoGuionizado();
        m_servicio.sinManejador = QDialog::Accepted;
        m_fichero = m_salida.filePath(QStringLiteral("DOC202403051430.pdf"));
        QFile::remove(m_fichero);
        m_avisos.clear();
    }
    void cleanup() {
        QStringList dichos = m_servicio.preguntas;
        for (const auto &m : std::as_const(m_servicio.mensajes))
            dichos << m.texto;
        QCOMPARE(dichos, m_avisos);
    }

    void paginasSinPreguntar_data() {
        QTest::addColumn<QString>("origen");
        QTest::addColumn<int>("hojas");
        QTest::newRow("cristal") << "Flatbed" << 1;
        QTest::newRow("alimentador hasta vaciarse") << "Automatic Document Feeder" << 10; // the test backend's feeder
    }
    void paginasSinPreguntar() {
        QFETCH(QString, origen);
        QFETCH(int, hojas);
        configurar({{"scan-source", '"' + origen + '"'}});
        QList<QImage> paginas;
        QString dispositivo;
        QVERIFY(escanear(&paginas, 0, &dispositivo));
        QCOMPARE(m_servicio.modales, QStringList{"frmEscaneando"});
        QCOMPARE(dispositivo, QStringLiteral("test:0"));
        const Pdf pdf = leerPdf(m_fichero);
        QVERIFY(pdf.datos.startsWith("%PDF"));
        QCOMPARE(pdf.paginas(), hojas);
        QCOMPARE(paginas.size(), hojas);
        QCOMPARE(paginas[0].size(), QSize(pixeles(30, 10), pixeles(40, 10)));
        QVERIFY(todaDeColor(paginas[0], qRgb(0, 0, 0)));
        // Each page is the scanned area: pixels at 10 ppp, in points.
        const QList<QSizeF> cajas = pdf.cajas();
        QCOMPARE(cajas.size(), hojas);
        QVERIFY2(qAbs(cajas[0].width() - paginas[0].width() * 7.2) <= 1, qPrintable(QString::number(cajas[0].width())));
        QVERIFY2(qAbs(cajas[0].height() - paginas[0].height() * 7.2) <= 1, qPrintable(QString::number(cajas[0].height())));
    }

    void modosDeImagen_data() {
        QTest::addColumn<QString>("modo");
        QTest::addColumn<QString>("profundidad");
        QTest::addColumn<QString>("tresPasadas");
        QTest::addColumn<QString>("demano");
        QTest::addColumn<QString>("imagen");
        QTest::addColumn<QRgb>("color");
        const QRgb blanco = qRgb(255, 255, 255), negro = qRgb(0, 0, 0);
        // One-bit grey sets a bit for black, one-bit colour for full intensity.
        QTest::newRow("gris 1 bit, blanco") << "Gray" << "1" << "false" << "false" << "Solid white" << blanco;
        QTest::newRow("gris 1 bit, negro") << "Gray" << "1" << "false" << "false" << "Solid black" << negro;
        QTest::newRow("gris 16 bits") << "Gray" << "16" << "false" << "false" << "Solid white" << blanco;
        QTest::newRow("color 8 bits") << "Color" << "8" << "false" << "false" << "Solid white" << blanco;
        QTest::newRow("color 1 bit") << "Color" << "1" << "false" << "false" << "Solid white" << blanco;
        QTest::newRow("color 16 bits") << "Color" << "16" << "false" << "false" << "Solid white" << blanco;
        QTest::newRow("color en tres pasadas") << "Color" << "8" << "true" << "false" << "Solid white" << blanco;
        QTest::newRow("escáner de mano") << "Gray" << "8" << "false" << "true" << "Solid white" << blanco;
    }
    void modosDeImagen() {
        QFETCH(QString, modo);
        QFETCH(QString, profundidad);
        QFETCH(QString, tresPasadas);
        QFETCH(QString, demano);
        QFETCH(QString, imagen);
        QFETCH(QRgb, color);
        configurar({{"mode", modo}, {"depth", profundidad}, {"three-pass", tresPasadas},
                    {"hand-scanner", demano}, {"test-picture", '"' + imagen + '"'}});
        QList<QImage> paginas;
        QVERIFY(escanear(&paginas));
        QCOMPARE(paginas.size(), 1);
        // A hand scanner has a fixed width of 11 cm and tells its height only at the end.
        QCOMPARE(paginas[0].width(), pixeles(demano == "true" ? 110 : 30, 10));
        if (demano != "true")
            QCOMPARE(paginas[0].height(), pixeles(40, 10));
        QVERIFY(paginas[0].height() > 0);
        QVERIFY(todaDeColor(paginas[0], color));
        QCOMPARE(leerPdf(m_fichero).paginas(), 1);
    }

    void eligeEscanerYResolucion() {
        configurar({{"number_of_devices", "2"}, {"resolution_max", "20.0"}, {"resolution_quant", "10.0"}});
        QStringList escaneres, resoluciones;
        m_servicio.manejadores << [&](QDialog *dlg) {
            auto *dispositivo = control<QComboBox>(dlg, "cboDispositivo");
            auto *resolucion = control<QComboBox>(dlg, "cboResolucion");
            for (int i = 0; i < dispositivo->count(); ++i)
                escaneres << dispositivo->itemText(i);
            dispositivo->setCurrentIndex(1);
            for (int i = 0; i < resolucion->count(); ++i)
                resoluciones << resolucion->itemText(i);
            resolucion->setCurrentIndex(resolucion->findData(20.0));
            dlg->accept();
        };
        QList<QImage> paginas;
        QString dispositivo;
        QVERIFY(escanear(&paginas, 0, &dispositivo));
        QCOMPARE(escaneres.size(), 2);
        QVERIFY2(escaneres[1].contains("test:1"), qPrintable(escaneres[1]));
        // The device's current value is offered with its maximum.
        QCOMPARE(resoluciones, (QStringList{"10 ppp", "20 ppp"}));
        QCOMPARE(dispositivo, QStringLiteral("test:1"));
        QCOMPARE(paginas.size(), 1);
        QCOMPARE(paginas[0].width(), pixeles(30, 20));
        // Twice the pixels, the same paper.
        const QList<QSizeF> cajas = leerPdf(m_fichero).cajas();
        QCOMPARE(cajas.size(), 1);
        QVERIFY(qAbs(cajas[0].width() - paginas[0].width() * 3.6) <= 1);
    }

    // One scanner with several resolutions asks too; one with a single one does not.
    void eleccionCancelada() {
        configurar({{"resolution_max", "20.0"}, {"resolution_quant", "10.0"}});
        m_servicio.manejadores << [](QDialog *dlg) { dlg->reject(); };
        QVERIFY(!escanear());
        QCOMPARE(m_servicio.modales, QStringList{"frmEscaner"});
        QVERIFY(!QFile::exists(m_fichero));
    }

    void escaneoCanceladoPorElUsuario() {
        // A slow feeder: a fifth of a second for every 64 bytes.
        configurar({{"scan-source", "\"Automatic Document Feeder\""}, {"read-limit", "true"},
                    {"read-limit-size", "64"}, {"read-delay", "true"}, {"read-delay-duration", "200000"}});
        vTwain escaner;
        escaner.setFichero(m_fichero);
        int vistas = 0;
        m_servicio.manejadores << [&](QDialog *dlg) {
            // The user presses "Cancelar" once the first page is in.
            connect(&escaner, &vTwain::paginaEscaneada, dlg, [&vistas, dlg] {
                if (++vistas == 1)
                    QTimer::singleShot(0, dlg->findChild<QPushButton *>("cmdCancelar"), &QPushButton::click);
            });
            dlg->exec();
        };
        escaner.vConfig();
        QVERIFY(!escaner.resultado());
        QCOMPARE(vistas, 1);
        QVERIFY(!QFile::exists(m_fichero));
    }

    void controladorQueNoResponde() {
        // Data comes slower than the component is told to wait for it.
        configurar({{"read-limit", "true"}, {"read-limit-size", "1"}, {"read-delay", "true"},
                    {"read-delay-duration", "200000"}});
        QVERIFY(!escanear(nullptr, 100));
        QVERIFY(!QFile::exists(m_fichero));
        m_avisos << QStringLiteral("El escáner no responde; se ha abandonado el escaneo.");
        // The session is closed again: the next scan works.
        configurar();
        QVERIFY(escanear());
    }

    void erroresDelControlador_data() {
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("aviso"); // none when the scan was cancelled on the scanner
        QTest::newRow("atasco") << "SANE_STATUS_JAMMED" << "El papel se ha atascado en el escáner.";
        QTest::newRow("error de E/S") << "SANE_STATUS_IO_ERROR" << "El escáner ha fallado al leer el documento.";
        QTest::newRow("cancelado en el escáner") << "SANE_STATUS_CANCELLED" << "";
        QTest::newRow("sin documento") << "SANE_STATUS_NO_DOCS" << "No hay documentos en el escáner.";
        // Ends before the first byte: a page without an image.
        QTest::newRow("página vacía") << "SANE_STATUS_EOF" << "El escáner ha fallado al leer el documento.";
    }
    void erroresDelControlador() {
        QFETCH(QString, estado);
        QFETCH(QString, aviso);
        configurar({{"read-status-code", '"' + estado + '"'}});
        QVERIFY(!escanear());
        QVERIFY(!QFile::exists(m_fichero));
        if (!aviso.isEmpty())
            m_avisos << aviso;
    }

    void sinEscaner() {
        configurar({}, QString());
        QVERIFY(!escanear());
        QVERIFY(m_servicio.modales.isEmpty());
        QVERIFY(!QFile::exists(m_fichero));
        m_avisos << QStringLiteral("No se encuentra ningún escáner conectado.");
    }

    void ficheroQueNoSePuedeEscribir_data() {
        QTest::addColumn<QString>("ruta");
        QTest::newRow("sin nombre") << QString();
        QTest::newRow("carpeta que no existe") << m_salida.filePath("no/existe/DOC.pdf");
    }
    void ficheroQueNoSePuedeEscribir() {
        QFETCH(QString, ruta);
        configurar();
        m_fichero = ruta;
        QVERIFY(!escanear());
        // Refused before anything is scanned.
        QVERIFY(m_servicio.modales.isEmpty());
        m_avisos << QStringLiteral("No se puede guardar el documento escaneado en \"%1\".").arg(ruta);
    }

    void llamadaConArgumentos_data() {
        QTest::addColumn<QVariantList>("argumentos");
        QTest::addColumn<QVariant>("resultado");
        QTest::addColumn<QString>("mensaje");
        const QVariantList nueve{"1", 2, 3, 4, 5, 6, 7, 8, 9.7};
        QTest::newRow("nueve, convertidos") << nueve << QVariant(45) << "";
        QTest::newRow("valor que no convierte") << QVariantList{"uno", 2, 3, 4, 5, 6, 7, 8, 9} << QVariant()
                                                << "El método sumar del componente no admite el valor uno.";
        QTest::newRow("sin método de ocho") << nueve.mid(1) << QVariant() << "El componente no tiene el método sumar.";
    }
    void llamadaConArgumentos() {
        QFETCH(QVariantList, argumentos);
        Sumador s;
        QVariant r;
        const Resultado hecho = Componentes::llamar(&s, "sumar", argumentos, &r);
        QTEST(r, "resultado");
        QTEST(hecho.mensaje(), "mensaje");
    }

    void creadoYManejadoPorNombre() {
        configurar();
        std::unique_ptr<QObject> c;
        QVERIFY(Componentes::crear(QStringLiteral("VMTwain.vTwain"), c));
        const auto leer = [&c](const char *propiedad) {
            QVariant v;
            return Componentes::leer(c.get(), propiedad, v) ? v : QVariant(QStringLiteral("<ilegible>"));
        };
        QVERIFY(Componentes::asignar(c.get(), "fichero", m_fichero));
        QCOMPARE(leer("fichero").toString(), m_fichero);
        QVERIFY(Componentes::llamar(c.get(), "vConfig"));
        QCOMPARE(leer("resultado"), QVariant(true));
        QVERIFY(leerPdf(m_fichero).datos.startsWith("%PDF"));
        // Only the component says how it went.
        QVERIFY(!Componentes::asignar(c.get(), "resultado", true));

        // A later scan that fails does not keep the earlier answer.
        QFile::remove(m_fichero);
        configurar({}, QString());
        QVERIFY(Componentes::llamar(c.get(), "vConfig"));
        QCOMPARE(leer("resultado"), QVariant(false));
        QVERIFY(!QFile::exists(m_fichero));
        m_avisos << QStringLiteral("No se encuentra ningún escáner conectado.");
    }
};

QTEST_MAIN(TstEscaner)
#include "tst_escaner.moc"
