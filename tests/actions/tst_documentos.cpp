// The documents of an action: the list, the toolbar commands, the store of the contents
// in Ima and their way back into the user's work folder, the scanner.
#include "componentes.h"
#include "datosactuacion.h"
#include "documentos.h"
#include "fixture.h"
#include "formulario.h"
#include "frmexpedientes2.h"
#include "modexp.h"
#include "pantallas.h"
#include "registro.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <unistd.h>

namespace {
// Stands in for "VMTwain.vTwain": writes a small PDF-like file, or fails when told to,
// and notes whether the editor could be used meanwhile.
class EscanerFalso : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString fichero MEMBER m_fichero)
    Q_PROPERTY(bool resultado MEMBER m_resultado)
public:
    static inline bool escribe = true;
    static inline QStringList ficheros;
    static inline QList<bool> editorHabilitado;
    static inline QWidget *editor = nullptr;

    Q_INVOKABLE void vConfig() {
        ficheros << m_fichero;
        editorHabilitado << (editor && editor->isEnabled());
        if (!escribe)
            return;
        QFile f(m_fichero);
        m_resultado = f.open(QIODevice::WriteOnly) && f.write("%PDF-1.4\n% escaneo\n%%EOF\n") > 0;
    }

private:
    QString m_fichero;
    bool m_resultado = false;
};
} // namespace

class TstDocumentos : public QObject {
    Q_OBJECT

    std::unique_ptr<Entorno> e;
    std::unique_ptr<QDialog> w;
    std::unique_ptr<QAbstractItemModelTester> tester;

    Formulario *abrir(int idAct, int idExp = 1) {
        e->expe->setIdExp(idExp);
        e->expe->setIdAct(idAct);
        w.reset(Pantallas::fabrica(QStringLiteral("frmExpedientes2"))(nullptr));
        tester = std::make_unique<QAbstractItemModelTester>(lista()->model());
        if (!mostrar(w.get()))
            return nullptr;
        EscanerFalso::editor = w.get();
        e->sentencias.clear();
        return static_cast<Formulario *>(w.get());
    }
    QTreeWidget *lista() const { return w->findChild<QTreeWidget *>("ListView1"); }
    QLineEdit *campo(const char *nombre) const { return w->findChild<QLineEdit *>(nombre); }
    QStringList claves() const {
        QStringList r;
        for (int i = 0; i < lista()->topLevelItemCount(); ++i)
            r << lista()->topLevelItem(i)->data(0, frmExpedientes2::kRolClave).toString();
        return r;
    }
    void pulsar(const char *clave) const {
        auto *barra = w->findChild<QToolBar *>("Toolbar1");
        QWidget *boton = barra->widgetForAction(w->findChild<QAction *>(clave));
        // Left of the drop-down arrow of the button that has one.
        QTest::mouseClick(boton, Qt::LeftButton, {}, QPoint(boton->width() / 3, boton->height() / 2));
    }
    void menu(int entrada) const { w->findChild<QAction *>(QStringLiteral("mnuNuevo_%1").arg(entrada))->trigger(); }
    void clicEnFila(int fila) const {
        QTreeWidgetItem *item = lista()->topLevelItem(fila);
        QTest::mouseClick(lista()->viewport(), Qt::LeftButton, {}, lista()->visualItemRect(item).center());
    }
    QVariant contenido(int idActF) const {
        return e->valor(QStringLiteral("SELECT Ima_File FROM Ima WHERE Ima_Tabla = 'ActF' AND Ima_IdTabla = %1").arg(idActF));
    }
    QVariant columna(const QString &col, int idActF) const {
        return e->valor(QStringLiteral("SELECT %1 FROM ActF WHERE ActF_Id = %2").arg(col).arg(idActF));
    }
    QString copia(const QString &nombre) const { return gCarpetaDoc + u'/' + nombre; }
    // A third document of action 2, with contents.
    int tercerDocumento() {
        e->ejecutar(QStringLiteral("INSERT INTO ActF (ActF_IdAct, ActF_Fic, ActF_Des, ActF_FicDes, ActF_Operario, "
                                   "ActF_IdOperario, ActF_IdUsu, ActF_Estado, ActF_IdUsuEstado, ActF_FEstado) VALUES "
                                   "(2, 'acta_reunión.txt', 'Acta firmada', NULL, 'Lucía García Ortiz', 0, 4, 1, 4, "
                                   "'2024-02-01 10:00:00')"));
        const int id = ultimo();
        e->ejecutar(QStringLiteral("INSERT INTO Ima (Ima_Tabla, Ima_IdTabla, Ima_File) VALUES ('ActF', %1, "
                                   "CAST('Acta de la reunión' AS varbinary(max)))").arg(id));
        return id;
    }
    int ultimo() const { return e->valor("SELECT MAX(ActF_Id) FROM ActF").toInt(); }
    void preguntarFichero(const QString &ruta) {
        e->dialogos.respuestasFichero << RespuestaFichero{true, ruta, 5, false};
    }

private slots:
    void init() {
        e = std::make_unique<Entorno>(4);
        EscanerFalso::escribe = true;
        EscanerFalso::ficheros.clear();
        EscanerFalso::editorHabilitado.clear();
        Componentes::registrar(QStringLiteral("VMTwain.vTwain"), [] { return new EscanerFalso; });
    }
    void cleanup() {
        EscanerFalso::editor = nullptr;
        tester.reset();
        w.reset();
        e.reset();
    }

    void listaClicActualizarYDobleClic() {
        const int tercero = tercerDocumento();
        e->expe->setIdActF(0);
        QVERIFY(abrir(2));
        QTreeWidget *l = lista();
        QCOMPARE(claves(), (QStringList{"K1", "K2", QStringLiteral("K%1").arg(tercero)}));
        QTreeWidgetItem *ultima = l->topLevelItem(2);
        QCOMPARE(ultima->data(0, frmExpedientes2::kRolTag).toInt(), tercero);
        QCOMPARE(QStringList({ultima->text(0), ultima->text(1), ultima->text(2)}),
                 QStringList({"acta_reunión.txt", "Acta firmada", "Lucía García Ortiz"}));
        // The first row is current and fills the fields.
        QCOMPARE(l->selectedItems(), QList<QTreeWidgetItem *>{l->topLevelItem(0)});
        QCOMPARE(campo("Text1_0")->text(), QStringLiteral("Presupuesto detallado"));
        QCOMPARE(e->expe->IdActF(), 1);
        // The screen as it opens: captions, toolbar and every document shown whole.
        QCOMPARE(textosCortados(w.get()), QStringList());
        // A click makes another row current; "Actualizar" saves its fields, not its contents.
        clicEnFila(1);
        QCOMPARE(campo("Text1_2")->text(), QStringLiteral("Jorge Núñez Peña"));
        QCOMPARE(e->expe->IdActF(), 2);
        const QVariant bytes = contenido(2);
        campo("Text1_0")->setText(QStringLiteral("Plano revisado, con cotas"));
        campo("Text1_2")->setText(QStringLiteral("Lucía García Ortiz"));
        pulsar("GUARDA");
        QCOMPARE(e->cuenta(QStringLiteral("ActF WHERE ActF_Id = 2 AND ActF_Des = 'Plano revisado, con cotas' AND "
                                          "ActF_Operario = 'Lucía García Ortiz' AND ActF_Fic = 'plano_nave.txt'")), 1);
        QCOMPARE(contenido(2), bytes);
        QCOMPARE(e->cuenta(QStringLiteral("ActF")), 3);
        // The list is read again and its first row is current once more.
        QCOMPARE(lista()->topLevelItem(1)->text(1), QStringLiteral("Plano revisado, con cotas"));
        QCOMPARE(e->expe->IdActF(), 1);
        QVERIFY(e->dialogos.mensajes.isEmpty());
        // What a double click delivers: press, release, double click, release. It opens the document.
        const QPoint punto = lista()->visualItemRect(lista()->topLevelItem(1)).center();
        QTest::mousePress(lista()->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseRelease(lista()->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseDClick(lista()->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseRelease(lista()->viewport(), Qt::LeftButton, {}, punto);
        QCOMPARE(e->expe->IdActF(), 2);
        QCOMPARE(e->dialogos.abiertosEscritorio, QStringList{copia(QStringLiteral("plano_nave.txt"))});
        QCOMPARE(leerFichero(copia(QStringLiteral("plano_nave.txt"))),
                 QByteArray("Plano de la nave: 40 m x 25 m, altura libre 8 m."));
    }

    // A chosen file or a scan, from the button or the menu: stored whole with the description
    // asked for, listed, and back under its name; a scan that fails stores nothing.
    void anadirDocumento_data() {
        // escribe: a file is chosen, or the scanner writes its file
        columnas<bool, int, bool, bool>("escaner", "idAct", "desdeMenu", "escribe");
        QTest::newRow("fichero, botón, acción con documentos") << false << 2 << false << true;
        QTest::newRow("fichero, menú, acción sin documentos") << false << 1 << true << true;
        QTest::newRow("escáner, botón") << true << 2 << false << true;
        QTest::newRow("escáner, menú") << true << 2 << true << true;
        QTest::newRow("fichero no elegido") << false << 2 << false << false;
        QTest::newRow("escaneo fallido") << true << 2 << false << false;
    }
    void anadirDocumento() {
        const auto [escaner, idAct, desdeMenu, escribe] =
            leerFila<bool, int, bool, bool>("escaner", "idAct", "desdeMenu", "escribe");
        EscanerFalso::escribe = escribe;
        QByteArray datos("%PDF-1.4\n");
        for (int i = 0; i < 3000; ++i)
            datos.append(char(i % 256));
        QString ruta = e->carpeta.filePath(QStringLiteral("Informe técnico ñandú.pdf"));
        QVERIFY(escribirFichero(ruta, datos));
        if (!escaner && escribe)
            preguntarFichero(ruta);
        e->dialogos.respuestasTexto << QStringLiteral("Informe de la visita, revisión nº 2");
        QVERIFY(abrir(idAct));
        campo("Text1_7")->setProperty("Tag", QStringLiteral("/tmp/anterior.pdf"));
        const int antes = e->cuenta("ActF"), imaAntes = e->cuenta("Ima");
        if (desdeMenu)
            menu(escaner ? 2 : 1);
        else
            pulsar(escaner ? "ESCANER" : "ARCHIVO");
        if (escaner) {
            QCOMPARE(EscanerFalso::ficheros.size(), 1);
            ruta = EscanerFalso::ficheros.first();
            const QRegularExpression nombre("^" + QRegularExpression::escape(gCarpetaDoc) + "/DOC\\d{12}\\.pdf$");
            QVERIFY2(nombre.match(ruta).hasMatch(), qPrintable(ruta));
            QCOMPARE(EscanerFalso::editorHabilitado, QList<bool>{false});
            QVERIFY(w->isEnabled());
            datos = "%PDF-1.4\n% escaneo\n%%EOF\n";
        } else {
            QCOMPARE(e->dialogos.peticiones.size(), 1);
            const PeticionFichero p = e->dialogos.peticiones.first();
            QCOMPARE(p.titulo, QStringLiteral("Selección de Fichero"));
            QCOMPARE(p.filtros, (QStringList{"Ficheros Word (*.DOC)", "Ficheros de Texto (*.TXT)",
                                             "Ficheros Excel (*.XLS)", "Ficheros PDF (*.PDF)", "Cualquir Tipo (*.*)"}));
            QVERIFY(p.debeExistir && !p.multiple && p.ocultarSoloLectura);
        }
        QVERIFY(e->dialogos.mensajes.isEmpty());
        if (!escribe) {
            QCOMPARE(e->cuenta("ActF"), antes);
            QVERIFY(e->dialogos.preguntas.isEmpty());
            QCOMPARE(e->expe->IdActF(), 0);
            // A file not chosen leaves no name behind for the next "Actualizar".
            QVERIFY(escaner || campo("Text1_7")->text().isEmpty());
            QVERIFY(escaner || campo("Text1_7")->property("Tag").toString().isEmpty());
            return;
        }
        QCOMPARE(e->dialogos.preguntas, QStringList{"Introduzca la descripción para este documento"});
        QCOMPARE(e->cuenta("ActF"), antes + 1);
        QCOMPARE(e->cuenta("Ima"), imaAntes + 1);
        const int id = ultimo();
        const QString fichero = QFileInfo(ruta).fileName();
        QCOMPARE(
            e->cuenta(QStringLiteral("ActF WHERE ActF_Id = %1 AND ActF_IdAct = %2 AND ActF_Fic = '%3' AND ActF_Des = "
                                     "'Informe de la visita, revisión nº 2' AND ActF_Operario = 'Lucía García Ortiz'")
                          .arg(id)
                          .arg(idAct)
                          .arg(fichero)),
            1);
        QCOMPARE(contenido(id).toByteArray(), datos);
        QVERIFY(!escaner || !QFile::exists(ruta)); // the scan's own file goes once stored
        // Listed, and the first document is current again.
        QVERIFY(claves().contains(QStringLiteral("K%1").arg(id)));
        QCOMPARE(e->expe->IdActF(), lista()->topLevelItem(0)->data(0, frmExpedientes2::kRolTag).toInt());
        // Its bytes come back under the same name.
        clicEnFila(lista()->topLevelItemCount() - 1);
        pulsar("VER");
        QCOMPARE(e->dialogos.abiertosEscritorio, QStringList{copia(fichero)});
        QCOMPARE(leerFichero(e->dialogos.abiertosEscritorio.first()), datos);
    }

    // The documents' data service alone: one statement a call in a save's transaction,
    // the row it leaves, and the stored contents untouched (deleting is the screen's row).
    void escriturasDelServicio_data() {
        // idActF: 0: a new document
        columnas<int, QString>("idActF", "sentencia");
        QTest::newRow("nuevo") << 0
                               << "INSERT INTO ActF (ActF_IdAct,ActF_IdUsu,ActF_Des,ActF_Fic,ActF_FicDes,ActF_Estado,"
                                  "ActF_IdUsuEstado,ActF_FEstado,ActF_Operario,ActF_IdOperario) "
                                  "VALUES (?,?,?,?,Null,?,?,Getdate(),?,?)";
        QTest::newRow("existente") << 2
                                   << "UPDATE ActF SET ActF_IdAct = ?,ActF_IdUsu = ?,ActF_Des = ?,ActF_Fic = ?,"
                                      "ActF_FicDes = Null,ActF_Estado = ?,ActF_IdUsuEstado = ?,ActF_FEstado = Getdate(),"
                                      "ActF_Operario = ?,ActF_IdOperario = ? WHERE ActF_Id = 2";
    }
    void escriturasDelServicio() {
        const auto [idActF, sentencia] = leerFila<int, QString>("idActF", "sentencia");
        const QVariant bytes = contenido(2);
        const QDateTime antes = QDateTime::currentDateTime().addSecs(-1);
        DatosActuacion datos(e->bd.get());
        int id = idActF;
        e->sentencias.clear();
        const Resultado r = datos.grabarDocumento(2, {id, "plano ñ.pdf", "Plano revisado", "Lucía García Ortiz"}, id);
        QVERIFY2(r, qPrintable(r.mensaje()));
        QCOMPARE(e->sentencias, (QStringList{inicioGuardado(), sentencia, "COMMIT TRANSACTION"}));
        QCOMPARE(contenido(2), bytes);
        QCOMPARE(e->cuenta(QStringLiteral("ActF")), idActF ? 2 : 3);
        QCOMPARE(id, idActF ? idActF : ultimo());
        QCOMPARE(e->cuenta(QStringLiteral("ActF WHERE ActF_Id = %1 AND ActF_IdAct = 2 AND ActF_IdUsu = 4 AND "
                                          "ActF_IdUsuEstado = 4 AND ActF_Estado = 1 AND ActF_IdOperario = 0 AND "
                                          "ActF_FicDes IS NULL AND ActF_Des = 'Plano revisado' AND ActF_Fic = 'plano ñ.pdf' "
                                          "AND ActF_Operario = 'Lucía García Ortiz'").arg(id)),
                 1);
        const QDateTime estampa = columna("ActF_FEstado", id).toDateTime();
        QVERIFY2(estampa >= antes && estampa <= QDateTime::currentDateTime().addSecs(1), qPrintable(estampa.toString()));
    }

    void eliminar_data() {
        QTest::addColumn<int>("respuesta");
        QTest::newRow("No") << int(vb::vbNo);
        QTest::newRow("Sí") << int(vb::vbYes);
    }
    void eliminar() {
        QFETCH(int, respuesta);
        QVERIFY(abrir(2));
        clicEnFila(1);
        e->dialogos.respuestas << respuesta;
        pulsar("ELIMINAR");
        QCOMPARE(e->dialogos.mensajes.size(), 1);
        QCOMPARE(e->dialogos.mensajes[0].texto, QStringLiteral("Realmente desea Eliminar el Fichero plano_nave.txt"));
        // The contents stay in either case.
        QVERIFY(contenido(2).isValid());
        if (respuesta == vb::vbNo) {
            QCOMPARE(e->cuenta(QStringLiteral("ActF WHERE ActF_Id = 2")), 1);
            return;
        }
        QCOMPARE(e->cuenta(QStringLiteral("ActF WHERE ActF_Id = 2")), 0);
        QCOMPARE(claves(), QStringList{"K1"});
        QCOMPARE(e->expe->IdActF(), 1);
    }

    void ver_data() {
        // copiaPrevia: empty: the work folder does not exist
        columnas<QString, QByteArray, int, QByteArray, bool>("caso", "copiaPrevia", "respuesta", "queda", "abierto");
        const QByteArray guardado("Presupuesto de cubierta: 125.000,50 EUR (IVA no incluido).");
        QTest::newRow("carpeta de trabajo inexistente") << "" << QByteArray() << 0 << guardado << true;
        QTest::newRow("copia ya presente, No") << "" << QByteArray("copia vieja") << int(vb::vbNo)
                                               << QByteArray("copia vieja") << true;
        QTest::newRow("copia ya presente, Sí") << "" << QByteArray("copia vieja") << int(vb::vbYes) << guardado << true;
        // A missing row or NULL contents: nothing written, and only the screen's own message.
        QTest::newRow("sin fila de contenido") << "sin fila" << QByteArray() << 0 << QByteArray() << false;
        QTest::newRow("contenido NULL") << "nulo" << QByteArray() << 0 << QByteArray() << false;
    }
    void ver() {
        const auto [caso, copiaPrevia, respuesta, abierto] =
            leerFila<QString, QByteArray, int, bool>("caso", "copiaPrevia", "respuesta", "abierto");
        if (caso == QLatin1String("sin fila"))
            QVERIFY(e->ejecutar(QStringLiteral("DELETE FROM Ima WHERE Ima_IdTabla = 1")));
        if (caso == QLatin1String("nulo"))
            QVERIFY(e->ejecutar(QStringLiteral("UPDATE Ima SET Ima_File = NULL WHERE Ima_IdTabla = 1")));
        const QString destino = copia(QStringLiteral("presupuesto_cubierta.txt"));
        QVERIFY(!QDir(gCarpetaDoc).exists());
        if (!copiaPrevia.isEmpty()) {
            QVERIFY(QDir().mkdir(gCarpetaDoc));
            QVERIFY(escribirFichero(destino, copiaPrevia));
        }
        if (respuesta)
            e->dialogos.respuestas << respuesta;
        QVERIFY(abrir(2));
        pulsar("VER");
        QVERIFY(QDir(gCarpetaDoc).exists());
        QTEST(leerFichero(destino), "queda");
        QCOMPARE(e->dialogos.abiertosEscritorio, abierto ? QStringList{destino} : QStringList());
        QString texto;
        if (!copiaPrevia.isEmpty())
            texto = "El fichero " + destino + " ya existe en su carpeta personal de trabajo\nDesea reemplazarlo ?";
        else if (!abierto)
            texto = "Error en la recuperación del fichero";
        QCOMPARE(e->dialogos.mensajes.size(), texto.isEmpty() ? 0 : 1);
        QCOMPARE(e->dialogos.ultimoMensaje(), texto);
        QVERIFY(abierto || static_cast<Formulario *>(w.get())->Tag == "e");
        // Keeping the copy there does not read the database at all.
        QCOMPARE(e->sentencias.filter("from Ima", Qt::CaseInsensitive).isEmpty(), respuesta == vb::vbNo);
    }

    void nombresDeDocumento_data() {
        // fichero: the bare name kept; empty when refused
        columnas<QString, QString>("nombre", "fichero");
        QTest::newRow("carpeta de arriba") << "../fuera.txt" << "fuera.txt";
        QTest::newRow("ruta absoluta") << "/etc/fuera.txt" << "fuera.txt";
        QTest::newRow("subcarpeta") << "a/b.txt" << "b.txt";
        QTest::newRow("barra inversa") << "..\\fuera.txt" << "fuera.txt";
        QTest::newRow("vacío") << "" << "";
        QTest::newRow("punto") << "." << "";
        QTest::newRow("dos puntos") << ".." << "";
        QTest::newRow("acentos y blancos") << "Informe final ñandú 2024.pdf" << "Informe final ñandú 2024.pdf";
    }
    // Typed and saved with "Actualizar", then stored so by another program and viewed:
    // only the bare name is kept, and nothing is written outside the work folder.
    void nombresDeDocumento() {
        const auto [nombre, fichero] = leerFila<QString, QString>("nombre", "fichero");
        const QDir arriba = QFileInfo(gCarpetaDoc).dir();
        const QStringList antes = arriba.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY(abrir(2));
        campo("Text1_7")->setText(nombre);
        pulsar("GUARDA");
        QCOMPARE(columna("ActF_Fic", 1).toString(), fichero.isEmpty() ? QStringLiteral("presupuesto_cubierta.txt") : fichero);
        QCOMPARE(e->dialogos.mensajes.size(), fichero.isEmpty() ? 1 : 0);
        if (fichero.isEmpty())
            QVERIFY2(e->dialogos.ultimoMensaje().contains("nombre"), qPrintable(e->dialogos.ultimoMensaje()));
        QVERIFY(e->ejecutar(QStringLiteral("UPDATE ActF SET ActF_Fic = '%1' WHERE ActF_Id = 1").arg(nombre)));
        e->dialogos.mensajes.clear();
        tester.reset();
        w.reset();
        QVERIFY(abrir(2));
        pulsar("VER");
        const QString destino = copia(fichero);
        QCOMPARE(e->dialogos.abiertosEscritorio, fichero.isEmpty() ? QStringList() : QStringList{destino});
        if (!fichero.isEmpty())
            QCOMPARE(leerFichero(destino), QByteArray("Presupuesto de cubierta: 125.000,50 EUR (IVA no incluido)."));
        else
            QCOMPARE(e->dialogos.mensajes.size(), 2); // why, then "Error en la recuperación del fichero"
        QStringList despues = arriba.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        despues.removeAll(QFileInfo(gCarpetaDoc).fileName());
        QCOMPARE(despues, antes);
        QVERIFY(!QFile::exists(QStringLiteral("/etc/fuera.txt")));
    }

    void altaFallida_data() {
        // mensajes: the first as it starts, then whole
        columnas<QString, QString, QStringList>("nombre", "caso", "mensajes");
        const QStringList ilegible{"Error : \n", "Error insertando el Fichero"};
        QTest::newRow("no existe") << "desaparecido.pdf" << "" << ilegible;
        QTest::newRow("es una carpeta") << "carpeta.pdf" << "carpeta" << ilegible;
        QTest::newRow("rechazada por la base") << "nuevo.txt" << "rechazo"
                                               << QStringList{"No se ha podido grabar el documento."};
    }
    void altaFallida() {
        const auto [nombre, caso, mensajes] = leerFila<QString, QString, QStringList>("nombre", "caso", "mensajes");
        const QString ruta = e->carpeta.filePath(nombre);
        if (caso == QLatin1String("carpeta"))
            QVERIFY(QDir().mkdir(ruta));
        if (caso == QLatin1String("rechazo"))
            QVERIFY(e->rechazar("ActF", "INSERT", "documentos bloqueados") && escribirFichero(ruta, "contenido nuevo"));
        preguntarFichero(ruta);
        QVERIFY(abrir(2));
        const QVariant antes2 = contenido(2);
        pulsar("ARCHIVO");
        QCOMPARE(e->dialogos.mensajes.size(), mensajes.size());
        const QString primero = e->dialogos.mensajes[0].texto;
        // The first message carries the cause.
        QVERIFY2(primero.startsWith(mensajes[0]) && primero.size() > mensajes[0].size(), qPrintable(primero));
        for (int i = 1; i < mensajes.size(); ++i)
            QCOMPARE(e->dialogos.mensajes[i].texto, mensajes[i]);
        QCOMPARE(e->cuenta(QStringLiteral("Ima")), 2);
        QCOMPARE(contenido(2), antes2);
        if (caso == QLatin1String("rechazo")) {
            QVERIFY(primero.contains(QStringLiteral("documentos bloqueados")));
            QCOMPARE(e->cuenta(QStringLiteral("ActF")), 2);
            return;
        }
        QCOMPARE(static_cast<Formulario *>(w.get())->Tag, QStringLiteral("E"));
        // The row stays, listed, without contents.
        const int id = ultimo();
        QCOMPARE(columna("ActF_Fic", id).toString(), nombre);
        QVERIFY(!contenido(id).isValid());
        QCOMPARE(claves(), (QStringList{"K1", "K2", QStringLiteral("K%1").arg(id)}));
    }

    void listaVacia_data() {
        columnas<QString, int>("boton", "actual");
        QTest::newRow("Visualizar") << "VER" << 0;
        QTest::newRow("Eliminar") << "ELIMINAR" << 0;
        QTest::newRow("Actualizar sin documento actual") << "GUARDA" << 0;
        QTest::newRow("Visualizar con documento actual") << "VER" << 2;
        QTest::newRow("Actualizar con documento actual") << "GUARDA" << 2;
    }
    void listaVacia() {
        const auto [boton, actual] = leerFila<QString, int>("boton", "actual");
        e->expe->setIdActF(actual);
        QVERIFY(abrir(1));
        QCOMPARE(e->expe->IdActF(), actual); // an empty list leaves the current document as it was
        QVERIFY(campo("Text1_7")->text().isEmpty());
        pulsar(qPrintable(boton));
        QVERIFY(e->dialogos.abiertosEscritorio.isEmpty());
        QCOMPARE(e->cuenta(QStringLiteral("ActF")), 2);
        // Only "Actualizar" acts, and only on a document current from before: its empty
        // file name is refused before anything is written.
        const bool rehusado = boton == QLatin1String("GUARDA") && actual;
        QCOMPARE(e->dialogos.mensajes.size(), rehusado ? 1 : 0);
        if (rehusado)
            QVERIFY(e->dialogos.ultimoMensaje().startsWith(QStringLiteral("Falta el nombre del fichero")));
        QCOMPARE(columna("ActF_Fic", 2).toString(), QStringLiteral("plano_nave.txt"));
        const QStringList escritas = e->sentencias.filter(QRegularExpression("^(UPDATE|INSERT|DELETE)"));
        QVERIFY2(escritas.isEmpty(), qPrintable(escritas.join(" | ")));
    }

    // An installed library: its folder cannot be written, so viewing and scanning use a
    // folder of the user's own that nobody else may open.
    void carpetaPrivadaDelUsuario() {
        QTemporaryDir datosUsuario, instalada;
        qputenv("XDG_DATA_HOME", QFile::encodeName(datosUsuario.path()));
        // Root writes through any permission: a folder where nothing can be created stands in.
        QVERIFY(QFile::setPermissions(instalada.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        VMEXPE::setCarpetaLibreria(geteuid() == 0 ? QStringLiteral("/proc") : instalada.path());
        e->expe->setMyBd(e->bd);
        const QString privada = datosUsuario.path() + QStringLiteral("/vmexp/DOC4");
        QCOMPARE(gCarpetaDoc, privada);
        e->dialogos.respuestasTexto << QStringLiteral("Contrato escaneado");
        QVERIFY(abrir(2));
        pulsar("VER");
        QCOMPARE(e->dialogos.abiertosEscritorio, QStringList{privada + QStringLiteral("/presupuesto_cubierta.txt")});
        QVERIFY(QFile::exists(e->dialogos.abiertosEscritorio.first()));
        pulsar("ESCANER");
        QCOMPARE(QFileInfo(EscanerFalso::ficheros.value(0)).absolutePath(), privada);
        QVERIFY2(e->dialogos.mensajes.isEmpty(), qPrintable(e->dialogos.ultimoMensaje()));
        // Owner, group and others bits (0x7000, 0x0070, 0x0007): 0700.
        QCOMPARE(int(QFile::permissions(privada) & 0x7077), 0x7000);
        QCOMPARE(int(QFile::permissions(QFileInfo(privada).absolutePath()) & 0x7077), 0x7000);
        QCOMPARE(QDir(instalada.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QFile::setPermissions(instalada.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qunsetenv("XDG_DATA_HOME");
    }

    // The support log: off until switched on; then statements without their values, the
    // transactions, documents and components with times, and each error's reference.
    void registroParaSoporte() {
        QVERIFY(!lcSentencias().isInfoEnabled());
        const QString registro = e->carpeta.filePath(QStringLiteral("soporte.log"));
        QVERIFY(Registro::activar(registro));
        const QString ruta = e->carpeta.filePath(QStringLiteral("nuevo.txt"));
        QVERIFY(escribirFichero(ruta, "contenido nuevo"));
        preguntarFichero(ruta);
        e->dialogos.respuestasTexto << QStringLiteral("Nómina confidencial Zq9xW") << QStringLiteral("Escaneo");
        QVERIFY(abrir(2));
        pulsar("ARCHIVO");
        pulsar("ESCANER");
        QVERIFY(e->ejecutar(QStringLiteral("DELETE FROM Ima WHERE Ima_IdTabla = 1")));
        clicEnFila(0);
        pulsar("VER");
        QVERIFY(e->conexion->Ejecutar(QStringLiteral("UPDATE Tex SET Tex_Des = 'password=Secreto1' WHERE 1 = 0")));
        Registro::desactivar();
        QVERIFY(!lcSentencias().isInfoEnabled());
        QCOMPARE(e->dialogos.ultimoMensaje(), QStringLiteral("Error en la recuperación del fichero"));
        const QString detalle = e->dialogos.mensajes.last().detalle;
        const auto ref = QRegularExpression(QStringLiteral("Ref\\. ([0-9A-F]{4}-\\d{4})$")).match(detalle);
        QVERIFY2(ref.hasMatch(), qPrintable(detalle));
        const QString log = QString::fromUtf8(leerFichero(registro));
        const QStringList lineas = log.split(u'\n', Qt::SkipEmptyParts);
        for (const QString &l : lineas)
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[\\d+\\] vmexp\\.[a-z]+: "))
                         .match(l).hasMatch(), qPrintable(l));
        QVERIFY(log.contains(QStringLiteral("vmexp.errores: Ref. ") + ref.captured(1) + QStringLiteral(" Error en la recuperación del fichero")));
        QVERIFY(log.contains(QStringLiteral("vmexp.sentencias: INSERT INTO ActF")));
        QVERIFY(log.contains(QStringLiteral("vmexp.transacciones: ")));
        QVERIFY(log.contains(QStringLiteral("vmexp.documentos: guardar ") + ruta));
        QVERIFY(log.contains(QStringLiteral("vmexp.componentes: creando VMTwain.vTwain")));
        QVERIFY(log.contains(QStringLiteral("password=***")));
        QVERIFY2(!log.contains(QStringLiteral("Zq9xW")) && !log.contains(QStringLiteral("Secreto1")), qPrintable(log));
    }

    // Above the threshold the progress window shows while the transfer lets events run;
    // the bytes of large files are the blob stream's own test.
    void ficheroGrande() {
        QByteArray datos(Documentos::kUmbralProgreso + 4096, Qt::Uninitialized);
        for (qsizetype i = 0; i < datos.size(); ++i)
            datos[i] = char(i * 131 % 251);
        const QString ruta = e->carpeta.filePath(QStringLiteral("grande.bin"));
        QVERIFY(escribirFichero(ruta, datos));
        preguntarFichero(ruta);
        QVERIFY(abrir(1));
        int vistas = 0;
        QTimer vigia;
        connect(&vigia, &QTimer::timeout, this, [&] {
            if (auto *p = w->findChild<QProgressDialog *>("dlgProgreso"); p && p->isVisible())
                ++vistas;
        });
        vigia.start(0);
        for (const char *boton : {"ARCHIVO", "VER"}) {
            vistas = 0;
            pulsar(boton);
            QVERIFY2(e->dialogos.mensajes.isEmpty(), qPrintable(e->dialogos.ultimoMensaje()));
            QVERIFY2(vistas > 0, boton);
        }
        vigia.stop();
        const int id = ultimo();
        QCOMPARE(e->largoContenido(QStringLiteral("Ima_IdTabla = %1").arg(id)), qint64(datos.size()));
        QVERIFY(!w->findChild<QProgressDialog *>("dlgProgreso"));
        QCOMPARE(e->dialogos.abiertosEscritorio, QStringList{copia(QStringLiteral("grande.bin"))});
        QVERIFY(leerFichero(copia(QStringLiteral("grande.bin"))) == datos);
    }
};

QTEST_MAIN(TstDocumentos)
#include "tst_documentos.moc"
