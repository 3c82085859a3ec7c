// Demo host: creates the embedded database on first run, logs in as a user of
// vmcomun, and opens the screen asked for through the library's public class.
#include <vmexp/basedatos.h>
#include <vmexp/copias.h>
#include <vmexp/mybd.h>
#include <vmexp/registro.h>
#include <vmexp/registro_componentes.h>
#include <vmexp/versionesquema.h>
#include <vmexp/vmexpe.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTextStream>
#include <QTranslator>

namespace {
QTextStream salida(stdout);
QTextStream errores(stderr);

void prepararIdioma(QApplication &app) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto *t = new QTranslator(&app);
    if (t->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(t);
}

// A folder for a backup the host takes on its own, under the data folder.
QString carpetaCopia(const QString &datos, const QString &motivo) {
    return QDir(datos).filePath(QStringLiteral("copias/") + motivo + u'-'
                                + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

// An older database is upgraded after a backup, saying so first; a newer one is refused.
bool prepararEsquema(QSqlDatabase &db, const QString &datos, bool actualizarServidor, QString *error) {
    const int version = VersionEsquema::leer(db, error);
    if (version < 0)
        return false;
    if (const QString rechazo = VersionEsquema::rechazoPorNueva(version); !rechazo.isEmpty()) {
        *error = rechazo;
        return false;
    }
    const auto pasos = VersionEsquema::pendientes(version);
    if (pasos.isEmpty())
        return true;
    const bool enServidor = db.driverName() != QLatin1String("QSQLITE");
    const QString copia = carpetaCopia(datos, QStringLiteral("antes-de-version-%1").arg(VersionEsquema::kActual));
    salida << "La base de datos tiene la versión " << version << " del esquema; este programa usa la "
           << VersionEsquema::kActual << ". " << (enServidor && !actualizarServidor ? "Hay que actualizarla:\n" : "Se va a actualizar:\n");
    for (const auto &p : pasos)
        salida << "  - versión " << p.version << ": " << p.descripcion << "\n";
    // A server's copy is its administrator's to take, with its own tools.
    if (enServidor && !actualizarServidor) {
        *error = QStringLiteral("Haga antes una copia de la base de datos del servidor (pg_dump -Fc -b) y vuelva a "
                                "empezar con --actualizar. No se ha modificado nada.");
        return false;
    }
    if (!enServidor)
        salida << "Antes se guarda una copia de seguridad en " << copia << "\n";
    salida.flush();
    if ((!enServidor && !Copias::copiar(db, copia, error)) || !VersionEsquema::actualizar(db, error))
        return false;
    salida << "Base de datos actualizada a la versión " << VersionEsquema::kActual << ".\n";
    return true;
}

// --copia and --restaurar: done on the open database, then the host ends.
int copiasDeSeguridad(QSqlDatabase &db, const QString &datos, const QString &copia, const QString &restaurar) {
    QString error;
    if (!copia.isEmpty()) {
        if (!Copias::copiar(db, copia, &error)) {
            errores << error << "\n";
            return 1;
        }
        salida << "Copia de seguridad guardada en " << copia << "\n";
        return 0;
    }
    // What is there now is kept too, in case the wrong copy was chosen.
    const QString actual = carpetaCopia(datos, QStringLiteral("antes-de-restaurar"));
    if (!Copias::comprobar(restaurar, nullptr, &error) || !Copias::copiar(db, actual, &error)
        || !Copias::restaurar(db, restaurar, &error)) {
        errores << error << "\n";
        return 1;
    }
    salida << "Restaurada la copia de " << restaurar << ". Los datos que había están en " << actual << "\n";
    return 0;
}

// A copy is put back even where a file of the database is missing: what is left is
// moved aside and an empty database takes its place, to be filled from the copy.
bool prepararRestauracion(const QString &datos, const QString &origen, QString *error) {
    if (!Copias::comprobar(origen, nullptr, error))
        return false;
    const QString aparte = carpetaCopia(datos, QStringLiteral("antes-de-restaurar"));
    // With its WAL: it may hold commits the file itself does not have yet.
    for (const char *f : {"empresa.db", "empresa.db-wal", "empresa.db-shm", "vmcomun.db", "vmcomun.db-wal", "vmcomun.db-shm"}) {
        const QString ruta = QDir(datos).filePath(QLatin1String(f));
        if (QFile::exists(ruta) && (!QDir().mkpath(aparte) || !QFile::rename(ruta, QDir(aparte).filePath(QLatin1String(f))))) {
            *error = QStringLiteral("No se puede apartar %1 a %2: no se ha restaurado nada.").arg(ruta, aparte);
            return false;
        }
    }
    return BaseDatos::crear(datos, false, error);
}

// A progress bar on one terminal line, written again after each document.
void barraProgreso(int hechos, int total, int paginas) {
    constexpr int kAncho = 30;
    const int lleno = total > 0 ? hechos * kAncho / total : kAncho;
    salida << "\r[" << QString(lleno, u'#') << QString(kAncho - lleno, u'-') << "] " << hechos << "/" << total
           << " documentos, " << paginas << " páginas";
    salida.flush();
}

int indexarDocumentos(VMEXPE &expe) {
    salida << "Leyendo el texto de los documentos guardados (se puede interrumpir y seguir después)\n";
    QElapsedTimer reloj;
    reloj.start();
    int paginas = 0;
    const bool ok = expe.indexarDocumentos([&](int hechos, int total, int p) {
        paginas = p;
        barraProgreso(hechos, total, p);
    });
    salida << "\n";
    if (!ok) {
        errores << expe.UltimoError() << "\n";
        return 1;
    }
    const double segundos = reloj.elapsed() / 1000.0;
    salida << "Hecho en " << QString::number(segundos, 'f', 1) << " s"
           << (segundos > 0 && paginas ? QStringLiteral(" (%1 páginas por segundo)").arg(paginas / segundos, 0, 'f', 1)
                                       : QString())
           << "\n";
    return 0;
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("expedientes"));
    prepararIdioma(app);

    QCommandLineParser opciones;
    opciones.setApplicationDescription(QStringLiteral("Gestión de expedientes (demostración de VMEXP)"));
    opciones.addHelpOption();
    const QCommandLineOption optDatos(QStringLiteral("datos"), QStringLiteral("Carpeta de la base de datos."),
                                      QStringLiteral("carpeta"),
                                      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    const QCommandLineOption optUsuario(QStringLiteral("usuario"), QStringLiteral("Id del usuario (vmcomun)."),
                                        QStringLiteral("id"), QStringLiteral("1"));
    const QCommandLineOption optRecrear(QStringLiteral("recrear"), QStringLiteral("Crea de nuevo la base de datos de demostración."));
    const QCommandLineOption optCapturas(QStringLiteral("screenshots"),
                                         QStringLiteral("Guarda cada pantalla como PNG en la carpeta y termina."),
                                         QStringLiteral("carpeta"));
    const QCommandLineOption optRegistro(QStringLiteral("registro"),
                                         QStringLiteral("Escribe el registro para el soporte técnico en el fichero."),
                                         QStringLiteral("fichero"));
    const QCommandLineOption optCopia(QStringLiteral("copia"),
                                      QStringLiteral("Guarda una copia de seguridad de la base de datos en la carpeta y termina "
                                                     "(los demás usuarios pueden seguir trabajando)."),
                                      QStringLiteral("carpeta"));
    const QCommandLineOption optRestaurar(QStringLiteral("restaurar"),
                                          QStringLiteral("Comprueba la copia de seguridad de la carpeta, la pone en lugar de "
                                                         "la base de datos y termina."),
                                          QStringLiteral("carpeta"));
    const QCommandLineOption optServidor(QStringLiteral("servidor"),
                                         QStringLiteral("Base de datos PostgreSQL (cadena de conexión o URI de libpq)."),
                                         QStringLiteral("conexion"));
    const QCommandLineOption optCrear(QStringLiteral("crear"),
                                      QStringLiteral("Con --servidor: crea las tablas y los datos de demostración en una base de datos vacía."));
    const QCommandLineOption optActualizar(QStringLiteral("actualizar"),
                                           QStringLiteral("Con --servidor: actualiza el esquema de una base de datos anterior "
                                                          "(tras copiarla con pg_dump)."));
    const QCommandLineOption optIndexar(QStringLiteral("indexar"),
                                        QStringLiteral("Lee el texto de los documentos guardados que aún no lo tienen, para "
                                                       "buscarlos por lo que dicen, y termina. Si se interrumpe, la "
                                                       "siguiente vez sigue por donde iba."));
    opciones.addOptions({optDatos, optUsuario, optRecrear, optCapturas, optServidor, optCrear, optRegistro, optCopia,
                         optRestaurar, optActualizar, optIndexar});
    opciones.addPositionalArgument(QStringLiteral("pantalla"), QStringLiteral("expedientes (por defecto), tipos o actuaciones"));
    opciones.process(app);

    const bool enServidor = opciones.isSet(optServidor);
    // The password is never shown: the server is named by its database only.
    QString datos = opciones.value(optDatos);
    QString error;
    if (opciones.isSet(optRegistro) && !Registro::activar(opciones.value(optRegistro), &error)) {
        errores << error << "\n";
        return 1;
    }
    QSqlDatabase db;
    if (enServidor) {
        db = BaseDatos::abrirServidor(opciones.value(optServidor), QStringLiteral("expedientes"), &error);
        datos = db.databaseName() + QStringLiteral(" (PostgreSQL)");
        if (db.isOpen() && opciones.isSet(optCrear)) {
            salida << "Creando las tablas y los datos de demostración en " << datos << "\n";
            salida.flush();
            if (!BaseDatos::crearEnServidor(db, true, &error))
                db.close();
        }
    } else {
        if (opciones.isSet(optRestaurar) && !BaseDatos::faltan(datos).isEmpty()
            && !prepararRestauracion(datos, opciones.value(optRestaurar), &error)) {
            errores << error << "\n";
            return 1;
        }
        // Only a first run (neither file there) or --recrear builds the demo database: with
        // one file missing, the other may hold real data.
        const QStringList faltan = BaseDatos::faltan(datos);
        if (!opciones.isSet(optRecrear) && faltan.size() == 1) {
            errores << "Falta el fichero " << faltan.first() << " de la base de datos en " << datos
                    << ". No se ha tocado ningún fichero: recupere el que falta de una copia de seguridad, o use "
                       "--recrear para crear de nuevo los dos con los datos de demostración (se perderán los datos "
                       "actuales).\n";
            return 1;
        }
        if (opciones.isSet(optRecrear) || faltan.size() == 2) {
            salida << "Creando la base de datos de demostración en " << datos << "\n";
            if (!BaseDatos::crear(datos, true, &error)) {
                errores << error << "\n";
                return 1;
            }
        }
        db = BaseDatos::abrir(datos, QStringLiteral("expedientes"), &error);
    }
    if (!db.isOpen()) {
        errores << error << "\n";
        return 1;
    }
    if (opciones.isSet(optCopia) || opciones.isSet(optRestaurar))
        return copiasDeSeguridad(db, datos, opciones.value(optCopia), opciones.value(optRestaurar));
    if (!prepararEsquema(db, datos, opciones.isSet(optActualizar), &error)) {
        errores << error << "\n";
        return 1;
    }
    const auto bd = MyBd::crear(db, opciones.value(optUsuario).toInt(), &error);
    if (!bd) {
        errores << error << "\n";
        return 1;
    }
    registrarComponentesSuite();

    auto expe = VMEXPE::crear();
    expe->setMyBd(bd);
    salida << "Base de datos: " << datos << "\nUsuario: " << bd->IdUsuario() << " " << bd->NombreUsuario()
           << (bd->Administrador() ? " (administrador)" : "") << "\nCarpeta de trabajo: " << expe->carpetaTrabajo() << "\n";
    salida.flush();

    if (opciones.isSet(optIndexar))
        return indexarDocumentos(*expe);

    // The demo data's first case file and its second action.
    if (opciones.isSet(optCapturas)) {
        QString informe;
        const bool hechas = !expe->capturarPantallas(opciones.value(optCapturas), 1, 2, &informe).isEmpty();
        salida << informe;
        return hechas ? 0 : 1;
    }

    const QString pantalla = opciones.positionalArguments().value(0, QStringLiteral("expedientes"));
    bool ok;
    if (pantalla == QLatin1String("tipos"))
        ok = expe->vTipos();
    else if (pantalla == QLatin1String("actuaciones"))
        ok = expe->vActuaciones();
    else
        ok = expe->vExpedientes();
    if (!ok) {
        errores << expe->UltimoError() << "\n";
        return 1;
    }
    return 0;
}
