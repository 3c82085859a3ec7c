// The case-file search screen and the customer component, driven as a user does.
#include "componentes.h"
#include "datosbusqueda.h"
#include "exportacsv.h"
#include "fixture.h"
#include "frmexpedientes.h"
#include "modexp.h"
#include "pantallas.h"
#include "vmcli.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QSqlQuery>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {
// What the case-file editor found in the session when it was opened, and the
// counterpart its opener gave it (empty when none).
struct Apertura {
    int idExp;
    int idCliente;
    int origen;
    QStringList preparacion;
};

// The editor's stand-in, reached by name as the real one is.
class EditorFalso : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    QStringList contraparte;
    Q_INVOKABLE void mostrarContraparte(const QString &titulo, const QString &codigo, const QString &nombre) {
        contraparte = {titulo, codigo, nombre};
    }
};

QLineEdit *campo(QWidget *f, int i) { return control<QLineEdit>(f, QStringLiteral("Text1_%1").arg(i)); }

QTableView *rejilla(QWidget *f) { return control<QTableView>(f, "DataGrid1"); }

RecordsetModel *modelo(QWidget *f) {
    auto *m = qobject_cast<RecordsetModel *>(rejilla(f)->model());
    if (m && !m->property("probado").toBool()) {
        new QAbstractItemModelTester(m, QAbstractItemModelTester::FailureReportingMode::QtTest, m);
        m->setProperty("probado", true);
    }
    return m;
}

QList<int> expedientes(QWidget *f) { return ::expedientes(modelo(f)); }

int filaDe(QWidget *f, int idExp) {
    RecordsetModel *m = modelo(f);
    for (int fila = 0; fila < m->rowCount(); ++fila)
        if (m->index(fila, 1).data().toInt() == idExp)
            return fila;
    return -1;
}

QString celda(QWidget *f, int fila, int columna) {
    auto *d = static_cast<DelegadoRejilla *>(rejilla(f)->itemDelegate());
    return d->textoMostrado(modelo(f)->index(fila, columna));
}

// The case-file searches the screen ran, in order.
QStringList busquedas(const Entorno &e) {
    QStringList r;
    for (const QString &s : e.sentencias)
        if (s.startsWith(QLatin1String("SELECT (")) && s.contains(QLatin1String(" FROM Exp ")))
            r << s;
    return r;
}

void pulsarPestana(QWidget *f, int i) {
    QTabBar *barra = control<QTabWidget>(f, "SSTab1")->findChild<QTabBar *>();
    QTest::mouseClick(barra, Qt::LeftButton, {}, barra->tabRect(i).center());
}

// After a warning the focus is back on the field. The Enter that closed the message is
// released over the screen and must not move it; a new Enter does.
void enterTrasAvisoNoMueveElFoco(QLineEdit *c) {
    QCOMPARE(QApplication::focusWidget(), c);
    QTest::keyRelease(c, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), c);
    QTest::keyClick(c, Qt::Key_Return);
    QVERIFY(QApplication::focusWidget() != c);
}

const QString kInicio = QStringLiteral("SELECT (Select (cast(cli_Cod as nvarchar) + ' ' + Cli_Comer) from cli where cli_id = "
                                       "Exp_IdCli) As Cliente, Exp_Id, Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,"
                                       "exp_idcli FROM Exp  Where Exp_Origen = 0 ");
const QString kPregunta =
    QStringLiteral("Desea Buscar por el nombre Fiscal ?.\nSi contesta NO, la busqueda será por Nombre Comercial");

// A customer component whose status check takes no customer.
class ClienteSinId : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject *MyBd MEMBER bd)
public:
    QObject *bd = nullptr;
    Q_INVOKABLE bool FnEstadoCliente() { return true; }
};
} // namespace

class TstSearch : public QObject {
    Q_OBJECT
    QList<Apertura> aperturas;
    // The editor stand-in records the session and runs what the test gives it.
    std::function<void(QDialog *)> editor(std::function<void()> ademas = {}) {
        return [this, ademas](QDialog *d) {
            aperturas << Apertura{gExpe->IdExp(), gExpe->IdCliente(), gExpe->Origen(),
                                  static_cast<EditorFalso *>(d)->contraparte};
            if (ademas)
                ademas();
            d->accept();
        };
    }

private slots:
    void init() {
        aperturas.clear();
        Pantallas::registrar(QStringLiteral("frmExpedientes1"), [](QWidget *p) {
            auto *d = new EditorFalso(p);
            d->setObjectName(QStringLiteral("frmExpedientes1"));
            return d;
        });
        registrarClientes();
    }

    void piezasDelFiltro_data() {
        columnas<int, QString, QString, QList<int>>("indice", "texto", "pieza", "ids");
        const QString ninguna;
        QTest::newRow("descripción") << 2 << "NAVE" << " AND Exp_Des Like '%NAVE%' " << QList<int>{1};
        QTest::newRow("descripción acentuada") << 2 << "reclamación" << " AND Exp_Des Like '%reclamación%' " << QList<int>{2};
        QTest::newRow("observaciones") << 3 << "garant" << " AND Exp_obs Like '%garant%' " << QList<int>{2};
        QTest::newRow("desde") << 4 << "01/03/2024" << " AND Exp_Fini >='01/03/2024 00:00:00' " << QList<int>{3, 4};
        QTest::newRow("hasta, el mismo día entra") << 5 << "05/03/2024" << " AND Exp_Fini <='05/03/2024 23:59:59' "
                                                   << QList<int>{1, 2, 3};
        QTest::newRow("desde imposible") << 4 << "31/02/2024" << ninguna << QList<int>{1, 2, 3, 4, 40};
        QTest::newRow("hasta sin fecha") << 5 << "marzo" << ninguna << QList<int>{1, 2, 3, 4, 40};
        QTest::newRow("código 0") << 0 << "0" << ninguna << QList<int>{1, 2, 3, 4, 40};
        QTest::newRow("código con letras") << 0 << "abc" << ninguna << QList<int>{1, 2, 3, 4, 40};
        QTest::newRow("descripción vacía") << 2 << "" << ninguna << QList<int>{1, 2, 3, 4, 40};
        QTest::newRow("apellido con comilla") << 2 << "O'Brien" << " AND Exp_Des Like '%O''Brien%' " << QList<int>{40};
        QTest::newRow("intento de ampliar la sentencia") << 3 << "x' OR '1'='1" << " AND Exp_obs Like '%x'' OR ''1''=''1%' "
                                                         << QList<int>{};
    }
    // The search's data service alone, with each field of the filter as the user typed it.
    void piezasDelFiltro() {
        const auto [indice, texto, pieza] = leerFila<int, QString, QString>("indice", "texto", "pieza");
        Entorno e;
        e.ejecutar("INSERT INTO Exp (Exp_Id, Exp_IdCli, Exp_Origen, Exp_Des) VALUES (40, 1, 0, 'Reforma casa O''Brien')");
        FiltroBusqueda filtro;
        // A selection the code field no longer backs must not filter.
        filtro.idContraparte = 1;
        QString *campos[] = {&filtro.codigo, nullptr, &filtro.descripcion, &filtro.observaciones, &filtro.desde,
                             &filtro.hasta};
        *campos[indice] = texto;
        RecordsetModel *m = nullptr;
        QVERIFY(DatosBusqueda(e.bd.get()).buscar(filtro, this, m));
        QCOMPARE(busquedas(e), QStringList{kInicio + pieza});
        QTEST(expedientes(m), "ids");
        delete m;
    }

    void filtroDePermisos_data() {
        columnas<int, QString, bool, QList<int>>("usuario", "parametro", "filtra", "ids");
        QTest::newRow("administrador") << 1 << "0" << false << QList<int>{1, 2, 3, 4};
        QTest::newRow("autorizado y creador") << 3 << "0" << true << QList<int>{1, 3};
        QTest::newRow("parámetro a 1") << 3 << "1" << false << QList<int>{1, 2, 3, 4};
        QTest::newRow("usuario sin nombre") << 5 << "0" << true << QList<int>{};
        QTest::newRow("usuario desconocido") << 99 << "0" << true << QList<int>{};
    }
    void filtroDePermisos() {
        const auto [usuario, parametro, filtra] = leerFila<int, QString, bool>("usuario", "parametro", "filtra");
        Entorno e(usuario);
        e.ejecutar("UPDATE Parametros SET Par_Valor = '" + parametro + "' WHERE Par_Clave = 'PAR_EXP_PER'");
        RecordsetModel *m = nullptr;
        QVERIFY(DatosBusqueda(e.bd.get()).buscar({}, this, m));
        const QString id = QString::number(usuario);
        const QString pieza = " and (Exp_id in (SELECT ExpPer_Idexp FROM ExpPer WHERE  ExpPer_IdUsu=" + id
                              + ") or Exp_Idusu = " + id + ")";
        QCOMPARE(busquedas(e).last(), kInicio + (filtra ? pieza : QString()));
        QTEST(expedientes(m), "ids");
        delete m;
    }

    // What each origin's grid shows from real rows, and opening a row of it.
    void abrirFila_data() {
        // conBoton: the grid's cell button, or "Seleccionar". textos: columns 0 to 6 of that row, as shown (empty:
        // not checked). preparado: label, code and name the editor is given.
        columnas<int, int, bool, QStringList, QStringList, int>("pestana", "idExp", "conBoton", "textos", "preparado",
                                                                "idCliente");
        QTest::newRow("cliente con el botón") << 0 << 2 << true
                                              << QStringList{"101 Talleres Ibáñez", "2", "03/02/2024", "30/04/2024",
                                                             "Reclamación por avería del compresor", "Garantía vencida", ""}
                                              << QStringList{"Cliente", "101 ", "Talleres Ibáñez"} << 2;
        QTest::newRow("cliente con Seleccionar") << 0 << 4 << false << QStringList{}
                                                 << QStringList{"Cliente", "105 ", "Clínica Dental Sonrisa"} << 6;
        QTest::newRow("proveedor") << 1 << 6 << false
                                   << QStringList{"501 Maderas Peñalara", "6", "11/07/2024", "",
                                                  "Reclamación de pedido de madera dañada", "", ""}
                                   << QStringList{"Proveedor", "501 ", "Maderas Peñalara"} << 2;
        QTest::newRow("interno") << 2 << 1234567 << true
                                 << QStringList{"", "1.234.567", "02/09/2024", "", "Revisión anual", "", "Caja 2"}
                                 << QStringList{"Expediente Interno", "", " Expediente Interno "} << 0;
        QTest::newRow("cliente que ya no existe") << 0 << 30 << false << QStringList{}
                                                  << QStringList{"Cliente", "", ""} << 77;
    }
    void abrirFila() {
        const auto [pestana, idExp, conBoton, textos] =
            leerFila<int, int, bool, QStringList>("pestana", "idExp", "conBoton", "textos");
        Entorno e;
        e.ejecutar("INSERT INTO Exp (Exp_Id, Exp_IdCli, Exp_Origen, Exp_Des) VALUES (30, 77, 0, 'Huérfano')");
        e.ejecutar("INSERT INTO Exp (Exp_Id, Exp_IdCli, Exp_Origen, Exp_Fini, Exp_Des, Exp_Ubicacion) "
                   "VALUES (1234567, 0, 2, '2024-09-02 00:00:00', 'Revisión anual', 'Caja 2')");
        frmExpedientes f;
        QVERIFY(mostrar(&f));
        pulsarPestana(&f, pestana);
        QCOMPARE(e.expe->Origen(), short(pestana));
        QTableView *g = rejilla(&f);
        QCOMPARE(modelo(&f)->headerData(0, Qt::Horizontal).toString(), QStringList({"Cliente", "Proveedor", "x"})[pestana]);
        QCOMPARE(g->isColumnHidden(0), pestana == 2);
        QVERIFY(g->isColumnHidden(7));
        for (int c = 0; c < textos.size(); ++c)
            QCOMPARE(celda(&f, filaDe(&f, idExp), c), textos[c]);
        e.expe->setIdCliente(55); // left over from elsewhere; opening a row replaces it
        const QModelIndex celdaExp = modelo(&f)->index(filaDe(&f, idExp), 1);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(celdaExp).center());
        const int antes = busquedas(e).size();
        // The editor changes the case file; the list shows it once the editor closes.
        e.dialogos.manejadores << editor([&] { e.ejecutar("UPDATE Exp SET Exp_Des = 'Cambiado' WHERE Exp_Id = " + QString::number(idExp)); });
        if (conBoton)
            QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, DelegadoRejilla::rectBoton(g->visualRect(celdaExp)).center());
        else
            pulsar(&f, "cmdGrabar");
        QTRY_COMPARE(aperturas.size(), 1);
        QCOMPARE(e.dialogos.modales, QStringList{"frmExpedientes1"});
        const Apertura a = aperturas.first();
        QCOMPARE(a.idExp, idExp);
        QCOMPARE(a.origen, pestana);
        QTEST(a.idCliente, "idCliente");
        QTEST(a.preparacion, "preparado");
        QCOMPARE(busquedas(e).size(), antes + 1);
        QCOMPARE(celda(&f, filaDe(&f, idExp), 4), "Cambiado");
    }

    // The screen as it opens (title, types in name order, every text whole on each tab), its
    // type and "only active" filters, and each tab's own search.
    void pantallaFiltrosYPestanas() {
        Entorno e;
        e.ejecutar("INSERT INTO Tex (Tex_Id, Tex_Des) VALUES (7, 'Acústica')");
        frmExpedientes f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Norbix. Gestión de Expedientes (versión " VERSION_ESPERADA ")"));
        auto *combo = control<QComboBox>(&f, "Combo1");
        QCOMPARE(combo->currentIndex(), 0);
        QStringList tipos;
        for (int i = 0; i < combo->count(); ++i)
            tipos << combo->itemText(i);
        QCOMPARE(tipos,
                 QStringList({"Todos los tipos de expedientes", "0007 - Acústica", "0005 - Litigio",
                              "0003 - Mantenimiento", "0001 - Obra", "0002 - Reclamación", "0004 - Subvención"}));
        QVERIFY(mostrar(&f));
        QCOMPARE(textosCortados(&f), QStringList());
        QCOMPARE(busquedas(e).size(), 1);
        // Ticking the box does not search by itself.
        control<QCheckBox>(&f, "Check1")->setChecked(true);
        QCOMPARE(busquedas(e).size(), 1);
        // A type chosen after loading searches at once.
        combo->setCurrentIndex(combo->findText("0001 - Obra"));
        QCOMPARE(busquedas(e).size(), 2);
        QCOMPARE(busquedas(e).last(), kInicio + " AND Exp_Estado = 1  AND Exp_IdTipo=0001");
        QCOMPARE(expedientes(&f), QList<int>{1});
        combo->setCurrentIndex(0);
        QCOMPARE(busquedas(e).last(), kInicio + " AND Exp_Estado = 1 ");
        QCOMPARE(expedientes(&f), QList<int>({1, 3}));
        control<QCheckBox>(&f, "Check1")->setChecked(false);
        escribirYSalir(campo(&f, 0), "101");
        QCOMPARE(e.expe->IdCliente(), 2);
        QCOMPARE(expedientes(&f), QList<int>{2});
        pulsarPestana(&f, 1);
        QCOMPARE(textosCortados(&f), QStringList());
        QCOMPARE(e.expe->IdCliente(), 0);
        for (int i : {0, 1, 6, 7})
            QVERIFY(campo(&f, i)->text().isEmpty());
        QCOMPARE(e.expe->Origen(), short(1));
        QCOMPARE(busquedas(e).last(),
                 "SELECT (Select (cast(Pro_Cod as nvarchar) + ' ' + Pro_Comer) from Pro where Pro_id = Exp_IdCli) As "
                 "Proveedor, Exp_Id, Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp  Where Exp_Origen = 1 ");
        QCOMPARE(expedientes(&f), QList<int>({5, 6}));
        e.expe->setOrigen(0);
        pulsar(&f, "XPButton3");
        QCOMPARE(e.expe->Origen(), short(1));
        pulsarPestana(&f, 2);
        pulsar(&f, "XPButton4");
        QCOMPARE(busquedas(e).last(),
                 "SELECT ('') as x, Exp_Id, Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp  Where Exp_Origen = 2 ");
        QCOMPARE(expedientes(&f), QList<int>({7, 8}));
        QCOMPARE(textosCortados(&f), QStringList());
        QVERIFY(e.dialogos.mensajes.isEmpty());
        QVERIFY(e.expe->vExpedientes()); // the session opens the same screen
        QCOMPARE(e.dialogos.modales, QStringList{"frmExpedientes"});
    }

    void buscarPorCodigo_data() {
        // ids: empty: no new search
        columnas<int, QString, QString, int, QString, QString, bool, QList<int>>(
            "pestana", "texto", "sentencia", "idCliente", "nombre", "mensaje", "vuelveElFoco", "ids");
        const QString cli = "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD=";
        const QString pro = "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO where Pro_COD=";
        QTest::newRow("cliente") << 0 << "101" << cli + "101" << 2 << "Talleres Ibáñez" << "" << false << QList<int>{2};
        QTest::newRow("cliente que no existe") << 0 << "999" << cli + "999" << 0 << "" << "Codigo de cliente no existe"
                                               << true << QList<int>{};
        QTest::newRow("cliente con letras") << 0 << "abc" << cli + "-1" << 0 << "" << "" << false << QList<int>{};
        QTest::newRow("proveedor") << 1 << "500" << pro + "500" << 1 << "Suministros Castilla" << "" << false << QList<int>{5};
        QTest::newRow("proveedor que no existe") << 1 << "777" << pro + "777" << 0 << ""
                                                 << "Codigo de proveedor inexistente" << false << QList<int>{};
        QTest::newRow("proveedor vacío") << 1 << "" << pro + "-1" << 0 << "" << "" << false << QList<int>{};
    }
    void buscarPorCodigo() {
        const auto [pestana, texto, sentencia, idCliente, mensaje, vuelveElFoco, ids] =
            leerFila<int, QString, QString, int, QString, bool, QList<int>>(
                "pestana", "texto", "sentencia", "idCliente", "mensaje", "vuelveElFoco", "ids");
        Entorno e;
        frmExpedientes f;
        QVERIFY(mostrar(&f));
        pulsarPestana(&f, pestana);
        QLineEdit *codigo = campo(&f, pestana == 0 ? 0 : 6);
        QLineEdit *nombreCampo = campo(&f, pestana == 0 ? 1 : 7);
        e.expe->setIdCliente(3);
        nombreCampo->setText("anterior");
        const int antes = busquedas(e).size();
        escribirYSalir(codigo, texto);
        QCOMPARE(e.sentencias.filter(sentencia.left(20)).last(), sentencia);
        QCOMPARE(e.expe->IdCliente(), idCliente);
        QTEST(nombreCampo->text(), "nombre");
        QCOMPARE(codigo->text(), idCliente ? texto : QString());
        QCOMPARE(e.dialogos.ultimoMensaje(), mensaje);
        QCOMPARE(e.dialogos.mensajes.size(), mensaje.isEmpty() ? 0 : 1);
        QCOMPARE(QApplication::focusWidget() == codigo, vuelveElFoco);
        if (vuelveElFoco) {
            enterTrasAvisoNoMueveElFoco(codigo);
            QCOMPARE(e.dialogos.mensajes.size(), 1);
        }
        QCOMPARE(busquedas(e).size(), antes + (ids.isEmpty() ? 0 : 1));
        if (!ids.isEmpty()) {
            QVERIFY(busquedas(e).last().contains(" And Exp_IdCli = " + QString::number(idCliente)));
            QCOMPARE(expedientes(&f), ids);
        }
    }

    // The statement and title the "..." buttons (or a customer code 0) give the search-by-name
    // dialog, and what its choice fills in.
    void buscarPorNombre_data() {
        // tecleado empty: the dialog is cancelled. aviso: after the dialog, when code 0 was typed instead of "...".
        columnas<bool, int, QString, QString, QString, int, QString, QString, QString>(
            "proveedor", "respuesta", "sentencia", "titulo", "tecleado", "idCliente", "codigo", "nombre", "aviso");
        const QString cliFiscal =
            "Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI";
        const QString proFiscal = "Select PRO_ID,PRO_COD,(PRO_NOM + ' ' + ISNULL(PRO_APE1,'') + ' ' + "
                                  "ISNULL(PRO_APE2,'')) AS RSOC FROM PRO  order by PRO_NOM ";
        const QString cliComercial = "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER";
        const QString proComercial = "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER";
        const int si = vb::vbYes, no = vb::vbNo;
        // clang-format off
        QTest::newRow("cliente fiscal") << false << si << cliFiscal << "Buscar clientes por nombre Fiscal"
            << "dolores" << 4 << "103" << "Dolores Muñoz Sáez" << "";
        // Cancelled: nothing chosen, and the code is reported as unknown.
        QTest::newRow("código 0 cancelado") << false << si << cliFiscal << "Buscar clientes por nombre Fiscal"
            << "" << 0 << "" << "" << "Codigo de cliente no existe";
        QTest::newRow("cliente comercial cancelado") << false << no << cliComercial << "Buscar clientes por nombre Comercial"
            << "" << 0 << "" << "" << "";
        // No second surname.
        QTest::newRow("proveedor fiscal") << true << si << proFiscal << "Buscar Proveedores por nombre Fiscal"
            << "helena" << 2 << "501" << "Helena Peñalara " << "";
        QTest::newRow("proveedor comercial") << true << no << proComercial << "Buscar Proveedores por nombre Comercial"
            << "ferre" << 3 << "502" << "Ferretería Orión" << "";
        // clang-format on
    }
    void buscarPorNombre() {
        const auto [proveedor, respuesta, sentencia, tecleado, aviso] =
            leerFila<bool, int, QString, QString, QString>("proveedor", "respuesta", "sentencia", "tecleado", "aviso");
        Entorno e;
        frmExpedientes f;
        QVERIFY(mostrar(&f));
        pulsarPestana(&f, proveedor ? 1 : 0);
        e.expe->setIdCliente(9);
        campo(&f, proveedor ? 7 : 1)->setText("anterior");
        const int antes = busquedas(e).size();
        e.dialogos.respuestas << respuesta;
        QString titulo;
        e.dialogos.manejadores << [&](QDialog *d) {
            titulo = d->windowTitle();
            if (tecleado.isEmpty())
                return d->reject();
            escribirYSalir(control<QLineEdit>(d, "txtBuscar"), tecleado);
        };
        if (aviso.isEmpty())
            pulsar(&f, proveedor ? "cmdBuscaPro" : "Command1");
        else
            escribirYSalir(campo(&f, 0), "0");
        QCOMPARE(e.dialogos.mensajes.size(), aviso.isEmpty() ? 1 : 2);
        QCOMPARE(e.dialogos.mensajes[0].texto, kPregunta);
        if (!aviso.isEmpty()) {
            QCOMPARE(e.dialogos.mensajes[1].texto, aviso);
            QCOMPARE(f.focusWidget(), campo(&f, 0));
        }
        QCOMPARE(e.dialogos.modales, QStringList{"frmBuscarPorNombre"});
        QTEST(titulo, "titulo");
        QVERIFY2(e.sentencias.contains(sentencia), qPrintable(e.sentencias.join(u'\n')));
        QTEST(e.expe->IdCliente(), "idCliente");
        QTEST(campo(&f, proveedor ? 6 : 0)->text(), "codigo");
        QTEST(campo(&f, proveedor ? 7 : 1)->text(), "nombre");
        // A choice through "..." does not refresh the list, nor does an unknown code.
        QCOMPARE(busquedas(e).size(), antes);
    }

    void nuevoExpediente_data() {
        // codigo: typed and left before "Nuevo Expediente"; componente: real, fake (FnEstadoCliente false) or none
        // registered
        columnas<int, QString, QString, bool, QString, QString>("pestana", "codigo", "componente", "abre", "mensaje",
                                                                "foco");
        QTest::newRow("interno") << 2 << "" << "real" << true << "" << "";
        QTest::newRow("proveedor elegido") << 1 << "500" << "real" << true << "" << "";
        QTest::newRow("sin proveedor") << 1 << "" << "real" << false
                                       << "Debe indicar el proveedor con el que desea trabajar" << "Text1_6";
        QTest::newRow("cliente activo") << 0 << "100" << "real" << true << "" << "";
        QTest::newRow("cliente de baja")
            << 0 << "104" << "real" << false
            << "El cliente Panadería La Espiga está dado de baja: no se le pueden abrir expedientes nuevos." << "";
        QTest::newRow("componente que no acepta") << 0 << "105" << "falso" << false << "" << "";
        QTest::newRow("sin cliente") << 0 << "" << "real" << false << "Debe indicar el cliente con el que desea trabajar"
                                     << "Text1_0";
        QTest::newRow("componente sin el método con el cliente")
            << 0 << "100" << "antiguo" << false << "Error (Expedientes): El componente no tiene el método FnEstadoCliente."
            << "";
        QTest::newRow("componente no registrado")
            << 0 << "100" << "ninguno" << false
            << "Error (Expedientes): No se puede crear el componente \"VMCLIENTES.VMCLI\": no está registrado." << "";
    }
    void nuevoExpediente() {
        const auto [pestana, codigo, componente, abre, foco] =
            leerFila<int, QString, QString, bool, QString>("pestana", "codigo", "componente", "abre", "foco");
        Entorno e;
        if (componente == "falso")
            Componentes::registrar("VMCLIENTES.VMCLI", [] { return new ClienteFalso; });
        else if (componente == "antiguo")
            Componentes::registrar("VMCLIENTES.VMCLI", [] { return new ClienteSinId; });
        else if (componente == "ninguno")
            Componentes::quitar("VMCLIENTES.VMCLI");
        ClienteFalso::olvidar();
        frmExpedientes f;
        QVERIFY(mostrar(&f));
        pulsarPestana(&f, pestana);
        if (!codigo.isEmpty())
            escribirYSalir(campo(&f, pestana == 0 ? 0 : 6), codigo);
        const int idElegido = e.expe->IdCliente();
        const int antes = busquedas(e).size();
        e.dialogos.manejadores << editor();
        pulsar(&f, "cmdNuevo");
        QCOMPARE(aperturas.size(), abre ? 1 : 0);
        if (abre) {
            QCOMPARE(aperturas[0].idExp, 0);
            QCOMPARE(aperturas[0].origen, pestana);
            QCOMPARE(aperturas[0].idCliente, idElegido);
            QVERIFY(aperturas[0].preparacion.isEmpty());
            QCOMPARE(busquedas(e).size(), antes + 1);
        } else {
            QCOMPARE(busquedas(e).size(), antes);
        }
        QTEST(e.dialogos.ultimoMensaje(), "mensaje");
        if (!foco.isEmpty()) {
            enterTrasAvisoNoMueveElFoco(control<QLineEdit>(&f, qPrintable(foco)));
            QCOMPARE(e.dialogos.mensajes.size(), 1);
        }
        if (componente == "falso") {
            QCOMPARE(ClienteFalso::ultimoBd, static_cast<QObject *>(e.bd.get()));
            QCOMPARE(ClienteFalso::ultimoId, 6);
        }
    }

    // The opening's reads go while the widgets are built: on the server, once the session
    // has opened the screen, in one round trip. What the grid shows follows the
    // permission as it is now, and a read that fails is told as it always was.
    void aperturaAdelantada() {
        Entorno e(3);
        const auto abrir = [&](const QList<int> &ids, int idasServidor, bool sinTipos = false) {
            const qint64 antes = e.conexion->idasYVueltas();
            frmExpedientes f;
            QCOMPARE(e.conexion->idasYVueltas() - antes, enServidor() ? idasServidor : 4);
            QCOMPARE(expedientes(&f), ids);
            QCOMPARE(f.findChild<QComboBox *>("Combo1")->count(), sinTipos ? 1 : 6);
            QCOMPARE(f.errorCarga().startsWith("Error (Expedientes): "), sinTipos);
        };
        abrir({1, 3}, 2);
        abrir({1, 3}, 1);
        QVERIFY(e.ejecutar("UPDATE Parametros SET Par_Valor = '1' WHERE Par_Clave = 'PAR_EXP_PER'"));
        abrir({1, 2, 3, 4}, 2);
        abrir({1, 2, 3, 4}, 1);
        QVERIFY(e.ejecutar("ALTER TABLE Tex RENAME TO TexAparte"));
        abrir({1, 2, 3, 4}, 3, true);
    }

    void busquedaFallidaDejaLaPantallaUsable() {
        Entorno e(3);
        frmExpedientes f;
        QVERIFY(mostrar(&f));
        QVERIFY(e.ejecutar("ALTER TABLE ExpPer RENAME TO ExpPerAparte"));
        pulsar(&f, "cmdBuscar");
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QVERIFY(e.dialogos.mensajes[0].texto.startsWith("Error (Expedientes): "));
        QVERIFY(e.dialogos.mensajes[0].texto.size() > QString("Error (Expedientes): ").size());
        QCOMPARE(f.Tag, "e");
        const QAbstractItemModel *vacia = rejilla(&f)->model();
        QVERIFY(!vacia || vacia->rowCount() == 0);
        pulsar(&f, "cmdGrabar");
        QVERIFY(e.dialogos.modales.isEmpty());
        // Once the cause is gone the same screen searches again.
        QVERIFY(e.ejecutar("ALTER TABLE ExpPerAparte RENAME TO ExpPer"));
        pulsar(&f, "cmdBuscar");
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QCOMPARE(expedientes(&f), QList<int>({1, 3}));
        // A search without rows opens nothing either, by button or click.
        campo(&f, 2)->setText("no hay tal cosa");
        pulsar(&f, "cmdBuscar");
        QVERIFY(!modelo(&f)->tieneFilas());
        pulsar(&f, "cmdGrabar");
        QTest::mouseClick(rejilla(&f)->viewport(), Qt::LeftButton, {}, QPoint(60, 5));
        QCoreApplication::processEvents();
        QVERIFY(e.dialogos.modales.isEmpty());
    }

    // Every row the user may see goes to the file, not only the screenfuls loaded, as
    // the grid shows them; the clipboard gets the loaded ones.
    void exportarCsv_data() {
        QTest::addColumn<int>("usuario");
        QTest::newRow("administrador") << 1;
        QTest::newRow("no administrador") << 3;
    }
    void exportarCsv() {
        QFETCH(int, usuario);
        Entorno e(usuario);
        e.ejecutar("UPDATE Parametros SET Par_Valor = '0' WHERE Par_Clave = 'PAR_EXP_PER'");
        QVERIFY(e.ejecutar("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2400) "
                           "INSERT INTO Exp (Exp_Origen, Exp_IdCli, Exp_Fini, Exp_Des, Exp_Obs, Exp_Estado, Exp_IdUsu) "
                           "SELECT 2, 0, '2024-03-07 00:00:00', CASE WHEN i % 4 = 0 THEN 'Otra' ELSE 'Obra; \"norte\"' END, "
                           "'línea 1\nlínea 2', 1, CASE WHEN i % 3 = 0 THEN 3 ELSE 1 END FROM n"));
        QVERIFY(e.ejecutar("INSERT INTO ExpPer (ExpPer_IdExp, ExpPer_IdUsu) SELECT Exp_Id, 3 FROM Exp "
                           "WHERE Exp_Origen = 2 AND Exp_Id % 5 = 0"));
        QList<int> esperados;
        QSqlQuery q(e.db);
        QVERIFY(q.exec(QString("SELECT Exp_Id FROM Exp WHERE Exp_Origen = 2 AND Exp_Des LIKE '%Obra%'")
                       + (usuario == 1 ? ""
                                       : " AND (Exp_IdUsu = 3 OR Exp_Id IN (SELECT ExpPer_IdExp FROM ExpPer "
                                         "WHERE ExpPer_IdUsu = 3))")
                       + " ORDER BY Exp_Id"));
        while (q.next())
            esperados << q.value(0).toInt();
        frmExpedientes f;
        QVERIFY(mostrar(&f));
        pulsarPestana(&f, 2);
        escribirYSalir(campo(&f, 2), "Obra");
        pulsar(&f, "cmdBuscar");
        QVERIFY(modelo(&f)->rowCount() < esperados.size());
        const QString ruta = e.carpeta.filePath("lista.csv");
        e.dialogos.respuestasFichero << RespuestaFichero{true, ruta, 1, false};
        QVERIFY(elegirDelMenu(rejilla(&f), "Exportar a CSV…"));
        QCOMPARE(e.dialogos.peticiones.size(), 1);
        QVERIFY(e.dialogos.peticiones[0].guardar);
        // Every record whole, quoted where a spreadsheet needs it; nothing else in the file.
        const QByteArray bruto = leerFichero(ruta);
        QVERIFY(bruto.startsWith("\xEF\xBB\xBF"));
        const QString texto = QString::fromUtf8(bruto.mid(3));
        QString esperado = QStringLiteral("Expediente;F.Inicio;F.Fin;Descripción;Observaciones;Ubicación en Archivo\r\n");
        for (int id : std::as_const(esperados)) {
            const QString registro = DelegadoRejilla::formatearEntero(id)
                                     + ";07/03/2024;;\"Obra; \"\"norte\"\"\";\"línea 1\nlínea 2\";\r\n";
            QVERIFY2(texto.contains(u'\n' + registro), qPrintable(registro));
            esperado += registro;
        }
        QCOMPARE(texto.size(), esperado.size());
        QVERIFY(texto.contains(celda(&f, 0, 1) + u';' + celda(&f, 0, 2) + ";;"));
        QCOMPARE(e.dialogos.ultimoMensaje(), QString("Se han exportado %1 expedientes a %2.")
                                                 .arg(DelegadoRejilla::formatearEntero(esperados.size()), ruta));
        // Stopped at the first notice, after 500 rows: the file keeps what it held.
        QList<qint64> avisos;
        bool cancelado = false;
        qint64 filas = 0;
        const auto parar = [&](qint64 n) { return avisos << n, false; };
        QVERIFY(ExportaCsv::exportar(e.conexion.get(), "SELECT Exp_Id FROM Exp", {{0, "Id", &QVariant::toString}}, ruta,
                                     parar, filas, cancelado));
        QVERIFY(cancelado && avisos == QList<qint64>{500});
        QCOMPARE(leerFichero(ruta), bruto);
        rejilla(&f)->clearSelection();
        QVERIFY(elegirDelMenu(rejilla(&f), "Copiar"));
        const QStringList copiadas = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(copiadas.size(), modelo(&f)->rowCount() + 1);
        QCOMPARE(copiadas[1], QStringList({celda(&f, 0, 1), celda(&f, 0, 2), "", "Obra; \"norte\"",
                                           "línea 1 línea 2", ""}).join(u'\t'));
    }

    void estadoDelCliente_data() {
        columnas<int, QString, bool, QString>("idCli", "preparacion", "acepta", "mensaje");
        // Active and withdrawn customers are the screen's "Nuevo Expediente" rows.
        QTest::newRow("no existe") << 99 << "" << false << "No existe el cliente 99.";
        QTest::newRow("sin base de datos") << 1 << "sin base de datos" << false
                                           << "No se puede comprobar el cliente: no hay base de datos.";
        // A read that fails is told, not taken for a withdrawn customer.
        QTest::newRow("tabla ilegible") << 1 << "ALTER TABLE Cli RENAME TO CliAparte" << false
                                        << "No se puede comprobar el estado del cliente.\n";
    }
    void estadoDelCliente() {
        const auto [idCli, preparacion, acepta, mensaje] =
            leerFila<int, QString, bool, QString>("idCli", "preparacion", "acepta", "mensaje");
        Entorno e;
        const bool conBd = preparacion != "sin base de datos";
        QVERIFY(!conBd || preparacion.isEmpty() || e.ejecutar(preparacion));
        bool activo = !acepta;
        QVERIFY(DatosBusqueda(conBd ? e.bd.get() : nullptr).clienteActivo(idCli, activo));
        QCOMPARE(activo, acepta);
        QCOMPARE(e.dialogos.ultimoMensaje().left(mensaje.size()), mensaje);
        QCOMPARE(e.dialogos.mensajes.isEmpty(), mensaje.isEmpty());
    }

    void fichaDelCliente_data() {
        // textos: code, trade name, legal name; empty: no card
        columnas<int, QStringList, QString>("idCli", "textos", "mensaje");
        QTest::newRow("con apellidos") << 4 << QStringList{"103", "Electricidad Muñoz", "Dolores Muñoz Sáez"} << "";
        QTest::newRow("sin apellidos") << 3 << QStringList{"102", "Reformas del Norte", "Carlos"} << "";
        QTest::newRow("no existe") << 99 << QStringList{} << "No existe el cliente 99.";
    }
    void fichaDelCliente() {
        const auto [idCli, textos] = leerFila<int, QStringList>("idCli", "textos");
        Entorno e;
        std::unique_ptr<QObject> cli;
        QVERIFY(Componentes::crear("VMCLIENTES.VMCLI", cli));
        Componentes::asignar(cli.get(), "MyBd", QVariant::fromValue<QObject *>(e.bd.get()));
        Componentes::asignar(cli.get(), "idCli", idCli);
        QStringList vistos;
        e.dialogos.manejadores << [&](QDialog *d) {
            for (const char *n : {"txtCodigo", "txtComercial", "txtRazonSocial"})
                vistos << control<QLineEdit>(d, n)->text();
            d->reject();
        };
        QVERIFY(Componentes::llamar(cli.get(), "vShow"));
        QCOMPARE(vistos, textos);
        QCOMPARE(e.dialogos.modales, textos.isEmpty() ? QStringList{} : QStringList{"frmFichaCliente"});
        QTEST(e.dialogos.ultimoMensaje(), "mensaje");
    }
};

QTEST_MAIN(TstSearch)
#include "tst_search.moc"
