// The smallest host: opens the embedded database of a folder (creating it with the demo
// data the first time), logs in user 1 and shows the search screen until it is closed.
//   anfitrion [carpeta] [--cerrar]    --cerrar closes the screen as soon as it shows.
#include <vmexp/basedatos.h>
#include <vmexp/mybd.h>
#include <vmexp/registro_componentes.h>
#include <vmexp/vmexpe.h>

#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QStringList argumentos = app.arguments().mid(1);
    const bool cerrar = argumentos.removeAll(QStringLiteral("--cerrar")) > 0;
    const QString carpeta = argumentos.value(0, QStringLiteral("datos"));
    QTextStream errores(stderr);

    QString error;
    if (!BaseDatos::existe(carpeta) && !BaseDatos::crear(carpeta, true, &error)) {
        errores << error << "\n";
        return 1;
    }
    const QSqlDatabase db = BaseDatos::abrir(carpeta, QStringLiteral("anfitrion"), &error);
    const auto bd = MyBd::crear(db, 1, &error);
    if (!bd) {
        errores << error << "\n";
        return 1;
    }
    registrarComponentesSuite();
    const auto expe = VMEXPE::crear();
    expe->setMyBd(bd);

    if (cerrar) {
        auto *reloj = new QTimer(&app);
        QObject::connect(reloj, &QTimer::timeout, [] {
            if (QWidget *pantalla = QApplication::activeModalWidget())
                pantalla->close();
        });
        reloj->start(50);
    }
    if (!expe->vExpedientes()) {
        errores << expe->UltimoError() << "\n";
        return 1;
    }
    return 0;
}
