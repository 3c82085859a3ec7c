// Shell opener and file chooser: the failures the opener reports, the show-command rules, the filter
// list handling and the chooser's outputs, with a scripted dialog service answering.
#include "dialogos.h"
#include "fixture.h"
#include "platform/mcommondialog.h"
#include "platform/mshellexecute.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
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

    void comandoMostrar_data() {
        columnas<QString, int, QString, QString, int>("fichero", "pedido", "parametros", "directorio", "efectivo");
        QTest::newRow("both empty: caller's command ignored") << "/home/ana/DOC7/informe.pdf" << 10 << "" << "" << 1;
        QTest::newRow("parameters keep the command") << "/home/ana/informe.pdf" << 3 << "/p" << "" << 3;
        QTest::newRow("directory keeps the command") << "/home/ana/informe.pdf" << 7 << "" << "/tmp" << 7;
        QTest::newRow(".exe with parameters") << "/opt/setup.exe" << 10 << "/q" << "" << 0;
        QTest::newRow(".exe inside a name") << "/docs/informe.executivo.pdf" << 10 << "x" << "" << 0;
        QTest::newRow(".Exe in a folder name") << "/docs/copia.Exe.d/carta.doc" << 10 << "" << "/docs" << 0;
        QTest::newRow("exe without dot") << "/docs/exe/carta.doc" << 10 << "x" << "" << 10;
    }
    void comandoMostrar() {
        const auto [fichero, pedido, parametros, directorio] =
            leerFila<QString, int, QString, QString>("fichero", "pedido", "parametros", "directorio");
        QTEST(ComandoMostrarEfectivo(fichero, pedido, parametros, directorio), "efectivo");
    }

    void abrirConShell_data() {
        columnas<int, bool, int, QString>("codigoSalida", "exito", "numero", "mensaje");
        QTest::newRow("opened") << 0 << true << 0 << QString();
        QTest::newRow("file gone") << 2 << false << 53 << "File not found";
        QTest::newRow("no application") << 3 << false << -2147220425
                                        << "No application is associated with this file type.";
        QTest::newRow("bad call") << 1 << false << -2147220455 << kGenerico;
        QTest::newRow("action failed") << 4 << false << -2147220455 << kGenerico;
    }
    void abrirConShell() {
        const auto [codigoSalida, exito] = leerFila<int, bool>("codigoSalida", "exito");
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("informe.pdf"));
        QVERIFY(escribirFichero(ruta, {}));
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
    // opener: the body of the xdg-open found first on PATH; empty: no file.
    void abrirConEscritorio_data() {
        columnas<QString, bool, int>("opener", "exito", "numero");
        QTest::newRow("missing file, no opener started") << QString() << false << 53;
        // The viewer runs until the test removes its file (or a minute passes).
        QTest::newRow("opener waiting for its viewer")
            << "d=$(dirname \"$0\"); n=0; while [ -e \"$d/visor\" ] && [ $n -lt 600 ]; do sleep 0.1; n=$((n+1)); done; "
               "touch \"$d/cerrado\""
            << true << 0;
        QTest::newRow("no application, said at once") << "exit 3" << false << -2147220425;
    }
    void abrirConEscritorio() {
        // The Qt service itself, with a stand-in opener on PATH.
        const auto [opener, exito] = leerFila<QString, bool>("opener", "exito");
        DialogService::instalar(nullptr);
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("informe.pdf")), guion = dir.filePath("xdg-open");
        if (!opener.isEmpty()) {
            QVERIFY(escribirFichero(ruta, {}) && escribirFichero(guion, "#!/bin/sh\n" + opener.toUtf8() + "\n")
                    && escribirFichero(dir.filePath("visor"), {}));
            QVERIFY(QFile::setPermissions(guion, QFile::permissions(guion) | QFile::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        QString verbo = QStringLiteral("open");
        QWidget *ventana = nullptr;
        const bool abierto = FnAbrirConShell(ruta, 10, {}, {}, verbo, ventana);
        qputenv("PATH", path);
        QVERIFY(!QFile::exists(dir.filePath("cerrado"))); // it did not wait for the viewer
        QFile::remove(dir.filePath("visor"));
        QCOMPARE(abierto, exito);
        QTEST(UltimoErrorShell().numero, "numero");
        QCOMPARE(UltimoErrorShell().origen, exito ? QString() : QStringLiteral("tst_platform.GShell"));
    }

    void textos_data() {
        columnas<QString, QString, QString>("texto", "cortado", "convertido");
        QTest::newRow("one pair") << "PDF (*.PDF)|*.PDF" << "PDF (*.PDF)|*.PDF" << conNulos("PDF (*.PDF)~*.PDF~~");
        QTest::newRow("colon splits") << "Unidad C: (*.TXT)|*.TXT" << "Unidad C: (*.TXT)|*.TXT"
                                      << conNulos("Unidad C~ (*.TXT)~*.TXT~~");
        QTest::newRow("padded name") << conNulos("informe.pdf~~~") << "informe.pdf" << conNulos("informe.pdf~~~~~");
        QTest::newRow("first NUL counts") << conNulos("a~b") << "a" << conNulos("a~b~~");
        QTest::newRow("NUL first") << conNulos("~abc") << "" << conNulos("~abc~~");
        QTest::newRow("empty") << "" << "" << conNulos("~~");
    }
    void textos() {
        QFETCH(QString, texto);
        QTEST(FnCortarEnNulo(texto), "cortado");
        QTEST(ConvertirFiltro(texto), "convertido");
    }

    void filtroElegido_data() {
        columnas<QString, int, QString>("lista", "n", "esperado");
        const QString editor = ConvertirFiltro(kFiltroEditor);
        QTest::newRow("first") << editor << 1 << conNulos("Ficheros Word (*.DOC)~*.DOC");
        QTest::newRow("last") << editor << 5 << conNulos("Cualquir Tipo (*.*)~*.*");
        // One past the last pair reaches the closing NULs: an entry that is a lone NUL.
        QTest::newRow("one past the end") << editor << 6 << QString(N);
        QTest::newRow("two past the end") << editor << 7 << "";
        QTest::newRow("zero") << editor << 0 << "";
        QTest::newRow("no NUL") << "Ficheros PDF" << 1 << "";
        QTest::newRow("unterminated pattern") << conNulos("PDF~*.PDF") << 1 << conNulos("PDF~*.PDF");
        const QString dosPuntos = ConvertirFiltro(QStringLiteral("Unidad C: (*.TXT)|*.TXT"));
        QTest::newRow("colon, first") << dosPuntos << 1 << conNulos("Unidad C~ (*.TXT)");
        QTest::newRow("colon, second") << dosPuntos << 2 << conNulos("*.TXT~");
    }
    void filtroElegido() { QTEST(FnFiltroElegido(dato<QString>("lista"), dato<int>("n")), "esperado"); }

    void paresDelFiltro_data() {
        columnas<QString, QStringList, QStringList>("filtro", "descripciones", "patrones");
        QTest::newRow("two pairs") << "Word|*.DOC|PDF|*.PDF" << QStringList{"Word", "PDF"}
                                   << QStringList{"*.DOC", "*.PDF"};
        // The colon makes the pattern of the first pair and a new description.
        QTest::newRow("colon") << "Unidad C: (*.TXT)|*.TXT" << QStringList{"Unidad C", "*.TXT"}
                               << QStringList{" (*.TXT)", ""};
        QTest::newRow("empty") << "" << QStringList{} << QStringList{};
        QTest::newRow("empty description ends the list")
            << "Word|*.DOC||*.PDF" << QStringList{"Word"} << QStringList{"*.DOC"};
    }
    void paresDelFiltro() {
        LlamadaDialogo ll;
        ll.filtro = dato<QString>("filtro");
        ll.llamar();
        QCOMPARE(servicio.peticiones.size(), 1);
        QTEST(servicio.peticiones.first().filtros, "descripciones");
        QTEST(servicio.peticiones.first().patrones, "patrones");
    }

    void flags_data() {
        columnas<bool, bool, bool, bool, int, int>("debeExistir", "multiple", "soloLectura", "ocultar", "flagsLlamante",
                                                   "esperado");
        QTest::newRow("none") << false << false << false << false << 0 << 0;
        QTest::newRow("must exist") << true << false << false << false << 0 << 0x1000;
        QTest::newRow("multiple") << false << true << false << false << 0 << 0x200;
        QTest::newRow("read only") << false << false << true << false << 0 << 0x1;
        QTest::newRow("hide read only") << false << false << false << true << 0 << 0x4;
        QTest::newRow("all four") << true << true << true << true << 0 << 0x1205;
        QTest::newRow("hook and template cleared") << false << false << false << false << 0x68 << 0x8;
        QTest::newRow("every caller bit but those") << false << false << false << false << 0x7FFFFFFF
                                                   << (0x7FFFFFFF & ~0x60);
        QTest::newRow("caller bits joined") << true << false << false << true << 0x800 << 0x1804;
    }
    void flags() {
        const int esperado = dato<int>("esperado");
        servicio.respuestasFichero << RespuestaFichero{true, "/tmp/carta.doc", 1, bool(esperado & OFN_READONLY)};
        LlamadaDialogo ll;
        std::tie(ll.debeExistir, ll.multiple, ll.soloLectura, ll.ocultar, ll.flags) =
            leerFila<bool, bool, bool, bool, int>("debeExistir", "multiple", "soloLectura", "ocultar", "flagsLlamante");
        QVERIFY(ll.llamar());
        const PeticionFichero &p = servicio.peticiones.first();
        QCOMPARE(p.flags, esperado);
        // The service reads the whole word, caller's bits included.
        QCOMPARE(p.debeExistir, bool(esperado & OFN_FILEMUSTEXIST));
        QCOMPARE(p.multiple, bool(esperado & OFN_ALLOWMULTISELECT));
        QCOMPARE(p.soloLectura, bool(esperado & OFN_READONLY));
        QCOMPARE(p.ocultarSoloLectura, bool(esperado & OFN_HIDEREADONLY));
        QCOMPARE(ll.flags, esperado);
    }

    // Cancel, an answer without a path, and a name or title longer than the buffers
    // (no dialog then) leave the same outputs.
    // largo: of the proposed name; the title's when negative.
    void sinEleccion_data() {
        columnas<bool, bool, int>("soloLectura", "aceptadoSinRuta", "largo");
        QTest::newRow("cancel") << false << false << 13;
        QTest::newRow("cancel keeps read only") << true << false << 13;
        QTest::newRow("accepted without a path") << false << true << 13;
        QTest::newRow("longest name") << false << false << kMaxRuta;
        QTest::newRow("name too long") << false << false << kMaxRuta + 1;
        QTest::newRow("longest title") << false << false << -kMaxRuta;
        QTest::newRow("title too long") << false << false << -kMaxRuta - 1;
    }
    void sinEleccion() {
        const auto [soloLectura, aceptadoSinRuta, largo] =
            leerFila<bool, bool, int>("soloLectura", "aceptadoSinRuta", "largo");
        if (aceptadoSinRuta)
            servicio.respuestasFichero << RespuestaFichero{true, QString(), 1, true};
        LlamadaDialogo ll;
        ll.nombre = ll.tituloFichero = QStringLiteral("propuesto.doc");
        (largo < 0 ? ll.tituloFichero : ll.nombre) = QString(qAbs(largo), u'a');
        ll.soloLectura = soloLectura;
        ll.indice = 3;
        ll.flags = 0x8;
        const QString propuesto = ll.nombre;
        QVERIFY(!ll.llamar());
        QCOMPARE(servicio.peticiones.size(), qAbs(largo) > kMaxRuta ? 0 : 1);
        if (!servicio.peticiones.isEmpty())
            QCOMPARE(servicio.peticiones.first().nombrePropuesto, propuesto);
        QVERIFY(ll.nombre.isEmpty() && ll.tituloFichero.isEmpty() && ll.filtro.isEmpty() && ll.indice == -1
                && ll.flags == 0);
        QCOMPARE(ll.soloLectura, soloLectura);
    }

    // What the chooser hands back: the chosen pair, the name and title, the read-only box.
    void eleccion_data() {
        columnas<bool, bool, int, int, bool, QString>("entrada", "marcada", "indice", "flagsDevueltos", "salida",
                                                      "filtro");
        const QString pdf = conNulos("Ficheros PDF (*.PDF)~*.PDF"), texto = conNulos("Ficheros de Texto (*.TXT)~*.TXT");
        QTest::newRow("second pair") << false << false << 2 << 0x1004 << false << texto;
        QTest::newRow("ticked by the user") << false << true << 4 << 0x1005 << true << pdf;
        QTest::newRow("kept ticked") << true << true << 4 << 0x1005 << true << pdf;
        // The argument only ever becomes true; the flags tell the box's state.
        QTest::newRow("unticked by the user") << true << false << 4 << 0x1004 << true << pdf;
    }
    void eleccion() {
        const auto [entrada, marcada, indice] = leerFila<bool, bool, int>("entrada", "marcada", "indice");
        servicio.respuestasFichero << RespuestaFichero{true, "/home/ana/Documentos/notas.txt", indice, marcada};
        LlamadaDialogo ll;
        ll.soloLectura = entrada;
        ll.indice = 3;
        QVERIFY(ll.llamar());
        QCOMPARE(servicio.peticiones.first().indiceFiltro, 3);
        QCOMPARE(ll.nombre, QStringLiteral("/home/ana/Documentos/notas.txt"));
        QCOMPARE(ll.tituloFichero, QStringLiteral("notas.txt"));
        QCOMPARE(ll.indice, indice);
        QTEST(ll.flags, "flagsDevueltos");
        QTEST(ll.soloLectura, "salida");
        QTEST(ll.filtro, "filtro");
    }

    void dialogoQtSinDistinguirMayusculas_data() {
        columnas<int, QString, QStringList>("indice", "descripcion", "visibles");
        QTest::newRow("Word") << 1 << "Ficheros Word (*.DOC)" << QStringList{"carta.doc"};
        QTest::newRow("Texto") << 2 << "Ficheros de Texto (*.TXT)" << QStringList{"NOTAS.TXT"};
        QTest::newRow("PDF") << 4 << "Ficheros PDF (*.PDF)" << QStringList{"informe.pdf", "resumen.Pdf"};
        QTest::newRow("any type, also without extension")
            << 5 << "Cualquir Tipo (*.*)" << QStringList{"LEEME", "NOTAS.TXT", "carta.doc", "informe.pdf", "resumen.Pdf"};
    }
    void dialogoQtSinDistinguirMayusculas() {
        const int indice = dato<int>("indice");
        QTemporaryDir dir;
        for (const char *nombre : {"informe.pdf", "resumen.Pdf", "carta.doc", "NOTAS.TXT", "LEEME"})
            QVERIFY(escribirFichero(dir.filePath(QString::fromLatin1(nombre)), {}));
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
        QTEST(control<QComboBox>(&dlg, "fileTypeCombo")->currentText(), "descripcion");
        // No QAbstractItemModelTester here: it would fetch the whole file system, /proc included.
        auto *modelo = control<QFileSystemModel>(&dlg, {});
        const auto nombresVisibles = [&] {
            QStringList r;
            const QModelIndex raiz = modelo->index(dir.path());
            for (int i = 0; i < modelo->rowCount(raiz); ++i)
                r << modelo->index(i, 0, raiz).data().toString();
            r.sort();
            return r;
        };
        QTRY_COMPARE(nombresVisibles(), dato<QStringList>("visibles"));
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
