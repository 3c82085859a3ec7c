// The demo host and its database files: it builds them on a first run or when asked,
// never replaces one that is there, upgrades an older one after a backup, refuses a
// newer one, and takes and restores backups while others work.
#include "basedatos.h"
#include "copias.h"
#include "fixture.h"
#include "versionesquema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <sqlite3.h>
#include <thread>

namespace {
QByteArray huella(const QString &ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1) : QByteArray();
}

bool guion(const QString &fichero, const QString &sql) {
    sqlite3 *h = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(fichero).constData(), &h) == SQLITE_OK
                    && sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(h);
    return ok;
}

// A database as the first release built it, with its demo data, a document of 3 MB and
// a deleted last type.
bool crearVersion1(const QString &datos) {
    const auto v1 = [](const char *fichero) {
        return QString::fromUtf8(leerFichero(QStringLiteral(ESQUEMA_V1 "/") + QLatin1String(fichero)));
    };
    const QString comun = datos + QStringLiteral("/vmcomun.db");
    return QDir().mkpath(datos) && guion(comun, QStringLiteral("PRAGMA journal_mode=WAL;") + v1("vmcomun.sql"))
           && guion(datos + QStringLiteral("/empresa.db"),
                    QStringLiteral("PRAGMA journal_mode=WAL;") + v1("empresa.sql")
                        + QStringLiteral("ATTACH '%1' AS vmcomun;").arg(comun) + v1("demo.sql")
                        + QStringLiteral("INSERT INTO Ima (Ima_Tabla, Ima_IdTabla, Ima_File) "
                                         "VALUES ('ActF', 99, randomblob(3145728));"
                                         // a counter past the last row: ids are never reused
                                         "INSERT INTO Tex (Tex_Des) VALUES ('borrado'); DELETE FROM Tex WHERE Tex_Des = 'borrado';"));
}

// Each row of sql on the database of that folder, through fila, on a connection of its own.
template <class T>
QList<T> leer(const QString &datos, const QString &sql, const std::function<T(QSqlQuery &)> &fila) {
    QList<T> r;
    {
        QSqlQuery q(BaseDatos::abrir(datos, QStringLiteral("leer")));
        q.exec(sql);
        while (q.next())
            r << fila(q);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("leer"));
    return r;
}

// Every row of every table and every document's bytes, as text to compare; the name index
// (Cli_Buscar, Pro_Buscar and their shadow tables) and the documents' text are built from the rows.
QStringList contenido(const QString &datos) {
    return leer<QString>(
        datos,
        "SELECT 'main', name FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_stat%' "
        "AND name <> 'vmexp_version' AND name NOT LIKE 'ActFTex%' AND name NOT LIKE '%\\_Buscar%' ESCAPE '\\' "
        "UNION ALL SELECT 'vmcomun', name FROM vmcomun.sqlite_master "
        "WHERE type = 'table' AND name NOT LIKE 'sqlite_stat%' ORDER BY 1, 2",
        [](QSqlQuery &q) {
            QSqlQuery t(QSqlDatabase::database(QStringLiteral("leer")));
            t.exec(QStringLiteral("SELECT * FROM %1.%2 ORDER BY 1").arg(q.value(0).toString(), q.value(1).toString()));
            QCryptographicHash h(QCryptographicHash::Sha1);
            int filas = 0;
            for (; t.next(); ++filas)
                for (int i = 0; i < t.record().count(); ++i)
                    h.addData(t.value(i).toByteArray() + '\x1f');
            return QStringLiteral("%1: %2 filas %3")
                .arg(q.value(1).toString())
                .arg(filas)
                .arg(QString::fromLatin1(h.result().toHex()));
        });
}

// Tables, indexes and triggers as their statements define them, quotes and spacing aside.
QStringList esquemaDe(const QString &datos) {
    return leer<QString>(datos,
                         "SELECT type, name, sql FROM main.sqlite_master WHERE name <> 'vmexp_version' AND sql IS NOT "
                         "NULL UNION ALL SELECT type, name, sql FROM vmcomun.sqlite_master WHERE sql IS NOT NULL "
                         "ORDER BY 1, 2",
                         [](QSqlQuery &q) { return q.value(1).toString() + u' ' + q.value(2).toString().remove(u'"').simplified(); });
}

int versionDe(const QString &datos) {
    const auto version = [](QSqlQuery &) {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("leer"));
        return VersionEsquema::leer(db);
    };
    return leer<int>(datos, "SELECT 1", version).value(0, -1);
}

QList<int> guardados(const QString &datos) {
    return leer<int>(datos, "SELECT Tex_Id FROM Tex WHERE Tex_Des = 'guardado durante la copia' ORDER BY Tex_Id",
                     [](QSqlQuery &q) { return q.value(0).toInt(); });
}

struct Ejecucion {
    int salida = -1;
    QString dice, errores;
};
Ejecucion host(const QStringList &argumentos, const QProcessEnvironment &entorno = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(entorno);
    p.start(QStringLiteral(EXPEDIENTES), argumentos);
    Ejecucion r;
    if (!p.waitForFinished(120000))
        return r;
    r.salida = p.exitCode();
    r.dice = QString::fromUtf8(p.readAllStandardOutput());
    r.errores = QString::fromUtf8(p.readAllStandardError());
    return r;
}
} // namespace

class TstHost : public QObject {
    Q_OBJECT
private slots:
    void ficherosDeLaBaseDeDatos_data() {
        // presentes: files there before, with data of their own; aviso: in what the host says on error
        columnas<QStringList, bool, int, QString>("presentes", "recrear", "salida", "aviso");
        QTest::newRow("primera vez") << QStringList() << false << 0 << "";
        QTest::newRow("falta empresa.db") << QStringList{"vmcomun.db"} << false << 1 << "Falta el fichero empresa.db";
        QTest::newRow("falta vmcomun.db") << QStringList{"empresa.db"} << false << 1 << "Falta el fichero vmcomun.db";
        QTest::newRow("falta uno, con --recrear") << QStringList{"empresa.db"} << true << 0 << "";
    }
    void ficherosDeLaBaseDeDatos() {
        const auto [presentes, recrear, salida, aviso] =
            leerFila<QStringList, bool, int, QString>("presentes", "recrear", "salida", "aviso");
        QTemporaryDir dir;
        const QString datos = dir.filePath("datos");
        QVERIFY(QDir().mkpath(datos));
        QHash<QString, QByteArray> antes;
        for (const QString &f : presentes) {
            QVERIFY(escribirFichero(datos + u'/' + f, "datos reales de " + f.toUtf8()));
            antes.insert(f, huella(datos + u'/' + f));
        }
        QStringList argumentos{"--datos", datos, "--screenshots", dir.filePath("capturas")};
        if (recrear)
            argumentos << "--recrear";
        const Ejecucion r = host(argumentos);
        QCOMPARE(r.salida, salida);
        QVERIFY2(r.errores.contains(aviso), qPrintable(r.errores));
        for (const char *f : {"empresa.db", "vmcomun.db"}) {
            const QString ruta = datos + u'/' + QLatin1String(f);
            if (salida != 0) // nothing touched, nothing made
                QCOMPARE(huella(ruta), antes.value(QLatin1String(f)));
            else
                QVERIFY2(QFile::exists(ruta) && huella(ruta) != antes.value(QLatin1String(f)), f);
        }
    }

    void abrirOtraVersion_data() {
        // version: 1: built by the first release
        columnas<int, int, QString>("version", "salida", "dice");
        QTest::newRow("versión anterior") << 1 << 0 << "La base de datos tiene la versión 1 del esquema";
        QTest::newRow("versión más nueva") << 99 << 1 << "La base de datos tiene la versión 99 del esquema, más nueva";
    }
    // An older database is upgraded once, after a backup, without losing a row or a
    // document, and every screen opens on it; a newer one is left untouched.
    void abrirOtraVersion() {
        const auto [version, salida, dice] = leerFila<int, int, QString>("version", "salida", "dice");
        QTemporaryDir dir;
        const QString datos = dir.filePath("datos");
        if (version == 1)
            QVERIFY(crearVersion1(datos));
        else
            QVERIFY(BaseDatos::crear(datos, true) && guion(datos + "/empresa.db", QStringLiteral("UPDATE vmexp_version SET Ver_Numero = %1").arg(version)));
        const QStringList antes = contenido(datos);
        const QByteArray huellaAntes = huella(datos + "/empresa.db");
        const QStringList argumentos{"--datos", datos, "--screenshots", dir.filePath("capturas")};
        const Ejecucion primera = host(argumentos);
        QCOMPARE(primera.salida, salida);
        QVERIFY2((salida ? primera.errores : primera.dice).contains(dice), qPrintable(primera.dice + primera.errores));
        QCOMPARE(contenido(datos), antes);
        const QStringList copias = QDir(datos + "/copias").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (salida) {
            QCOMPARE(huella(datos + "/empresa.db"), huellaAntes);
            QCOMPARE(versionDe(datos), version);
            QVERIFY(copias.isEmpty());
            return;
        }
        QCOMPARE(versionDe(datos), VersionEsquema::kActual);
        QVERIFY(BaseDatos::crear(dir.filePath("nueva"), false));
        QCOMPARE(esquemaDe(datos), esquemaDe(dir.filePath("nueva")));
        QCOMPARE(QDir(dir.filePath("capturas")).entryList({"*.png"}).size(), 5);
        QCOMPARE(copias.size(), version < VersionEsquema::kActual ? 1 : 0);
        if (!copias.isEmpty()) {
            const QString copia = datos + "/copias/" + copias.first();
            QVERIFY2(primera.dice.contains("Antes se guarda una copia de seguridad en " + copia), qPrintable(primera.dice));
            int vCopia = 0;
            QVERIFY(Copias::comprobar(copia, &vCopia));
            QCOMPARE(vCopia, version);
            QCOMPARE(contenido(copia), antes);
        }
        // Once up to date, nothing more is done.
        const Ejecucion segunda = host(argumentos);
        QCOMPARE(segunda.salida, 0);
        QVERIFY2(!segunda.dice.contains("Se va a actualizar"), qPrintable(segunda.dice));
        QCOMPARE(QDir(datos + "/copias").entryList(QDir::Dirs | QDir::NoDotAndDotDot), copias);
        QCOMPARE(contenido(datos), antes);
    }

    void shellSinCotejo_data() {
        columnas<QString, bool>("sql", "acepta");
        QTest::newRow("leer filas") << "SELECT count(*) FROM Cli WHERE cli_Cod = 1001" << true;
        QTest::newRow("ordenar por nombre") << "SELECT Cli_Comer FROM Cli ORDER BY Cli_Comer" << false;
        QTest::newRow("cambiar un nombre") << "UPDATE Cli SET Cli_Comer = 'Zurita'" << false;
        QTest::newRow("comprobar la integridad") << "PRAGMA integrity_check" << false;
    }
    // The plain sqlite3 shell knows no VMEXP_ES: it reads rows, but refuses what would
    // need the collation instead of leaving an index out of order.
    void shellSinCotejo() {
        const auto [sql, acepta] = leerFila<QString, bool>("sql", "acepta");
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty())
            QSKIP("sqlite3 no está instalado");
        QTemporaryDir dir;
        QVERIFY(BaseDatos::crear(dir.filePath("datos"), true));
        const QString copia = dir.filePath("copia.db");
        QVERIFY(QFile::copy(dir.filePath("datos/empresa.db"), copia));
        const QByteArray antes = huella(copia);
        QProcess p;
        p.start(shell, {copia, sql});
        QVERIFY(p.waitForFinished(30000));
        const QString errores = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode() == 0, acepta);
        if (acepta)
            return;
        QVERIFY2(errores.contains("no such collation sequence: VMEXP_ES"), qPrintable(errores));
        QCOMPARE(huella(copia), antes);
    }

    // A step that fails half-way leaves nothing of itself; the steps before it stay done.
    void pasoInterrumpido() {
        QTemporaryDir dir;
        const QString datos = dir.filePath("datos");
        QVERIFY(crearVersion1(datos));
        const QStringList antes = contenido(datos);
        QList<VersionEsquema::Paso> pasos = VersionEsquema::pasos();
        pasos << VersionEsquema::Paso{VersionEsquema::kActual + 1, "paso de prueba",
                                      {"CREATE TABLE Nueva (x integer)", "INSERT INTO Nueva VALUES (1)",
                                       "UPDATE Exp SET Exp_Des = 'a medias'", "INSERT INTO NoExiste VALUES (1)"}};
        {
            QSqlDatabase db = BaseDatos::abrir(datos, "interrumpido");
            QString error;
            QVERIFY(!VersionEsquema::actualizar(db, &error, pasos));
            QVERIFY2(error.contains(QStringLiteral("versión %1 (paso de prueba): Falta la tabla NoExiste").arg(VersionEsquema::kActual + 1))
                         && error.contains("actualice. Ese paso no ha cambiado nada."),
                     qPrintable(error));
            QVERIFY(!db.tables().contains("Nueva"));
            QCOMPARE(VersionEsquema::leer(db), VersionEsquema::kActual);
        }
        QSqlDatabase::removeDatabase("interrumpido");
        QCOMPARE(contenido(datos), antes);
    }

    // Two programs upgrading at once take turns: the one that waited finds the step done.
    void dosActualizanALaVez() {
        Entorno e(1, false);
        const int version = VersionEsquema::kActual + 1;
        QList<VersionEsquema::Paso> pasos = VersionEsquema::pasos();
        pasos << VersionEsquema::Paso{version, "paso de prueba", {"CREATE TABLE Nueva (x integer)"}};
        // The first holds what an upgrade takes while it makes the step.
        QVERIFY(e.ejecutar(enServidor() ? "BEGIN; LOCK TABLE vmexp_version IN EXCLUSIVE MODE" : "BEGIN IMMEDIATE")
                && e.ejecutar("CREATE TABLE Nueva (x integer)")
                && e.ejecutar(QStringLiteral("UPDATE vmexp_version SET Ver_Numero = %1").arg(version)));
        bool hecho = false;
        QString error;
        std::thread segundo([&] {
            conSegundaConexion(e, [&](QSqlDatabase &db) { hecho = VersionEsquema::actualizar(db, &error, pasos); });
        });
        QThread::msleep(300); // the second reaches its start meanwhile
        const bool terminado = e.ejecutar("COMMIT");
        segundo.join();
        QVERIFY2(terminado && hecho, qPrintable(error));
    }

    // The host on an empty server database named only by what it is given (a connection
    // string, then a URI; the password from the environment): created once, then opened.
    void servidorCreadoYAbierto() {
        if (!enServidor())
            QSKIP("solo con el servidor");
        const QString base = QStringLiteral("vmexp_host_%1").arg(QCoreApplication::applicationPid());
        QVERIFY(QProcess::execute("createdb", {base}) == 0);
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        const QString maquina = entorno.value("PGHOST"), puerto = entorno.value("PGPORT"), usuario = entorno.value("PGUSER");
        for (const char *v : {"PGHOST", "PGPORT", "PGUSER", "PGDATABASE"})
            entorno.remove(v);
        const Ejecucion creada =
            host({"--servidor", QString("host=%1 port=%2 user=%3 dbname=%4").arg(maquina, puerto, usuario, base), "--crear", "--indexar"}, entorno);
        const Ejecucion abierta =
            host({"--servidor", QString("postgresql://%1@%2:%3/%4").arg(usuario, maquina, puerto, base), "--indexar"}, entorno);
        const int conClientes = QProcess::execute("psql", {"-c", "SELECT 1 / count(*) FROM Cli", base}); // 0: rows
        QProcess::execute("dropdb", {base});
        QVERIFY2(creada.salida == 0 && creada.dice.contains("Creando las tablas"), qPrintable(creada.errores));
        QVERIFY2(abierta.salida == 0 && !abierta.dice.contains("Creando"), qPrintable(abierta.errores));
        QCOMPARE(conClientes, 0);
    }

    // A backup taken by another process while saves keep coming holds every save
    // committed before it began, passes the integrity check, and restores whole.
    void copiaMientrasOtrosGraban() {
        QTemporaryDir dir;
        const QString datos = dir.filePath("datos"), copia = dir.filePath("copia");
        QVERIFY(BaseDatos::crear(datos, true));
        // Another user saves one row at a time until told to stop; ultima is the last one committed.
        std::atomic<int> ultima{0};
        std::atomic<bool> parar{false};
        QString error;
        std::unique_ptr<QThread> escritor(QThread::create([&] {
            {
                QSqlQuery q(BaseDatos::abrir(datos, QStringLiteral("escritor"), &error));
                while (!parar && error.isEmpty())
                    if (q.exec(QStringLiteral("INSERT INTO Tex (Tex_Des) VALUES ('guardado durante la copia')")))
                        ultima = q.lastInsertId().toInt();
                    else
                        error = q.lastError().text();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("escritor"));
        }));
        escritor->start();
        QTRY_VERIFY(ultima > 50);
        const int antes = ultima;
        const Ejecucion r = host({"--datos", datos, "--copia", copia});
        const int durante = ultima;
        QTRY_VERIFY(ultima > durante + 50);
        parar = true;
        QVERIFY(escritor->wait(30000));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(r.salida == 0, qPrintable(r.errores));
        QVERIFY(Copias::comprobar(copia));
        QVERIFY(host({"--datos", datos, "--copia", copia}).errores.contains("Ya hay una copia en"));
        const QList<int> enCopia = guardados(copia);
        // Whole saves from the first on, none missing in between, all those made before.
        QVERIFY(!enCopia.isEmpty() && enCopia.last() >= antes && enCopia.last() <= durante);
        QCOMPARE(enCopia.last() - enCopia.first() + 1, enCopia.size());
        QVERIFY(guardados(datos).size() > enCopia.size());
        const Ejecucion restaurada = host({"--datos", datos, "--restaurar", copia});
        QVERIFY2(restaurada.salida == 0, qPrintable(restaurada.errores));
        QCOMPARE(guardados(datos), enCopia);
        QVERIFY(Copias::comprobar(datos));
        // What was there before the restore is kept aside.
        const QStringList aparte = QDir(datos + "/copias").entryList({"antes-de-restaurar-*"}, QDir::Dirs);
        QCOMPARE(aparte.size(), 1);
        QVERIFY(guardados(datos + "/copias/" + aparte.first()).size() > enCopia.size());
    }

    void copiaQueNoEsDeExpedientes() {
        QTemporaryDir dir;
        for (const char *f : {"empresa.db", "vmcomun.db"})
            QVERIFY(escribirFichero(dir.filePath(f), {})); // an empty file is an empty database
        QString error;
        QVERIFY(!Copias::comprobar(dir.path(), nullptr, &error));
        QCOMPARE(error, "En " + dir.path() + " no hay una base de datos de expedientes.");
    }

    void registroParaSoporte_data() {
        // porEntorno: VMEXP_REGISTRO, as any host; otherwise --registro
        columnas<bool, QString>("porEntorno", "fichero");
        QTest::newRow("--registro") << false << "soporte.log";
        QTest::newRow("VMEXP_REGISTRO") << true << "soporte.log";
        QTest::newRow("carpeta que no existe") << false << "no/hay/soporte.log";
    }
    void registroParaSoporte() {
        const auto [porEntorno, fichero] = leerFila<bool, QString>("porEntorno", "fichero");
        QTemporaryDir dir;
        const QString registro = dir.filePath(fichero);
        QStringList argumentos{"--datos", dir.filePath("datos"), "--screenshots", dir.filePath("capturas")};
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        if (porEntorno)
            entorno.insert("VMEXP_REGISTRO", registro);
        else
            argumentos << "--registro" << registro;
        const Ejecucion r = host(argumentos, entorno);
        if (fichero.contains(u'/')) {
            QCOMPARE(r.salida, 1);
            QVERIFY2(r.errores.contains("No se puede escribir el registro en " + registro), qPrintable(r.errores));
            return;
        }
        QCOMPARE(r.salida, 0);
        const QString log = QString::fromUtf8(leerFichero(registro));
        QVERIFY2(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[\\d+\\] vmexp\\.sentencias: Select isnull\\(usu_nom"))
                     .match(log).hasMatch(),
                 qPrintable(log.left(2000)));
        // Nothing of the log reaches the terminal.
        QVERIFY(!r.errores.contains("vmexp."));
    }
};

QTEST_MAIN(TstHost)
#include "tst_host.moc"
