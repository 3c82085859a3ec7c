// The case-file editor driven as a user would, against a real database: load, save,
// keys, the authorised users and the actions tree.
#include "arbolactuaciones.h"
#include "componentes.h"
#include "datosexpediente.h"
#include "fixture.h"
#include "frmexpedientes1.h"
#include "modexp.h"
#include "pantallas.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

namespace {
// The editor open and active, with short ways to its controls.
struct Pantalla {
    std::unique_ptr<frmExpedientes1> f = std::make_unique<frmExpedientes1>();
    frmExpedientes1 *operator->() const { return f.get(); }
    template <class T = QLineEdit> T *w(const QString &nombre) const { return control<T>(f.get(), nombre); }
    QLineEdit *t(int i) const { return w(QStringLiteral("Text1_%1").arg(i)); }
    QComboBox *cb(const char *nombre) const { return w<QComboBox>(nombre); }
    QString etiqueta(const char *nombre) const { return w<QLabel>(nombre)->text(); }
    QPlainTextEdit *descripcion() const { return w<QPlainTextEdit>("Text1_4"); }
    QTreeWidget *arbol() const { return w<QTreeWidget>("TreeView1"); }
    QTableView *rejilla() const { return w<QTableView>("dbgUsuarios"); }
    int usuarios() const { return rejilla()->model()->rowCount(); }
    bool panel() const { return w<QGroupBox>("fraUsuarios")->isEnabled(); }
    void pulsar(const char *boton) const { ::pulsar(f.get(), boton); }
    void opcion(const QString &o) const { QTest::mouseClick(w<QRadioButton>(o), Qt::LeftButton); }
};

Pantalla abrir(Entorno &e, int idExp) {
    e.expe->setIdExp(idExp);
    Pantalla p;
    if (!mostrar(p.f.get()))
        qWarning("la pantalla no se ha activado");
    return p;
}

void escribir(QLineEdit *campo, const QString &t) {
    campo->setFocus();
    campo->selectAll();
    QTest::keyClick(campo, Qt::Key_Delete);
    QTest::keyClicks(campo, t);
}

// Each node as "text[*bold]=tag [children...]"; children sorted, as rows with equal
// sort keys may come in either order.
QStringList nodos(QTreeWidget *t) {
    const auto uno = [](QTreeWidgetItem *n) {
        return n->text(0) + (n->font(0).bold() ? QStringLiteral("*") : QString()) + u'='
               + n->data(0, ArbolActuaciones::kRolEtiqueta).toString();
    };
    QStringList r;
    for (int i = 0; i < t->topLevelItemCount(); ++i) {
        QTreeWidgetItem *n = t->topLevelItem(i);
        QStringList hijos;
        for (int j = 0; j < n->childCount(); ++j)
            hijos << uno(n->child(j));
        hijos.sort();
        r << uno(n) + (hijos.isEmpty() ? QString() : QStringLiteral(" [") + hijos.join(u'|') + u']');
    }
    return r;
}

QString hoy() { return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); }

// Case file 9 of user 1 with actions chosen for the groupings: two at the same date
// and time, one a few hours later, a type without a Tac row, names differing in case,
// one without a person, and a published one.
void prepararActuaciones(Entorno &e) {
    QVERIFY(e.ejecutar("INSERT INTO Exp (Exp_Id, Exp_IdCli, Exp_IdTipo, Exp_Fini, Exp_Des, Exp_Obs, Exp_Presup, "
                       "Exp_Proceso, Exp_Origen, Exp_Estado, Exp_IdUsu) VALUES (9, 1, 1, '2024-05-01 00:00:00', "
                       "'Pruebas del árbol', '', 0, 15, 0, 1, 1)"));
    QVERIFY(e.ejecutar(
        "INSERT INTO Act (Act_Id, Act_IdExp, Act_Fecha, Act_IdTac, Act_Des, Act_Operario, Act_IdOperario) VALUES "
        "(101, 9, '2024-05-10 09:00:00', 2, 'Llamada inicial', 'Ana', 0),"
        "(102, 9, '2024-05-10 12:00:00', 1, NULL, 'ana', 0),"
        "(103, 9, '2024-05-10 17:30:00', 9, 'Sin tipo', NULL, 0),"
        "(104, 9, '2024-05-11 00:00:00', 2, 'Seguimiento', 'Ana', 1),"
        "(105, 9, '2024-05-10 09:00:00', 3, 'Visita técnica', 'Luis', 0)"));
}

// The action editor's stand-in: an empty dialog the script closes.
void registrarEditorActuacion() {
    Pantallas::registrar(QStringLiteral("frmExpedientes2"), [](QWidget *p) -> QDialog * {
        auto *d = new QDialog(p);
        d->setObjectName(QStringLiteral("frmExpedientes2"));
        return d;
    });
}
} // namespace

class TstCasefile : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        Pantallas::registrar(QStringLiteral("frmExpedientes2"), {});
        Componentes::quitar(QStringLiteral("VMCLIENTES.VMCLI"));
    }

    void contraparteDelQueAbre() {
        Entorno e;
        e.expe->setIdExp(6);
        // The opener reaches the editor by name, as the search screen does.
        const auto preparar = [](QDialog *d) {
            QVERIFY(QMetaObject::invokeMethod(d, "mostrarContraparte", Q_ARG(QString, "Proveedor"), Q_ARG(QString, "501 "),
                                              Q_ARG(QString, "Maderas Peñalara")));
        };
        QStringList vistos;
        e.dialogos.manejadores << [&](QDialog *d) {
            vistos << control<QLineEdit>(d, "Text1_0")->text() << control<QLineEdit>(d, "Text1_1")->text()
                   << control<QLabel>(d, "Label1_1")->text() << textosCortados(d);
        };
        QVERIFY(Pantallas::abrirModal("frmExpedientes1", nullptr, nullptr, preparar) >= 0);
        QCOMPARE(vistos, QStringList({"501 ", "Maderas Peñalara", "Proveedor"}));
    }

    void errorAlCargar_data() {
        columnas<QString, int, QString>("preparacion", "idExp", "mensaje");
        const QString err = QStringLiteral("Error (Expedientes 1[1]): ");
        QTest::newRow("no existe") << "" << 99 << err + "No existe el expediente 99.";
        QTest::newRow("descripción nula") << "UPDATE Exp SET Exp_Des = NULL WHERE Exp_Id = 1" << 1
                                          << err + "Uso no válido de Null: el campo Exp_Des del expediente no tiene valor.";
        QTest::newRow("tipo fuera de la lista") << "UPDATE Exp SET Exp_IdTipo = 9 WHERE Exp_Id = 1" << 1
                                                << err + "El tipo de expediente 9 no está en la lista de tipos.";
        QTest::newRow("sin estados") << "DELETE FROM vmcomun.situaciones" << 0
                                     << err + "No hay estados de expediente definidos (situaciones del proceso 15).";
        QTest::newRow("usuarios") << "ALTER TABLE ExpPer RENAME TO ExpPer2" << 1 << "Error (Expedientes 1[2]): ";
        QTest::newRow("actuaciones") << "ALTER TABLE Act RENAME TO ActAntigua" << 1 << err;
    }
    void errorAlCargar() {
        const auto [preparacion, idExp, mensaje] = leerFila<QString, int, QString>("preparacion", "idExp", "mensaje");
        Entorno e;
        QVERIFY(preparacion.isEmpty() || e.ejecutar(preparacion));
        Pantalla p = abrir(e, idExp);
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QVERIFY2(e.dialogos.mensajes[0].texto.startsWith(mensaje), qPrintable(e.dialogos.mensajes[0].texto));
        QVERIFY(p->isVisible()); // the screen opens with what had been filled
        if (QTest::currentDataTag() == QByteArray("descripción nula"))
            QCOMPARE(p.t(2)->text(), QStringLiteral("15/01/2024"));
    }

    void propietarioYPanelDeUsuarios_data() {
        columnas<int, int, QString, QString, bool>("usuario", "idExp", "preparacion", "propietario", "panel");
        QTest::newRow("del propio usuario") << 1 << 1 << "" << "Administrador del Sistema" << true;
        QTest::newRow("de otro usuario") << 1 << 2 << "" << "María José Fernández" << false;
        QTest::newRow("sin creador") << 1 << 1 << "UPDATE Exp SET Exp_IdUsu = NULL WHERE Exp_Id = 1" << "" << false;
        QTest::newRow("creador sin nombre") << 5 << 1 << "UPDATE Exp SET Exp_IdUsu = 5 WHERE Exp_Id = 1" << "" << true;
    }
    void propietarioYPanelDeUsuarios() {
        const auto [usuario, idExp, preparacion, panel] =
            leerFila<int, int, QString, bool>("usuario", "idExp", "preparacion", "panel");
        Entorno e(usuario);
        QVERIFY(preparacion.isEmpty() || e.ejecutar(preparacion));
        Pantalla p = abrir(e, idExp);
        QTEST(p.t(9)->text(), "propietario");
        QCOMPARE(p.panel(), panel);
        // The grid lists the authorised users either way; the buttons react only for the creator.
        QAbstractItemModelTester probador(p.rejilla()->model());
        QCOMPARE(p.usuarios(), e.cuenta(QStringLiteral("ExpPer WHERE ExpPer_IdExp = %1").arg(idExp)));
        p.pulsar("Command3");
        QCOMPARE(e.dialogos.mensajes.size(), panel ? 1 : 0);
    }

    void estadoDelHistorialFueraDeLaLista() {
        Entorno e;
        QVERIFY(e.ejecutar("INSERT INTO Est (Est_Proceso, Est_IdTabla, Est_Estado, Est_FEstado, Est_IdUsu) "
                           "VALUES (15, 1, 9, '2025-03-07 10:00:00', 1)"));
        // On the server the opening's reads go ahead in one round trip; the creator's name waits for the row.
        const qint64 idas = e.conexion->idasYVueltas();
        Pantalla p = abrir(e, 1);
        QCOMPARE(e.conexion->idasYVueltas() - idas, enServidor() ? 2 : 7);
        QCOMPARE(p.cb("cboEstado")->currentIndex(), 0);
        QCOMPARE(p.etiqueta("Label2"), QStringLiteral("(07/03/2025)"));
        QVERIFY(e.dialogos.mensajes.isEmpty());
        // Case file 2's latest status is 3 (Cerrado), set on 30/04/2024.
        Pantalla otra = abrir(e, 2);
        QCOMPARE(otra.cb("cboEstado")->currentText(), QStringLiteral("03 - Cerrado"));
        QCOMPARE(otra.etiqueta("Label2"), QStringLiteral("(30/04/2024)"));
        QCOMPARE(otra.t(3)->text(), QStringLiteral("30/04/2024"));
        QCOMPARE(otra.t(6)->text(), QStringLiteral("0,00"));
    }

    void grabarNuevo_data() {
        columnas<int, int>("respuesta", "permisos");
        QTest::newRow("todos los usuarios") << int(vb::vbYes) << 5;
        QTest::newRow("solo el creador") << int(vb::vbNo) << 1;
    }
    void grabarNuevo() {
        QFETCH(int, respuesta);
        Entorno e(2);
        e.expe->setIdCliente(4);
        e.expe->setOrigen(1);
        Pantalla p = abrir(e, 0);
        p.descripcion()->setFocus();
        QTest::keyClicks(p.descripcion(), QStringLiteral("Placas solares en la nave"));
        escribir(p.t(5), QStringLiteral("Pedir permiso de obra"));
        p.cb("cboTipo")->setCurrentIndex(3);
        p.cb("cboEstado")->setCurrentIndex(1);
        e.dialogos.respuestas << respuesta;
        p.pulsar("cmdGrabar");
        QCOMPARE(e.dialogos.mensajes.size(), 2);
        QCOMPARE(e.dialogos.mensajes[0].texto,
                 QStringLiteral("Desea dar permisos a todos los usuarios para poder trabajar con el nuevo expediente"));
        QCOMPARE(e.dialogos.mensajes[1].texto, QStringLiteral("Proceso concluido"));
        // What the screen puts in the save; the save's own writes are the service's test.
        QCOMPARE(e.expe->IdExp(), 9);
        QCOMPARE(e.cuenta("Exp WHERE Exp_Id = 9 AND Exp_IdCli = 4 AND Exp_IdTipo = 3 AND Exp_Origen = 1 AND Exp_Estado = 2 "
                          "AND Exp_Des = 'Placas solares en la nave' AND Exp_Obs = 'Pedir permiso de obra'"),
                 1);
        QCOMPARE(e.valor("SELECT Exp_Fini FROM Exp WHERE Exp_Id = 9").toDate(), QDate::currentDate());
        QTEST(e.cuenta("ExpPer WHERE ExpPer_IdExp = 9"), "permisos");
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 9 AND ExpPer_IdUsu = 2"), 1);
        // The reload shows the stored case file as its creator's.
        QCOMPARE(p.t(9)->text(), QStringLiteral("María José Fernández"));
        QVERIFY(p.panel());
        QCOMPARE(p.etiqueta("Label2"), u'(' + hoy() + u')');
    }

    void grabarExistenteDosVeces() {
        Entorno e(3);
        Pantalla p = abrir(e, 3);
        QCOMPARE(p.t(7)->text(), QStringLiteral("MT-77"));
        QCOMPARE(p.t(6)->text(), QStringLiteral("3200,00"));
        const int permisos = e.cuenta("ExpPer WHERE ExpPer_IdExp = 3");
        escribir(p.t(5), QStringLiteral("Revisado"));
        for (int estado : {2, 3}) {
            p.cb("cboEstado")->setCurrentIndex(estado);
            const qint64 idas = e.conexion->idasYVueltas();
            p.pulsar("cmdGrabar");
            // Its transaction (6), then the reload: on the server its reads in one round trip.
            QCOMPARE(e.conexion->idasYVueltas() - idas, enServidor() ? 7 : 10);
            QCOMPARE(e.cuenta("Est WHERE Est_IdTabla = 3"), estado);
            QCOMPARE(p.cb("cboEstado")->currentIndex(), estado);
        }
        QCOMPARE(e.dialogos.mensajes.size(), 2);
        for (const auto &m : e.dialogos.mensajes)
            QCOMPARE(m.texto, QStringLiteral("Proceso concluido"));
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 3"), permisos);
        QCOMPARE(e.cuenta("Exp WHERE Exp_Id = 3 AND Exp_Estado = 4 AND Exp_Obs = 'Revisado' AND Exp_IdUsu = 3 "
                          "AND Exp_Codigo = 'MT-77' AND Exp_Presup = 3200"),
                 1);
        QCOMPARE(e.cuenta("Exp"), 8);
        // The latest history row is shown, and the lists are filled once.
        QCOMPARE(p.cb("cboEstado")->currentText(), QStringLiteral("04 - Anulado"));
        QCOMPARE(p.cb("cboEstado")->count(), 4);
    }

    // The save's data service alone: its statements in order inside one transaction, and
    // nothing left of it when a step fails.
    void escrituraDelGuardado_data() {
        // bloqueo: table whose inserts fail
        columnas<int, bool, QString, QStringList>("idExp", "todos", "bloqueo", "sentencias");
        const QString exp = "INSERT INTO Exp (Exp_Fini,Exp_FFin,Exp_IdCli,Exp_IdTipo,Exp_Des,Exp_Obs,Exp_Proceso,Exp_Origen,"
                            "Exp_Presup,Exp_Estado,Exp_Codigo,Exp_Ubicacion,Exp_IdUsu) VALUES (?,Null,?,?,?,?,?,?,?,?,Null,Null,?)";
        const QString est = "INSERT INTO Est (Est_IdUsu,Est_Proceso,Est_IdTabla,Est_Estado,Est_Festado,Est_Obs) "
                            "VALUES (?,?,?,?,Getdate(),Null)";
        const QString usuarios = "SELECT * FROM vmcomun.dbo.Usuarios";
        const QString per = "INSERT INTO ExpPer (ExpPer_IdExp,ExpPer_IdUsu) VALUES (?,?)";
        const QString upd = "UPDATE Exp SET Exp_Fini = ?,Exp_FFin = Null,Exp_IdCli = ?,Exp_IdTipo = ?,Exp_Des = ?,Exp_Obs = ?,"
                            "Exp_Proceso = ?,Exp_Origen = ?,Exp_Presup = ?,Exp_Estado = ?,Exp_Codigo = Null,"
                            "Exp_Ubicacion = Null WHERE Exp_Id = 1";
        const QString begin = inicioGuardado(), commit = "COMMIT TRANSACTION", rollback = "ROLLBACK TRANSACTION";
        // What was saved is read back: the next save expects it.
        const QString leido = "SELECT * FROM Exp WHERE Exp_Id = ";
        QTest::newRow("nuevo, todos") << 0 << true << ""
                                      << (QStringList{begin, exp, est, usuarios} << QStringList(5, per) << leido + "9" << commit);
        QTest::newRow("nuevo, su creador") << 0 << false << ""
                                           << QStringList{begin, exp, est, usuarios + " WHERE Usu_Id = 2", per, leido + "9", commit};
        QTest::newRow("existente, vacíos a nulo") << 1 << true << "" << QStringList{begin, upd, est, leido + "1", commit};
        QTest::newRow("historial bloqueado") << 1 << true << "Est" << QStringList{begin, upd, est, rollback};
        QTest::newRow("permisos bloqueados") << 0 << true << "ExpPer" << QStringList{begin, exp, est, usuarios, per, rollback};
    }
    void escrituraDelGuardado() {
        const auto [idExp, todos, bloqueo, sentencias] =
            leerFila<int, bool, QString, QStringList>("idExp", "todos", "bloqueo", "sentencias");
        Entorno e(2);
        QVERIFY(bloqueo.isEmpty() || e.rechazar(bloqueo, "INSERT", "bloqueado"));
        const int exp = e.cuenta("Exp"), est = e.cuenta("Est"), permisos = e.cuenta("ExpPer");
        ValoresExpediente v{.fini = "01/06/2025", .idCliente = 4, .idTipo = 3, .descripcion = "Placas", .estado = "02"};
        int id = idExp;
        e.sentencias.clear();
        const Resultado r = DatosExpediente(e.bd.get()).grabar(v, id, todos);
        QCOMPARE(e.sentencias, sentencias);
        QVERIFY(!e.conexion->enTransaccion());
        QCOMPARE(r.ok(), bloqueo.isEmpty());
        if (!r) {
            QVERIFY2(r.mensaje().contains("bloqueado"), qPrintable(r.mensaje()));
            QCOMPARE(id, idExp);
            QCOMPARE(QList<int>({e.cuenta("Exp"), e.cuenta("Est"), e.cuenta("ExpPer")}), QList<int>({exp, est, permisos}));
            return;
        }
        QCOMPARE(id, idExp ? idExp : 9);
        QCOMPARE(e.cuenta(QString("Exp WHERE Exp_Id = %1 AND Exp_IdCli = 4 AND Exp_IdTipo = 3 AND Exp_Estado = 2 AND "
                                  "Exp_FFin IS NULL AND Exp_Codigo IS NULL AND Exp_Ubicacion IS NULL AND Exp_Presup = 0")
                              .arg(id)),
                 1);
        QCOMPARE(e.cuenta(QString("Est WHERE Est_IdTabla = %1 AND Est_Estado = 1 AND Est_IdUsu = 2").arg(id)), 1);
    }

    void fallaLaGrabacion_data() {
        columnas<int, int, QString, QString>("idExp", "campo", "valor", "causa");
        // clang-format off
        QTest::newRow("presupuesto no numérico, nuevo") << 0 << 6 << "12-5" << "«12-5» no es un número";
        QTest::newRow("fecha imposible, existente") << 1 << 2 << "31/02/2024" << "Error al modificar en la tabla Exp";
        QTest::newRow("inicio vacío, nuevo") << 0 << 2 << "" << "Error al insertar en la tabla Exp";
        // clang-format on
    }
    void fallaLaGrabacion() {
        const auto [idExp, campo, valor, causa] =
            leerFila<int, int, QString, QString>("idExp", "campo", "valor", "causa");
        Entorno e;
        Pantalla p = abrir(e, idExp);
        const QString guardado = QStringLiteral("Texto que no se debe perder");
        p.descripcion()->setPlainText(guardado);
        p.t(campo)->setText(valor);
        const int est = e.cuenta("Est"), permisos = e.cuenta("ExpPer");
        p.pulsar("cmdGrabar");
        const QString m = e.dialogos.ultimoMensaje();
        QVERIFY2(m.startsWith(QStringLiteral("No se ha guardado el expediente.\n")) && m.contains(causa),
                 qPrintable(m));
        QCOMPARE(QList<int>({e.cuenta("Exp"), e.cuenta("Est"), e.cuenta("ExpPer")}), QList<int>({8, est, permisos}));
        QCOMPARE(e.cuenta("Exp WHERE Exp_Des = '" + guardado + "'"), 0);
        QCOMPARE(e.expe->IdExp(), idExp);
        QCOMPARE(p.descripcion()->toPlainText(), guardado);
        QCOMPARE(p.t(campo)->text(), valor);
        QCOMPARE(p->Tag, QStringLiteral("e"));
    }

    // A date is edited as bare digits, letters refused; an amount pasted as written on paper
    // (the point groups thousands, the comma marks decimals) takes the parameter's decimals.
    void camposAlEditarYGrabar() {
        Entorno e;
        QVERIFY(e.ejecutar("UPDATE Parametros SET Par_Valor = '3' WHERE Par_Clave = 'par_decpre'"));
        Pantalla p = abrir(e, 2);
        QLineEdit *tope = p.t(3);
        tope->setFocus();
        QCOMPARE(tope->text(), QStringLiteral("30042024"));
        QTest::keyClick(tope, Qt::Key_End);
        QTest::keyClick(tope, Qt::Key_Backspace);
        QTest::keyClicks(tope, QStringLiteral("5x"));
        QCOMPARE(tope->text(), QStringLiteral("30042025"));
        p.t(8)->setFocus();
        QCOMPARE(tope->text(), QStringLiteral("30/04/2025"));
        escribir(p.t(6), QString());
        p.t(6)->insert(QStringLiteral("1.234,5"));
        p.t(5)->setFocus();
        QCOMPARE(p.t(6)->text(), QStringLiteral("1.234,500"));
        p.pulsar("cmdGrabar");
        QCOMPARE(e.valor("SELECT Exp_FFin FROM Exp WHERE Exp_Id = 2").toDate(), QDate(2025, 4, 30));
        QCOMPARE(e.valor("SELECT Exp_Presup FROM Exp WHERE Exp_Id = 2").toDouble(), 1234.5);
        QCOMPARE(p.t(6)->text(), QStringLiteral("1234,50"));
    }

    void fichaDelCliente() {
        Entorno e;
        e.expe->setIdCliente(6);
        Pantalla p = abrir(e, 4);
        p.pulsar("Command1");
        QCOMPARE(
            e.dialogos.ultimoMensaje(),
            QStringLiteral("No se puede mostrar la ficha.\nNo se puede crear el componente \"VMCLIENTES.VMCLI\": no "
                           "está registrado."));
        ClienteFalso::olvidar();
        Componentes::registrar(QStringLiteral("VMCLIENTES.VMCLI"), [] { return new ClienteFalso; });
        p.pulsar("Command1");
        QCOMPARE(ClienteFalso::fichasMostradas, 1);
        QCOMPARE(ClienteFalso::ultimoId, 6);
        QCOMPARE(ClienteFalso::ultimoBd, static_cast<QObject *>(e.bd.get()));
        QCOMPARE(e.dialogos.mensajes.size(), 1);
    }

    void vaciarYAnadirUsuarios() {
        Entorno e(3);
        Pantalla p = abrir(e, 6); // its only authorised user is its creator, 3
        QAbstractItemModelTester probador(p.rejilla()->model());
        QCOMPARE(p.usuarios(), 1);
        p.pulsar("Command3"); // the creator's own row, the last one
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 6"), 0);
        QCOMPARE(p.usuarios(), 0);
        QVERIFY(p.panel());
        p.pulsar("Command3"); // nothing left to ask about
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        const auto elegir = [](const QString &nombre) {
            return [nombre](QDialog *d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("Buscar Usuarios del Sistema"));
                escribirYSalir(control<QLineEdit>(d, "txtBuscar"), nombre);
            };
        };
        // The same user twice (the search ignores case), then a cancelled search: one row added.
        e.dialogos.manejadores << elegir(QStringLiteral("garc")) << elegir(QStringLiteral("GARC"));
        for (int i = 0; i < 3; ++i) {
            p.pulsar("Command2");
            QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 6 AND ExpPer_IdUsu = 4"), 1);
            QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 6"), 1);
            QCOMPARE(p.usuarios(), 1);
        }
        QCOMPARE(e.dialogos.modales, QStringList(3, QStringLiteral("frmBuscarPorNombre")));
        QCOMPARE(p.rejilla()->model()->index(0, 1).data().toString(), QStringLiteral("Lucía García Ortiz"));
        QCOMPARE(e.dialogos.mensajes.size(), 1);
    }

    void eliminarUsuario() {
        Entorno e;
        Pantalla p = abrir(e, 1);
        QTableView *g = p.rejilla();
        QAbstractItemModelTester probador(g->model());
        QCOMPARE(p.usuarios(), 4);
        const QModelIndex jorge = g->model()->match(g->model()->index(0, 1), Qt::DisplayRole,
                                                    QStringLiteral("Jorge Núñez Peña"), 1, Qt::MatchExactly).value(0);
        QVERIFY(jorge.isValid());
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(jorge).center());
        e.dialogos.respuestas << vb::vbNo << vb::vbYes;
        p.pulsar("Command3");
        QCOMPARE(e.dialogos.ultimoMensaje(), QStringLiteral("Realmente desea eliminar el usuario\nJorge Núñez Peña"));
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 1"), 4);
        e.sentencias.clear();
        p.pulsar("Command3");
        QVERIFY(e.sentencias.contains("delete from expper where expper_idusu=3 and ExpPer_IdExp=1"));
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 1"), 3);
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 1 AND ExpPer_IdUsu = 3"), 0);
        QCOMPARE(p.usuarios(), 3);
    }

    void agrupaciones_data() {
        columnas<QString, QStringList>("opcion", "esperado");
        QTest::newRow("actuación") << "Option1_0"
                                   << QStringList{"10/05/2024 09:00:00 Llamada inicial=101", "10/05/2024 12:00:00=102",
                                                  "10/05/2024 17:30:00 Sin tipo=103",
                                                  "(web) 11/05/2024 Seguimiento*=104",
                                                  "10/05/2024 09:00:00 Visita técnica=105"};
        QTest::newRow("fechas") << "Option1_1"
                                << QStringList{"10/05/2024 09:00:00=0 [ Llamada inicial=101| Visita técnica=105]",
                                               "10/05/2024 12:00:00=0 [=102]", "10/05/2024 17:30:00=0 [ Sin tipo=103]",
                                               "(web) 11/05/2024*=0 [ Seguimiento=104]"};
        QTest::newRow("categoría") << "Option1_2"
                                   << QStringList{"Visita=0 [10/05/2024 12:00:00=102]",
                                                  "Llamada telefónica=0 [10/05/2024 09:00:00 Llamada inicial=101|11/05/"
                                                  "2024 Seguimiento=104]",
                                                  "Presupuesto=0 [10/05/2024 09:00:00 Visita técnica=105]",
                                                  "=0 [10/05/2024 17:30:00 Sin tipo=103]"};
        // The action without a person comes first and has no group to join.
        QTest::newRow("realizado por") << "Option1_3"
                                       << QStringList{"Ana=0 [10/05/2024 09:00:00 Llamada inicial=101]",
                                                      "ana=0 [10/05/2024 12:00:00=102]",
                                                      "(web) Ana*=0 [11/05/2024 Seguimiento=104]",
                                                      "Luis=0 [10/05/2024 09:00:00 Visita técnica=105]"};
    }
    void agrupaciones() {
        QFETCH(QString, opcion);
        Entorno e;
        prepararActuaciones(e);
        Pantalla p = abrir(e, 9);
        if (opcion != QStringLiteral("Option1_1"))
            p.opcion("Option1_1");
        p.opcion(opcion);
        QTEST(nodos(p.arbol()), "esperado");
        for (int i = 0; i < p.arbol()->topLevelItemCount(); ++i)
            QVERIFY(!p.arbol()->topLevelItem(i)->isExpanded());
        // A case file without actions gives an empty tree.
        Pantalla vacio = abrir(e, 4);
        vacio.opcion(opcion);
        QCOMPARE(vacio.arbol()->topLevelItemCount(), 0);
        QVERIFY(e.dialogos.mensajes.isEmpty());
    }

    void personaNulaSeUneAlGrupoAnterior() {
        Entorno e;
        prepararActuaciones(e);
        QTreeWidget t;
        Recordset rs = e.conexion->Execute(
            "SELECT * FROM Act INNER JOIN Exp ON Exp_Id = Act_IdExp WHERE Act_IdExp = 9 ORDER BY Act_Id");
        ArbolActuaciones::llenar(&t, rs, ArbolActuaciones::kRealizadoPor);
        QCOMPARE(nodos(&t), QStringList({"Ana=0 [10/05/2024 09:00:00 Llamada inicial=101]",
                                         "ana=0 [10/05/2024 12:00:00=102|10/05/2024 17:30:00 Sin tipo=103]",
                                         "(web) Ana*=0 [11/05/2024 Seguimiento=104]",
                                         "Luis=0 [10/05/2024 09:00:00 Visita técnica=105]"}));
    }

    // A double click on an action, or "Añadir", opens the action editor on it (a group or
    // "Añadir": a new one); the tree is rebuilt afterwards.
    void abrirLaActuacion_data() {
        // nodo: -1: the "Añadir" button
        columnas<QString, int, int>("opcion", "nodo", "idAct");
        QTest::newRow("una actuación") << "Option1_0" << 1 << 102;
        QTest::newRow("grupo de fechas") << "Option1_1" << 0 << 0;
        QTest::newRow("grupo de personas") << "Option1_3" << 3 << 0;
        QTest::newRow("Añadir") << "Option1_0" << -1 << 0;
    }
    void abrirLaActuacion() {
        const auto [opcion, nodo] = leerFila<QString, int>("opcion", "nodo");
        Entorno e;
        prepararActuaciones(e);
        Pantalla p = abrir(e, 9);
        if (nodo < 0) {
            p.pulsar("cmdAnadir"); // no action editor registered yet
            QCOMPARE(e.dialogos.ultimoMensaje(), QStringLiteral("La pantalla frmExpedientes2 no está disponible."));
        }
        registrarEditorActuacion();
        p.opcion(opcion);
        e.expe->setIdAct(7);
        QTreeWidget *t = p.arbol();
        const qsizetype antes = t->topLevelItemCount();
        int pedida = -1, expediente = -1;
        e.dialogos.manejadores << [&](QDialog *d) {
            pedida = gExpe->IdAct();
            expediente = gExpe->IdExp();
            // The editor saves a new action of a new person.
            QVERIFY(e.ejecutar("INSERT INTO Act (Act_Id, Act_IdExp, Act_Fecha, Act_IdTac, Act_Des, Act_Operario) "
                               "VALUES (106, 9, '2024-06-01 00:00:00', 1, 'Nueva', 'Zoe')"));
            d->accept();
        };
        if (nodo < 0) {
            p.pulsar("cmdAnadir");
        } else {
            const QRect r = t->visualItemRect(t->topLevelItem(nodo));
            QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, r.center());
        }
        QCOMPARE(e.dialogos.modales, QStringList{"frmExpedientes2"});
        QTEST(pedida, "idAct");
        QCOMPARE(expediente, 9);
        // Rebuilt with the grouping that was selected.
        QVERIFY(p.w<QRadioButton>(opcion)->isChecked());
        QCOMPARE(t->topLevelItemCount(), antes + 1);
        QVERIFY(nodos(t).last().contains(QStringLiteral("Nueva=106")));
    }

    void fallaLaSentenciaDelArbol() {
        Entorno e;
        Pantalla p = abrir(e, 1);
        QCOMPARE(p.arbol()->topLevelItemCount(), 4);
        QVERIFY(e.ejecutar("ALTER TABLE Act RENAME TO ActAntigua"));
        p.opcion("Option1_2");
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QVERIFY(e.dialogos.ultimoMensaje().startsWith(
            QStringLiteral("No se han podido cargar las actuaciones del expediente.\n")));
    }

    // The summary shows every field of the saved case file and its actions in date order,
    // and what the preview prints makes a PDF.
    void resumenImpreso_data() {
        // The budget against actions of 1.300,50; the difference's figure stands to the right.
        columnas<bool, int, QString, QString, QStringList>("teclado", "origen", "contraparte", "presupuesto", "cifras");
        QTest::newRow("Ctrl+P, cliente, excede") << true << 0 << "Cliente:\n100 Construcciones Álvarez" << "1000"
                                                 << QStringList{"Presupuesto:\n1.000,00", "Excede del presupuesto:\n300,50"};
        QTest::newRow("menú del árbol, proveedor, justo")
            << false << 1 << "Proveedor:\n500 Suministros Castilla" << "1300.5"
            << QStringList{"Presupuesto:\n1.300,50", "Queda del presupuesto:\n0,00"};
    }
    void resumenImpreso() {
        const auto [teclado, origen, contraparte, presupuesto, cifras] =
            leerFila<bool, int, QString, QString, QStringList>("teclado", "origen", "contraparte", "presupuesto", "cifras");
        Entorno e;
        prepararActuaciones(e);
        QVERIFY(e.ejecutar(QString("UPDATE Exp SET Exp_Origen = %1, Exp_Codigo = 'C-9', Exp_FFin = '2024-12-31 00:00:00', "
                                   "Exp_Presup = %2, Exp_Ubicacion = 'Armario 3', Exp_Obs = 'Pagos <a plazos> & más' "
                                   "WHERE Exp_Id = 9")
                               .arg(origen)
                               .arg(presupuesto)));
        QVERIFY(e.ejecutar("UPDATE Act SET Act_Importe = 100.5 WHERE Act_Id = 101"));
        QVERIFY(e.ejecutar("UPDATE Act SET Act_Importe = 1200 WHERE Act_Id = 104"));
        QVERIFY(e.ejecutar("INSERT INTO ActF (ActF_IdAct, ActF_Des, ActF_Fic) VALUES (104, 'Acta firmada', 'acta.pdf')"));
        QVERIFY(e.ejecutar("INSERT INTO ExpPer (ExpPer_IdExp, ExpPer_IdUsu) VALUES (9, 1), (9, 3)"));
        QVERIFY(e.ejecutar("INSERT INTO Est (Est_Proceso, Est_IdTabla, Est_Estado, Est_FEstado, Est_IdUsu) VALUES "
                           "(15, 9, 2, '2024-05-20 10:00:00', 1)"));
        Pantalla p = abrir(e, 9);
        QStringList esperados{"Expediente C-9", contraparte, "Tipo:\nObra", p.cb("cboEstado")->itemText(1) + " (20/05/2024)",
                              "01/05/2024", "31/12/2024", "Armario 3", "Pruebas del árbol",
                              "Pagos <a plazos> & más", "Propietario:\n" + p.t(9)->text(),
                              "Seguimiento\nAna\nSí\n1.200,00", "Documento: Acta firmada (acta.pdf)",
                              "Total de las actuaciones:\n1.300,50"};
        esperados << cifras;
        for (int fila = 0; fila < p.usuarios(); ++fila)
            esperados << p.rejilla()->model()->index(fila, 1).data().toString();
        QCOMPARE(p.usuarios(), 2);
        QString texto;
        bool cifraALaDerecha = false;
        const QString pdf = e.carpeta.filePath("expediente.pdf");
        e.dialogos.manejadores << [&](QDialog *d) {
            const QTextDocument *doc = d->findChild<QTextDocument *>("docResumen");
            texto = doc->toPlainText();
            const QString cifra = cifras.last().section(u'\n', 1);
            const QTextCursor c = doc->find(QRegularExpression("^" + QRegularExpression::escape(cifra) + "$"));
            cifraALaDerecha = !c.isNull() && c.blockFormat().alignment() & Qt::AlignRight;
            QPrinter impresora(QPrinter::HighResolution);
            impresora.setOutputFormat(QPrinter::PdfFormat);
            impresora.setOutputFileName(pdf);
            emit static_cast<QPrintPreviewDialog *>(d)->paintRequested(&impresora);
        };
        if (teclado)
            QTest::keyClick(p.f.get(), Qt::Key_P, Qt::ControlModifier);
        else
            QVERIFY(elegirDelMenu(p.arbol(), "Imprimir expediente…"));
        QCOMPARE(e.dialogos.modales, QStringList{"dlgVistaPrevia"});
        for (const QString &campo : std::as_const(esperados))
            QVERIFY2(texto.contains(campo), qPrintable(campo + " no está en:\n" + texto));
        QVERIFY(cifraALaDerecha);
        // In date order; equal dates by id.
        qsizetype anterior = -1;
        for (const char *des : {"Llamada inicial", "Visita técnica", "Sin tipo", "Seguimiento"}) {
            const qsizetype i = texto.indexOf(QString::fromUtf8(des));
            QVERIFY2(i > anterior, des);
            anterior = i;
        }
        const QByteArray impreso = leerFichero(pdf);
        QVERIFY(impreso.startsWith("%PDF-") && impreso.size() > 1000);
    }
};

QTEST_MAIN(TstCasefile)
#include "tst_casefile.moc"
