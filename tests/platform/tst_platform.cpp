// Shell opener and file chooser as the action editor calls them, with its fixed filter and
// flags: the failures the opener reports, the filter chosen and the chooser's outputs, with
// a scripted dialog service answering.
#include "dialogos.h"
#include "fixture.h"
#include "platform/mcommondialog.h"
#include "platform/mshellexecute.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace mShellExecute;
using namespace mCommonDialog;

namespace {
const QChar N(0);
QString conNulos(QString s) { return s.replace(u'~', N); }

// The filter the action editor passes.
const QString kFiltroEditor = QStringLiteral(
    "Ficheros Word (*.DOC)|*.DOC|Ficheros de Texto (*.TXT)|*.TXT|Ficheros Excel (*.XLS)|*.XLS"
    "|Ficheros PDF (*.PDF)|*.PDF|Cualquir Tipo (*.*)|*.*");
const QString kGenerico = QStringLiteral(
    "An error occurred occurred whilst trying to open or print the selected file.");

RespuestaFichero eleccion(const QString &ruta, int indice, bool soloLectura = false) {
    return {true, ruta, indice, soloLectura};
}

// The action editor's call, with the pieces a test varies.
struct LlamadaDialogo {
    QString nombre, tituloFichero;
    bool debeExistir = true, multiple = false, soloLectura = false, ocultar = true;
    QString filtro = kFiltroEditor;
    int indice = 1;
    QString carpeta, titulo = QStringLiteral("Selección de Fichero"), extension;
    QWidget *propietario = nullptr;
    int flags = 0;

    bool llamar() {
        return FnDialogoAbrir(nombre, tituloFichero, debeExistir, multiple, soloLectura, ocultar,
                              filtro, indice, carpeta, titulo, extension, propietario, flags);
    }
    void comprobarCancelado() const {
        QVERIFY(nombre.isEmpty());
        QVERIFY(tituloFichero.isEmpty());
        QVERIFY(filtro.isEmpty());
        QCOMPARE(indice, -1);
        QCOMPARE(flags, 0);
    }
};
} // namespace

class TstPlatform : public QObject {
    Q_OBJECT
    DialogoGuionizado servicio;

private slots:
    void init() {
        servicio = DialogoGuionizado();
        DialogService::instalar(&servicio);
    }
    void cleanup() { DialogService::instalar(nullptr); }

    void abrirConShell_data() {
        QTest::addColumn<int>("codigoSalida");
        QTest::addColumn<bool>("exito");
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("opened") << 0 << true << 0 << QString();
        QTest::newRow("file gone") << 2 << false << 53 << "File not found";
        QTest::newRow("no application") << 3 << false << -2147220425
                                        << "No application is associated with this file type.";
        QTest::newRow("bad call") << 1 << false << -2147220455 << kGenerico;
        QTest::newRow("action failed") << 4 << false << -2147220455 << kGenerico;
    }
    void abrirConShell() {
        QFETCH(int, codigoSalida);
        QFETCH(bool, exito);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("informe.pdf"));
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();

        // A failure left by an earlier call must not survive this one.
        servicio.codigosEscritorio = {3, codigoSalida};
        QString verbo = QStringLiteral("open");
        QWidget editor;
        QWidget *ventana = &editor;
        QVERIFY(!FnAbrirConShell(ruta, 10, {}, {}, verbo, ventana));
        QCOMPARE(FnAbrirConShell(ruta, 10, {}, {}, verbo, ventana), exito);
        QCOMPARE(servicio.abiertosEscritorio, QStringList({ruta, ruta}));
        QTEST(UltimoErrorShell().numero, "numero");
        QTEST(UltimoErrorShell().descripcion, "mensaje");
        QCOMPARE(UltimoErrorShell().origen, exito ? QString() : QStringLiteral("tst_platform.GShell"));
        QVERIFY(servicio.mensajes.isEmpty());
    }
    void abrirConEscritorio_data() {
        QTest::addColumn<QString>("opener"); // body of the xdg-open found first on PATH; empty: no file
        QTest::addColumn<bool>("exito");
        QTest::addColumn<int>("numero");
        QTest::newRow("missing file, no opener started") << QString() << false << 53;
        QTest::newRow("opener waiting for its viewer") << "sleep 5" << true << 0;
        QTest::newRow("no application, said at once") << "exit 3" << false << -2147220425;
    }
    void abrirConEscritorio() {
        // The Qt service itself, with a stand-in opener on PATH.
        QFETCH(QString, opener);
        QFETCH(bool, exito);
        DialogService::instalar(nullptr);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("informe.pdf"));
        if (!opener.isEmpty()) {
            QFile(ruta).open(QIODevice::WriteOnly);
            QFile guion(dir.filePath(QStringLiteral("xdg-open")));
            QVERIFY(guion.open(QIODevice::WriteOnly));
            guion.write("#!/bin/sh\n" + opener.toUtf8() + "\n");
            guion.close();
            guion.setPermissions(guion.permissions() | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        QString verbo = QStringLiteral("open");
        QWidget *ventana = nullptr;
        QElapsedTimer reloj;
        reloj.start();
        const bool abierto = FnAbrirConShell(ruta, 10, {}, {}, verbo, ventana);
        const qint64 ms = reloj.elapsed();
        qputenv("PATH", path);
        QCOMPARE(abierto, exito);
        QVERIFY2(ms < 4000, qPrintable(QString::number(ms))); // did not wait for the viewer
        QTEST(UltimoErrorShell().numero, "numero");
        QCOMPARE(UltimoErrorShell().origen, exito ? QString() : QStringLiteral("tst_platform.GShell"));
    }

    // What the editor's call gives back for the user's choice: the path and its bare name,
    // the pair of the filter chosen, and the read-only box in the flags.
    void eleccionDelUsuario_data() {
        QTest::addColumn<int>("indice");
        QTest::addColumn<bool>("marcada");
        QTest::addColumn<QString>("filtro");
        QTest::newRow("Word") << 1 << false << conNulos("Ficheros Word (*.DOC)~*.DOC");
        QTest::newRow("Texto") << 2 << false << conNulos("Ficheros de Texto (*.TXT)~*.TXT");
        QTest::newRow("PDF, solo lectura") << 4 << true << conNulos("Ficheros PDF (*.PDF)~*.PDF");
        QTest::newRow("cualquier tipo") << 5 << false << conNulos("Cualquir Tipo (*.*)~*.*");
    }
    void eleccionDelUsuario() {
        QFETCH(int, indice);
        QFETCH(bool, marcada);
        servicio.respuestasFichero << eleccion(QStringLiteral("/home/ana/Documentos/notas.txt"), indice, marcada);
        LlamadaDialogo ll;
        QVERIFY(ll.llamar());
        QCOMPARE(servicio.peticiones.first().indiceFiltro, 1);
        QCOMPARE(ll.nombre, QStringLiteral("/home/ana/Documentos/notas.txt"));
        QCOMPARE(ll.tituloFichero, QStringLiteral("notas.txt"));
        QTEST(ll.filtro, "filtro");
        QCOMPARE(ll.indice, indice);
        QCOMPARE(ll.flags, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | (marcada ? OFN_READONLY : 0));
        QCOMPARE(ll.soloLectura, marcada);
    }

    void cancelar_data() {
        QTest::addColumn<bool>("aceptadoSinRuta");
        QTest::newRow("cancel") << false;
        QTest::newRow("accepted without a path") << true;
    }
    void cancelar() {
        QFETCH(bool, aceptadoSinRuta);
        if (aceptadoSinRuta)
            servicio.respuestasFichero << eleccion(QString(), 1, true);
        LlamadaDialogo ll;
        ll.nombre = ll.tituloFichero = QStringLiteral("propuesto.doc");
        ll.indice = 3;
        ll.flags = 0x8;
        QVERIFY(!ll.llamar());
        QCOMPARE(servicio.peticiones.size(), 1);
        QCOMPARE(servicio.peticiones.first().nombrePropuesto, QStringLiteral("propuesto.doc"));
        ll.comprobarCancelado();
        QVERIFY(!ll.soloLectura);
    }

    void dialogoQtSinDistinguirMayusculas_data() {
        QTest::addColumn<int>("indice");
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QStringList>("visibles");
        QTest::newRow("Word") << 1 << "Ficheros Word (*.DOC)" << QStringList{"carta.doc"};
        QTest::newRow("Texto") << 2 << "Ficheros de Texto (*.TXT)" << QStringList{"NOTAS.TXT"};
        QTest::newRow("PDF") << 4 << "Ficheros PDF (*.PDF)" << QStringList{"informe.pdf", "resumen.Pdf"};
        QTest::newRow("any type, also without extension")
            << 5 << "Cualquir Tipo (*.*)" << QStringList{"LEEME", "NOTAS.TXT", "carta.doc", "informe.pdf", "resumen.Pdf"};
    }
    void dialogoQtSinDistinguirMayusculas() {
        QFETCH(int, indice);
        QTemporaryDir dir;
        for (const char *nombre : {"informe.pdf", "resumen.Pdf", "carta.doc", "NOTAS.TXT", "LEEME"}) {
            QFile f(dir.filePath(QString::fromLatin1(nombre)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        // The request as the action editor's call builds it, set up on a dialog never shown.
        LlamadaDialogo ll;
        ll.indice = indice;
        ll.carpeta = dir.path();
        ll.llamar();
        QCOMPARE(servicio.peticiones.size(), 1);
        const PeticionFichero p = servicio.peticiones.first();
        QFileDialog dlg;
        QtDialogService::prepararDialogo(dlg, p);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Selección de Fichero"));
        QCOMPARE(QtDialogService::indiceElegido(dlg, p), indice);
        auto *tipos = dlg.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QVERIFY(tipos);
        QTEST(tipos->currentText(), "descripcion");

        // No QAbstractItemModelTester here: it would fetch the whole file system, /proc included.
        auto *modelo = dlg.findChild<QFileSystemModel *>();
        QVERIFY(modelo);
        const auto nombresVisibles = [&] {
            QStringList r;
            const QModelIndex raiz = modelo->index(dir.path());
            for (int i = 0; i < modelo->rowCount(raiz); ++i)
                r << modelo->index(i, 0, raiz).data().toString();
            r.sort();
            return r;
        };
        QFETCH(QStringList, visibles);
        QTRY_COMPARE(nombresVisibles(), visibles);
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
