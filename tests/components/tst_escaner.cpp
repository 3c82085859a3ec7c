// The scanning component against SANE's own "test" backend, configured per case through
// a private SANE_CONFIG_DIR so no real scanner and no system configuration is involved.
#include "componentes.h"
#include "fixture.h"
#include "registro_componentes.h"
#include "vtwain.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

namespace {
// The test backend's settings, by name.
using Ajustes = QMap<QString, QString>;

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
    void configurar(const Ajustes &cambios = {}, const QString &backends = QStringLiteral("test")) {
        QMap<QString, QString> c{
            {"number_of_devices", "1"},   {"mode", "Gray"},          {"depth", "8"},
            {"three-pass", "false"},      {"hand-scanner", "false"}, {"resolution_min", "10.0"},
            {"resolution_max", "10.0"},   {"resolution_quant", "1.0"}, {"resolution", "10.0"},
            {"test-picture", "\"Solid black\""}, {"scan-source", "\"Flatbed\""},
            {"tl_x", "0.0"}, {"tl_y", "0.0"}, {"br_x", "30.0"}, {"br_y", "40.0"},
        };
        c.insert(cambios);
        QByteArray test;
        for (auto it = c.cbegin(); it != c.cend(); ++it)
            test += (it.key() + ' ' + it.value() + '\n').toLatin1();
        QVERIFY(escribirFichero(m_conf.filePath("dll.conf"), backends.toLatin1() + '\n'));
        QVERIFY(escribirFichero(m_conf.filePath("test.conf"), test));
    }

    // Scans with a fresh component; the scanned pages are kept in *paginas.
    bool escanear(QList<QImage> *paginas = nullptr, int limiteEspera = 0, QString *dispositivo = nullptr) {
        vTwain escaner;
        if (limiteEspera > 0)
            escaner.setLimiteEspera(limiteEspera);
        if (paginas)
            connect(&escaner, &vTwain::paginaEscaneada, this, [paginas](const QImage &p) { *paginas << p; });
        escaner.setFichero(m_fichero);
        escaner.vConfig();
        if (dispositivo)
            *dispositivo = escaner.dispositivo();
        return escaner.resultado();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_conf.isValid() && m_salida.isValid());
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

    // Grey at 8 bits and a black page unless a row says otherwise.
    void paginasSinPreguntar_data() {
        columnas<Ajustes, int, bool>("ajustes", "hojas", "blanca");
        QTest::newRow("cristal") << Ajustes{} << 1 << false;
        // The test backend's feeder holds ten sheets.
        QTest::newRow("alimentador hasta vaciarse")
            << Ajustes{{"scan-source", "\"Automatic Document Feeder\""}} << 10 << false;
        // One-bit grey sets a bit for black, one-bit colour for full intensity.
        QTest::newRow("gris 1 bit, blanco") << Ajustes{{"depth", "1"}} << 1 << true;
        QTest::newRow("gris 1 bit, negro") << Ajustes{{"depth", "1"}} << 1 << false;
        QTest::newRow("gris 16 bits") << Ajustes{{"depth", "16"}} << 1 << true;
        QTest::newRow("color 8 bits") << Ajustes{{"mode", "Color"}} << 1 << true;
        QTest::newRow("color 1 bit") << Ajustes{{"mode", "Color"}, {"depth", "1"}} << 1 << true;
        QTest::newRow("color 16 bits") << Ajustes{{"mode", "Color"}, {"depth", "16"}} << 1 << true;
        QTest::newRow("color en tres pasadas") << Ajustes{{"mode", "Color"}, {"three-pass", "true"}} << 1 << true;
        QTest::newRow("escáner de mano") << Ajustes{{"hand-scanner", "true"}} << 1 << true;
    }
    void paginasSinPreguntar() {
        auto [ajustes, hojas, blanca] = leerFila<Ajustes, int, bool>("ajustes", "hojas", "blanca");
        ajustes["test-picture"] = blanca ? "\"Solid white\"" : "\"Solid black\"";
        configurar(ajustes);
        QList<QImage> paginas;
        QString dispositivo;
        QVERIFY(escanear(&paginas, 0, &dispositivo));
        QCOMPARE(m_servicio.modales, QStringList{"frmEscaneando"});
        QCOMPARE(dispositivo, QStringLiteral("test:0"));
        const Pdf pdf{leerFichero(m_fichero)};
        QVERIFY(pdf.datos.startsWith("%PDF"));
        QCOMPARE(pdf.paginas(), hojas);
        QCOMPARE(paginas.size(), hojas);
        // A hand scanner has a fixed width of 11 cm and tells its height only at the end.
        const bool deMano = ajustes.value("hand-scanner") == "true";
        QCOMPARE(paginas[0].width(), pixeles(deMano ? 110 : 30, 10));
        if (!deMano)
            QCOMPARE(paginas[0].height(), pixeles(40, 10));
        QVERIFY(paginas[0].height() > 0);
        QVERIFY(todaDeColor(paginas[0], blanca ? qRgb(255, 255, 255) : qRgb(0, 0, 0)));
        // Each page is the scanned area: pixels at 10 ppp, in points.
        const QList<QSizeF> cajas = pdf.cajas();
        QCOMPARE(cajas.size(), hojas);
        QVERIFY2(qAbs(cajas[0].width() - paginas[0].width() * 7.2) <= 1, qPrintable(QString::number(cajas[0].width())));
        QVERIFY2(qAbs(cajas[0].height() - paginas[0].height() * 7.2) <= 1, qPrintable(QString::number(cajas[0].height())));
    }

    // One scanner with several resolutions asks too (one with a single one does not), and a
    // cancelled choice scans nothing; of two scanners, the one chosen at the resolution chosen.
    void eligeEscanerYResolucion() {
        configurar({{"resolution_max", "20.0"}, {"resolution_quant", "10.0"}});
        m_servicio.manejadores << [](QDialog *dlg) { dlg->reject(); };
        QVERIFY(!escanear() && !QFile::exists(m_fichero));
        QCOMPARE(m_servicio.modales, QStringList{"frmEscaner"});
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
        const QList<QSizeF> cajas = Pdf{leerFichero(m_fichero)}.cajas();
        QCOMPARE(cajas.size(), 1);
        QVERIFY(qAbs(cajas[0].width() - paginas[0].width() * 3.6) <= 1);
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
                    QTimer::singleShot(0, control<QPushButton>(dlg, "cmdCancelar"), &QPushButton::click);
            });
            dlg->exec();
        };
        escaner.vConfig();
        QVERIFY(!escaner.resultado() && !QFile::exists(m_fichero));
        QCOMPARE(vistas, 1);
    }

    void controladorQueNoResponde() {
        // Data comes slower than the component is told to wait for it.
        configurar({{"read-limit", "true"}, {"read-limit-size", "1"}, {"read-delay", "true"},
                    {"read-delay-duration", "200000"}});
        QVERIFY(!escanear(nullptr, 100) && !QFile::exists(m_fichero));
        m_avisos << QStringLiteral("El escáner no responde; se ha abandonado el escaneo.");
        // The session is closed again: the next scan works.
        configurar();
        QVERIFY(escanear());
    }

    // No aviso when the scan was cancelled on the scanner.
    void erroresDelControlador_data() {
        columnas<QString, QString>("estado", "aviso");
        QTest::newRow("atasco") << "SANE_STATUS_JAMMED" << "El papel se ha atascado en el escáner.";
        QTest::newRow("error de E/S") << "SANE_STATUS_IO_ERROR" << "El escáner ha fallado al leer el documento.";
        QTest::newRow("cancelado en el escáner") << "SANE_STATUS_CANCELLED" << "";
        QTest::newRow("sin documento") << "SANE_STATUS_NO_DOCS" << "No hay documentos en el escáner.";
        // Ends before the first byte: a page without an image.
        QTest::newRow("página vacía") << "SANE_STATUS_EOF" << "El escáner ha fallado al leer el documento.";
    }
    void erroresDelControlador() {
        const auto [estado, aviso] = leerFila<QString, QString>("estado", "aviso");
        configurar({{"read-status-code", '"' + estado + '"'}});
        QVERIFY(!escanear() && !QFile::exists(m_fichero));
        if (!aviso.isEmpty())
            m_avisos << aviso;
    }

    // Refused before anything is scanned: no scanner, or a file that cannot be written.
    void rechazadoSinEscanear_data() {
        columnas<QString, QString, QString>("backends", "ruta", "aviso");
        const QString sinGuardar = QStringLiteral("No se puede guardar el documento escaneado en \"%1\".");
        QTest::newRow("sin escáner") << "" << m_salida.filePath("DOC.pdf")
                                     << "No se encuentra ningún escáner conectado.";
        QTest::newRow("sin nombre") << "test" << QString() << sinGuardar.arg("");
        const QString sinCarpeta = m_salida.filePath("no/existe/DOC.pdf");
        QTest::newRow("carpeta que no existe") << "test" << sinCarpeta << sinGuardar.arg(sinCarpeta);
    }
    void rechazadoSinEscanear() {
        const auto [backends, ruta, aviso] = leerFila<QString, QString, QString>("backends", "ruta", "aviso");
        configurar({}, backends);
        m_fichero = ruta;
        QVERIFY(!escanear() && m_servicio.modales.isEmpty() && !QFile::exists(m_fichero));
        m_avisos << aviso;
    }

    void llamadaConArgumentos_data() {
        columnas<QVariantList, QVariant, QString>("argumentos", "resultado", "mensaje");
        const QVariantList nueve{"1", 2, 3, 4, 5, 6, 7, 8, 9.7};
        QTest::newRow("nueve, convertidos") << nueve << QVariant(45) << "";
        QTest::newRow("valor que no convierte") << QVariantList{"uno", 2, 3, 4, 5, 6, 7, 8, 9} << QVariant()
                                                << "El método sumar del componente no admite el valor uno.";
        QTest::newRow("sin método de ocho") << nueve.mid(1) << QVariant() << "El componente no tiene el método sumar.";
    }
    void llamadaConArgumentos() {
        Sumador s;
        QVariant r;
        const Resultado hecho = Componentes::llamar(&s, "sumar", dato<QVariantList>("argumentos"), &r);
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
        QVERIFY(leerFichero(m_fichero).startsWith("%PDF"));
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
