// Many users at once: this binary started again as several child processes, each a user
// with the search screen open on one shared data folder, saving case files, actions and
// documents through the editors round after round, some on the same 20 records. Each
// child logs what its user was told; the parent checks the database against the logs.
// VMEXP_CONCURRENCIA=PxR sets processes and rounds (default 4x10).
#include "basedatos.h"
#include "datosactuacion.h"
#include "datosexpediente.h"
#include "datostipos.h"
#include "fixture.h"
#include "modexp.h"
#include "pantallas.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QToolBar>
#include <QtTest>
#include <ranges>

namespace {
const int kCompartidos = 20;

// One save as its user saw it.
struct Guardado {
    QString clase;     // exp-nuevo, exp-mod, act-nueva, act-mod, doc-nuevo
    int id = 0;        // the record's id (new ones: as the screen kept it)
    int padre = 0;     // the parent the row must hang from
    QString cargado;   // what the screen showed before typing (updates)
    QString guardado;  // what was typed
    QString resultado; // guardado, ocupado, conflicto, bloqueo, error
    QString mensaje;

    QString linea() const {
        QStringList c{clase, QString::number(id), QString::number(padre), cargado, guardado, resultado, mensaje};
        for (QString &x : c)
            x.replace(u'\t', u' ').replace(u'\n', u' ');
        return c.join(u'\t');
    }
    static Guardado leer(const QString &linea) {
        const QStringList c = linea.split(u'\t');
        return c.size() < 7 ? Guardado{} : Guardado{c[0], c[1].toInt(), c[2].toInt(), c[3], c[4], c[5], c[6]};
    }
};

// What the user was told: a failure from the lock is what no user should ever read.
QString clasificar(const QString &fallo) {
    if (fallo.contains(QLatin1String("locked")) || fallo.contains(QLatin1String("busy")))
        return QStringLiteral("bloqueo");
    if (fallo.contains(QLatin1String("otro usuario"), Qt::CaseInsensitive))
        return fallo.contains(QLatin1String("guardando")) ? QStringLiteral("ocupado") : QStringLiteral("conflicto");
    return QStringLiteral("error");
}

// ---------------------------------------------------------------- a child: one user

class Usuario {
public:
    Usuario(const QString &datos, const QString &base, int numero) : m_numero(numero) {
        // On the server, the users log in as both office users in turn.
        m_db = abrirConexion(datos, base, numero % 2, QStringLiteral("usuario"));
        m_conexion = std::make_unique<Conexion>(m_db);
        m_bd = std::make_shared<MyBd>(m_conexion.get(), 1);
        VMEXPE::setCarpetaLibreria(m_trabajo.path());
        m_expe = VMEXPE::crear();
        m_expe->setMyBd(m_bd);
        DialogService::instalar(&m_dialogos);
        Recordset rs = m_conexion->Execute(QStringLiteral("SELECT Exp_Id FROM Exp WHERE Exp_Des LIKE 'Compartido %' ORDER BY Exp_Id"));
        for (; !rs.isEOF(); rs.MoveNext())
            m_exps << rs.Fields(0).toInt();
        rs = m_conexion->Execute(QStringLiteral("SELECT Act_Id, Act_IdExp FROM Act WHERE Act_Operario = 'Compartida' ORDER BY Act_Id"));
        for (; !rs.isEOF(); rs.MoveNext())
            m_acts << qMakePair(rs.Fields(0).toInt(), rs.Fields(1).toInt());
        m_fichero = m_trabajo.filePath(QStringLiteral("informe.pdf"));
        escribirFichero(m_fichero, "%PDF-1.4\n% informe\n%%EOF\n");
    }
    ~Usuario() {
        DialogService::instalar(nullptr);
        gExpe.reset();
        m_expe.reset();
        m_bd.reset();
        m_conexion.reset();
        m_db.close();
    }

    bool preparado() const { return m_db.isOpen() && m_exps.size() == kCompartidos && m_acts.size() == kCompartidos; }

    void ronda(int r, QTextStream &log) {
        // A new search each round, as a user does; the grid stays open meanwhile.
        QMetaObject::invokeMethod(m_busqueda.get(), "cmdBuscar_Click");
        const QString marca = QStringLiteral("U%1-R%2").arg(m_numero).arg(r);
        const Guardado exp = expediente(0, marca + QStringLiteral(" nuevo"), 1 + r % 3);
        log << exp.linea() << '\n';
        // Every user edits the same shared case file and action in a round.
        log << expediente(m_exps[r % kCompartidos], marca, r % 3).linea() << '\n';
        const int idExp = exp.resultado == QLatin1String("guardado") ? exp.id : m_exps[r % kCompartidos];
        Guardado doc;
        log << actuacion(0, idExp, marca + QStringLiteral(" actuación"), &doc).linea() << '\n';
        if (!doc.clase.isEmpty())
            log << doc.linea() << '\n';
        const auto [idAct, idExpAct] = m_acts[(r * 3) % kCompartidos];
        log << actuacion(idAct, idExpAct, marca, nullptr).linea() << '\n';
        log.flush();
    }

    void abrirBusqueda() {
        m_busqueda.reset(Pantallas::fabrica(QStringLiteral("frmExpedientes"))(nullptr));
        m_busqueda->show();
    }

private:
    std::unique_ptr<QDialog> abrir(const char *pantalla) {
        m_dialogos.mensajes.clear();
        std::unique_ptr<QDialog> d(Pantallas::fabrica(QLatin1String(pantalla))(nullptr));
        d->show();
        QApplication::processEvents();
        return d;
    }
    // The user reads and types for a while, as others save.
    static void pensar() { QTest::qWait(5 + QRandomGenerator::global()->bounded(25)); }
    // The outcome from the messages: the first that is not a question or a notice of success.
    Guardado resultado(Guardado g, const QString &exito) const {
        for (const auto &m : m_dialogos.mensajes)
            if (m.texto.startsWith(exito)) {
                g.resultado = QStringLiteral("guardado");
                return g;
            } else if (!m.texto.startsWith(QLatin1String("Desea"))) {
                g.resultado = clasificar(m.texto);
                g.mensaje = m.texto;
                return g;
            }
        g.resultado = QStringLiteral("error");
        g.mensaje = QStringLiteral("(sin mensaje)");
        return g;
    }

    Guardado expediente(int idExp, const QString &valor, int estado) {
        gExpe->setIdExp(idExp);
        gExpe->setIdCliente(1);
        gExpe->setOrigen(0);
        auto d = abrir("frmExpedientes1");
        auto *obs = control<QLineEdit>(d.get(), "Text1_5");
        Guardado g{idExp ? QStringLiteral("exp-mod") : QStringLiteral("exp-nuevo"), idExp, 0, obs->text(), valor};
        pensar();
        obs->setText(valor);
        if (!idExp)
            control<QPlainTextEdit>(d.get(), "Text1_4")->setPlainText(valor);
        control<QComboBox>(d.get(), "cboEstado")->setCurrentIndex(estado);
        m_dialogos.mensajes.clear();
        pulsar(d.get(), "cmdGrabar");
        g = resultado(g, QStringLiteral("Proceso concluido"));
        g.id = gExpe->IdExp();
        return g;
    }

    // A new action also gets a document; an existing one only its description.
    Guardado actuacion(int idAct, int idExp, const QString &valor, Guardado *doc) {
        gExpe->setIdExp(idExp);
        gExpe->setIdAct(idAct);
        gExpe->setIdActF(0);
        auto d = abrir("frmExpedientes2");
        auto *des = control<QLineEdit>(d.get(), "Text1_10");
        Guardado g{idAct ? QStringLiteral("act-mod") : QStringLiteral("act-nueva"), idAct, idExp, des->text(), valor};
        pensar();
        des->setText(valor);
        control<QLineEdit>(d.get(), "Text1_8")->setText(QStringLiteral("15/03/2024"));
        m_dialogos.respuestas = {doc ? int(vb::vbYes) : int(vb::vbNo)};
        m_dialogos.mensajes.clear();
        pulsar(d.get(), "cmdGuardar");
        g = resultado(g, QStringLiteral("Grabación realizada"));
        g.id = gExpe->IdAct();
        if (!doc || g.resultado != QLatin1String("guardado"))
            return g;
        m_dialogos.respuestasFichero = {RespuestaFichero{true, m_fichero, 5}};
        m_dialogos.respuestasTexto = {valor + QStringLiteral(" documento")};
        m_dialogos.mensajes.clear();
        *doc = Guardado{QStringLiteral("doc-nuevo"), 0, g.id, {}, valor + QStringLiteral(" documento")};
        QWidget *boton = control<QToolBar>(d.get(), "Toolbar1")->widgetForAction(control<QAction>(d.get(), "ARCHIVO"));
        QTest::mouseClick(boton, Qt::LeftButton, {}, QPoint(boton->width() / 3, boton->height() / 2));
        doc->resultado = QStringLiteral("guardado");
        if (!m_dialogos.mensajes.isEmpty()) {
            doc->mensaje = m_dialogos.mensajes.first().texto;
            doc->resultado = clasificar(doc->mensaje);
        }
        doc->id = gExpe->IdActF();
        return g;
    }

    int m_numero;
    QTemporaryDir m_trabajo;
    QSqlDatabase m_db;
    std::unique_ptr<Conexion> m_conexion;
    std::shared_ptr<MyBd> m_bd;
    std::shared_ptr<VMEXPE> m_expe;
    DialogoGuionizado m_dialogos;
    std::unique_ptr<QDialog> m_busqueda;
    QList<int> m_exps;
    QList<QPair<int, int>> m_acts;
    QString m_fichero;
};

int usuario(const QString &datos, const QString &base, int numero, int rondas, const QString &rutaLog) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    QFile f(rutaLog);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    QTextStream log(&f);
    {
        Usuario u(datos, base, numero);
        if (!u.preparado())
            return 3;
        u.abrirBusqueda();
        // All users start together: the parent says, beside the logs, when every one is ready.
        const QDir carpeta = QFileInfo(rutaLog).dir();
        QFile(carpeta.filePath(QStringLiteral("listo%1").arg(numero))).open(QIODevice::WriteOnly);
        QDeadlineTimer limite(60000);
        while (!QFile::exists(carpeta.filePath(QStringLiteral("inicio"))) && !limite.hasExpired())
            QThread::msleep(5);
        for (int r = 0; r < rondas; ++r)
            u.ronda(r, log);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("usuario"));
    return 0;
}
} // namespace

// ---------------------------------------------------------------- the parent: the checks

class TstConcurrencia : public QObject {
    Q_OBJECT
private slots:
    // otro: what the other user did meanwhile; leido: the stored value the save must leave, and
    // mio what it gives once the save is read again and stored.
    void cambiadoPorOtroUsuario_data() {
        columnas<QString, QString, QString, QString, QString>("registro", "otro", "leido", "aviso", "mio");
        QTest::newRow("expediente modificado") << "exp" << "UPDATE Exp SET Exp_Obs = 'De otro' WHERE Exp_Id = 1"
                                               << "SELECT Exp_Obs FROM Exp WHERE Exp_Id = 1" << "ha modificado el expediente" << "Mía";
        QTest::newRow("expediente eliminado") << "exp" << "DELETE FROM Exp WHERE Exp_Id = 1"
                                              << "SELECT count(*) FROM Exp WHERE Exp_Id = 1" << "ha eliminado el expediente" << "";
        QTest::newRow("estado del expediente") << "exp" << "UPDATE Exp SET Exp_Estado = 3 WHERE Exp_Id = 1"
                                               << "SELECT Exp_Estado FROM Exp WHERE Exp_Id = 1" << "ha modificado el expediente" << "1";
        QTest::newRow("actuación modificada") << "act" << "UPDATE Act SET Act_Importe = 7 WHERE Act_Id = 4"
                                              << "SELECT Act_Importe FROM Act WHERE Act_Id = 4" << "ha modificado la actuación" << "1";
        QTest::newRow("actuación eliminada") << "act" << "DELETE FROM Act WHERE Act_Id = 4"
                                             << "SELECT count(*) FROM Act WHERE Act_Id = 4" << "ha eliminado la actuación" << "";
        QTest::newRow("documento modificado") << "doc" << "UPDATE ActF SET ActF_Des = 'De otro' WHERE ActF_Id = 2"
                                              << "SELECT ActF_Des FROM ActF WHERE ActF_Id = 2" << "ha modificado el documento" << "Mía";
        QTest::newRow("documento eliminado") << "doc" << "DELETE FROM ActF WHERE ActF_Id = 2"
                                             << "SELECT count(*) FROM ActF WHERE ActF_Id = 2" << "ha eliminado el documento" << "";
        QTest::newRow("documento modificado, al eliminarlo") << "docEliminar" << "UPDATE ActF SET ActF_Des = 'De otro' WHERE ActF_Id = 2"
                                                             << "SELECT count(*) FROM ActF WHERE ActF_Id = 2" << "ha modificado el documento" << "0";
        QTest::newRow("tipo modificado") << "tipo" << "UPDATE Tac SET Tac_Des = 'De otro' WHERE Tac_Id = 3"
                                         << "SELECT Tac_Des FROM Tac WHERE Tac_Id = 3" << "ha modificado el tipo" << "Mía";
        QTest::newRow("tipo eliminado") << "tipo" << "DELETE FROM Tac WHERE Tac_Id = 3"
                                        << "SELECT count(*) FROM Tac WHERE Tac_Id = 3" << "ha eliminado el tipo" << "";
    }

    // A save (or a document's delete) over a row another user changed or deleted since it was
    // read writes nothing and says so; read again, the same save goes through. Appending rows
    // never conflicts.
    void cambiadoPorOtroUsuario() {
        const auto [registro, otro, leido, aviso] =
            leerFila<QString, QString, QString, QString>("registro", "otro", "leido", "aviso");
        Entorno e;
        DatosExpediente exp(e.bd.get());
        DatosActuacion act(e.bd.get());
        DatosTipos tipos(e.bd.get(), DatosTipos::kTiposAct);
        std::optional<QString> tipoLeido;
        RegistroExpediente leidoExp;
        RegistroActuacion leidaAct;
        QList<Documento> leidos;
        bool existe = false;
        const auto leer = [&]() -> Resultado {
            if (registro == "exp")
                return exp.expediente(1, leidoExp, existe);
            if (registro == "act")
                return act.actuacion(4, leidaAct, existe);
            if (registro.startsWith("doc"))
                return act.documentos(2, leidos);
            tipoLeido = e.valor("SELECT Tac_Des FROM Tac WHERE Tac_Id = 3").toString();
            return {};
        };
        const auto guardar = [&]() -> Resultado {
            int id = registro.startsWith("doc") ? 2 : registro == "act" ? 4 : 1;
            if (registro == "exp")
                return exp.grabar({.fini = "01/06/2025", .idCliente = 1, .idTipo = 1, .descripcion = "Mía", .observaciones = "Mía",
                                   .estado = "01"},
                                  id, false);
            if (registro == "act")
                return act.grabar({.fecha = "15/03/2024", .idExp = 1, .idTac = 4, .descripcion = "Mía", .importe = 1}, id);
            if (registro == "docEliminar")
                return act.eliminarDocumento(id);
            if (registro == "doc")
                return act.grabarDocumento(2, {2, "plano_nave.txt", "Mía", "Jorge Núñez Peña"}, id);
            return tipos.renombrar(3, tipoLeido, "Mía");
        };
        QVERIFY(leer());
        QVERIFY(e.ejecutar(otro));
        const QVariant suyo = e.valor(leido);
        const int historial = e.cuenta("Est");
        const Resultado r = guardar();
        QVERIFY(!r && !r.bloqueo());
        QVERIFY2(r.mensaje().contains("otro usuario " + aviso) && !r.mensaje().contains("guardando"), qPrintable(r.mensaje()));
        QCOMPARE(e.valor(leido), suyo);
        QCOMPARE(e.cuenta("Est"), historial);
        QVERIFY(!e.conexion->enTransaccion());
        if (otro.startsWith("DELETE"))
            return;
        // Read again (as closing and opening the screen does), the same save is stored.
        QVERIFY(leer());
        const Resultado otraVez = guardar();
        QVERIFY2(otraVez, qPrintable(otraVez.mensaje()));
        QTEST(e.valor(leido).toString(), "mio");
    }

    void variosUsuariosALaVez() {
        int procesos = 4, rondas = 10;
        if (const QStringList pr = qEnvironmentVariable("VMEXP_CONCURRENCIA").split(u'x'); pr.size() == 2)
            procesos = pr[0].toInt(), rondas = pr[1].toInt();
        Entorno e;
        // 1,000 case files of customer 1 behind the search screen, the first 20 shared, each with an action.
        QVERIFY(e.ejecutar("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                           "INSERT INTO Exp (Exp_IdCli, Exp_IdTipo, Exp_Fini, Exp_Des, Exp_Obs, Exp_Proceso, Exp_Origen, Exp_Estado, Exp_IdUsu) "
                           "SELECT 1, 1, '2024-01-01 00:00:00', CASE WHEN i <= 20 THEN 'Compartido ' ELSE 'Masivo ' END || i, "
                           "'inicial', 15, 0, 1, 1 FROM n"));
        QVERIFY(e.ejecutar("INSERT INTO Act (Act_IdExp, Act_Fecha, Act_IdTac, Act_Des, Act_Operario) "
                           "SELECT Exp_Id, '2024-01-02 00:00:00', 1, 'inicial', 'Compartida' FROM Exp WHERE Exp_Des LIKE 'Compartido %'"));
        QList<QProcess *> hijos;
        for (int k = 0; k < procesos; ++k) {
            auto *p = new QProcess(this);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--usuario"), e.carpetaDatos(), e.baseServidor, QString::number(k), QString::number(rondas),
                      e.carpeta.filePath(QStringLiteral("usuario%1.log").arg(k))});
            hijos << p;
        }
        const auto listo = [&](int k) { return QFile::exists(e.carpeta.filePath(QStringLiteral("listo%1").arg(k))); };
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(std::views::iota(0, procesos), listo), 120000);
        QVERIFY(QFile(e.carpeta.filePath(QStringLiteral("inicio"))).open(QIODevice::WriteOnly));
        QList<Guardado> guardados;
        for (int k = 0; k < procesos; ++k) {
            QVERIFY(hijos[k]->waitForFinished(600000));
            QCOMPARE(hijos[k]->exitCode(), 0);
            QFile f(e.carpeta.filePath(QStringLiteral("usuario%1.log").arg(k)));
            QVERIFY(f.open(QIODevice::ReadOnly));
            for (const QString &l : QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts))
                guardados << Guardado::leer(l);
        }
        QMap<QString, int> cuentas;
        QStringList faltas;      // a save told stored but missing or twice, or told failed but stored
        QStringList fallos;      // failed for a lock or anything but another user's save
        QHash<QString, QSet<int>> ids;
        const QHash<QString, QString> consulta = {
            {"exp-nuevo", "Exp WHERE Exp_Des = '%1'"}, {"act-nueva", "Act WHERE Act_Des = '%1'"}, {"doc-nuevo", "ActF WHERE ActF_Des = '%1'"}};
        const QHash<QString, QString> padreDe = {{"act-nueva", "SELECT Act_IdExp FROM Act WHERE Act_Id = %1"},
                                                 {"doc-nuevo", "SELECT ActF_IdAct FROM ActF WHERE ActF_Id = %1"}};
        for (const Guardado &g : guardados) {
            ++cuentas[g.clase + u' ' + g.resultado];
            const bool guardado = g.resultado == QLatin1String("guardado");
            if (g.resultado == QLatin1String("bloqueo") || g.resultado == QLatin1String("error"))
                fallos << g.linea();
            if (!consulta.contains(g.clase))
                continue;
            const int veces = e.cuenta(consulta[g.clase].arg(g.guardado));
            if (veces != (guardado ? 1 : 0))
                faltas << QStringLiteral("%1 veces: %2").arg(veces).arg(g.linea());
            if (!guardado)
                continue;
            if (ids[g.clase].contains(g.id))
                faltas << QStringLiteral("id repetido: ") + g.linea();
            ids[g.clase].insert(g.id);
            if (padreDe.contains(g.clase) && e.valor(padreDe[g.clase].arg(g.id)).toInt() != g.padre)
                faltas << QStringLiteral("padre equivocado: ") + g.linea();
        }
        // Silent overwrites: the stored updates of a record must form one chain, each having
        // loaded what the one before saved; two that loaded the same value lost one of them.
        int sobrescrituras = 0;
        // And what is stored is the end of that chain: saved by one, loaded by none.
        QHash<QString, QHash<int, QStringList>> cargados, escritos;
        for (const Guardado &g : guardados)
            if (g.resultado == QLatin1String("guardado") && g.clase.endsWith(QLatin1String("-mod"))) {
                cargados[g.clase][g.id] << g.cargado;
                escritos[g.clase][g.id] << g.guardado;
            }
        const QHash<QString, QString> almacenado = {{"exp-mod", "SELECT Exp_Obs FROM Exp WHERE Exp_Id = %1"},
                                                    {"act-mod", "SELECT Act_Des FROM Act WHERE Act_Id = %1"}};
        for (auto c = cargados.cbegin(); c != cargados.cend(); ++c)
            for (auto it = c->cbegin(); it != c->cend(); ++it) {
                const QStringList &l = it.value();
                sobrescrituras += int(l.size() - QSet<QString>(l.begin(), l.end()).size());
                const QString final = e.valor(almacenado[c.key()].arg(it.key())).toString();
                if (!escritos[c.key()][it.key()].contains(final) || l.contains(final))
                    faltas << QStringLiteral("%1 %2 guarda «%3», que no es el último guardado").arg(c.key()).arg(it.key()).arg(final);
            }
        qInfo().noquote() << procesos << "procesos x" << rondas << "rondas:" << cuentas;
        // Four saves a round, and a document for each action stored.
        QCOMPARE(guardados.size(), procesos * rondas * 4 + cuentas.value(QStringLiteral("act-nueva guardado")));
        QVERIFY2(fallos.isEmpty(), qPrintable(fallos.mid(0, 10).join(u'\n')));
        QCOMPARE(sobrescrituras, 0);
        QVERIFY2(faltas.isEmpty(), qPrintable(faltas.mid(0, 10).join(u'\n')));
        for (const char *huerfanos : {"Est WHERE Est_Proceso = 15 AND Est_IdTabla NOT IN (SELECT Exp_Id FROM Exp)",
                                      "ExpPer WHERE ExpPer_IdExp NOT IN (SELECT Exp_Id FROM Exp)",
                                      "ActF WHERE ActF_IdAct NOT IN (SELECT Act_Id FROM Act)",
                                      "Ima WHERE Ima_Tabla = 'ActF' AND Ima_IdTabla NOT IN (SELECT ActF_Id FROM ActF)"})
            QVERIFY2(e.cuenta(huerfanos) == 0, huerfanos);
        if (!enServidor())
            QCOMPARE(e.valor("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    }

    // Two connections stamping history rows of the same case file at once: every stamp is
    // its own and each writer's rows follow one another in the order it wrote them.
    void historialEscritoALaVez() {
        Entorno e;
        const int porEscritor = 200;
        QStringList errores[2];
        QList<QThread *> hilos;
        for (int n = 0; n < 2; ++n)
            hilos.append(QThread::create([&, n] {
                const QString nombre = QStringLiteral("escritor%1").arg(n);
                {
                    QSqlDatabase db = abrirConexion(e.carpetaDatos(), e.baseServidor, n, nombre);
                    QSqlQuery q(db);
                    for (int i = 0; i < porEscritor && errores[n].size() < 5; ++i)
                        if (!q.exec(QStringLiteral("INSERT INTO Est (Est_Proceso, Est_IdTabla, Est_Estado, Est_Obs, "
                                                   "Est_IdUsu) VALUES (15, 1, 1, 'carrera', %1)")
                                        .arg(n)))
                            errores[n].append(q.lastError().text());
                    db.close();
                }
                QSqlDatabase::removeDatabase(nombre);
            }));
        for (QThread *h : hilos)
            h->start();
        for (QThread *h : hilos) {
            QVERIFY(h->wait(QDeadlineTimer(120000)));
            delete h;
        }
        QVERIFY2(errores[0].isEmpty() && errores[1].isEmpty(), qPrintable((errores[0] + errores[1]).join(u'\n')));
        const QString nuevas = QStringLiteral("Est WHERE Est_Obs = 'carrera' AND Est_Proceso = 15 AND Est_IdTabla = 1");
        QCOMPARE(e.cuenta(nuevas), 2 * porEscritor);
        QCOMPARE(e.valor("SELECT count(DISTINCT Est_Fecha) FROM " + nuevas).toInt(), 2 * porEscritor);
        QCOMPARE(e.cuenta(nuevas + " AND Est_Fecha <= (SELECT max(Est_Fecha) FROM Est WHERE Est_Obs IS NULL "
                                    "OR Est_Obs <> 'carrera')"),
                 0);
        QSqlQuery q(e.db);
        QVERIFY(q.exec("SELECT Est_IdUsu, Est_Id FROM " + nuevas + " ORDER BY Est_Fecha"));
        int ultimo[2] = {0, 0};
        while (q.next()) {
            const int n = q.value(0).toInt();
            QVERIFY2(q.value(1).toInt() > ultimo[n], qPrintable(QString("escritor %1, fila %2").arg(n).arg(q.value(1).toInt())));
            ultimo[n] = q.value(1).toInt();
        }
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc == 7 && qstrcmp(argv[1], "--usuario") == 0)
        return usuario(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]), atoi(argv[5]),
                       QString::fromLocal8Bit(argv[6]));
    TstConcurrencia t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_concurrencia.moc"
