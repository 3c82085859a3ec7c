// Form utilities: colours, key filters and formats of text fields, on their own and in a
// screen, and the search-by-name dialog over the demo database (the searches the screens
// run through it are their suites').
#include "cutilidades.h"
#include "fixture.h"
#include "formulario.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// The fields as a screen has them: focus and typed keys go through its CUtilidades.
using Tipo = Formulario::Campo;

QString unir(const QStringList &partes) { return partes.join(QChar(1)); }

QLineEdit *buscador(QDialog *d) { return control<QLineEdit>(d, "txtBuscar"); }
QTableView *rejilla(QDialog *d) { return control<QTableView>(d, "grdResultados"); }

// Opens the search-by-name dialog on the demo data; guion works it while it is modal.
QString buscarEnDialogo(Entorno &e, const QString &sql, const QString &columna,
                        std::function<void(QDialog *)> guion = {}) {
    CUtilidades u;
    u.setConexion(e.conexion.get());
    if (guion)
        e.dialogos.manejadores << guion;
    return u.BuscarPorNombre(sql, columna, "Codigo", "Nombre del Proveedor", "Buscar Proveedores por nombre", 900,
                             6000, 0);
}
} // namespace

Q_DECLARE_METATYPE(Tipo)

class TstCUtilidades : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain)); }

    // marca: 0 none, 1 setCampoFecha, 2 a key through TeclaCampo as a date.
    void entrarCampoFecha_data() {
        columnas<int, QString, QString, QString>("marca", "formato", "texto", "esperado");
        QTest::newRow("campo de texto") << 0 << QString() << "05/03/2024" << "05/03/2024";
        QTest::newRow("marcado como fecha") << 1 << QString() << "05/03/2024" << "05032024";
        QTest::newRow("tecleado como fecha") << 2 << QString() << "05/03/2024" << "05032024";
        QTest::newRow("formato de fecha") << 0 << "dd/mm/yyyy" << "05/03/2024" << "05032024";
        QTest::newRow("no es una fecha mostrada") << 1 << QString() << "5/3/24" << "5/3/24";
        QTest::newRow("ya en cifras") << 1 << QString() << "05032024" << "05032024";
    }
    void entrarCampoFecha() {
        const auto [marca, formato, texto] = leerFila<int, QString, QString>("marca", "formato", "texto");
        CUtilidades u;
        QLineEdit campo;
        if (marca == 1)
            u.setCampoFecha(&campo);
        int tecla = '1';
        if (marca == 2)
            u.TeclaCampo(&campo, tecla, true);
        campo.setText(texto);
        u.EntrarCampo(&campo, formato);
        QTEST(campo.text(), "esperado");
    }

    // Real key events on a field; "\b" is a backspace, a cursor of -1 selects all the text.
    void teclas_data() {
        columnas<QString, Tipo, QString, int, QString, QString>("locale", "tipo", "inicial", "cursor", "teclas",
                                                                "esperado");
        const QString es = QStringLiteral("es_ES");
        QTest::newRow("texto: todo pasa") << es << Tipo::Texto << "" << 0 << "a.b,-/9 x" << "a.b,-/9 x";
        QTest::newRow("fecha: cifras y barra") << es << Tipo::Fecha << "" << 0 << "12a03/2024-x." << "1203/2024";
        QTest::newRow("importe: punto es decimal") << es << Tipo::Importe << "" << 0 << "-12a34.5,6" << "-1234,56";
        QTest::newRow("importe: un solo separador") << es << Tipo::Importe << "" << 0 << "5,5.5" << "5,55";
        QTest::newRow("importe: punto de miles y coma") << es << Tipo::Importe << "" << 0 << "1.234,56" << "1.234,56";
        QTest::newRow("importe: dos puntos de miles")
            << es << Tipo::Importe << "" << 0 << "1.234.567,89" << "1.234.567,89";
        QTest::newRow("importe: sin grupo de tres no hay miles") << es << Tipo::Importe << "" << 0 << "12,34," << "12,34";
        QTest::newRow("importe: menos solo al principio") << es << Tipo::Importe << "" << 0 << "12-3" << "123";
        QTest::newRow("importe: un solo menos") << es << Tipo::Importe << "" << 0 << "--5" << "-5";
        QTest::newRow("importe: borrar la coma deja poner otra")
            << es << Tipo::Importe << "" << 0 << "1,\b.5" << "1,5";
        QTest::newRow("importe: la seleccion se reemplaza") << es << Tipo::Importe << "12,5" << -1 << ",7" << ",7";
        QTest::newRow("importe: menos sobre la seleccion") << es << Tipo::Importe << "-3" << -1 << "-4" << "-4";
        QTest::newRow("importe: nada delante del signo") << es << Tipo::Importe << "-5" << 0 << "3,-" << "-5";
        QTest::newRow("importe: menos con el cursor al principio") << es << Tipo::Importe << "5" << 0 << "-" << "-5";
        QTest::newRow("importe: letras fuera") << es << Tipo::Importe << "" << 0 << "abc 1/e" << "1";
        QTest::newRow("importe en ingles: coma es decimal")
            << QStringLiteral("en_US") << Tipo::Importe << "" << 0 << "1,5.2" << "1.52";
    }
    void teclas() {
        const auto [locale, tipo, inicial, cursor, teclas] =
            leerFila<QString, Tipo, QString, int, QString>("locale", "tipo", "inicial", "cursor", "teclas");
        QLocale::setDefault(QLocale(locale));
        Formulario pantalla;
        auto *campo = new QLineEdit(&pantalla);
        pantalla.registrarCampo(campo, tipo);
        campo->setText(inicial);
        cursor < 0 ? campo->selectAll() : campo->setCursorPosition(cursor);
        QTest::keyClicks(campo, teclas);
        QTEST(campo->text(), "esperado");
    }

    // Codes QTest cannot type.
    void teclaCodigo_data() {
        columnas<Tipo, int, int>("tipo", "tecla", "esperada");
        QTest::newRow("fecha: eñe") << Tipo::Fecha << 241 << 0;
        QTest::newRow("fecha: fuera de rango") << Tipo::Fecha << 0x1F600 << 0;
        QTest::newRow("fecha: intro") << Tipo::Fecha << 13 << 13;
        QTest::newRow("importe: pegar") << Tipo::Importe << 22 << 22;
        QTest::newRow("importe: a acentuada") << Tipo::Importe << 225 << 0;
        QTest::newRow("texto: eñe") << Tipo::Texto << 241 << 241;
    }
    void teclaCodigo() {
        auto [tipo, tecla] = leerFila<Tipo, int>("tipo", "tecla");
        CUtilidades u;
        QLineEdit campo;
        if (tipo == Tipo::Importe)
            u.setCampoImporte(&campo);
        u.TeclaCampo(&campo, tecla, tipo == Tipo::Fecha);
        QTEST(tecla, "esperada");
    }

    void salirCampo_data() {
        columnas<QString, QString, QString, QString>("locale", "formato", "entrada", "esperado");
        const QString es = QStringLiteral("es_ES");
        const QString fecha = QStringLiteral("dd/mm/yyyy");
        const QString dos = QStringLiteral("#,##0.00");
        QTest::newRow("fecha: 8 cifras") << es << fecha << "12032024" << "12/03/2024";
        QTest::newRow("fecha: 6 cifras, 20xx") << es << fecha << "120324" << "12/03/2024";
        QTest::newRow("fecha: 6 cifras, limite 29") << es << fecha << "311229" << "31/12/2029";
        QTest::newRow("fecha: 6 cifras, 19xx") << es << fecha << "010130" << "01/01/1930";
        QTest::newRow("fecha: barras sin ceros") << es << fecha << "1/2/2024" << "01/02/2024";
        QTest::newRow("fecha: guiones y año corto") << es << fecha << "1-2-24" << "01/02/2024";
        QTest::newRow("fecha: puntos") << es << fecha << "7.11.1999" << "07/11/1999";
        QTest::newRow("fecha: ya formateada") << es << fecha << "12/03/2024" << "12/03/2024";
        QTest::newRow("fecha: 29 de febrero bisiesto") << es << fecha << "29022024" << "29/02/2024";
        QTest::newRow("fecha: 31 de febrero") << es << fecha << "31022024" << "31022024";
        QTest::newRow("fecha: 29 de febrero no bisiesto") << es << fecha << "29022023" << "29022023";
        QTest::newRow("fecha: 7 cifras") << es << fecha << "1203202" << "1203202";
        QTest::newRow("fecha: año de 3 cifras") << es << fecha << "1/2/202" << "1/2/202";
        QTest::newRow("fecha: letras") << es << fecha << "mañana" << "mañana";
        QTest::newRow("fecha: vacia") << es << fecha << "" << "";
        // Plain readings are the shared reader's table (importeLeidoIgualAlGrabarYAlSalir).
        QTest::newRow("importe: redondeo hacia arriba") << es << dos << "0,005" << "0,01";
        QTest::newRow("importe: redondeo con acarreo") << es << dos << "999,995" << "1.000,00";
        QTest::newRow("importe: cero negativo") << es << dos << "-0,001" << "0,00";
        QTest::newRow("importe: solo decimales") << es << dos << ",5" << "0,50";
        QTest::newRow("importe: sin decimales, con punto") << es << "#,##0." << "1234,5" << "1.235";
        QTest::newRow("importe: sin decimales ni punto") << es << "#,##0" << "1234,5" << "1.235";
        QTest::newRow("importe: tres decimales") << es << "#,##0.000" << "2" << "2,000";
        QTest::newRow("importe: cuatro decimales") << es << "#,##0.0000" << "2,5" << "2,5000";
        QTest::newRow("importe: no es numero") << es << dos << "abc" << "abc";
        QTest::newRow("importe: dos comas") << es << dos << "12,3,4" << "12,3,4";
        QTest::newRow("importe: miles mal agrupados") << es << dos << "1.23.4" << "1.23.4";
        QTest::newRow("importe: solo signo") << es << dos << "-" << "-";
        QTest::newRow("importe en ingles: coma decimal") << "en_US" << dos << "1234,5" << "1,234.50";
        QTest::newRow("importe en ingles: coma de miles") << "en_US" << dos << "1,234" << "1,234.00";
        QTest::newRow("sin formato") << es << "" << "1234,5" << "1234,5";
        QTest::newRow("formato desconocido") << es << "0%" << "1234,5" << "1234,5";
        QTest::newRow("formato con almohadillas") << es << "#,##0.##" << "1234,5" << "1234,5";
    }
    // What cannot be read stays as typed, for the user to see and fix.
    void salirCampo() {
        const auto [locale, formato, entrada] = leerFila<QString, QString, QString>("locale", "formato", "entrada");
        QLocale::setDefault(QLocale(locale));
        CUtilidades u;
        QLineEdit campo(entrada);
        u.SalirCampo(&campo, formato);
        QTEST(campo.text(), "esperado");
    }

    // A limit stops only what is typed: a longer text the screen sets stays whole, and
    // may be shortened but not lengthened.
    void limiteDeTecleo() {
        QLineEdit campo;
        campo.setMaxLength(5);
        Formulario::limitarTecleo(&campo);
        QTest::keyClicks(&campo, "1234567");
        QCOMPARE(campo.text(), QStringLiteral("12345"));
        campo.setText(QStringLiteral("abcdefgh"));
        QCOMPARE(campo.text(), QStringLiteral("abcdefgh"));
        campo.end(false);
        QTest::keyClick(&campo, Qt::Key_Backspace);
        QTest::keyClicks(&campo, "x");
        QCOMPARE(campo.text(), QStringLiteral("abcdefg"));
    }

    // One reader for the writer and the fields: the text typed is stored as the number
    // the field shows once left.
    void importeLeidoIgualAlGrabarYAlSalir_data() {
        columnas<QString, double, QString>("texto", "numero", "mostrado");
        QTest::newRow("miles y decimales") << "1.234,56" << 1234.56 << "1.234,56";
        QTest::newRow("millones") << "1.234.567,89" << 1234567.89 << "1.234.567,89";
        QTest::newRow("sin miles") << "1234,5" << 1234.5 << "1.234,50";
        QTest::newRow("punto decimal solo") << "1.5" << 1.5 << "1,50";
        QTest::newRow("punto decimal tras cero") << "0.250" << 0.25 << "0,25";
        QTest::newRow("punto de miles solo") << "12.345" << 12345.0 << "12.345,00";
        QTest::newRow("negativo") << "-1.234,5" << -1234.5 << "-1.234,50";
    }
    void importeLeidoIgualAlGrabarYAlSalir() {
        QFETCH(QString, texto);
        Entorno e;
        e.campos("Exp", {{"Exp_Presup", 2, texto}});
        e.bd->setCondicion(" WHERE Exp_Id = 1");
        const Resultado r = e.bd->Modificar();
        QVERIFY2(r, qPrintable(r.mensaje()));
        QTEST(e.valor("SELECT Exp_Presup FROM Exp WHERE Exp_Id = 1").toDouble(), "numero");
        CUtilidades u;
        QLineEdit campo(texto);
        u.SalirCampo(&campo, "#,##0.00");
        QTEST(campo.text(), "mostrado");
    }

    // A small screen worked with real focus changes, as a user moves through it.
    void formularioConFoco() {
        Formulario ventana;
        // Not the screens' own, so the setters count; the second shows the bytes' order.
        ventana.utilidades()->setColorFoco(12632256);
        ventana.utilidades()->setColorNormal(8454143);
        auto *capa = new QVBoxLayout(&ventana);
        QLineEdit *fecha = new QLineEdit, *importe = new QLineEdit, *nombre = new QLineEdit;
        for (auto *c : {fecha, importe, nombre})
            capa->addWidget(c);
        ventana.registrarCampo(fecha, Tipo::Fecha, QStringLiteral("dd/mm/yyyy"));
        ventana.registrarCampo(importe, Tipo::Importe, QStringLiteral("#,##0.00"));
        ventana.registrarCampo(nombre);
        QVERIFY(mostrar(&ventana));
        const auto fondo = [](QLineEdit *c) { return c->palette().color(QPalette::Base); };
        const QColor foco(0xC0, 0xC0, 0xC0), normal(0xFF, 0xFF, 0x80);
        fecha->setFocus();
        QTRY_VERIFY(fecha->hasFocus());
        QCOMPARE(fondo(fecha), foco);
        QTest::keyClicks(fecha, "12x0324");
        QTest::keyClick(fecha, Qt::Key_Tab);
        QTRY_VERIFY(importe->hasFocus());
        QCOMPARE(fecha->text(), QStringLiteral("12/03/2024"));
        QCOMPARE(fondo(fecha), normal);
        QCOMPARE(fondo(importe), foco);
        QTest::keyClicks(importe, "1234.5");
        QCOMPARE(importe->text(), QStringLiteral("1234,5"));
        QTest::keyClick(importe, Qt::Key_Tab);
        QTRY_VERIFY(nombre->hasFocus());
        QCOMPARE(importe->text(), QStringLiteral("1.234,50"));
        QCOMPARE(fondo(importe), normal);
        // Back in the date: the slashes go while it is edited.
        fecha->setFocus();
        QTRY_VERIFY(fecha->hasFocus());
        QCOMPARE(fecha->text(), QStringLiteral("12032024"));
        QCOMPARE(fondo(nombre), normal);
    }

    // Keys after typing: ↓ and ↑ move in the list, ⏎ is Enter on it; none, Return in the box.
    void buscar_data() {
        columnas<QString, QString, QString, int, QString, QString>("sql", "columna", "tecleado", "filas", "teclas",
                                                                   "resultado");
        const QString comercial = QStringLiteral("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER");
        const QString munoz = unir({"4", "103", "Electricidad Muñoz"});
        QTest::newRow("sin acentos") << comercial << "CLI_COMER" << "munoz" << 1 << "" << munoz;
        QTest::newRow("mayusculas y acentos") << comercial << "CLI_COMER" << "ELECTRICIDAD MUÑOZ" << 1 << "" << munoz;
        QTest::newRow("trozo de palabra") << comercial << "CLI_COMER" << "ez" << 2 << ""
                                          << unir({"1", "100", "Construcciones Álvarez"});
        QTest::newRow("varias palabras") << comercial << "CLI_COMER" << "iba ta" << 1 << ""
                                         << unir({"2", "101", "Talleres Ibáñez"});
        QTest::newRow("orden de la sentencia") << comercial << "CLI_COMER" << "" << 6 << ""
                                               << unir({"6", "105", "Clínica Dental Sonrisa"});
        QTest::newRow("columna en otra caja") << comercial << "cli_cod" << "103" << 1 << "" << munoz;
        QTest::newRow("proveedores, la primera") << "Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro" << "Pro_Nom" << "" << 3
                                                 << "" << unir({"1", "500", "Gregorio"});
        QTest::newRow("dos columnas") << "Select Pro_Cod,Pro_Comer FROM Pro" << "Pro_Comer" << "PEÑA" << 1 << ""
                                      << unir({"501", "Maderas Peñalara"});
        QTest::newRow("flechas e intro en la lista") << "Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro ORDER BY Pro_Cod"
                                                     << "Pro_Nom" << "" << 3 << "↓↓↑↓⏎" << unir({"3", "502", "Ignacio"});
    }
    void buscar() {
        const auto [sql, columna, tecleado, teclas, resultado] =
            leerFila<QString, QString, QString, QString, QString>("sql", "columna", "tecleado", "teclas", "resultado");
        Entorno e;
        int vistas = -1;
        const QString elegido = buscarEnDialogo(e, sql, columna, [&](QDialog *d) {
            QTableView *g = rejilla(d);
            QAbstractItemModelTester probador(g->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
            // The id, when the statement has one, is returned but not shown.
            const int codigo = resultado.count(QChar(1)) == 2 ? 1 : 0;
            QCOMPARE(g->isColumnHidden(0), codigo == 1);
            QCOMPARE(g->model()->headerData(codigo, Qt::Horizontal).toString(), "Codigo");
            QCOMPARE(g->model()->headerData(codigo + 1, Qt::Horizontal).toString(), "Nombre del Proveedor");
            QCOMPARE_NE(g->model()->headerData(codigo, Qt::Vertical).toString(), "Codigo");
            QTest::keyClicks(buscador(d), tecleado);
            vistas = g->model()->rowCount();
            for (const QChar t : teclas)
                if (t == u'⏎')
                    QTest::keyClick(g, Qt::Key_Enter);
                else
                    QTest::keyClick(buscador(d), t == u'↓' ? Qt::Key_Down : Qt::Key_Up);
            if (teclas.isEmpty())
                QTest::keyClick(buscador(d), Qt::Key_Return);
        });
        QCOMPARE(elegido, resultado);
        QCOMPARE(e.dialogos.modales, QStringList{"frmBuscarPorNombre"});
        QTEST(vistas, "filas");
        QVERIFY(e.dialogos.mensajes.isEmpty());
    }

    void buscarDobleClic() {
        Entorno e;
        const QString elegido = buscarEnDialogo(
            e, "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER", "PRO_COMER", [](QDialog *d) {
                QVERIFY(QTest::qWaitForWindowExposed(d));
                QTest::keyClicks(buscador(d), "as");
                QTableView *g = rejilla(d);
                QCOMPARE(g->model()->rowCount(), 2); // Maderas Peñalara, Suministros Castilla
                const QRect celda = g->visualRect(g->model()->index(1, 2));
                QVERIFY(celda.isValid());
                // A real double click: press and release, then the double-click event.
                QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, celda.center());
                QVERIFY(d->isVisible()); // one click only moves to the row
                QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, celda.center());
            });
        QCOMPARE(elegido, unir({"1", "500", "Suministros Castilla"}));
    }

    void buscarSinResultadosYEscape() {
        Entorno e;
        bool abiertoTrasIntro = false;
        const QString elegido =
            buscarEnDialogo(e, "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI", "CLI_COMER", [&](QDialog *d) {
                QTest::keyClicks(buscador(d), "zzz");
                QCOMPARE(rejilla(d)->model()->rowCount(), 0);
                QTest::keyClick(buscador(d), Qt::Key_Return);
                abiertoTrasIntro = d->isVisible();
                QTest::keyClicks(buscador(d), "\b\b\b"); // every row back
                QCOMPARE(rejilla(d)->model()->rowCount(), 6);
                QTest::keyClick(buscador(d), Qt::Key_Escape);
                QVERIFY(!d->isVisible());
            });
        QVERIFY(elegido.isEmpty() && abiertoTrasIntro);
    }

    void buscarSentenciaErronea() {
        Entorno e;
        QCOMPARE(buscarEnDialogo(e, "Select x FROM NoExiste", "x"), QString());
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QVERIFY2(e.dialogos.mensajes[0].texto.contains(QLatin1String("NoExiste"), Qt::CaseInsensitive),
                 qPrintable(e.dialogos.ultimoMensaje()));
        QVERIFY(CUtilidades().BuscarPorNombre("Select 1,2", "x", "Codigo", "Nombre", "Buscar", 600, 6000, 0).isEmpty());
        QCOMPARE(e.dialogos.mensajes.size(), 2);
        QVERIFY(e.dialogos.modales.isEmpty());
    }
};

QTEST_MAIN(TstCUtilidades)
#include "tst_cutilidades.moc"
