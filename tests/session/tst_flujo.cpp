// The screens together, as a user goes through them from the host's one call:
// search, case-file editor, action editor, and back, each refreshing its opener.
// A new case file's path is the search's and the editor's suites' own.
#include "fixture.h"
#include "modexp.h"
#include "registro_componentes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

namespace {
void activar(QDialog *d) {
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
}

// Escape closes a screen; after a message the first one only clears the key marker.
void cerrarConEscape(QDialog *d) {
    for (int i = 0; i < 3 && d->isVisible(); ++i) {
        QTest::keyPress(d, Qt::Key_Escape);
        QTest::keyRelease(d, Qt::Key_Escape);
    }
    QVERIFY(!d->isVisible());
}
} // namespace

class TstFlujo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registrarComponentesSuite(); }
    void abrirExpedienteYCambiarUnaActuacion() {
        Entorno e;
        const auto busquedas = [&] { return e.sentencias.filter("FROM Exp  Where Exp_Origen").size(); };
        bool editorVisto = false, accionVista = false;
        e.dialogos.manejadores << [&](QDialog *busqueda) {
            activar(busqueda);
            auto *grid = control<QTableView>(busqueda, "DataGrid1");
            QCOMPARE(grid->model()->rowCount(), 4); // the customers' case files of the demo
            grid->setCurrentIndex(grid->model()->index(0, 1));
            const qsizetype antes = busquedas();
            pulsar(busqueda, "cmdGrabar");
            QVERIFY(editorVisto && accionVista);
            QCOMPARE(busquedas(), antes + 1); // the list is searched again when the editor closes
            cerrarConEscape(busqueda);
        };
        e.dialogos.manejadores << [&](QDialog *editor) {
            editorVisto = true;
            activar(editor);
            QCOMPARE(gExpe->IdExp(), 1);
            QCOMPARE(gExpe->IdCliente(), 1);
            QCOMPARE(control<QLineEdit>(editor, "Text1_1")->text(), QString("Construcciones Álvarez"));
            QCOMPARE(control<QPlainTextEdit>(editor, "Text1_4")->toPlainText(), QString("Reforma de nave industrial"));
            auto *arbol = control<QTreeWidget>(editor, "TreeView1");
            const auto nodos = arbol->findItems("Presupuesto de cubierta", Qt::MatchContains | Qt::MatchRecursive);
            QCOMPARE(nodos.size(), 1);
            arbol->scrollToItem(nodos.first());
            arbol->setCurrentItem(nodos.first());
            const QPoint punto = arbol->visualItemRect(nodos.first()).center();
            // A view only takes a double click on the item the press went to.
            QTest::mouseClick(arbol->viewport(), Qt::LeftButton, {}, punto);
            QTest::mouseDClick(arbol->viewport(), Qt::LeftButton, {}, punto);
            QVERIFY(accionVista);
            // Rebuilt after the action editor: the changed description is there.
            QCOMPARE(arbol->findItems("Presupuesto revisado", Qt::MatchContains | Qt::MatchRecursive).size(), 1);
            cerrarConEscape(editor);
        };
        e.dialogos.manejadores << [&](QDialog *accion) {
            accionVista = true;
            activar(accion);
            QCOMPARE(gExpe->IdAct(), 2);
            QCOMPARE(control<QLineEdit>(accion, "Text1_9")->text(), QString("125.000,50"));
            const std::pair<const char *, const char *> teclas[] = {{"Text1_10", "Presupuesto revisado"},
                                                                    {"Text1_9", "130000,5"}};
            for (const auto &[nombre, texto] : teclas) {
                auto *c = control<QLineEdit>(accion, nombre);
                c->setFocus();
                c->selectAll();
                QTest::keyClicks(c, texto);
            }
            pulsar(accion, "cmdGuardar");
            QCOMPARE(e.dialogos.ultimoMensaje(), QString("Grabación realizada. "));
            cerrarConEscape(accion);
        };
        QVERIFY(e.expe->vExpedientes());
        QCOMPARE(e.dialogos.modales, (QStringList{"frmExpedientes", "frmExpedientes1", "frmExpedientes2"}));
        QCOMPARE(e.valor("SELECT Act_Importe FROM Act WHERE Act_Id = 2").toDouble(), 130000.5);
        QCOMPARE(e.valor("SELECT Act_Des FROM Act WHERE Act_Id = 2").toString(), QString("Presupuesto revisado"));
        QCOMPARE(e.cuenta("Act"), 7);
    }
};

QTEST_MAIN(TstFlujo)
#include "tst_flujo.moc"
