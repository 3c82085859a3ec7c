// The type catalogues (case-file types and action types), driven as a user would, and
// their data service's statements.
#include "datostipos.h"
#include "fixture.h"
#include "pantallas.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTableView>
#include <QtTest>

namespace {
// What a test needs to know of each catalogue: the statements and texts it must see.
struct Cat {
    QString pantalla, tabla, titulo;
    QString uso;      // statement that checks a type is still used
    QString enUso;    // message when it is
    QString consulta; // lookup of a typed code
};
const Cat kCatalogos[] = {
    {"frmTiposExp", "Tex", "Tipos de Expedientes", "SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = ",
     "Existen expedientes del tipo que intenta eliminarse. La acción no se puede ejecutar",
     "SELECT * FROM tex WHERE Tex_Id = "},
    {"frmTiposAct", "Tac", "Tipos de Actuaciones", "SELECT Act_Id FROM Act WHERE Act_IdTac = ",
     "Existen actuaciones del tipo que intenta eliminarse. La acción no se puede ejecutar",
     "SELECT * FROM Tac WHERE Tac_Id = "},
};
// The screens' cases run on one catalogue; both are opened and their service checked.
const Cat &kTex = kCatalogos[0];

// Rows carry the catalogue's index in column "cat"; the tag starts with its table.
QTestData &fila(int cat, const char *caso = "") {
    return QTest::addRow("%s%s%s", qPrintable(kCatalogos[cat].tabla), *caso ? " " : "", caso) << cat;
}

QString lista(const QString &tabla) { return "SELECT * FROM " + tabla + " ORDER BY " + tabla + "_Id"; }

QString nombreEnBd(Entorno &e, const QString &tabla, int id) {
    return e.valor(QString("SELECT %1_Des FROM %1 WHERE %1_Id = %2").arg(tabla).arg(id)).toString();
}

// The whole table as one text, to prove nothing was written.
QString contenido(Entorno &e, const QString &tabla) {
    return e.valor(QString("SELECT group_concat(%1_Id || ':' || %1_Des, '|') FROM %1").arg(tabla)).toString();
}

// Types text key by key; keyClicks only knows ASCII, and the names carry accents.
void teclear(QWidget *w, const QString &texto) {
    for (const QChar ch : texto) {
        if (ch.unicode() < 128)
            QTest::keyClick(w, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

bool hayEscritura(const QStringList &sentencias) {
    return !sentencias.filter(QRegularExpression("^(INSERT|UPDATE|DELETE)")).isEmpty();
}

// One catalogue screen, open and active, with its controls.
class Pantalla {
public:
    explicit Pantalla(const QString &nombre) : d(Pantallas::fabrica(nombre)(nullptr)) {
        activa = mostrar(d.get());
        codigo = d->findChild<QLineEdit *>("Text1_0");
        nombre_ = d->findChild<QLineEdit *>("Text1_1");
        grid = d->findChild<QTableView *>("dbgFco");
        vigilar();
    }

    void pulsar(const char *boton) {
        ::pulsar(d.get(), boton);
        vigilar();
    }
    void escribir(QLineEdit *campo, const QString &texto) {
        QTest::mouseClick(campo, Qt::LeftButton);
        campo->selectAll();
        teclear(campo, texto);
    }
    void elegir(int fila) {
        const QModelIndex i = grid->model()->index(fila, 1);
        grid->scrollTo(i);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(i).center());
    }
    int filas() const { return grid->model()->rowCount(); }
    int actual() const { return grid->currentIndex().isValid() ? grid->currentIndex().row() : -1; }
    QString nombre() const { return nombre_->text(); }

    std::unique_ptr<QDialog> d;
    bool activa = false;
    QLineEdit *codigo = nullptr;
    QLineEdit *nombre_ = nullptr;
    QTableView *grid = nullptr;

private:
    // Every list the screen binds is checked by a model tester.
    void vigilar() {
        QAbstractItemModel *m = grid ? grid->model() : nullptr;
        if (m && !m->property("vigilado").toBool()) {
            new QAbstractItemModelTester(m, QAbstractItemModelTester::FailureReportingMode::QtTest, m);
            m->setProperty("vigilado", true);
        }
    }
};
} // namespace

class TstCatalogues : public QObject {
    Q_OBJECT
private slots:
    // Opened from the session with its list and first type; Enter moves on to the name and
    // never closes, Escape and "Salir" close it.
    void abrirDesdeLaSesion_data() {
        // salir: closed with "Salir"; otherwise Escape
        columnas<int, bool>("cat", "salir");
        for (int i : {0, 1}) {
            fila(i, "Escape") << false;
            fila(i, "Salir") << true;
        }
    }
    void abrirDesdeLaSesion() {
        const auto [cat, salir] = leerFila<int, bool>("cat", "salir");
        const Cat &c = kCatalogos[cat];
        Entorno e;
        QString visto;
        e.dialogos.manejadores << [&](QDialog *d) {
            visto = d->windowTitle();
            auto *grid = control<QTableView>(d, "dbgFco");
            QCOMPARE(grid->model()->rowCount(), 5);
            QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Codigo"));
            QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QString("Descripcion"));
            QCOMPARE(textosCortados(d), QStringList());
            d->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(d));
            auto *codigo = control<QLineEdit>(d, "Text1_0");
            auto *nombre = control<QLineEdit>(d, "Text1_1");
            QTest::mouseClick(codigo, Qt::LeftButton);
            QVERIFY(codigo->hasFocus());
            QTest::keyClick(codigo, Qt::Key_Return);
            QVERIFY(nombre->hasFocus() && d->isVisible());
            QCOMPARE(codigo->text(), QString("1"));
            if (salir)
                pulsar(d, "cmdSalir");
            else
                QTest::keyClick(nombre, Qt::Key_Escape);
            QVERIFY(!d->isVisible());
            QCOMPARE(d->result(), int(QDialog::Rejected));
        };
        QVERIFY(cat ? e.expe->vActuaciones() : e.expe->vTipos());
        QCOMPARE(e.dialogos.modales, QStringList{c.pantalla});
        QCOMPARE(visto, c.titulo);
        QVERIFY(e.dialogos.manejadores.isEmpty());
        QVERIFY(e.dialogos.mensajes.isEmpty());
    }

    void borrar_data() {
        // usadoAlConfirmar: another user files a case file of the type while the question is open;
        // codigo: shown afterwards
        columnas<int, int, bool, QString, int, QString>("fila", "respuesta", "usadoAlConfirmar", "mensaje", "quedan", "codigo");
        const QString pregunta = "Confirma la eliminacion del registro \n6 Sin uso";
        QTest::newRow("sin uso, No") << 5 << int(vb::vbNo) << false << pregunta << 6 << "6";
        QTest::newRow("sin uso, Sí") << 5 << int(vb::vbYes) << false << pregunta << 5 << "5";
        QTest::newRow("en uso") << 2 << int(vb::vbYes) << false << kTex.enUso << 6 << "3";
        QTest::newRow("usado mientras se confirma") << 5 << int(vb::vbYes) << true << kTex.enUso << 6 << "6";
    }
    void borrar() {
        const auto [fila, respuesta, usadoAlConfirmar] = leerFila<int, int, bool>("fila", "respuesta", "usadoAlConfirmar");
        Entorno e;
        QVERIFY(e.ejecutar(QString("INSERT INTO %1 (%1_Des) VALUES ('Sin uso')").arg(kTex.tabla)));
        Pantalla p(kTex.pantalla);
        QVERIFY(p.activa);
        p.elegir(fila);
        const qsizetype listas = e.sentencias.count(lista(kTex.tabla));
        e.dialogos.respuestas << respuesta;
        if (usadoAlConfirmar)
            e.dialogos.alPreguntar << [&e] {
                conSegundaConexion(e, [](QSqlDatabase &otra) {
                    QVERIFY(QSqlQuery(otra).exec("UPDATE Exp SET Exp_IdTipo = 6 WHERE Exp_Id = 2"));
                });
            };
        p.pulsar("CmdBorrar");
        QCOMPARE(e.dialogos.mensajes.size(), usadoAlConfirmar ? 2 : 1);
        QTEST(e.dialogos.ultimoMensaje(), "mensaje");
        QTEST(e.cuenta(kTex.tabla), "quedan");
        QCOMPARE(hayEscritura(e.sentencias), respuesta == vb::vbYes && fila != 2 && !usadoAlConfirmar);
        // Asked, it is reloaded either way, the grid has the focus and the fields follow its
        // row; a type in use is refused before anything.
        QCOMPARE(e.sentencias.count(lista(kTex.tabla)), listas + (fila == 2 ? 0 : 1));
        QVERIFY(fila == 2 || p.grid->hasFocus());
        QTEST(p.codigo->text(), "codigo");
        QCOMPARE(p.nombre(), nombreEnBd(e, kTex.tabla, p.codigo->text().toInt()));
    }

    void nuevoTipoQuedaElUltimo_data() {
        QTest::addColumn<int>("antes");
        QTest::newRow("tras los de la demo") << 5;
        QTest::newRow("primero de un catálogo vacío") << 0;
    }
    void nuevoTipoQuedaElUltimo() {
        QFETCH(int, antes);
        Entorno e(1, antes > 0);
        Pantalla p(kTex.pantalla);
        QVERIFY(p.activa);
        QCOMPARE(p.filas(), antes);
        QCOMPARE(p.codigo->text(), antes ? QString("1") : QString());
        p.pulsar("cmdNuevo");
        QCOMPARE(p.codigo->text(), QString("NUEVO"));
        QCOMPARE(p.nombre(), QString());
        QVERIFY(p.nombre_->hasFocus());
        teclear(p.nombre_, "Garantía");
        p.pulsar("cmdGuardar");
        QCOMPARE(e.dialogos.mensajes.size(), 0);
        QCOMPARE(e.cuenta(kTex.tabla), antes + 1);
        const int id = int(e.bd->UltimoId());
        QCOMPARE(id, e.valor(QString("SELECT MAX(%1_Id) FROM %1").arg(kTex.tabla)).toInt());
        QCOMPARE(nombreEnBd(e, kTex.tabla, id), QString("Garantía"));
        QCOMPARE(p.filas(), antes + 1);
        QCOMPARE(p.actual(), antes);
        QCOMPARE(p.codigo->text(), QString::number(id));
        QCOMPARE(p.nombre(), QString("Garantía"));
        QVERIFY(p.grid->hasFocus());
        // Back to browsing: the next save renames the new type instead of adding another.
        p.escribir(p.nombre_, "Garantía ampliada");
        p.pulsar("cmdGuardar");
        QCOMPARE(e.cuenta(kTex.tabla), antes + 1);
        QCOMPARE(nombreEnBd(e, kTex.tabla, id), QString("Garantía ampliada"));
        QCOMPARE(p.actual(), antes);
    }

    // Cancel and a typed code that exists go back to a type; a code that does not exist
    // saves a new type under an id of its own.
    void cancelarYCodigoTecleado() {
        Entorno e;
        Pantalla p(kTex.pantalla);
        p.elegir(2);
        p.pulsar("cmdNuevo");
        teclear(p.nombre_, "A medias");
        p.pulsar("cmdCancelar");
        QCOMPARE(p.codigo->text(), QString("3"));
        QCOMPARE(p.nombre(), nombreEnBd(e, kTex.tabla, 3));
        p.pulsar("cmdNuevo");
        p.escribir(p.codigo, "4");
        QTest::keyClick(p.codigo, Qt::Key_Tab);
        QCOMPARE(p.actual(), 3);
        QCOMPARE(p.nombre(), nombreEnBd(e, kTex.tabla, 4));
        // Browsing again: the save updates type 4, and the half-typed type is gone.
        p.escribir(p.nombre_, "Cambio");
        p.pulsar("cmdGuardar");
        QCOMPARE(e.cuenta(kTex.tabla), 5);
        QCOMPARE(nombreEnBd(e, kTex.tabla, 4), QString("Cambio"));
        QCOMPARE(p.actual(), 3);
        p.elegir(1);
        p.escribir(p.codigo, "99");
        QTest::keyClick(p.codigo, Qt::Key_Tab);
        p.escribir(p.nombre_, "Peritaje");
        p.pulsar("cmdGuardar");
        QCOMPARE(e.dialogos.mensajes.size(), 0);
        QCOMPARE(e.cuenta(kTex.tabla), 6);
        QCOMPARE(e.cuenta(QString("%1 WHERE %1_Id = 99").arg(kTex.tabla)), 0);
        QCOMPARE(nombreEnBd(e, kTex.tabla, 6), QString("Peritaje"));
        QCOMPARE(nombreEnBd(e, kTex.tabla, 2), QString("Reclamación"));
        // The typed id is not in the list: no current row, the fields keep what was typed.
        QCOMPARE(p.filas(), 6);
        QCOMPARE(p.actual(), -1);
        QCOMPARE(p.codigo->text(), QString("99"));
        QCOMPARE(p.nombre(), QString("Peritaje"));
    }

    void guardadoRechazado_data() {
        QTest::addColumn<bool>("nuevo");
        QTest::newRow("modificar") << false;
        QTest::newRow("insertar") << true;
    }
    void guardadoRechazado() {
        QFETCH(bool, nuevo);
        Entorno e;
        QVERIFY(e.rechazar(kTex.tabla, nuevo ? "INSERT" : "UPDATE", "bloqueado"));
        Pantalla p(kTex.pantalla);
        p.elegir(1);
        if (nuevo)
            p.pulsar("cmdNuevo");
        p.escribir(p.nombre_, "Corregido");
        const QString antes = contenido(e, kTex.tabla);
        const qsizetype listas = e.sentencias.count(lista(kTex.tabla));
        p.pulsar("cmdGuardar");
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        const auto &m = e.dialogos.mensajes[0];
        QVERIFY2(m.texto.startsWith("Error al actualizar \n") && m.texto.contains("bloqueado"), qPrintable(m.texto));
        QCOMPARE(contenido(e, kTex.tabla), antes);
        QCOMPARE(e.sentencias.count(lista(kTex.tabla)), listas);
        QCOMPARE(p.codigo->text(), QString(nuevo ? "NUEVO" : "2"));
        QCOMPARE(p.nombre(), QString("Corregido"));
        QCOMPARE(p.actual(), 1);
        // Nothing was lost: once the block is gone the same fields save as intended.
        QVERIFY(e.rechazar(kTex.tabla, nuevo ? "INSERT" : "UPDATE", {}));
        p.pulsar("cmdGuardar");
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QCOMPARE(e.cuenta(kTex.tabla), nuevo ? 6 : 5);
        // A refused insert may have used up a key (a server's generator does not go back).
        const int id = nuevo ? e.valor(QString("SELECT MAX(%1_Id) FROM %1").arg(kTex.tabla)).toInt() : 2;
        QCOMPARE(nombreEnBd(e, kTex.tabla, id), QString("Corregido"));
    }

    void codigoNoValidoNoCambiaNada_data() {
        // codigo: typed into the code field unless null
        columnas<bool, bool, QString, QString, QString, QString>("demo", "pulsarNuevo", "codigo", "nombre", "boton",
                                                                 "mensaje");
        const QString noBorra = "El código no es el número de un tipo guardado: no se ha borrado nada.";
        const QString noGuarda =
            "Error al actualizar \nEl código no es el número de un tipo guardado; pulse «Nuevo» para añadir un tipo.";
        QTest::newRow("NUEVO sin guardar, borrar") << true << true << QString() << "x" << "CmdBorrar" << noBorra;
        QTest::newRow("texto, borrar") << true << false << "abc" << "x" << "CmdBorrar" << noBorra;
        QTest::newRow("texto, guardar") << true << false << "abc" << "x" << "cmdGuardar" << noGuarda;
        QTest::newRow("vacío, borrar") << false << false << QString() << QString() << "CmdBorrar" << noBorra;
        QTest::newRow("vacío, guardar") << false << false << QString() << "x" << "cmdGuardar" << noGuarda;
        QTest::newRow("sin descripción") << true << true << QString() << "  " << "cmdGuardar"
                                         << "Error al actualizar \nEscriba la descripción del tipo.";
    }
    void codigoNoValidoNoCambiaNada() {
        const auto [demo, pulsarNuevo, codigo, nombre, boton] =
            leerFila<bool, bool, QString, QString, QString>("demo", "pulsarNuevo", "codigo", "nombre", "boton");
        Entorno e(1, demo);
        Pantalla p(kTex.pantalla);
        if (pulsarNuevo)
            p.pulsar("cmdNuevo");
        if (!codigo.isNull())
            p.escribir(p.codigo, codigo);
        if (!nombre.isNull())
            p.escribir(p.nombre_, nombre);
        const QString antes = contenido(e, kTex.tabla);
        p.pulsar(qPrintable(boton));
        QCOMPARE(e.dialogos.mensajes.size(), 1);
        QTEST(e.dialogos.mensajes[0].texto, "mensaje");
        QVERIFY(!hayEscritura(e.sentencias));
        QCOMPARE(contenido(e, kTex.tabla), antes);
        QVERIFY(p.d->isVisible());
    }

    void sentenciasDelServicio_data() {
        // hay: answer of enUso / existe
        columnas<int, QString, int, bool>("cat", "operacion", "id", "hay");
        for (int i : {0, 1}) {
            fila(i, "lista") << "lista" << 0 << false;
            fila(i, "en uso") << "enUso" << 3 << true;
            fila(i, "sin uso") << "enUso" << 99 << false;
            fila(i, "existe") << "existe" << 4 << true;
            fila(i, "no existe") << "existe" << 99 << false;
            fila(i, "borrar en uso") << "borrar" << 3 << true;
            fila(i, "borrar sin uso") << "borrar" << 99 << false;
            fila(i, "renombrar") << "renombrar" << 3 << false;
            fila(i, "insertar") << "insertar" << 6 << false;
        }
    }
    // The catalogue's data service alone: the one statement of each call and its effect,
    // a write in a save's transaction.
    void sentenciasDelServicio() {
        const auto [cat, operacion, id, hay] = leerFila<int, QString, int, bool>("cat", "operacion", "id", "hay");
        const Cat &c = kCatalogos[cat];
        Entorno e;
        DatosTipos datos(e.bd.get(), cat ? DatosTipos::kTiposAct : DatosTipos::kTiposExp);
        const QString n = QString::number(id), t = c.tabla;
        e.sentencias.clear();
        Resultado r;
        QString sentencia;
        bool visto = hay, contrario = !hay; // the answer must come from the call
        if (operacion == "lista") {
            RecordsetModel *m = nullptr;
            r = datos.lista(this, m);
            QCOMPARE(m ? m->rowCount() : -1, 5);
            delete m;
            sentencia = lista(t);
        } else if (operacion == "enUso") {
            r = datos.enUso(id, contrario);
            visto = contrario;
            sentencia = c.uso + n;
        } else if (operacion == "existe") {
            r = datos.existe(id, contrario);
            visto = contrario;
            sentencia = c.consulta + n;
        } else if (operacion == "borrar") {
            // Checked again in the delete's own transaction; a type in use stays.
            r = datos.borrar(id, contrario);
            visto = contrario;
            sentencia = c.uso + n;
            if (!hay)
                sentencia += QString("|DELETE FROM %1 WHERE %1_Id = %2").arg(t, n);
            QCOMPARE(e.cuenta(QString("%1 WHERE %1_Id = %2").arg(t, n)), hay ? 1 : 0);
        } else {
            r = operacion == "insertar" ? datos.insertar("Peritaje") : datos.renombrar(id, std::nullopt, "Peritaje");
            sentencia = operacion == "insertar" ? QString("INSERT INTO %1 (%1_Des) VALUES (?)").arg(t)
                                                : QString("UPDATE %1 SET %1_Des = ? WHERE %1_Id = %2").arg(t, n);
            QCOMPARE(nombreEnBd(e, t, id), QString("Peritaje"));
        }
        QVERIFY2(r, qPrintable(r.mensaje()));
        QCOMPARE(visto, hay);
        // Every write is a save of its own.
        const bool escribe = !operacion.startsWith("lista") && operacion != "enUso" && operacion != "existe";
        const QStringList esperadas = escribe ? QStringList{inicioGuardado()} + sentencia.split(u'|') + QStringList{"COMMIT TRANSACTION"}
                                              : QStringList{sentencia};
        QCOMPARE(e.sentencias, esperadas);
    }
};

QTEST_MAIN(TstCatalogues)
#include "tst_catalogues.moc"
