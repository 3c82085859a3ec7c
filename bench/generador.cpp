#include "generador.h"

#include "basedatos.h"

#include <QDir>
#include <QRandomGenerator>
#include <sqlite3.h>

namespace {
struct Sentencia {
    sqlite3_stmt *s = nullptr;
    Sentencia(sqlite3 *h, const char *sql) { sqlite3_prepare_v2(h, sql, -1, &s, nullptr); }
    ~Sentencia() { sqlite3_finalize(s); }
    Sentencia &i(int n, qint64 v) { sqlite3_bind_int64(s, n, v); return *this; }
    Sentencia &d(int n, double v) { sqlite3_bind_double(s, n, v); return *this; }
    Sentencia &t(int n, const QByteArray &v) { sqlite3_bind_text(s, n, v.constData(), int(v.size()), SQLITE_TRANSIENT); return *this; }
    Sentencia &nulo(int n) { sqlite3_bind_null(s, n); return *this; }
    bool paso() { const int rc = sqlite3_step(s); sqlite3_reset(s); return rc == SQLITE_DONE; }
};

const char *kNombres[] = {"Antonio", "María", "José", "Carmen", "Francisco", "Lucía", "Javier", "Elena", "Manuel", "Pilar"};
const char *kApellidos[] = {"García", "Fernández", "González", "Rodríguez", "López", "Martínez", "Sánchez", "Pérez", "Gómez", "Martín", "Jiménez", "Ruiz", "Hernández", "Díaz", "Moreno", "Muñoz", "Álvarez", "Romero", "Alonso", "Gutiérrez"};
const char *kSectores[] = {"Construcciones", "Talleres", "Reformas", "Electricidad", "Fontanería", "Consultoría", "Transportes", "Panadería", "Clínica", "Asesoría"};
const char *kAsuntos[] = {"Reforma de local", "Reclamación de factura", "Mantenimiento anual", "Instalación eléctrica", "Subvención", "Litigio", "Auditoría", "Revisión de contrato"};

QByteArray u8(const QString &s) { return s.toUtf8(); }
} // namespace

bool generarBase(const QString &carpeta, const Tamano &t, QString *error) {
    if (!BaseDatos::crear(carpeta, false, error))
        return false;
    sqlite3 *h = nullptr;
    sqlite3_open(QDir(carpeta).filePath(QStringLiteral("empresa.db")).toUtf8().constData(), &h);
    BaseDatos::registrarCotejo(h);
    const QByteArray attach = "ATTACH DATABASE '" + QDir(carpeta).filePath(QStringLiteral("vmcomun.db")).toUtf8() + "' AS vmcomun";
    sqlite3_exec(h, attach.constData(), nullptr, nullptr, nullptr);
    sqlite3_exec(h, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    QRandomGenerator rnd(20241205);
    auto nombre = [&] { return QString::fromUtf8(kNombres[rnd.bounded(10)]); };
    auto apellido = [&] { return QString::fromUtf8(kApellidos[rnd.bounded(20)]); };

    sqlite3_exec(h, "INSERT INTO Parametros VALUES ('PAR_EXP_PER','0'),('par_decpre','2');"
                    "INSERT INTO vmcomun.situaciones VALUES (1,'Activo',0,15),(2,'En espera',0,15),(3,'Cerrado',0,15),(4,'Anulado',0,15);"
                    "INSERT INTO Tex (Tex_Des) VALUES ('Obra'),('Reclamación'),('Mantenimiento'),('Subvención'),('Litigio');"
                    "INSERT INTO Tac (Tac_Des) VALUES ('Visita'),('Llamada telefónica'),('Presupuesto'),('Factura'),('Reunión');",
                 nullptr, nullptr, nullptr);
    {
        Sentencia u(h, "INSERT INTO vmcomun.usuarios (usu_id, usu_cod, usu_nom, usu_adm) VALUES (?,?,?,?)");
        for (int i = 1; i <= t.usuarios; ++i)
            u.i(1, i).t(2, "U" + QByteArray::number(i)).t(3, u8(nombre() + u' ' + apellido() + u' ' + apellido())).i(4, i == 1).paso();
        Sentencia c(h, "INSERT INTO Cli (cli_id, cli_Cod, Cli_Comer, CLI_NOM, CLI_APE1, CLI_APE2) VALUES (?,?,?,?,?,?)");
        for (int i = 1; i <= t.clientes; ++i)
            c.i(1, i).i(2, 1000 + i).t(3, u8(QString::fromUtf8(kSectores[rnd.bounded(10)]) + u' ' + apellido() + u' ' + QString::number(i)))
                .t(4, u8(nombre())).t(5, u8(apellido())).t(6, u8(apellido())).paso();
        Sentencia p(h, "INSERT INTO Pro (Pro_id, Pro_Cod, Pro_Comer, Pro_Nom, PRO_APE1, PRO_APE2) VALUES (?,?,?,?,?,?)");
        for (int i = 1; i <= t.proveedores; ++i)
            p.i(1, i).i(2, 5000 + i).t(3, u8(QStringLiteral("Suministros ") + apellido() + u' ' + QString::number(i)))
                .t(4, u8(nombre())).t(5, u8(apellido())).nulo(6).paso();
    }
    {
        Sentencia e(h, "INSERT INTO Exp (Exp_Id, Exp_IdCli, Exp_IdTipo, Exp_Fini, Exp_FFin, Exp_Des, Exp_Obs, Exp_Ubicacion, "
                       "Exp_Presup, Exp_Codigo, Exp_Proceso, Exp_Origen, Exp_Estado, Exp_IdUsu) VALUES (?,?,?,?,NULL,?,?,NULL,?,NULL,15,?,?,?)");
        Sentencia per(h, "INSERT INTO ExpPer (ExpPer_IdExp, ExpPer_IdUsu) VALUES (?,?)");
        for (int i = 1; i <= t.expedientes; ++i) {
            const int origen = i % 10 < 7 ? 0 : (i % 10 < 9 ? 1 : 2);
            const int cli = origen == 0 ? 1 + rnd.bounded(t.clientes) : (origen == 1 ? 1 + rnd.bounded(t.proveedores) : 0);
            const QDate fecha = QDate(2015, 1, 1).addDays(rnd.bounded(3650));
            const int creador = 1 + rnd.bounded(50);
            e.i(1, i).i(2, cli).i(3, 1 + rnd.bounded(5)).t(4, u8(fecha.toString(QStringLiteral("yyyy-MM-dd 00:00:00"))))
                .t(5, u8(QString::fromUtf8(kAsuntos[rnd.bounded(8)]) + u' ' + QString::number(i)))
                .t(6, u8(QStringLiteral("Observaciones del expediente ") + QString::number(i)))
                .d(7, rnd.bounded(100000)).i(8, origen).i(9, 1 + rnd.bounded(4)).i(10, creador).paso();
            if (i == 1)
                continue;
            per.i(1, i).i(2, creador).paso();
            per.i(1, i).i(2, 1 + rnd.bounded(50)).paso();
        }
        for (int u = 1; u <= t.usuariosGrande; ++u)
            per.i(1, 1).i(2, u).paso();
    }
    {
        Sentencia a(h, "INSERT INTO Act (Act_IdExp, Act_Fecha, Act_IdTac, Act_Des, Act_Importe, Act_Operario, Act_IdOperario, "
                       "Act_IdUsu, Act_Estado) VALUES (1,?,?,?,?,?,?,?,0)");
        for (int i = 1; i <= t.actuacionesGrande; ++i)
            a.t(1, u8(QDate(2020, 1, 1).addDays(i / 5).toString(QStringLiteral("yyyy-MM-dd 00:00:00"))))
                .i(2, rnd.bounded(6)).t(3, u8(QStringLiteral("Actuación número ") + QString::number(i)))
                .d(4, rnd.bounded(5000)).t(5, u8(nombre() + u' ' + apellido())).i(6, i % 7 == 0).i(7, 1 + rnd.bounded(50)).paso();
        Sentencia s(h, "INSERT INTO Est (Est_Proceso, Est_IdTabla, Est_Estado, Est_FEstado, Est_IdUsu) VALUES (15,1,?,'2024-01-01 10:00:00',1)");
        for (int i = 1; i <= 20; ++i)
            s.i(1, 1 + i % 4).paso();
    }
    const bool ok = sqlite3_exec(h, "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok && error)
        *error = QString::fromUtf8(sqlite3_errmsg(h));
    sqlite3_close(h);
    return ok;
}
