// Speed of the library against what the database engine itself allows, measured as
// ratios in one run. `vmexp_bench` runs the small sizes; `--completo` adds 1,000,000.
// `--servidor` runs the same on the PostgreSQL server the environment names (PGHOST and
// the rest: `make bench` starts a throwaway one), against libpq and psql.
#include "basedatos.h"
#include "conexion.h"
#include "conexionpg.h"
#include "cutilidades.h"
#include "datosbusqueda.h"
#include "dialecto.h"
#include "dialogos.h"
#include "flujoblob.h"
#include "generador.h"
#include "tabla.h"
#include "modexp.h"
#include "mybd.h"
#include "pantallas.h"
#include "textodocumentos_bench.h"
#include "vmexpe.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>
#include <QtTest>
#include <fcntl.h>
#include <libpq-fe.h>
#include <algorithm>
#include <functional>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QTextStream &out = salidaBench();
// A search takes a few milliseconds: with five repetitions one slow run moves the median.
constexpr int kVecesBusqueda = 15;

double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// antes runs untimed before each repetition.
double medir(int veces, const std::function<void()> &f, const std::function<void()> &antes = {}) {
    std::vector<double> t;
    for (int i = 0; i < veces; ++i) {
        if (antes)
            antes();
        QElapsedTimer r;
        r.start();
        f();
        t.push_back(r.nsecsElapsed() / 1e6);
    }
    return mediana(t);
}


// Where a measure runs: the embedded files of a folder, or a database of the server.
struct Destino {
    QString carpeta;
    QString base; // empty when embedded
    bool servidor() const { return !base.isEmpty(); }
    // How a child process of the bench is told where to work.
    QString argumento() const { return servidor() ? QStringLiteral("servidor:") + base : carpeta; }
    static Destino de(const QString &argumento) {
        if (argumento.startsWith(QLatin1String("servidor:")))
            return {{}, argumento.mid(9)};
        return {argumento, {}};
    }
    // What a row of the table starts with.
    QString prefijo() const { return servidor() ? QStringLiteral("servidor: ") : QString(); }
    QSqlDatabase abrir(const QString &nombre) const {
        return servidor() ? BaseDatos::abrirServidor(QStringLiteral("dbname=") + base, nombre) : BaseDatos::abrir(carpeta, nombre);
    }
};

// The engine's own cost of a translated statement: stepped through the SQLite C API for
// n rows (-1: all), or sent through libpq with every value of its result read.
double motor(const Destino &d, const QString &sql, int n, int veces, const std::function<void()> &antes = {}) {
    const QByteArray texto = sql.toUtf8();
    if (d.servidor()) {
        // A connection with the session settings the library gives its own.
        double ms = 0;
        {
            QSqlDatabase db = d.abrir(QStringLiteral("motor"));
            const Conexion ajustes(db);
            PGconn *c = conexionPg(db, nullptr);
            ms = medir(veces, [&] {
                PGresult *r = PQexec(c, texto.constData());
                for (int f = 0; f < PQntuples(r); ++f)
                    for (int col = 0; col < PQnfields(r); ++col)
                        PQgetvalue(r, f, col);
                PQclear(r);
            }, antes);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("motor"));
        return ms;
    }
    sqlite3 *h = nullptr;
    sqlite3_open(QDir(d.carpeta).filePath(QStringLiteral("empresa.db")).toUtf8().constData(), &h);
    BaseDatos::registrarCotejo(h);
    sqlite3_exec(h, ("ATTACH DATABASE '" + QDir(d.carpeta).filePath(QStringLiteral("vmcomun.db")).toUtf8() + "' AS vmcomun").constData(),
                 nullptr, nullptr, nullptr);
    const double ms = medir(veces, [&] {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(h, texto.constData(), -1, &s, nullptr);
        int filas = 0;
        while ((n < 0 || filas < n) && sqlite3_step(s) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                sqlite3_column_text(s, c);
            ++filas;
        }
        sqlite3_finalize(s);
    }, antes);
    sqlite3_close(h);
    return ms;
}

struct Sesion {
    QSqlDatabase db;
    std::unique_ptr<Conexion> conexion;
    std::shared_ptr<MyBd> bd;
    std::shared_ptr<VMEXPE> expe;
    QString sqlUltimo;
    Sesion(const Destino &d, int usuario, const QString &nombre) {
        db = d.abrir(nombre);
        conexion = std::make_unique<Conexion>(db);
        QObject::connect(conexion.get(), &Conexion::sentencia, [this](const QString &s) { sqlUltimo = s; });
        bd = std::make_shared<MyBd>(conexion.get(), usuario);
        expe = VMEXPE::crear();
        expe->setMyBd(bd);
    }
    ~Sesion() {
        expe.reset();
        gExpe.reset();
        bd.reset();
        conexion.reset();
        const QString n = db.connectionName();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(n);
    }
};

// Answers every message with its first button and closes modal screens at once.
struct SinDialogos : DialogService {
    std::function<void(QDialog *)> manejador;
    int mensaje(const QString &, int, const QString &, const QString &) override { return 1; }
    QString pedirTexto(const QString &, const QString &, const QString &) override { return {}; }
    RespuestaFichero pedirFichero(const PeticionFichero &) override { return {}; }
    int abrirModal(QDialog *d) override {
        if (manejador) {
            d->show();
            manejador(d);
        }
        return 0;
    }
    int abrirConEscritorio(const QString &) override { return 0; }
};

void benchBusqueda(const Destino &destino, int n, int veces) {
    const auto fabrica = Pantallas::fabrica(QStringLiteral("frmExpedientes"));
    if (!fabrica) {
        out << "| búsqueda: pantalla no disponible |\n";
        return;
    }
    // Each case: the user (7 is no administrator) and what is typed before the timed
    // search; without a filter the timed part is the screen's whole load.
    struct Caso {
        QString nombre;
        int usuario;
        std::function<void(QDialog *)> preparar;
        std::function<void(QDialog *)> buscar;
    };
    auto campo = [](QDialog *d, int i) { return d->findChild<QLineEdit *>(QStringLiteral("Text1_%1").arg(i)); };
    const QList<Caso> casos = {
        {QStringLiteral("sin filtros (carga de la pantalla)"), 1, {}, {}},
        {QStringLiteral("sin filtros (Iniciar Busqueda, pantalla abierta)"), 1, [](QDialog *) {},
         [](QDialog *d) { QMetaObject::invokeMethod(d, "cmdBuscar_Click"); }},
        {QStringLiteral("permisos, usuario no administrador (carga)"), 7, {}, {}},
        {QStringLiteral("con cliente (al salir del código)"), 1,
         [&](QDialog *d) {
             // A customer that has case files: the one of the first customer case file.
             Recordset rs = sesionConexion()->Execute(QStringLiteral(
                 "SELECT cli_Cod FROM Cli WHERE cli_id = (SELECT Exp_IdCli FROM Exp WHERE Exp_Origen = 0 ORDER BY Exp_Id LIMIT 1)"));
             campo(d, 0)->setFocus();
             campo(d, 0)->setText(rs.Fields(0).toString());
         },
         [&](QDialog *d) { campo(d, 2)->setFocus(); }},
        {QStringLiteral("descripción contiene 'subven' (Iniciar Busqueda)"), 1,
         [&](QDialog *d) { campo(d, 2)->setText(QStringLiteral("subven")); },
         [](QDialog *d) { QMetaObject::invokeMethod(d, "cmdBuscar_Click"); }},
    };
    for (const Caso &c : casos) {
        Sesion s(destino, c.usuario, QStringLiteral("busqueda"));
        int filas = 0;
        QString sql;
        QStringList enviadas; // by the last timed repetition
        bool midiendo = false;
        QObject::connect(s.conexion.get(), &Conexion::sentencia, [&](const QString &x) {
            if (midiendo)
                enviadas << x;
        });
        std::vector<double> tiempos;
        for (int i = 0; i < veces; ++i) {
            enviadas.clear();
            QElapsedTimer r;
            r.start();
            midiendo = !c.buscar;
            std::unique_ptr<QDialog> d(fabrica(nullptr));
            if (c.buscar) {
                d->show();
                d->activateWindow();
                QApplication::processEvents();
                c.preparar(d.get());
                midiendo = true;
                r.restart();
                c.buscar(d.get());
            }
            midiendo = false;
            auto *grid = d->findChild<QAbstractItemView *>(QStringLiteral("DataGrid1"));
            filas = grid && grid->model() ? grid->model()->rowCount() : 0;
            tiempos.push_back(r.nsecsElapsed() / 1e6);
            sql = s.sqlUltimo;
        }
        // The engine reads what the grid holds; the server is sent the first page as the grid asks for it.
        const QString traducida = s.conexion->dialecto().ordenEstable(s.db, s.conexion->traducir(sql));
        const QString paraMotor = destino.servidor() ? s.conexion->dialecto().pagina(traducida, RecordsetModel::kPrimeraPagina + 1, 0)
                                                     : traducida;
        const int filasMotor = destino.servidor() ? -1 : filas;
        // Timed where the screen's measure starts: a screen built (and, for a search
        // again, shown and filled in) just before, whose painting leaves the processor's
        // caches cold; in a loop of its own the engine runs with them warm.
        std::unique_ptr<QDialog> abierta;
        const auto comoLaPantalla = [&] {
            abierta.reset(fabrica(nullptr));
            if (!c.buscar)
                return abierta.reset();
            abierta->show();
            abierta->activateWindow();
            QApplication::processEvents();
            c.preparar(abierta.get());
        };
        const double pagina = motor(destino, paraMotor, filasMotor, veces, comoLaPantalla);
        // The base is every statement the timed part sent, each run on its own (as the
        // editor's); the screen may send several in one round trip.
        double base = pagina;
        for (const QString &x : std::as_const(enviadas))
            if (x != sql)
                base += motor(destino, s.conexion->traducir(x), -1, veces, comoLaPantalla);
        abierta.reset();
        const double ms = mediana(tiempos);
        QString nota = QStringLiteral("%1 filas").arg(filas);
        if (enviadas.size() > 1)
            nota += QStringLiteral("; %1 sentencias; la búsqueda sola %2 ms (%3x)").arg(enviadas.size()).arg(pagina, 0, 'f', 2).arg(ms / pagina, 0, 'f', 2);
        fila(destino.prefijo() + QStringLiteral("búsqueda %1, %2 expedientes").arg(c.nombre).arg(n), ms, base,
             nota + QStringLiteral("; el motor en bucle %1 ms").arg(motor(destino, paraMotor, filasMotor, veces), 0, 'f', 2));
    }
}

void benchEditor(const Destino &destino, int veces) {
    const auto fabrica = Pantallas::fabrica(QStringLiteral("frmExpedientes1"));
    if (!fabrica) {
        out << "| editor: pantalla no disponible |\n";
        return;
    }
    Sesion s(destino, 1, QStringLiteral("editor"));
    s.expe->setIdExp(1);
    s.expe->setOrigen(0);
    QStringList sentencias;
    auto conn = QObject::connect(s.conexion.get(), &Conexion::sentencia, [&](const QString &x) { sentencias << x; });
    const double abrir = medir(veces, [&] {
        sentencias.clear();
        std::unique_ptr<QDialog> d(fabrica(nullptr));
    });
    double base = 0;
    for (const QString &x : sentencias)
        if (x.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive) || x.startsWith(QLatin1String("Select")))
            base += motor(destino, s.conexion->traducir(x), -1, veces);
    fila(destino.prefijo() + QStringLiteral("editor: abrir expediente con 10.000 actuaciones"), abrir, base);
    std::unique_ptr<QDialog> d(fabrica(nullptr));
    std::vector<double> tiempos[4];
    QString sqlAgrupacion[4];
    for (int vez = 0; vez < veces; ++vez)
        for (int i : {1, 2, 3, 0}) {
            auto *op = d->findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(i));
            if (!op)
                continue;
            sentencias.clear();
            QElapsedTimer r;
            r.start();
            op->click();
            tiempos[i].push_back(r.nsecsElapsed() / 1e6);
            if (!sentencias.isEmpty())
                sqlAgrupacion[i] = sentencias.last();
        }
    for (int i = 0; i < 4; ++i) {
        const double b = sqlAgrupacion[i].isEmpty() ? 0 : motor(destino, s.conexion->traducir(sqlAgrupacion[i]), -1, veces);
        fila(destino.prefijo() + QStringLiteral("editor: agrupación Option1_%1 (10.000 actuaciones)").arg(i), mediana(tiempos[i]), b);
    }
    QObject::disconnect(conn);
}

// Resident memory of this process now, in KB.
long memoriaKb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().split(' ').value(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

// The name search over the customers: opening (to the first rows shown) against reading
// the whole statement, as the search did before it narrowed in the database; each key
// typed, the worst of the word, against the target of 50 ms; the memory it adds while open.
void benchBuscarPorNombre(const Destino &destino, int clientes, int veces) {
    Sesion s(destino, 1, QStringLiteral("nombre"));
    SinDialogos sd;
    DialogService::instalar(&sd);
    const QString sql = QStringLiteral("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER");
    // A surname a twentieth of the rows hold, then one row, the start of the names of the
    // last tenth in the list's order, two letters nobody has.
    const QStringList palabras = {QStringLiteral("garcia 7"), QStringLiteral("munoz 99999"), QStringLiteral("transp"), QStringLiteral("zq")};
    std::vector<double> ta;
    std::vector<std::vector<double>> peor(palabras.size());
    QVector<int> filas(palabras.size());
    int primeras = 0;
    long memoria = 0;
    for (int i = 0; i < veces; ++i) {
        QElapsedTimer r;
        const long antes = memoriaKb();
        sd.manejador = [&](QDialog *d) {
            ta.push_back(r.nsecsElapsed() / 1e6);
            auto *txt = d->findChild<QLineEdit *>(QStringLiteral("txtBuscar"));
            auto *grid = d->findChild<QAbstractItemView *>(QStringLiteral("grdResultados"));
            primeras = grid->model()->rowCount();
            for (int w = 0; w < palabras.size(); ++w) {
                txt->clear();
                double maximo = 0;
                for (QChar c : palabras[w]) {
                    QElapsedTimer r2;
                    r2.start();
                    QTest::keyClick(txt, c.toLatin1());
                    maximo = std::max(maximo, r2.nsecsElapsed() / 1e6);
                }
                peor[w].push_back(maximo);
                filas[w] = grid->model()->rowCount();
                memoria = std::max(memoria, memoriaKb() - antes);
            }
            d->reject();
        };
        CUtilidades u;
        u.setConexion(s.conexion.get());
        r.start();
        u.BuscarPorNombre(sql, QStringLiteral("CLI_COMER"), QStringLiteral("Codigo"), QStringLiteral("Cliente"),
                          QStringLiteral("Buscar"), 600, 6000, 0);
    }
    DialogService::instalar(nullptr);
    const QString miles = clientes == 1000000 ? QStringLiteral("1.000.000") : QLocale().toString(clientes);
    fila(QStringLiteral("BuscarPorNombre: abrir sobre %1 clientes").arg(miles), mediana(ta),
         motor(destino, s.conexion->traducir(sql), -1, veces), QStringLiteral("%1 filas a la vista").arg(primeras));
    for (int w = 0; w < palabras.size(); ++w)
        fila(QStringLiteral("BuscarPorNombre: teclear '%1', %2 clientes (peor tecla)").arg(palabras[w], miles),
             mediana(peor[w]), 50, QStringLiteral("%1 filas; memoria añadida %2 MB").arg(filas[w]).arg(memoria / 1024));
}

// Runs this program as a child for one document transfer and reports time and peak memory.
struct Medida {
    double ms = 0;
    long picoKb = 0;
};

Medida hijo(const QString &programa, const QStringList &args) {
    QElapsedTimer r;
    r.start();
    const pid_t pid = fork();
    if (pid == 0) {
        // The shells print what they moved; the table is all the bench prints.
        const int nulo = open("/dev/null", O_WRONLY);
        dup2(nulo, STDOUT_FILENO);
        QList<QByteArray> a;
        a << programa.toLocal8Bit();
        for (const QString &x : args)
            a << x.toLocal8Bit();
        std::vector<char *> v;
        for (auto &x : a)
            v.push_back(x.data());
        v.push_back(nullptr);
        // What the shell prints (writefile's byte count) stays out of the table.
        if (FILE *nulo = freopen("/dev/null", "w", stdout); !nulo)
            _exit(126);
        execvp(v[0], v.data());
        _exit(127);
    }
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    return {r.nsecsElapsed() / 1e6, uso.ru_maxrss};
}

// The first value of a statement run through libpq on the server database.
QByteArray valorServidor(const Destino &d, const char *sql) {
    PGconn *c = PQconnectdb(("dbname=" + d.base).toUtf8().constData());
    PGresult *r = PQexec(c, sql);
    const QByteArray v = PQntuples(r) > 0 ? QByteArray(PQgetvalue(r, 0, 0)) : QByteArray();
    PQclear(r);
    PQfinish(c);
    return v;
}

void benchDocumentos(const Destino &destino, const QString &yo, qint64 megas, int veces) {
    QTemporaryDir ficheros;
    const QString fuente = ficheros.filePath(QStringLiteral("fuente.bin"));
    {
        QFile f(fuente);
        f.open(QIODevice::WriteOnly);
        QByteArray bloque(1 << 20, 'x');
        for (qint64 i = 0; i < megas; ++i) {
            bloque[0] = char(i);
            f.write(bloque);
        }
    }
    const QString dest = destino.argumento();
    const QString db = QDir(destino.carpeta).filePath(QStringLiteral("empresa.db"));
    // Each store goes into an empty row, as a new document does: storing the same bytes
    // again over them writes nothing, and replacing a document first wipes the old pages.
    auto vaciarFila = [&] {
        if (destino.servidor())
            return;
        sqlite3 *h = nullptr;
        sqlite3_open(db.toUtf8().constData(), &h);
        BaseDatos::registrarCotejo(h);
        sqlite3_exec(h, "INSERT OR IGNORE INTO Ima (Ima_Id, Ima_Tabla, Ima_IdTabla) VALUES (1, 'ActF', 1);"
                        "UPDATE Ima SET Ima_File = NULL WHERE Ima_Id = 1", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    };
    auto tomar = [&](const std::function<Medida()> &f, bool vaciar = false) {
        std::vector<double> t;
        long pico = 0;
        for (int i = 0; i < veces; ++i) {
            if (vaciar)
                vaciarFila();
            const Medida m = f();
            t.push_back(m.ms);
            pico = std::max(pico, m.picoKb);
        }
        return Medida{mediana(t), pico};
    };
    const Medida guardar = tomar([&] { return hijo(yo, {QStringLiteral("--guardar"), dest, fuente}); }, true);
    const Medida ver = tomar([&] { return hijo(yo, {QStringLiteral("--ver"), dest, fuente + QStringLiteral(".vista")}); });
    // Peak memory of the same programs moving an empty file: what the transfer adds.
    // Stored after the others have read the document.
    long baseNuestra = 0;
    const auto medirVacio = [&] {
        const QString vacio = fuente + QStringLiteral(".vacio");
        QFile(vacio).open(QIODevice::WriteOnly);
        vaciarFila();
        baseNuestra = hijo(yo, {QStringLiteral("--guardar"), dest, vacio}).picoKb;
    };
    auto nota = [&](const Medida &a, const Medida &b, long baseB) {
        return QStringLiteral("memoria añadida %1 MB frente a %2 MB").arg((a.picoKb - baseNuestra) / 1024).arg((b.picoKb - baseB) / 1024);
    };
    if (destino.servidor()) {
        // psql's own large-object commands on the same database; the object stored last
        // by the library is the one exported.
        const QString psql = QStringLiteral("psql");
        const QStringList conexion = {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-d"), destino.base, QStringLiteral("-c")};
        const QByteArray objeto = valorServidor(destino, "SELECT Ima_File FROM Ima WHERE Ima_Id = 1");
        const Medida importar = tomar([&] { return hijo(psql, conexion + QStringList{QStringLiteral("\\lo_import '%1'").arg(fuente)}); });
        const Medida exportar = tomar([&] {
            return hijo(psql, conexion + QStringList{QStringLiteral("\\lo_export %1 '%2'").arg(QString::fromLatin1(objeto), fuente + QStringLiteral(".psql"))});
        });
        const long basePsql = hijo(psql, conexion + QStringList{QStringLiteral("SELECT 1")}).picoKb;
        medirVacio();
        valorServidor(destino, "SELECT count(lo_unlink(oid)) FROM pg_largeobject_metadata WHERE oid NOT IN (SELECT Ima_File FROM Ima WHERE Ima_File IS NOT NULL)");
        fila(QStringLiteral("servidor: documento de %1 MB: guardar frente a \\lo_import").arg(megas), guardar.ms, importar.ms, nota(guardar, importar, basePsql));
        fila(QStringLiteral("servidor: documento de %1 MB: ver frente a \\lo_export").arg(megas), ver.ms, exportar.ms, nota(ver, exportar, basePsql));
        return;
    }
    const Medida shellLee = tomar([&] {
        return hijo(QStringLiteral("sqlite3"), {db, QStringLiteral("UPDATE Ima SET Ima_File = readfile('%1') WHERE Ima_Id = 1").arg(fuente)});
    }, true);
    const Medida shellEscribe = tomar([&] {
        return hijo(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT writefile('%1', Ima_File) FROM Ima WHERE Ima_Id = 1").arg(fuente + QStringLiteral(".shell"))});
    });
    const Medida copia = tomar([&] { return hijo(QStringLiteral("cp"), {fuente, fuente + QStringLiteral(".copia")}); });
    const long baseShell = hijo(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT 1")}).picoKb;
    medirVacio();
    fila(QStringLiteral("documento de %1 MB: guardar frente a readfile()").arg(megas), guardar.ms, shellLee.ms, nota(guardar, shellLee, baseShell));
    fila(QStringLiteral("documento de %1 MB: ver frente a writefile()").arg(megas), ver.ms, shellEscribe.ms, nota(ver, shellEscribe, baseShell));
    fila(QStringLiteral("documento de %1 MB: guardar frente a copiar (cp)").arg(megas), guardar.ms, copia.ms, nota(guardar, copia, 0));
}

// The whole customer search of user 1 into a CSV, its peak memory against the same
// export of a search without rows, and its time against stepping the statement.
void benchExportacion(const Destino &destino, const QString &yo, int n) {
    const QString carpeta = destino.carpeta;
    const QString csv = QDir(carpeta).filePath(QStringLiteral("lista.csv"));
    std::vector<double> t;
    long pico = 0;
    for (int i = 0; i < 3; ++i) {
        const Medida m = hijo(yo, {QStringLiteral("--exportar"), carpeta, csv});
        t.push_back(m.ms);
        pico = std::max(pico, m.picoKb);
    }
    const long vacio = hijo(yo, {QStringLiteral("--exportar-vacio"), carpeta, csv + QStringLiteral(".vacio")}).picoKb;
    QString sql;
    {
        Sesion s(destino, 1, QStringLiteral("exportar"));
        sql = s.conexion->traducir(DatosBusqueda(s.bd.get()).sentencia({}));
    }
    fila(QStringLiteral("exportar a CSV la búsqueda de clientes, %1 expedientes").arg(n), mediana(t),
         motor(destino, sql, -1, 3),
         QStringLiteral("%1 KB; memoria añadida %2 KB").arg(QFileInfo(csv).size() >> 10).arg(pico - vacio));
}

// Statements each screen opening and each save sends: on a server every one is a
// network round trip. A read sent again with the same text in one of them, with no
// write in between, is counted apart, as one that could have been saved.
void benchIdasYVueltas(const Destino &destino) {
    Sesion s(destino, 1, QStringLiteral("idas"));
    QStringList sentencias;
    QObject::connect(s.conexion.get(), &Conexion::sentencia, [&](const QString &x) { sentencias << x; });
    const auto contar = [&](const QString &que, const std::function<void()> &accion) {
        sentencias.clear();
        const qint64 idas = s.conexion->idasYVueltas();
        accion();
        QStringList lecturas;
        int repetidas = 0;
        for (const QString &x : std::as_const(sentencias)) {
            // After a write the same read may find something else.
            if (!x.trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive)) {
                if (!x.startsWith(QLatin1String("BEGIN")) && !x.startsWith(QLatin1String("COMMIT")))
                    lecturas.clear();
                continue;
            }
            if (lecturas.contains(x))
                ++repetidas;
            lecturas << x;
        }
        if (qEnvironmentVariableIsSet("VMEXP_BENCH_SENTENCIAS"))
            out << sentencias.join(QStringLiteral("\n    ")) << "\n";
        out << QStringLiteral("| %1%2 | %3 | | | idas y vueltas: %4; lecturas repetidas: %5 |\n")
                   .arg(destino.prefijo(), QStringLiteral("sentencias al ") + que)
                   .arg(sentencias.size())
                   .arg(s.conexion->idasYVueltas() - idas)
                   .arg(repetidas);
        out.flush();
    };
    const auto abrir = [](const char *pantalla) { return std::unique_ptr<QDialog>(Pantallas::fabrica(QLatin1String(pantalla))(nullptr)); };
    s.expe->setOrigen(0);
    contar(QStringLiteral("abrir la búsqueda"), [&] { abrir("frmExpedientes"); });
    contar(QStringLiteral("abrir la búsqueda otra vez"), [&] { abrir("frmExpedientes"); });
    s.expe->setIdExp(2);
    contar(QStringLiteral("abrir un expediente"), [&] { abrir("frmExpedientes1"); });
    {
        std::unique_ptr<QDialog> editor = abrir("frmExpedientes1");
        contar(QStringLiteral("guardar el expediente"), [&] { editor->findChild<QPushButton *>(QStringLiteral("cmdGrabar"))->click(); });
    }
    s.expe->setIdExp(1);
    s.expe->setIdAct(1);
    contar(QStringLiteral("abrir una actuación"), [&] { abrir("frmExpedientes2"); });
    {
        std::unique_ptr<QDialog> accion = abrir("frmExpedientes2");
        contar(QStringLiteral("guardar la actuación"), [&] { accion->findChild<QPushButton *>(QStringLiteral("cmdGuardar"))->click(); });
    }
    contar(QStringLiteral("abrir los tipos de expediente"), [&] { abrir("frmTiposExp"); });
}

int exportacion(const QString &modo, const QString &carpeta, const QString &fichero) {
    Sesion s(Destino::de(carpeta), 1, QStringLiteral("exportar"));
    FiltroBusqueda f;
    f.descripcion = modo == QLatin1String("--exportar-vacio") ? QStringLiteral("ninguna descripción tiene esto") : QString();
    QList<ColumnaCsv> columnas;
    for (int c = 0; c < 7; ++c)
        columnas.append({c, QStringLiteral("c%1").arg(c), [](const QVariant &v) { return v.toString(); }});
    qint64 filas = 0;
    bool cancelado = false;
    return DatosBusqueda(s.bd.get()).exportarCsv(f, columnas, fichero, {}, filas, cancelado) ? 0 : 1;
}

int transferencia(const QString &modo, const QString &destino, const QString &fichero) {
    Sesion s(Destino::de(destino), 1, QStringLiteral("doc"));
    if (modo == QLatin1String("--guardar")) {
        if (s.conexion->Execute(QStringLiteral("SELECT count(*) FROM Ima WHERE Ima_Id = 1")).Fields(0).toInt() == 0
            && !s.conexion->Ejecutar(QStringLiteral("INSERT INTO Ima (Ima_Id, Ima_Tabla, Ima_IdTabla) VALUES (1, 'ActF', 1)")))
            return 1;
        return FlujoBlob::guardarFichero(s.conexion.get(), QStringLiteral("Ima"), QStringLiteral("Ima_File"), 1, fichero) ? 0 : 1;
    }
    bool escrito = false;
    return FlujoBlob::cargarAFichero(s.conexion.get(), QStringLiteral("Ima"), QStringLiteral("Ima_File"), 1, fichero, &escrito) && escrito ? 0 : 1;
}
} // namespace

int main(int argc, char *argv[]) {
    if (argc == 4 && qstrncmp(argv[1], "--exportar", 10) == 0) {
        QCoreApplication app(argc, argv);
        return exportacion(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (argc == 4 && (qstrcmp(argv[1], "--guardar") == 0 || qstrcmp(argv[1], "--ver") == 0)) {
        QCoreApplication app(argc, argv);
        return transferencia(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes on window hints would break up the table.
    qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext &, const QString &texto) {
        if (tipo != QtWarningMsg || !texto.contains(QLatin1String("propagateSizeHints")))
            fprintf(stderr, "%s\n", qPrintable(texto));
    });
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const bool completo = app.arguments().contains(QStringLiteral("--completo"));
    const bool servidor = app.arguments().contains(QStringLiteral("--servidor"));
    // --solo=busqueda (or exportacion, editor, nombre, documentos, sentencias) runs one part.
    QString solo;
    for (const QString &a : app.arguments())
        if (a.startsWith(QLatin1String("--solo=")))
            solo = a.mid(7);
    const auto quiero = [&solo](const char *parte) { return solo.isEmpty() || solo == QLatin1String(parte); };
    if (servidor && qEnvironmentVariableIsEmpty("PGHOST")) {
        out << "--servidor: falta el servidor PostgreSQL (PGHOST); make bench lo arranca con pg_virtualenv\n";
        return 1;
    }
    const QList<int> tamanos = completo ? QList<int>{10000, 100000, 1000000} : QList<int>{10000, 100000};
    // VMEXP_BENCH_VECES repeats each measure more often, for a profiler.
    const int veces = qEnvironmentVariableIsSet("VMEXP_BENCH_VECES") ? qEnvironmentVariableIntValue("VMEXP_BENCH_VECES") : 5;
    QTemporaryDir tmp;
    SinDialogos sd;
    DialogService::instalar(&sd);

    out << "| medida | VMEXP ms | base ms | razón | nota |\n|---|---:|---:|---:|---|\n";
    for (int n : tamanos) {
        // The larger sizes only serve the search and the export, and the name search's million.
        const bool soloNombres = !quiero("busqueda") && !quiero("exportacion");
        if (n != tamanos.first() && soloNombres && (n != 1000000 || !quiero("nombre") || servidor))
            continue;
        const Destino destino = servidor ? Destino{{}, QStringLiteral("vmexp_bench_%1").arg(n)}
                                         : Destino{tmp.filePath(QStringLiteral("n%1").arg(n)), {}};
        Tamano t;
        t.expedientes = n;
        // The name search's million customers come with the largest size.
        if (n == 1000000)
            t.clientes = 1000000;
        if (n == 1000000 && soloNombres)
            t.expedientes = 10000;
        QElapsedTimer r;
        r.start();
        QString error;
        if (!(servidor ? generarBaseServidor(destino.base, t, &error) : generarBase(destino.carpeta, t, &error))) {
            out << "Error generando la base: " << error << "\n";
            return 1;
        }
        out << QStringLiteral("| (%1generar %2 expedientes) | %3 | | | |\n").arg(servidor ? QStringLiteral("servidor: ") : QString()).arg(n).arg(r.elapsed());
        if (quiero("busqueda"))
            benchBusqueda(destino, n, std::max(veces, kVecesBusqueda));
        if (!servidor && quiero("exportacion"))
            benchExportacion(destino, app.applicationFilePath(), n);
        if (!servidor && n == 100000 && quiero("texto"))
            benchTextoDocumentos(destino.carpeta, n, 100000, veces);
        if (!servidor && t.clientes == 1000000 && quiero("nombre")) {
            DialogService::instalar(nullptr);
            benchBuscarPorNombre(destino, t.clientes, veces);
            DialogService::instalar(&sd);
        }
        if (n != tamanos.first())
            continue;
        if (quiero("editor"))
            benchEditor(destino, veces);
        if (!servidor && quiero("nombre")) {
            DialogService::instalar(nullptr);
            benchBuscarPorNombre(destino, t.clientes, veces);
            DialogService::instalar(&sd);
        }
        if (quiero("documentos"))
            benchDocumentos(destino, app.applicationFilePath(), completo || servidor ? 256 : 64, 3);
        if (quiero("sentencias"))
            benchIdasYVueltas(destino);
    }
    return 0;
}
