// The session: instances, work folder, user lookup, and screens opened by name.
#include "carpetatrabajo.h"
#include "fixture.h"
#include "modexp.h"
#include "pantallas.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

namespace {
bool escribirConFecha(const QString &ruta, const QByteArray &datos, const QDateTime &fecha) {
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(datos) == datos.size() && f.flush()
           && f.setFileTime(fecha, QFileDevice::FileModificationTime);
}
} // namespace

class TstSession : public QObject {
    Q_OBJECT
private slots:
    void segundaInstanciaTomaElRelevo() {
        Entorno e(1);
        Entorno otro(3); // its own database and user
        QCOMPARE(gExpe, otro.expe);
        e.expe->setIdExp(5);
        otro.expe->setIdExp(8);
        QCOMPARE(gExpe->IdExp(), 8);
        QCOMPARE(sesionBd()->IdUsuario(), 3);
        // vFindByName uses the database of the instance it is called on.
        e.dialogos.manejadores << [](QDialog *d) { d->reject(); };
        otro.dialogos.manejadores << [](QDialog *d) { d->reject(); };
        DialogService::instalar(&e.dialogos);
        QVERIFY(e.expe->vFindByName());
        QVERIFY(e.sentencias.contains("Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro"));
        QVERIFY(!otro.sentencias.contains("Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro"));
    }

    void gExpeMantieneVivaLaInstancia() {
        std::weak_ptr<VMEXPE> debil;
        {
            auto expe = VMEXPE::crear();
            QCOMPARE(gExpe, expe);
            QCOMPARE(expe->nProceso(), short(15));
            expe->setIdCliente(44);
            debil = expe;
        }
        QVERIFY(!debil.expired());
        QCOMPARE(gExpe->IdCliente(), 44);
        auto nueva = VMEXPE::crear();
        QVERIFY(debil.expired());
        // Without a database no screen opens, and the error names what is missing.
        QVERIFY(!nueva->vExpedientes());
        QVERIFY(nueva->UltimoError().contains("MyBd"));
        QVERIFY(!nueva->vTipos() && !nueva->vActuaciones() && !nueva->vFindByName());
        gExpe.reset();
    }

    void copiasParaVerSeBorranAlEmpezar_data() {
        columnas<QString, bool>("caso", "borrada");
        QTest::newRow("de una sesión anterior, sin tocar") << "anterior" << true;
        QTest::newRow("escaneo que quedó a medias") << "escaneo" << true;
        QTest::newRow("cambiada por el usuario") << "cambiada" << false;
        QTest::newRow("abierta por un programa") << "abierta" << false;
        QTest::newRow("bloqueada por la ofimática") << "bloqueo" << false;
        QTest::newRow("escrita en esta sesión") << "ahora" << false;
        QTest::newRow("no la escribió la librería") << "ajena" << false;
    }
    // Copies written only to be opened go at the next start, unless a program may still
    // use them or the user made them their own.
    void copiasParaVerSeBorranAlEmpezar() {
        QFETCH(QString, caso);
        Entorno e(7);
        QVERIFY(FnCrearCarpeta());
        const QString ruta = gCarpetaDoc + "/informe.odt";
        const QDateTime ayer = QDateTime::currentDateTime().addDays(-1);
        if (caso == "escaneo")
            CarpetaTrabajo::anotarCopia(ruta);
        QVERIFY(escribirConFecha(ruta, "contenido", caso == "ahora" ? QDateTime::currentDateTime() : ayer));
        if (caso != "ajena" && caso != "escaneo")
            CarpetaTrabajo::anotarCopia(ruta);
        if (caso == "cambiada")
            QVERIFY(escribirConFecha(ruta, "contenido con cambios", ayer));
        QProcess visor; // another program holding the copy open
        visor.setStandardInputFile(ruta);
        if (caso == "abierta") {
            visor.start("sleep", {"30"});
            QVERIFY(visor.waitForStarted());
        }
        if (caso == "bloqueo")
            QVERIFY(escribirConFecha(gCarpetaDoc + "/.~lock.informe.odt#", "usuario", ayer));
        e.expe->setMyBd(e.bd); // the next start
        QTEST(!QFile::exists(ruta), "borrada");
    }

    // The folder calls use the path given and make no parents; the session puts the user's
    // work folder in the library's folder unless told another.
    void carpetaDeTrabajo() {
        Entorno e(7);
        const QString base = e.carpeta.path();
        QVERIFY(escribirFichero(base + "/fuera.txt", "x"));
        QVERIFY(!QDir(gCarpetaDoc).exists());
        QVERIFY(!e.expe->vExisteFichero(base + "/fuera.txt")); // work folder missing
        QVERIFY(!e.expe->vCrearDirectorio(base + "/falta/DOC1"));
        QVERIFY(!QDir(base + "/falta").exists());
        QVERIFY(e.expe->vCrearDirectorio(base + "/DOC1"));
        QCOMPARE(gCarpetaDoc, base + "/DOC1");
        QVERIFY(escribirFichero(base + "/DOC1/marca.txt", "x"));
        QVERIFY(e.expe->vCrearDirectorio(base + "/DOC1")); // existing: left as it is
        QVERIFY(QFile::exists(base + "/DOC1/marca.txt"));
        QVERIFY(e.expe->vExisteFichero(base + "/fuera.txt")); // the path is used as given
        QVERIFY(!e.expe->vExisteFichero(base + "/fuera.txt.no"));
        QTemporaryDir app;
        VMEXPE::setCarpetaLibreria(app.path());
        e.expe->setMyBd(e.bd);
        QCOMPARE(gCarpetaDoc, app.path() + "/DOC7");
        VMEXPE::setCarpetaLibreria(QString());
        // Without an override, the folder of the loaded library.
        e.expe->setMyBd(e.bd);
        QVERIFY(gCarpetaDoc.endsWith("/DOC7"));
        QVERIFY(QFile::exists(QFileInfo(gCarpetaDoc).absolutePath() + "/libvmexp.so"));
    }

    void nombreDeUsuario_data() {
        columnas<int, QString, int>("usuario", "nombre", "adm");
        QTest::newRow("administrador") << 1 << "Administrador del Sistema" << 1;
        QTest::newRow("acentos") << 2 << "María José Fernández" << 0;
        QTest::newRow("nombre NULL") << 5 << "" << 0;
        QTest::newRow("desconocido deja la marca") << 99 << "" << -3;
    }
    void nombreDeUsuario() {
        QFETCH(int, usuario);
        Entorno e;
        int marca = -3;
        QTEST(FnNombreUsuario(usuario, marca), "nombre");
        QTEST(marca, "adm");
    }

    void pantallaQueNoCargaDaError_data() {
        columnas<QString, QString, QString>("metodo", "tabla", "error");
        QTest::newRow("búsqueda") << "vExpedientes" << "Exp" << "Error (Expedientes): Falta la tabla Exp";
        QTest::newRow("tipos de expediente") << "vTipos" << "Tex" << "Error (Tipos de Expedientes): Falta la tabla Tex";
        QTest::newRow("tipos de actuación") << "vActuaciones" << "Tac" << "Error (Tipos de Actuaciones): Falta la tabla Tac";
    }
    // The host hears of a screen that could not load; no empty screen is shown.
    void pantallaQueNoCargaDaError() {
        const auto [metodo, tabla, error] = leerFila<QString, QString, QString>("metodo", "tabla", "error");
        Entorno e;
        QVERIFY(e.ejecutar("DROP TABLE " + tabla));
        bool ok = true;
        QVERIFY(QMetaObject::invokeMethod(e.expe.get(), metodo.toLatin1().constData(), Q_RETURN_ARG(bool, ok)));
        QVERIFY(!ok);
        // A server folds unquoted names to lower case.
        QVERIFY2(e.expe->UltimoError().startsWith(error, Qt::CaseInsensitive), qPrintable(e.expe->UltimoError()));
        QVERIFY2(!e.expe->UltimoError().contains("no such"), qPrintable(e.expe->UltimoError()));
        QVERIFY(e.dialogos.modales.isEmpty());
        QVERIFY(e.dialogos.mensajes.isEmpty());
    }

    void textosEImportesEnterosEnLasPantallas_data() {
        // guardado: written to the row before the screen opens; teclas: typed into the emptied description, when given
        columnas<QString, QString, QString, QString, QString, QVariant>("pantalla", "guardado", "campo", "teclas",
                                                                        "consulta", "esperado");
        const QString largo = QString(12, u'x') + QStringLiteral(" ñandú ") + QString(130, u'y') + u'Z';
        for (const char *columna : {"Exp_Des", "Exp_Codigo"})
            QTest::addRow("expediente: %s guardado", columna)
                << "frmExpedientes1" << QString("UPDATE Exp SET %1 = '%2' WHERE Exp_Id = 1").arg(columna, largo)
                << (columna == QLatin1String("Exp_Des") ? "Text1_4" : "Text1_7") << ""
                << QString("SELECT %1 FROM Exp WHERE Exp_Id = 1").arg(columna) << QVariant(largo);
        QTest::newRow("expediente: presupuesto guardado")
            << "frmExpedientes1" << "UPDATE Exp SET Exp_Presup = 123456789.12 WHERE Exp_Id = 1" << "Text1_6" << ""
            << "SELECT Exp_Presup FROM Exp WHERE Exp_Id = 1" << QVariant(123456789.12);
        QTest::newRow("expediente: descripción tecleada de más")
            << "frmExpedientes1" << "" << "Text1_4" << QString(105, u'd') << "SELECT Exp_Des FROM Exp WHERE Exp_Id = 1"
            << QVariant(QString(100, u'd'));
        QTest::newRow("tipos de expediente: nombre guardado")
            << "frmTiposExp" << QString("UPDATE Tex SET Tex_Des = '%1' WHERE Tex_Id = 1").arg(largo) << "Text1_1" << ""
            << "SELECT Tex_Des FROM Tex WHERE Tex_Id = 1" << QVariant(largo);
    }
    // A limit stops only what is typed: what was stored comes back whole after opening and saving.
    void textosEImportesEnterosEnLasPantallas() {
        const auto [pantalla, guardado, teclas, esperado] =
            leerFila<QString, QString, QString, QVariant>("pantalla", "guardado", "teclas", "esperado");
        Entorno e;
        QVERIFY(guardado.isEmpty() || e.ejecutar(guardado));
        e.expe->setIdExp(1);
        std::unique_ptr<QDialog> w(Pantallas::fabrica(pantalla)(nullptr));
        QVERIFY(mostrar(w.get()));
        QFETCH(QString, campo);
        QWidget *c = control(w.get(), campo);
        c->setFocus();
        QTRY_VERIFY(c->hasFocus());
        if (!teclas.isEmpty()) {
            qobject_cast<QPlainTextEdit *>(c)->clear();
            QTest::keyClicks(c, teclas);
        }
        auto *guardar = control<QPushButton>(w.get(), pantalla == "frmTiposExp" ? "cmdGuardar" : "cmdGrabar");
        guardar->setFocus();
        QTRY_VERIFY(!c->hasFocus());
        QTest::mouseClick(guardar, Qt::LeftButton);
        QFETCH(QString, consulta);
        const QVariant leido = e.valor(consulta);
        if (esperado.typeId() == QMetaType::Double)
            QCOMPARE(leido.toDouble(), esperado.toDouble());
        else
            QCOMPARE(leido.toString(), esperado.toString());
    }
};

QTEST_MAIN(TstSession)
#include "tst_session.moc"
