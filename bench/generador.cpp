#include "generador.h"

#include "basedatos.h"
#include "versionesquema.h"

#include <QDate>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {
// A value of a generated row: NULL, a whole number, an amount or a text.
struct Valor {
    enum Tipo { Nulo, Entero, Real, Texto } tipo = Nulo;
    qint64 n = 0;
    double d = 0;
    QByteArray t;
    Valor() = default;
    Valor(int v) : tipo(Entero), n(v) {}
    Valor(qint64 v) : tipo(Entero), n(v) {}
    Valor(double v) : tipo(Real), d(v) {}
    Valor(const QString &v) : tipo(Texto), t(v.toUtf8()) {}
    Valor(const char *v) : tipo(Texto), t(v) {}
};
const Valor kNulo;

// Where the rows go: one table at a time, its columns named once.
class Sumidero {
public:
    virtual ~Sumidero() = default;
    virtual bool tabla(const char *nombre, const char *columnas) = 0;
    virtual bool fila(std::initializer_list<Valor> valores) = 0;
    virtual bool terminar() = 0;
    QString error;
};

// SQLite: one prepared INSERT per table, all in one transaction.
class SumideroSqlite : public Sumidero {
public:
    explicit SumideroSqlite(sqlite3 *h) : m_h(h) { sqlite3_exec(h, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr); }
    ~SumideroSqlite() override { sqlite3_finalize(m_s); }
    bool tabla(const char *nombre, const char *columnas) override {
        sqlite3_finalize(m_s);
        QByteArray marcas = "?";
        for (const char *c = columnas; *c; ++c)
            if (*c == ',')
                marcas += ",?";
        const QByteArray sql = QByteArray("INSERT INTO ") + nombre + " (" + columnas + ") VALUES (" + marcas + ")";
        return sqlite3_prepare_v2(m_h, sql.constData(), -1, &m_s, nullptr) == SQLITE_OK || falla();
    }
    bool fila(std::initializer_list<Valor> valores) override {
        int i = 0;
        for (const Valor &v : valores) {
            ++i;
            switch (v.tipo) {
            case Valor::Nulo: sqlite3_bind_null(m_s, i); break;
            case Valor::Entero: sqlite3_bind_int64(m_s, i, v.n); break;
            case Valor::Real: sqlite3_bind_double(m_s, i, v.d); break;
            case Valor::Texto: sqlite3_bind_text(m_s, i, v.t.constData(), int(v.t.size()), SQLITE_TRANSIENT); break;
            }
        }
        const int rc = sqlite3_step(m_s);
        sqlite3_reset(m_s);
        return rc == SQLITE_DONE || falla();
    }
    bool terminar() override { return sqlite3_exec(m_h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK || falla(); }

private:
    bool falla() {
        error = QString::fromUtf8(sqlite3_errmsg(m_h));
        return false;
    }
    sqlite3 *m_h;
    sqlite3_stmt *m_s = nullptr;
};

// PostgreSQL: COPY in text form, one table after the other, in one transaction.
class SumideroCopia : public Sumidero {
public:
    explicit SumideroCopia(PGconn *c) : m_c(c) { ejecutar("BEGIN"); }
    bool tabla(const char *nombre, const char *columnas) override {
        if (!cerrar())
            return false;
        PGresult *r = PQexec(m_c, (QByteArray("COPY ") + nombre + " (" + columnas + ") FROM STDIN").constData());
        const bool ok = PQresultStatus(r) == PGRES_COPY_IN;
        PQclear(r);
        m_abierta = ok;
        return ok || falla();
    }
    bool fila(std::initializer_list<Valor> valores) override {
        bool primero = true;
        for (const Valor &v : valores) {
            if (!primero)
                m_buffer += '\t';
            primero = false;
            switch (v.tipo) {
            case Valor::Nulo: m_buffer += "\\N"; break;
            case Valor::Entero: m_buffer += QByteArray::number(v.n); break;
            case Valor::Real: m_buffer += QByteArray::number(v.d, 'g', 17); break;
            case Valor::Texto:
                for (char ch : v.t) {
                    if (ch == '\\' || ch == '\t' || ch == '\n' || ch == '\r')
                        m_buffer += '\\';
                    m_buffer += ch == '\t' ? 't' : ch == '\n' ? 'n' : ch == '\r' ? 'r' : ch;
                }
                break;
            }
        }
        m_buffer += '\n';
        return m_buffer.size() < (1 << 20) || enviar();
    }
    bool terminar() override { return cerrar() && ejecutar("COMMIT"); }

private:
    bool enviar() {
        const bool ok = PQputCopyData(m_c, m_buffer.constData(), int(m_buffer.size())) == 1;
        m_buffer.clear();
        return ok || falla();
    }
    bool cerrar() {
        if (!m_abierta)
            return true;
        m_abierta = false;
        if (!m_buffer.isEmpty() && !enviar())
            return false;
        if (PQputCopyEnd(m_c, nullptr) != 1)
            return falla();
        bool ok = true;
        while (PGresult *r = PQgetResult(m_c)) {
            ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
        }
        return ok || falla();
    }
    bool ejecutar(const char *sql) {
        PGresult *r = PQexec(m_c, sql);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        return ok || falla();
    }
    bool falla() {
        error = QString::fromUtf8(PQerrorMessage(m_c)).trimmed();
        return false;
    }
    PGconn *m_c;
    QByteArray m_buffer;
    bool m_abierta = false;
};

const char *kNombres[] = {"Antonio", "María", "José", "Carmen", "Francisco", "Lucía", "Javier", "Elena", "Manuel", "Pilar"};
const char *kApellidos[] = {"García", "Fernández", "González", "Rodríguez", "López", "Martínez", "Sánchez", "Pérez", "Gómez", "Martín", "Jiménez", "Ruiz", "Hernández", "Díaz", "Moreno", "Muñoz", "Álvarez", "Romero", "Alonso", "Gutiérrez"};
const char *kSectores[] = {"Construcciones", "Talleres", "Reformas", "Electricidad", "Fontanería", "Consultoría", "Transportes", "Panadería", "Clínica", "Asesoría"};
const char *kAsuntos[] = {"Reforma de local", "Reclamación de factura", "Mantenimiento anual", "Instalación eléctrica", "Subvención", "Litigio", "Auditoría", "Revisión de contrato"};

QString dia(const QDate &d) { return d.toString(QStringLiteral("yyyy-MM-dd 00:00:00")); }

// The rows of every benchmark database, the same on both backends.
bool llenar(Sumidero &s, const Tamano &t) {
    QRandomGenerator rnd(20241205);
    auto nombre = [&] { return QString::fromUtf8(kNombres[rnd.bounded(10)]); };
    auto apellido = [&] { return QString::fromUtf8(kApellidos[rnd.bounded(20)]); };

    bool ok = s.tabla("Parametros", "Par_Clave,Par_Valor") && s.fila({"PAR_EXP_PER", "0"}) && s.fila({"par_decpre", "2"});
    ok = ok && s.tabla("vmcomun.situaciones", "Sit_Cod,Sit_Des,Sit_Idioma,Sit_Proceso");
    const char *situaciones[] = {"Activo", "En espera", "Cerrado", "Anulado"};
    for (int i = 0; ok && i < 4; ++i)
        ok = s.fila({i + 1, situaciones[i], 0, 15});
    ok = ok && s.tabla("Tex", "Tex_Id,Tex_Des");
    const char *tipos[] = {"Obra", "Reclamación", "Mantenimiento", "Subvención", "Litigio"};
    for (int i = 0; ok && i < 5; ++i)
        ok = s.fila({i + 1, tipos[i]});
    ok = ok && s.tabla("Tac", "Tac_Id,Tac_Des");
    const char *tiposAct[] = {"Visita", "Llamada telefónica", "Presupuesto", "Factura", "Reunión"};
    for (int i = 0; ok && i < 5; ++i)
        ok = s.fila({i + 1, tiposAct[i]});

    ok = ok && s.tabla("vmcomun.usuarios", "usu_id,usu_cod,usu_nom,usu_adm");
    for (int i = 1; ok && i <= t.usuarios; ++i)
        ok = s.fila({i, "U" + QString::number(i), nombre() + u' ' + apellido() + u' ' + apellido(), int(i == 1)});
    ok = ok && s.tabla("Cli", "cli_id,cli_Cod,Cli_Comer,CLI_NOM,CLI_APE1,CLI_APE2");
    for (int i = 1; ok && i <= t.clientes; ++i)
        ok = s.fila({i, 1000 + i, QString::fromUtf8(kSectores[rnd.bounded(10)]) + u' ' + apellido() + u' ' + QString::number(i),
                     nombre(), apellido(), apellido()});
    ok = ok && s.tabla("Pro", "Pro_id,Pro_Cod,Pro_Comer,Pro_Nom,PRO_APE1,PRO_APE2");
    for (int i = 1; ok && i <= t.proveedores; ++i)
        ok = s.fila({i, 5000 + i, QStringLiteral("Suministros ") + apellido() + u' ' + QString::number(i), nombre(), apellido(), kNulo});

    // Case files first, their authorisations after: one table at a time for COPY.
    QList<int> creadores;
    ok = ok && s.tabla("Exp", "Exp_Id,Exp_IdCli,Exp_IdTipo,Exp_Fini,Exp_FFin,Exp_Des,Exp_Obs,Exp_Ubicacion,Exp_Presup,"
                              "Exp_Codigo,Exp_Proceso,Exp_Origen,Exp_Estado,Exp_IdUsu");
    for (int i = 1; ok && i <= t.expedientes; ++i) {
        const int origen = i % 10 < 7 ? 0 : (i % 10 < 9 ? 1 : 2);
        const int cli = origen == 0 ? 1 + rnd.bounded(t.clientes) : (origen == 1 ? 1 + rnd.bounded(t.proveedores) : 0);
        const QDate fecha = QDate(2015, 1, 1).addDays(rnd.bounded(3650));
        const int creador = 1 + rnd.bounded(50);
        creadores << creador;
        ok = s.fila({i, cli, 1 + rnd.bounded(5), dia(fecha), kNulo,
                     QString::fromUtf8(kAsuntos[rnd.bounded(8)]) + u' ' + QString::number(i),
                     QStringLiteral("Observaciones del expediente ") + QString::number(i), kNulo, double(rnd.bounded(100000)),
                     kNulo, 15, origen, 1 + rnd.bounded(4), creador});
    }
    ok = ok && s.tabla("ExpPer", "ExpPer_IdExp,ExpPer_IdUsu");
    for (int i = 2; ok && i <= t.expedientes; ++i)
        ok = s.fila({i, creadores[i - 1]}) && s.fila({i, 1 + rnd.bounded(50)});
    for (int u = 1; ok && u <= t.usuariosGrande; ++u)
        ok = s.fila({1, u});

    ok = ok && s.tabla("Act", "Act_IdExp,Act_Fecha,Act_IdTac,Act_Des,Act_Importe,Act_Operario,Act_IdOperario,Act_IdUsu,Act_Estado");
    for (int i = 1; ok && i <= t.actuacionesGrande; ++i)
        ok = s.fila({1, dia(QDate(2020, 1, 1).addDays(i / 5)), rnd.bounded(6), QStringLiteral("Actuación número ") + QString::number(i),
                     double(rnd.bounded(5000)), nombre() + u' ' + apellido(), int(i % 7 == 0), 1 + rnd.bounded(50), 0});
    ok = ok && s.tabla("Est", "Est_Proceso,Est_IdTabla,Est_Estado,Est_FEstado,Est_IdUsu");
    for (int i = 1; ok && i <= 20; ++i)
        ok = s.fila({15, 1, 1 + i % 4, "2024-01-01 10:00:00", 1});
    return ok && s.terminar();
}

bool ejecutarPg(PGconn *c, const QByteArray &sql, QString *error) {
    PGresult *r = PQexec(c, sql.constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok && error)
        *error = QString::fromUtf8(PQerrorMessage(c)).trimmed();
    return ok;
}
} // namespace

bool generarBase(const QString &carpeta, const Tamano &t, QString *error) {
    if (!BaseDatos::crear(carpeta, false, error))
        return false;
    sqlite3 *h = nullptr;
    sqlite3_open(QDir(carpeta).filePath(QStringLiteral("empresa.db")).toUtf8().constData(), &h);
    BaseDatos::registrarCotejo(h);
    const QByteArray attach = "ATTACH DATABASE '" + QDir(carpeta).filePath(QStringLiteral("vmcomun.db")).toUtf8() + "' AS vmcomun";
    sqlite3_exec(h, attach.constData(), nullptr, nullptr, nullptr);
    // The names' index in the list's order is built once the rows are in, as the upgrade
    // to version 6 does: a million names one by one would each move their neighbours' keys.
    for (const char *t : {"Cli", "Pro"})
        for (const char *d : {"Alta", "Baja", "Cambio"})
            sqlite3_exec(h, QByteArray("DROP TRIGGER ").append(t).append("_Comer_Buscar_").append(d).constData(), nullptr, nullptr, nullptr);
    bool ok = false;
    {
        SumideroSqlite s(h);
        ok = llenar(s, t);
        if (!ok && error)
            *error = s.error;
    }
    QSqlDatabase ninguna;
    for (const VersionEsquema::Paso &p : VersionEsquema::pasos()) {
        if (p.version != 6)
            continue;
        for (const QString &sql : p.integrada(ninguna))
            if (ok && sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                ok = false;
                if (error)
                    *error = QString::fromUtf8(sqlite3_errmsg(h));
            }
    }
    sqlite3_close(h);
    return ok;
}

bool generarBaseServidor(const QString &base, const Tamano &t, QString *error) {
    {
        // Spanish order and Unicode letter case from ICU, as an office's database has them.
        PGconn *admin = PQconnectdb("dbname=postgres options='-c client_min_messages=warning'");
        const bool creada = PQstatus(admin) == CONNECTION_OK
                            && ejecutarPg(admin, "DROP DATABASE IF EXISTS " + base.toUtf8() + " WITH (FORCE)", error)
                            && ejecutarPg(admin, "CREATE DATABASE " + base.toUtf8() + " TEMPLATE template0 ENCODING 'UTF8' "
                                                 "LOCALE 'C.UTF-8' LOCALE_PROVIDER icu ICU_LOCALE 'es-ES'", error);
        if (!creada && error && error->isEmpty())
            *error = QString::fromUtf8(PQerrorMessage(admin)).trimmed();
        PQfinish(admin);
        if (!creada)
            return false;
    }
    const QString nombre = QStringLiteral("generador");
    {
        QSqlDatabase db = BaseDatos::abrirServidor(QStringLiteral("dbname=") + base, nombre, error);
        const bool esquema = db.isOpen() && BaseDatos::crearEnServidor(db, false, error);
        db.close();
        if (!esquema)
            return false;
    }
    QSqlDatabase::removeDatabase(nombre);
    PGconn *c = PQconnectdb(("dbname=" + base).toUtf8().constData());
    bool ok = PQstatus(c) == CONNECTION_OK;
    if (ok) {
        SumideroCopia s(c);
        ok = llenar(s, t);
        if (!ok && error)
            *error = s.error;
    }
    ok = ok && ejecutarPg(c, "ANALYZE", error);
    PQfinish(c);
    return ok;
}
