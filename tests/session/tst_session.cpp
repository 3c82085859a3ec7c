// The session: instances, work folder, user lookup, and screens opened by name.
#include "fixture.h"
#include "modexp.h"
#include "pantallas.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QtTest>

class TstSession : public QObject {
    Q_OBJECT
private slots:
    void instanciaNuevaPorDefecto();
    void propiedadesYMetodosPorNombre();
    void segundaInstanciaTomaElRelevo();
    void gExpeMantieneVivaLaInstancia();
    void carpetaDeTrabajoDelUsuario();
    void crearDirectorio();
    void existeFichero();
    void nombreDeUsuario_data();
    void nombreDeUsuario();
    void pantallaSinBaseDeDatosDaError();
    void pantallaNoDisponibleDaError();
    void pantallaRegistradaSeAbreModal();
    void buscarProveedorPorNombre();
    void botonesDeMensajeEnEspanol();
};

void TstSession::instanciaNuevaPorDefecto() {
    auto expe = VMEXPE::crear();
    QCOMPARE(expe->nProceso(), short(15));
    QCOMPARE(expe->Origen(), short(0));
    QCOMPARE(expe->IdActF(), 0);
    QCOMPARE(expe->IdAct(), 0);
    QCOMPARE(expe->IdExp(), 0);
    QCOMPARE(expe->IdCliente(), 0);
    QVERIFY(expe->MyBd() == nullptr);
    QCOMPARE(gExpe, expe);
    gExpe.reset();
}

void TstSession::propiedadesYMetodosPorNombre() {
    Entorno e;
    QObject *o = e.expe.get();
    QVERIFY(o->setProperty("IdExp", 12));
    QVERIFY(o->setProperty("Origen", 2));
    QCOMPARE(e.expe->IdExp(), 12);
    QCOMPARE(o->property("Origen").toInt(), 2);
    QCOMPARE(o->property("nProceso").toInt(), 15);
    bool existe = true;
    QVERIFY(QMetaObject::invokeMethod(o, "vExisteFichero", Q_RETURN_ARG(bool, existe), Q_ARG(QString, "/no/hay")));
    QVERIFY(!existe);
}

void TstSession::segundaInstanciaTomaElRelevo() {
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

void TstSession::gExpeMantieneVivaLaInstancia() {
    std::weak_ptr<VMEXPE> debil;
    {
        auto expe = VMEXPE::crear();
        expe->setIdCliente(44);
        debil = expe;
    }
    QVERIFY(!debil.expired());
    QCOMPARE(gExpe->IdCliente(), 44);
    auto nueva = VMEXPE::crear();
    QVERIFY(debil.expired());
    gExpe.reset();
}

void TstSession::carpetaDeTrabajoDelUsuario() {
    Entorno e(7);
    VMEXPE::setCarpetaLibreria("/opt/app");
    e.expe->setMyBd(e.bd);
    QCOMPARE(gCarpetaDoc, QString("/opt/app/DOC7"));
    VMEXPE::setCarpetaLibreria(QString());
    // Without an override, the folder of the loaded library.
    e.expe->setMyBd(e.bd);
    QVERIFY(gCarpetaDoc.endsWith("/DOC7"));
    QVERIFY(QFile::exists(QFileInfo(gCarpetaDoc).absolutePath() + "/libvmexp.so"));
}

void TstSession::crearDirectorio() {
    Entorno e;
    const QString base = e.carpeta.path();
    QVERIFY(!e.expe->vCrearDirectorio(base + "/falta/DOC1"));
    QVERIFY(!QDir(base + "/falta").exists());
    QVERIFY(e.expe->vCrearDirectorio(base + "/DOC1"));
    QVERIFY(QDir(base + "/DOC1").exists());
    QFile marca(base + "/DOC1/marca.txt");
    QVERIFY(marca.open(QIODevice::WriteOnly));
    marca.close();
    QVERIFY(e.expe->vCrearDirectorio(base + "/DOC1")); // existing: left as it is
    QVERIFY(QFile::exists(base + "/DOC1/marca.txt"));
    QCOMPARE(gCarpetaDoc, base + "/DOC1");
}

void TstSession::existeFichero() {
    Entorno e;
    const QString fichero = e.carpeta.filePath("existe.txt");
    QFile f(fichero);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!QDir(gCarpetaDoc).exists());
    QVERIFY(!e.expe->vExisteFichero(fichero)); // work folder missing
    QVERIFY(FnCrearCarpeta());
    QVERIFY(e.expe->vExisteFichero(fichero)); // the path is used as given
    QVERIFY(!e.expe->vExisteFichero(fichero + ".no"));
}

void TstSession::nombreDeUsuario_data() {
    QTest::addColumn<int>("usuario");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<int>("adm");
    QTest::newRow("administrador") << 1 << "Administrador del Sistema" << 1;
    QTest::newRow("acentos") << 2 << "María José Fernández" << 0;
    QTest::newRow("nombre NULL") << 5 << "" << 0;
    QTest::newRow("desconocido deja la marca") << 99 << "" << -3;
}

void TstSession::nombreDeUsuario() {
    QFETCH(int, usuario);
    QFETCH(QString, nombre);
    QFETCH(int, adm);
    Entorno e;
    int marca = -3;
    QCOMPARE(FnNombreUsuario(usuario, marca), nombre);
    QCOMPARE(marca, adm);
}

void TstSession::pantallaSinBaseDeDatosDaError() {
    auto expe = VMEXPE::crear();
    QVERIFY(!expe->vExpedientes());
    QVERIFY(expe->UltimoError().contains("MyBd"));
    QVERIFY(!expe->vTipos());
    QVERIFY(!expe->vActuaciones());
    QVERIFY(!expe->vFindByName());
    gExpe.reset();
}

void TstSession::pantallaNoDisponibleDaError() {
    Entorno e;
    QString error;
    QCOMPARE(Pantallas::abrirModal("frmNoExiste", nullptr, &error), -1);
    QVERIFY(error.contains("frmNoExiste"));
}

void TstSession::pantallaRegistradaSeAbreModal() {
    Entorno e;
    int creadas = 0;
    Pantallas::registrar("frmPrueba", [&](QWidget *p) {
        ++creadas;
        auto *d = new QDialog(p);
        d->setObjectName("frmPrueba");
        return d;
    });
    e.dialogos.manejadores << [](QDialog *d) {
        QVERIFY(d->isVisible());
        d->accept();
    };
    QCOMPARE(Pantallas::abrirModal("frmPrueba"), int(QDialog::Accepted));
    QCOMPARE(e.dialogos.modales, QStringList{"frmPrueba"});
    QCOMPARE(creadas, 1);
}

void TstSession::buscarProveedorPorNombre() {
    Entorno e;
    e.dialogos.manejadores << [](QDialog *d) {
        QCOMPARE(d->windowTitle(), QString("Buscar Proveedores por nombre"));
        d->reject();
    };
    QVERIFY(e.expe->vFindByName());
    QCOMPARE(e.dialogos.modales.size(), 1);
}

void TstSession::botonesDeMensajeEnEspanol() {
    Entorno e; // loads Qt's Spanish texts, as the host does
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("&Sí"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), QString("&No"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancelar"));
}

QTEST_MAIN(TstSession)
#include "tst_session.moc"
