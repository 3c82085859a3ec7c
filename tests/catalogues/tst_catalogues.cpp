// The type catalogues (case-file types and action types), driven as a user would.
#include "fixture.h"
#include "pantallas.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {
// What a test needs to know of each catalogue: the statements and texts it must see.
struct Cat {
    const char *clave;
    const char *pantalla;
    const char *tabla;
    const char *titulo;
    const char *uso;      // statement that checks a type is still used
    const char *enUso;    // message when it is
    const char *consulta; // lookup of a typed code
};
const Cat kCatalogos[] = {
    {"Tex", "frmTiposExp", "Tex", "Tipos de Expedientes", "SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = ",
     "Existen expedientes del tipo que intenta eliminarse. La acción no se puede ejecutar",
     "SELECT * FROM tex WHERE Tex_Id = "},
    {"Tac", "frmTiposAct", "Tac", "Tipos de Actuaciones", "SELECT Act_Id FROM Act WHERE Act_IdTac = ",
     "Existen actuaciones del tipo que intenta eliminarse. La acción no se puede ejecutar",
     "SELECT * FROM Tac WHERE Tac_Id = "},
};

void columnasCatalogo() {
    QTest::addColumn<QString>("pantalla");
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<QString>("uso");
    QTest::addColumn<QString>("enUso");
    QTest::addColumn<QString>("consulta");
}

QTestData &filaCatalogo(const Cat &c, const char *caso = "") {
    return QTest::addRow("%s%s%s", c.clave, *caso ? " " : "", caso)
           << QString(c.pantalla) << QString(c.tabla) << QString(c.titulo) << QString(c.uso) << QString(c.enUso)
           << QString(c.consulta);
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
    for (const QString &s : sentencias)
        if (s.startsWith("INSERT") || s.startsWith("UPDATE") || s.startsWith("DELETE"))
            return true;
    return false;
}

// One catalogue screen, open and active, with its controls.
class Pantalla {
public:
    explicit Pantalla(const QString &nombre) : d(Pantallas::fabrica(nombre)(nullptr)) {
        d->show();
        d->activateWindow();
        activa = QTest::qWaitForWindowActive(d.get());
        codigo = d->findChild<QLineEdit *>("Text1_0");
        nombre_ = d->findChild<QLineEdit *>("Text1_1");
        grid = d->findChild<QTableView *>("dbgFco");
        vigilar();
    }

    void pulsar(const char *boton) {
        QTest::mouseClick(d->findChild<QPushButton *>(boton), Qt::LeftButton);
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
    void abrirDesdeLaSesion_data();
    void abrirDesdeLaSesion();
    void borrarTipoSinUso_data();
    void borrarTipoSinUso();
    void borrarTipoEnUso_data() { porCatalogo(); }
    void borrarTipoEnUso();
    void nuevoTipoQuedaElUltimo_data() { porCatalogo(); }
    void nuevoTipoQuedaElUltimo();
    void renombrarConservaElId_data() { porCatalogo(); }
    void renombrarConservaElId();
    void codigoInexistenteInsertaConIdNuevo_data() { porCatalogo(); }
    void codigoInexistenteInsertaConIdNuevo();
    void codigoExistenteVuelveAlTipo_data() { porCatalogo(); }
    void codigoExistenteVuelveAlTipo();
    void primerTipoEnCatalogoVacio_data() { porCatalogo(); }
    void primerTipoEnCatalogoVacio();
    void guardadoRechazado_data();
    void guardadoRechazado();
    void codigoNoValidoNoCambiaNada_data();
    void codigoNoValidoNoCambiaNada();
    void cancelarVuelveALaFila_data() { porCatalogo(); }
    void cancelarVuelveALaFila();
    void enterEnElCodigoPasaAlNombre_data() { porCatalogo(); }
    void enterEnElCodigoPasaAlNombre();
    void escapeYSalirCierran_data();
    void escapeYSalirCierran();

private:
    static void porCatalogo() {
        columnasCatalogo();
        for (const Cat &c : kCatalogos)
            filaCatalogo(c);
    }
};

void TstCatalogues::abrirDesdeLaSesion_data() {
    columnasCatalogo();
    QTest::addColumn<bool>("actuaciones");
    filaCatalogo(kCatalogos[0], "vTipos") << false;
    filaCatalogo(kCatalogos[1], "vActuaciones") << true;
}

void TstCatalogues::abrirDesdeLaSesion() {
    QFETCH(QString, pantalla);
    QFETCH(QString, titulo);
    QFETCH(bool, actuaciones);
    Entorno e;
    QString visto;
    e.dialogos.manejadores << [&](QDialog *d) {
        visto = d->windowTitle();
        auto *grid = d->findChild<QTableView *>("dbgFco");
        QVERIFY(grid);
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Codigo"));
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QString("Descripcion"));
        QCOMPARE(grid->columnWidth(0), 1000 / 15);
        QCOMPARE(grid->columnWidth(1), 5000 / 15);
        QCOMPARE(d->findChild<QLineEdit *>("Text1_0")->text(), QString("1"));
        QCOMPARE(d->findChild<QPushButton *>("cmdNuevo")->text(), QString("&Nuevo"));
        QCOMPARE(d->findChild<QPushButton *>("CmdBorrar")->text(), QString("&Borrar"));
        d->accept();
    };
    QVERIFY(actuaciones ? e.expe->vActuaciones() : e.expe->vTipos());
    QCOMPARE(e.dialogos.modales, QStringList{pantalla});
    QCOMPARE(visto, titulo);
    QVERIFY(e.dialogos.manejadores.isEmpty());
}

void TstCatalogues::borrarTipoSinUso_data() {
    columnasCatalogo();
    QTest::addColumn<bool>("confirma");
    for (const Cat &c : kCatalogos) {
        filaCatalogo(c, "No") << false;
        filaCatalogo(c, "Sí") << true;
    }
}

void TstCatalogues::borrarTipoSinUso() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    QFETCH(QString, uso);
    QFETCH(bool, confirma);
    Entorno e;
    QVERIFY(e.ejecutar(QString("INSERT INTO %1 (%1_Des) VALUES ('Sin uso')").arg(tabla)));
    Pantalla p(pantalla);
    QVERIFY(p.activa);
    p.elegir(5);
    QCOMPARE(p.codigo->text(), QString("6"));
    const qsizetype listas = e.sentencias.count(lista(tabla));
    e.dialogos.respuestas << (confirma ? vb::vbYes : vb::vbNo);

    p.pulsar("CmdBorrar");

    QVERIFY(e.sentencias.contains(uso + "6"));
    QCOMPARE(e.dialogos.mensajes.size(), 1);
    QCOMPARE(e.dialogos.mensajes[0].texto, QString("Confirma la eliminacion del registro \n6 Sin uso"));
    QCOMPARE(e.dialogos.mensajes[0].estilo, vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2);
    QCOMPARE(e.dialogos.mensajes[0].titulo, QString());
    QCOMPARE(e.sentencias.contains(QString("DELETE FROM %1 WHERE %1_Id = 6").arg(tabla)), confirma);
    QCOMPARE(e.cuenta(QString("%1 WHERE %1_Id = 6").arg(tabla)), confirma ? 0 : 1);
    // Reloaded either way; the grid has the focus and the fields follow its row.
    QCOMPARE(e.sentencias.count(lista(tabla)), listas + 1);
    QCOMPARE(p.filas(), confirma ? 5 : 6);
    QVERIFY(p.grid->hasFocus());
    QCOMPARE(p.codigo->text(), confirma ? QString("5") : QString("6"));
    QCOMPARE(p.nombre(), nombreEnBd(e, tabla, p.codigo->text().toInt()));
}

void TstCatalogues::borrarTipoEnUso() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    QFETCH(QString, uso);
    QFETCH(QString, enUso);
    Entorno e;
    Pantalla p(pantalla);
    p.elegir(2);
    QCOMPARE(p.codigo->text(), QString("3"));
    const qsizetype listas = e.sentencias.count(lista(tabla));

    p.pulsar("CmdBorrar");

    QVERIFY(e.sentencias.contains(uso + "3"));
    QCOMPARE(e.dialogos.mensajes.size(), 1);
    QCOMPARE(e.dialogos.mensajes[0].texto, enUso);
    QCOMPARE(e.dialogos.mensajes[0].estilo, int(vb::vbOKOnly));
    QVERIFY(!hayEscritura(e.sentencias));
    QCOMPARE(e.cuenta(tabla), 5);
    QCOMPARE(e.sentencias.count(lista(tabla)), listas);
    QCOMPARE(p.actual(), 2);
}

void TstCatalogues::nuevoTipoQuedaElUltimo() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    Entorno e;
    Pantalla p(pantalla);
    QVERIFY(p.activa);

    p.pulsar("cmdNuevo");
    QCOMPARE(p.codigo->text(), QString("NUEVO"));
    QCOMPARE(p.nombre(), QString());
    QVERIFY(p.nombre_->hasFocus());
    teclear(p.nombre_, "Garantía");
    p.pulsar("cmdGuardar");

    QCOMPARE(e.dialogos.mensajes.size(), 0);
    QCOMPARE(e.cuenta(tabla), 6);
    const int id = int(e.bd->UltimoId());
    QCOMPARE(id, e.valor(QString("SELECT MAX(%1_Id) FROM %1").arg(tabla)).toInt());
    QCOMPARE(nombreEnBd(e, tabla, id), QString("Garantía"));
    QCOMPARE(p.filas(), 6);
    QCOMPARE(p.actual(), 5);
    QCOMPARE(p.codigo->text(), QString::number(id));
    QCOMPARE(p.nombre(), QString("Garantía"));
    QVERIFY(p.grid->hasFocus());

    // Back to browsing: the next save renames the new type instead of adding another.
    p.escribir(p.nombre_, "Garantía ampliada");
    p.pulsar("cmdGuardar");
    QCOMPARE(e.cuenta(tabla), 6);
    QCOMPARE(nombreEnBd(e, tabla, id), QString("Garantía ampliada"));
    QCOMPARE(p.actual(), 5);
}

void TstCatalogues::renombrarConservaElId() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    Entorno e;
    Pantalla p(pantalla);
    p.elegir(2);
    QCOMPARE(p.codigo->text(), QString("3"));
    QCOMPARE(p.nombre(), nombreEnBd(e, tabla, 3));

    p.escribir(p.nombre_, "Revisión periódica");
    p.pulsar("cmdGuardar");

    QCOMPARE(e.dialogos.mensajes.size(), 0);
    QVERIFY(e.sentencias.contains(QString("UPDATE %1 SET %1_Des = ? WHERE %1_Id = 3").arg(tabla)));
    QCOMPARE(nombreEnBd(e, tabla, 3), QString("Revisión periódica"));
    QCOMPARE(e.cuenta(tabla), 5);
    QCOMPARE(p.actual(), 2);
    QCOMPARE(p.codigo->text(), QString("3"));
    QCOMPARE(p.nombre(), QString("Revisión periódica"));
    QCOMPARE(p.grid->model()->index(2, 1).data().toString(), QString("Revisión periódica"));
}

void TstCatalogues::codigoInexistenteInsertaConIdNuevo() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    QFETCH(QString, consulta);
    Entorno e;
    Pantalla p(pantalla);
    p.elegir(1);

    p.escribir(p.codigo, "99");
    QTest::keyClick(p.codigo, Qt::Key_Tab);
    QVERIFY(e.sentencias.contains(consulta + "99"));
    p.escribir(p.nombre_, "Peritaje");
    p.pulsar("cmdGuardar");

    QCOMPARE(e.dialogos.mensajes.size(), 0);
    QCOMPARE(e.cuenta(tabla), 6);
    QCOMPARE(e.cuenta(QString("%1 WHERE %1_Id = 99").arg(tabla)), 0);
    QCOMPARE(nombreEnBd(e, tabla, 6), QString("Peritaje"));
    QCOMPARE(nombreEnBd(e, tabla, 2), QString(tabla == "Tex" ? "Reclamación" : "Llamada telefónica"));
    // The typed id is not in the list: no current row, the fields keep what was typed.
    QCOMPARE(p.filas(), 6);
    QCOMPARE(p.actual(), -1);
    QCOMPARE(p.codigo->text(), QString("99"));
    QCOMPARE(p.nombre(), QString("Peritaje"));
}

void TstCatalogues::codigoExistenteVuelveAlTipo() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    QFETCH(QString, consulta);
    Entorno e;
    Pantalla p(pantalla);
    p.pulsar("cmdNuevo");

    p.escribir(p.codigo, "4");
    QTest::keyClick(p.codigo, Qt::Key_Tab);
    QVERIFY(e.sentencias.contains(consulta + "4"));
    QCOMPARE(p.actual(), 3);
    QCOMPARE(p.nombre(), nombreEnBd(e, tabla, 4));

    // Browsing again: the save updates type 4.
    p.escribir(p.nombre_, "Cambio");
    p.pulsar("cmdGuardar");
    QCOMPARE(e.cuenta(tabla), 5);
    QCOMPARE(nombreEnBd(e, tabla, 4), QString("Cambio"));
    QCOMPARE(p.actual(), 3);
}

void TstCatalogues::primerTipoEnCatalogoVacio() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    Entorno e(1, false);
    Pantalla p(pantalla);
    QCOMPARE(p.filas(), 0);
    QCOMPARE(p.codigo->text(), QString());

    p.pulsar("cmdNuevo");
    teclear(p.nombre_, "Primero");
    p.pulsar("cmdGuardar");

    QCOMPARE(e.dialogos.mensajes.size(), 0);
    QCOMPARE(e.cuenta(tabla), 1);
    QCOMPARE(p.filas(), 1);
    QCOMPARE(p.actual(), 0);
    QCOMPARE(p.codigo->text(), QString::number(e.bd->UltimoId()));
    QCOMPARE(nombreEnBd(e, tabla, p.codigo->text().toInt()), QString("Primero"));
    QCOMPARE(p.nombre(), QString("Primero"));
}

void TstCatalogues::guardadoRechazado_data() {
    columnasCatalogo();
    QTest::addColumn<bool>("nuevo");
    for (const Cat &c : kCatalogos) {
        filaCatalogo(c, "modificar") << false;
        filaCatalogo(c, "insertar") << true;
    }
}

void TstCatalogues::guardadoRechazado() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    QFETCH(bool, nuevo);
    Entorno e;
    QVERIFY(e.ejecutar(QString("CREATE TRIGGER t BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT,'bloqueado'); END")
                           .arg(nuevo ? "INSERT" : "UPDATE", tabla)));
    Pantalla p(pantalla);
    p.elegir(1);
    if (nuevo)
        p.pulsar("cmdNuevo");
    p.escribir(p.nombre_, "Corregido");
    const QString antes = contenido(e, tabla);
    const qsizetype listas = e.sentencias.count(lista(tabla));

    p.pulsar("cmdGuardar");

    QCOMPARE(e.dialogos.mensajes.size(), 1);
    const auto &m = e.dialogos.mensajes[0];
    QVERIFY2(m.texto.startsWith("Error al actualizar \n") && m.texto.contains("bloqueado"), qPrintable(m.texto));
    QCOMPARE(m.estilo, int(vb::vbOKOnly));
    QCOMPARE(contenido(e, tabla), antes);
    QCOMPARE(e.sentencias.count(lista(tabla)), listas);
    QCOMPARE(p.codigo->text(), QString(nuevo ? "NUEVO" : "2"));
    QCOMPARE(p.nombre(), QString("Corregido"));
    QCOMPARE(p.actual(), 1);

    // Nothing was lost: once the block is gone the same fields save as intended.
    QVERIFY(e.ejecutar("DROP TRIGGER t"));
    p.pulsar("cmdGuardar");
    QCOMPARE(e.dialogos.mensajes.size(), 1);
    QCOMPARE(e.cuenta(tabla), nuevo ? 6 : 5);
    QCOMPARE(nombreEnBd(e, tabla, nuevo ? 6 : 2), QString("Corregido"));
}

void TstCatalogues::codigoNoValidoNoCambiaNada_data() {
    columnasCatalogo();
    QTest::addColumn<bool>("demo");
    QTest::addColumn<bool>("pulsarNuevo");
    QTest::addColumn<QString>("codigo"); // typed into the code field unless null
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("boton");
    QTest::addColumn<QString>("mensaje");
    const QString noBorra = "El código no es el número de un tipo guardado: no se ha borrado nada.";
    const QString noGuarda =
        "Error al actualizar \nEl código no es el número de un tipo guardado; pulse «Nuevo» para añadir un tipo.";
    for (const Cat &c : kCatalogos) {
        filaCatalogo(c, "NUEVO sin guardar, borrar") << true << true << QString() << "x" << "CmdBorrar" << noBorra;
        filaCatalogo(c, "texto, borrar") << true << false << "abc" << "x" << "CmdBorrar" << noBorra;
        filaCatalogo(c, "texto, guardar") << true << false << "abc" << "x" << "cmdGuardar" << noGuarda;
        filaCatalogo(c, "vacío, borrar") << false << false << QString() << QString() << "CmdBorrar" << noBorra;
        filaCatalogo(c, "vacío, guardar") << false << false << QString() << "x" << "cmdGuardar" << noGuarda;
        filaCatalogo(c, "sin descripción") << true << true << QString() << "  " << "cmdGuardar"
                                           << "Error al actualizar \nEscriba la descripción del tipo.";
    }
}

void TstCatalogues::codigoNoValidoNoCambiaNada() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    QFETCH(QString, uso);
    QFETCH(bool, demo);
    QFETCH(bool, pulsarNuevo);
    QFETCH(QString, codigo);
    QFETCH(QString, nombre);
    QFETCH(QString, boton);
    QFETCH(QString, mensaje);
    Entorno e(1, demo);
    Pantalla p(pantalla);
    if (pulsarNuevo)
        p.pulsar("cmdNuevo");
    if (!codigo.isNull())
        p.escribir(p.codigo, codigo);
    if (!nombre.isNull())
        p.escribir(p.nombre_, nombre);
    const QString antes = contenido(e, tabla);

    p.pulsar(qPrintable(boton));

    QCOMPARE(e.dialogos.mensajes.size(), 1);
    QCOMPARE(e.dialogos.mensajes[0].texto, mensaje);
    QVERIFY(!hayEscritura(e.sentencias));
    for (const QString &s : std::as_const(e.sentencias))
        QVERIFY2(!s.startsWith(uso), qPrintable(s));
    QCOMPARE(contenido(e, tabla), antes);
    QVERIFY(p.d->isVisible());
}

void TstCatalogues::cancelarVuelveALaFila() {
    QFETCH(QString, pantalla);
    QFETCH(QString, tabla);
    Entorno e;
    Pantalla p(pantalla);
    p.elegir(2);
    p.pulsar("cmdNuevo");
    teclear(p.nombre_, "A medias");

    p.pulsar("cmdCancelar");
    QCOMPARE(p.codigo->text(), QString("3"));
    QCOMPARE(p.nombre(), nombreEnBd(e, tabla, 3));

    // The half-typed type is gone: saving now stores the row shown, adding nothing.
    p.pulsar("cmdGuardar");
    QCOMPARE(e.dialogos.mensajes.size(), 0);
    QCOMPARE(e.cuenta(tabla), 5);
}

void TstCatalogues::enterEnElCodigoPasaAlNombre() {
    QFETCH(QString, pantalla);
    Entorno e;
    Pantalla p(pantalla);
    QVERIFY(p.activa);
    QTest::mouseClick(p.codigo, Qt::LeftButton);
    QVERIFY(p.codigo->hasFocus());

    QTest::keyClick(p.codigo, Qt::Key_Return);

    QVERIFY(p.nombre_->hasFocus());
    QVERIFY(p.d->isVisible());
    QCOMPARE(p.codigo->text(), QString("1"));
}

void TstCatalogues::escapeYSalirCierran_data() {
    columnasCatalogo();
    QTest::addColumn<bool>("boton");
    for (const Cat &c : kCatalogos) {
        filaCatalogo(c, "Escape") << false;
        filaCatalogo(c, "Salir") << true;
    }
}

void TstCatalogues::escapeYSalirCierran() {
    QFETCH(QString, pantalla);
    QFETCH(bool, boton);
    Entorno e;
    Pantalla p(pantalla);
    QVERIFY(p.d->isVisible());
    QCOMPARE(p.d->findChild<QPushButton *>("cmdSalir")->text(), QString("&Salir"));

    if (boton)
        p.pulsar("cmdSalir");
    else
        QTest::keyClick(p.nombre_, Qt::Key_Escape);

    QVERIFY(!p.d->isVisible());
    QCOMPARE(p.d->result(), int(QDialog::Rejected));
    QCOMPARE(e.dialogos.mensajes.size(), 0);
}

QTEST_MAIN(TstCatalogues)
#include "tst_catalogues.moc"
