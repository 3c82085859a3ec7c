// The action editor's record: loading, sizes, saving and the keyboard, offscreen against
// a fresh demo database.
#include "datosactuacion.h"
#include "fixture.h"
#include "formulario.h"
#include "pantallas.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

namespace {
int px(int twips) { return Formulario::px(twips); }
} // namespace

class TstActions : public QObject {
    Q_OBJECT

    std::unique_ptr<Entorno> e;
    std::unique_ptr<QDialog> w;

    // Opens the editor as the case-file editor does: ids in the session, then by name.
    Formulario *abrir(int idExp, int idAct) {
        e->expe->setIdExp(idExp);
        e->expe->setIdAct(idAct);
        auto fabrica = Pantallas::fabrica(QStringLiteral("frmExpedientes2"));
        if (!fabrica)
            return nullptr;
        w.reset(fabrica(nullptr));
        if (!mostrar(w.get()))
            qWarning("la pantalla no se ha activado");
        return static_cast<Formulario *>(w.get());
    }
    QLineEdit *campo(const QString &nombre) const { return w->findChild<QLineEdit *>(nombre); }
    QComboBox *tipos() const { return w->findChild<QComboBox *>("cboActu"); }
    QCheckBox *web() const { return w->findChild<QCheckBox *>("chkWeb"); }
    // The date field has the focus once the screen is shown, so it holds bare digits;
    // cases about other fields give it a day-first date of their own.
    void fecha(const QString &texto = QStringLiteral("15/03/2024")) const { campo("Text1_8")->setText(texto); }
    void guardar() const { pulsar(w.get(), "cmdGuardar"); }
    QVariant columna(const QString &col, int idAct) const {
        return e->valor(QStringLiteral("SELECT %1 FROM Act WHERE Act_Id = %2").arg(col).arg(idAct));
    }

private slots:
    void init() { e = std::make_unique<Entorno>(); }
    void cleanup() {
        w.reset();
        e.reset();
    }

    void actuacionExistente_data() {
        columnas<QVariant, int, QString, bool>("operario", "marcaWeb", "realizadoPor", "marcado");
        QTest::newRow("sin operario, no web") << QVariant() << 0 << QString() << false;
        QTest::newRow("web con 5") << QVariant(QStringLiteral("Lucía García Ortiz")) << 5
                                   << QStringLiteral("Lucía García Ortiz") << true;
        QTest::newRow("web con 1") << QVariant(QStringLiteral("Jorge")) << 1 << QStringLiteral("Jorge") << true;
    }
    void actuacionExistente() {
        const auto [operario, marcaWeb] = leerFila<QVariant, int>("operario", "marcaWeb");
        QVERIFY(e->ejecutar(QStringLiteral("UPDATE Act SET Act_Operario = %1, Act_IdOperario = %2 WHERE Act_Id = 4")
                                .arg(operario.isValid() ? "'" + operario.toString() + "'" : QStringLiteral("NULL"))
                                .arg(marcaWeb)));
        e->expe->setIdExp(1);
        e->expe->setIdAct(4);
        const qint64 idas = e->conexion->idasYVueltas();
        w.reset(Pantallas::fabrica(QStringLiteral("frmExpedientes2"))(nullptr));
        QCOMPARE(e->conexion->idasYVueltas() - idas, enServidor() ? 1 : 4); // the reads go ahead together
        QCOMPARE(campo("Text1_8")->text(), QStringLiteral("01/03/2024"));
        QCOMPARE(campo("Text1_9")->text(), QStringLiteral("41.666,83"));
        QCOMPARE(campo("Text1_10")->text(), QStringLiteral("Factura del primer hito"));
        QCOMPARE(tipos()->currentText(), QStringLiteral("Factura"));
        QTEST(campo("Text1_1")->text(), "realizadoPor");
        QTEST(web()->isChecked(), "marcado");
        // An existing action shows its documents' panel.
        QCOMPARE(w->height(), px(8295));
    }

    void grabar_data() {
        columnas<int, bool>("idAct", "marcado");
        QTest::newRow("nueva, web") << 0 << true;
        QTest::newRow("existente, sin web") << 6 << false;
    }
    void grabar() {
        const auto [idAct, marcado] = leerFila<int, bool>("idAct", "marcado");
        // State columns that every save must put back.
        QVERIFY(e->ejecutar(QStringLiteral("UPDATE Act SET Act_Estado = 2, Act_IdUsuEstado = 3, "
                                           "Act_FEstado = '2024-05-05 10:00:00'")));
        const int antes = e->cuenta(QStringLiteral("Act"));
        e->expe->setIdActF(0);
        e->dialogos.respuestas << vb::vbNo;
        QVERIFY(abrir(3, idAct));
        QSignalSpy fin(w.get(), &QDialog::finished);
        campo("Text1_8")->setText(QStringLiteral("15/03/2024"));
        tipos()->setCurrentIndex(2);
        campo("Text1_9")->setText(QStringLiteral("350,25"));
        campo("Text1_10")->setText(QStringLiteral("Revisión del cuadro: ñandú «A»"));
        campo("Text1_1")->setText(QStringLiteral("Lucía García Ortiz"));
        web()->setChecked(marcado);
        guardar();
        const int id = e->expe->IdAct();
        QVERIFY(id > 0);
        QCOMPARE(id, idAct ? idAct : e->valor(QStringLiteral("SELECT MAX(Act_Id) FROM Act")).toInt());
        QCOMPARE(e->cuenta(QStringLiteral("Act")), antes + (idAct ? 0 : 1));
        QCOMPARE(columna("Act_Fecha", id).toDate(), QDate(2024, 3, 15));
        QCOMPARE(e->cuenta(QStringLiteral("Act WHERE Act_Id = %1 AND Act_IdUsu = 1 AND Act_IdExp = 3 AND Act_IdTac = 2 "
                                          "AND Act_Des = 'Revisión del cuadro: ñandú «A»' AND Act_Importe = 350.25 AND "
                                          "Act_Operario = 'Lucía García Ortiz' AND Act_IdOperario = %2 AND Act_Estado = 0 "
                                          "AND Act_IdUsuEstado IS NULL AND Act_FEstado IS NULL").arg(id).arg(marcado ? 1 : 0)),
                 1);
        // Another action is left alone.
        QCOMPARE(columna("Act_Estado", 1).toInt(), 2);
        // The question of a save without a current document; No closed the screen.
        QCOMPARE(e->dialogos.mensajes.size(), 1);
        QCOMPARE(fin.size(), 1);
    }

    // The date is edited as bare digits and shown day-first again on leaving; the amount
    // takes the company's decimals on leaving.
    void formatoAlEntrarYSalir_data() {
        columnas<QString, QString, QString, QString>("nombre", "inicial", "dentro", "fuera");
        QTest::newRow("fecha") << "Text1_8" << "05/03/2024" << "05032024" << "05/03/2024";
        QTest::newRow("importe") << "Text1_9" << "1234,5" << "1234,5" << "1.234,50";
        QTest::newRow("fecha vacía") << "Text1_8" << "" << "" << "";
    }
    void formatoAlEntrarYSalir() {
        const auto [nombre, inicial] = leerFila<QString, QString>("nombre", "inicial");
        QVERIFY(abrir(1, 0));
        auto *c = w->findChild<QLineEdit *>(nombre);
        campo("Text1_10")->setFocus();
        QTRY_VERIFY(campo("Text1_10")->hasFocus());
        c->setText(inicial);
        c->setFocus();
        QTRY_VERIFY(c->hasFocus());
        QTEST(c->text(), "dentro");
        campo("Text1_10")->setFocus();
        QTRY_VERIFY(!c->hasFocus());
        QTEST(c->text(), "fuera");
    }

    // Nothing typed: leaving the date field for the button puts today's date back in shape,
    // and the empty amount is stored as zero. The next save changes that same action.
    void grabarSinTeclearYOtraVez() {
        e->expe->setIdActF(0);
        e->dialogos.respuestas << vb::vbYes;
        QVERIFY(abrir(1, 0));
        const int antes = e->cuenta("Act");
        QVERIFY(campo("Text1_8")->hasFocus());
        guardar();
        const int id = e->expe->IdAct();
        QVERIFY(id > 0);
        QCOMPARE(columna("Act_Fecha", id).toDate(), QDate::currentDate());
        QCOMPARE(columna("Act_Importe", id).toDouble(), 0.0);
        QCOMPARE(e->cuenta("Act"), antes + 1);
        campo("Text1_10")->setText(QStringLiteral("Segunda"));
        guardar();
        QCOMPARE(e->cuenta("Act"), antes + 1);
        QCOMPARE(e->expe->IdAct(), id);
        QCOMPARE(columna("Act_Des", id).toString(), QStringLiteral("Segunda"));
        // Not a conflict with its own first save; it asks again: there is still no current document.
        QCOMPARE(e->dialogos.mensajes.size(), 2);
    }

    void preguntaAlGrabar_data() {
        columnas<int, int, int>("idAct", "idActF", "respuesta");
        QTest::newRow("sin documento, Sí") << 0 << 0 << int(vb::vbYes);
        QTest::newRow("sin documento, No") << 0 << 0 << int(vb::vbNo);
        QTest::newRow("documento actual de antes") << 0 << 1 << int(vb::vbOK);
        // Its list makes its first document current.
        QTest::newRow("acción con documentos") << 2 << 0 << int(vb::vbOK);
    }
    void preguntaAlGrabar() {
        const auto [idAct, idActF, respuesta] = leerFila<int, int, int>("idAct", "idActF", "respuesta");
        e->expe->setIdActF(idActF);
        e->dialogos.respuestas << respuesta;
        QVERIFY(abrir(1, idAct));
        const int altoInicial = w->height();
        QSignalSpy fin(w.get(), &QDialog::finished);
        fecha();
        const int izquierda = w->x();
        guardar();
        QCOMPARE(e->dialogos.mensajes.size(), 1);
        if (idActF != 0 || idAct != 0) {
            QCOMPARE(e->dialogos.ultimoMensaje(), QStringLiteral("Grabación realizada. "));
            QCOMPARE(w->height(), altoInicial);
            QVERIFY(fin.isEmpty());
            return;
        }
        QCOMPARE(e->dialogos.ultimoMensaje(),
                 QStringLiteral("Grabación realizada. Desea agregar documentos a esta actuación"));
        if (respuesta == vb::vbNo) {
            QCOMPARE(fin.size(), 1);
            QVERIFY(!w->isVisible());
            return;
        }
        // Grown to show the documents' panel, centred again on the screen's height.
        QVERIFY(fin.isEmpty());
        QCOMPARE(w->height(), px(8295));
        QCOMPARE(w->x(), izquierda);
        QCOMPARE(w->y(), w->screen()->geometry().height() / 2 - px(8295) / 2);
    }

    void escape_data() {
        // marca: how the marker is set first
        columnas<QString, bool>("marca", "cierra");
        QTest::newRow("sin marca") << "" << true;
        QTest::newRow("tras grabar") << "grabar" << false;
        QTest::newRow("tras F1") << "F1" << false;
        QTest::newRow("F1 y otra tecla") << "F1+A" << true;
    }
    void escape() {
        const auto [marca, cierra] = leerFila<QString, bool>("marca", "cierra");
        e->expe->setIdActF(1);
        QVERIFY(abrir(1, 4));
        QSignalSpy fin(w.get(), &QDialog::finished);
        auto *des = campo("Text1_10");
        des->setFocus();
        QTRY_VERIFY(des->hasFocus());
        if (marca == QLatin1String("grabar"))
            guardar();
        if (marca.startsWith(QLatin1String("F1")))
            QTest::keyRelease(des, Qt::Key_F1);
        if (marca.endsWith(QLatin1String("+A")))
            QTest::keyRelease(des, Qt::Key_A);
        QTest::keyRelease(des, Qt::Key_Escape);
        QCOMPARE(fin.size(), cierra ? 1 : 0);
        QCOMPARE(w->isVisible(), !cierra);
        if (!cierra) {
            // The next Escape closes it.
            QTest::keyRelease(des, Qt::Key_Escape);
            QCOMPARE(fin.size(), 1);
        }
        // Escape never saves.
        QCOMPARE(columna("Act_Des", 4).toString(), QStringLiteral("Factura del primer hito"));
    }

    // A refused save keeps what was typed: a bad date or amount, a database that refuses
    // new rows, or an action another user changed meanwhile.
    void grabacionRechazada_data() {
        // idAct 0: a new one. otro: run once the screen is open, or "rechazo" (inserts refused before).
        // guardada: the description action 4 keeps.
        columnas<int, QString, QString, QString, QString, QString>("idAct", "fecha", "importe", "otro", "motivo",
                                                                   "guardada");
        const QString hito = "Factura del primer hito";
        // clang-format off
        QTest::newRow("rechazada por la base") << 0 << "15/03/2024" << "10" << "rechazo" << "sin permiso" << hito;
        QTest::newRow("fecha imposible") << 0 << "31/02/2024" << "10" << "" << "31/02/2024" << hito;
        QTest::newRow("importe ilegible") << 0 << "15/03/2024" << "diez" << "" << "diez" << hito;
        QTest::newRow("fecha no válida, existente") << 4 << "30/02/2024" << "10" << "" << "30/02/2024" << hito;
        QTest::newRow("cambiada por otro") << 4 << "01/03/2024" << "10" << "UPDATE Act SET Act_Des = 'De otro' WHERE Act_Id = 4"
                                           << "otro usuario ha modificado la actuación" << "De otro";
        // clang-format on
    }
    void grabacionRechazada() {
        const auto [idAct, fecha, importe, otro, motivo] =
            leerFila<int, QString, QString, QString, QString>("idAct", "fecha", "importe", "otro", "motivo");
        if (otro == "rechazo")
            QVERIFY(e->rechazar("Act", "INSERT", "sin permiso"));
        const int antes = e->cuenta("Act");
        e->expe->setIdActF(idAct ? 1 : 0);
        QVERIFY(abrir(1, idAct));
        QVERIFY(otro.isEmpty() || otro == "rechazo" || e->ejecutar(otro));
        QSignalSpy fin(w.get(), &QDialog::finished);
        const QStringList tecleado{fecha, importe, "Escrito por el usuario"};
        for (int i = 0; i < 3; ++i)
            campo(QStringLiteral("Text1_%1").arg(8 + i))->setText(tecleado[i]);
        guardar();
        QCOMPARE(e->expe->IdAct(), idAct);
        QCOMPARE(e->cuenta("Act"), antes);
        QTEST(columna("Act_Des", 4).toString(), "guardada");
        QVERIFY(!e->conexion->enTransaccion());
        // Reported with its reason instead of the confirmation; nothing typed is lost.
        QCOMPARE(e->dialogos.mensajes.size(), 1);
        const QString m = e->dialogos.ultimoMensaje();
        QVERIFY2(m.startsWith("No se ha podido grabar la actuación.") && m.contains(motivo), qPrintable(m));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(campo(QStringLiteral("Text1_%1").arg(8 + i))->text(), tecleado[i]);
        QCOMPARE(w->height(), px(idAct ? 8295 : 2325));
        QVERIFY(fin.isEmpty());
        QCOMPARE(static_cast<Formulario *>(w.get())->Tag, QStringLiteral("e"));
    }

    // The save's data service alone: each in its own transaction.
    void escrituraDeLaActuacion_data() {
        columnas<int, QStringList>("idAct", "sentencias");
        const QString insert = "INSERT INTO Act (Act_Fecha,Act_IdUsu,Act_IdExp,Act_IdTac,Act_Des,Act_Importe,Act_Estado,"
                               "Act_IdUsuEstado,Act_FEstado,Act_Operario,Act_IdOperario) VALUES (?,?,?,?,?,?,?,Null,Null,?,?)";
        // What was saved is read back (%1: its id): the next save expects it.
        const QString leida = "SELECT * FROM Act WHERE Act_Id = %1";
        QTest::newRow("nueva") << 0 << QStringList{inicioGuardado(), insert, leida, "COMMIT TRANSACTION"};
        QTest::newRow("existente") << 6
                                   << QStringList{inicioGuardado(),
                                                  "UPDATE Act SET Act_Fecha = ?,Act_IdUsu = ?,Act_IdExp = ?,Act_IdTac = ?,"
                                                  "Act_Des = ?,Act_Importe = ?,Act_Estado = ?,Act_IdUsuEstado = Null,"
                                                  "Act_FEstado = Null,Act_Operario = ?,Act_IdOperario = ? WHERE Act_Id = 6",
                                                  leida, "COMMIT TRANSACTION"};
    }
    void escrituraDeLaActuacion() {
        auto [idAct, sentencias] = leerFila<int, QStringList>("idAct", "sentencias");
        const int antes = e->cuenta(QStringLiteral("Act"));
        int id = idAct;
        e->sentencias.clear();
        const Resultado r = DatosActuacion(e->bd.get()).grabar({.fecha = "15/03/2024", .idExp = 3, .importe = 1}, id);
        sentencias.replaceInStrings("%1", QString::number(id));
        QCOMPARE(e->sentencias, sentencias);
        QVERIFY(r.ok());
        QCOMPARE(id, idAct ? idAct : e->valor("SELECT MAX(Act_Id) FROM Act").toInt());
        QCOMPARE(e->cuenta(QStringLiteral("Act")), antes + (idAct ? 0 : 1));
    }
};

QTEST_MAIN(TstActions)
#include "tst_actions.moc"
