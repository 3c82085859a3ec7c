// Statements the screens and services read, as they write them, run on the demo database
// with the rows and value kinds they expect (those a service or screen test runs are checked there).
#include "conexion.h"
#include "fixture.h"

#include <QtTest>
#include <memory>

namespace {
struct Caso {
    const char *nombre;
    QString sql;
    int filas;             // rows expected
    QString donde = {};    // Find criterion of the row checked; empty: the first row
    QVariantMap campos = {}; // column (any letter case) -> value; QVariant() is NULL
    QStringList antes = {}; // run first, inside the same rolled-back transaction
};

void agregar(const Caso &c) { QTest::newRow(c.nombre) << c.sql << c.filas << c.donde << c.campos << c.antes; }
} // namespace

class TstSentencias : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { e = std::make_unique<Entorno>(); }
    void cleanupTestCase() { e.reset(); }
    void init() { QVERIFY(e->conexion->BeginTrans()); }
    void cleanup() { e->conexion->RollbackTrans(); }

    void sentencia_data() {
        columnas<QString, int, QString, QVariantMap, QStringList>("sql", "filas", "donde", "campos", "antes");
        // Case-file search of origin 2 by user 4: a creator's own case file that has no authorised row
        const QString busqueda = "SELECT ('') as x, Exp_Id, Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp "
                                 " Where Exp_Origen = 2  and (Exp_id in (SELECT ExpPer_Idexp FROM ExpPer WHERE  "
                                 "ExpPer_IdUsu=4) or Exp_Idusu = 4)";
        agregar({"permiso por haberlo creado", busqueda, 1, {}, {{"Exp_Id", 8}},
                 {"DELETE FROM ExpPer WHERE ExpPer_IdExp = 8"}});
        // Names put together from parts that may be NULL
        const QString fiscalCli =
            "Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI";
        agregar({"nombre fiscal sin apellidos", fiscalCli, 6, "CLI_ID = 3", {{"RSOC", "Carlos  "}, {"CLI_COD", 102}}});
        const QString fiscalPro = "Select PRO_ID,PRO_COD,(PRO_NOM + ' ' + ISNULL(PRO_APE1,'') + ' ' + ISNULL(PRO_APE2,'')) AS "
                                  "RSOC FROM PRO  order by PRO_NOM ";
        agregar({"proveedor sin apellidos", fiscalPro, 3, "PRO_ID = 3", {{"RSOC", "Ignacio  "}}});
        // Records: dates, amounts, NULLs and stamps as their kinds
        agregar({"expediente", "SELECT * FROM Exp WHERE Exp_Id = 3", 1, {},
                 {{"Exp_FIni", QDate(2024, 3, 5)}, {"Exp_Ffin", QVariant()}, {"Exp_obs", ""}, {"Exp_Presup", 3200.0},
                  {"Exp_Des", "Mantenimiento anual de instalación eléctrica"}, {"Exp_Codigo", "MT-77"},
                  {"Exp_ubicacion", "Archivo B-1"}, {"exp_Idtipo", 3}, {"Exp_idUsu", 3}}});
        agregar({"expediente sin codigo ni ubicacion", "SELECT * FROM Exp WHERE Exp_Id = 2", 1, {},
                 {{"Exp_Ffin", QDate(2024, 4, 30)}, {"Exp_Codigo", QVariant()}, {"Exp_ubicacion", QVariant()}}});
        // Authorised users
        const QString autorizados = "Select expper_idusu,(select usu_nom from vmcomun.dbo.usuarios where usu_id=expper_idusu) "
                                    "As [Nombre de Usuario] from expper where expper_idexp=";
        agregar({"autorizado que no es usuario", autorizados + "2", 2, "expper_idusu = 77", {{"nombre de usuario", QVariant()}},
                 {"INSERT INTO ExpPer (ExpPer_IdExp, ExpPer_IdUsu) VALUES (2, 77)"}});
        agregar({"buscar usuarios", "Select usu_id,usu_cod,usu_nom FROM vmcomun.dbo.usuarios", 5, "usu_id = 5",
                 {{"usu_cod", "INV"}, {"usu_nom", QVariant()}}});
        // Action record
        agregar({"actuacion", "SELECT * FROM Act WHERE Act_Id = 2", 1, {},
                 {{"Act_Fecha", QDate(2024, 1, 20)}, {"Act_Importe", 125000.5}, {"Act_IdTac", 3}, {"Act_IdOperario", 1},
                  {"Act_Des", "Presupuesto de cubierta y cerramientos"}, {"Act_Operario", "María José Fernández"}}});
    }
    void sentencia() {
        const auto [sql, donde, campos, antes] =
            leerFila<QString, QString, QVariantMap, QStringList>("sql", "donde", "campos", "antes");
        for (const QString &s : antes)
            QVERIFY2(e->ejecutar(s), qPrintable(s));
        Recordset rs = e->conexion->Execute(sql);
        QCOMPARE(e->sentencias.last(), sql);
        QVERIFY2(rs.ok(), qPrintable(rs.resultado().mensaje() + "\n" + e->conexion->traducir(sql)));
        QTEST(rs.RecordCount(), "filas");
        if (!donde.isEmpty())
            QVERIFY2(rs.Find(donde), qPrintable(donde));
        for (auto it = campos.cbegin(); it != campos.cend(); ++it) {
            QVERIFY2(rs.indiceCampo(it.key()) >= 0, qPrintable("Falta la columna " + it.key()));
            // Compared with their kinds: a date or a number read as text differs, NULL is no empty text.
            const QVariant leido = rs.Fields(it.key());
            const auto clase = [](const QVariant &v) {
                return v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ? QMetaType::Double : v.typeId();
            };
            QVERIFY2(leido == it.value() && clase(leido) == clase(it.value()),
                     qPrintable(QStringLiteral("%1: %2 %3").arg(it.key(), leido.typeName(), leido.toString())));
        }
    }

private:
    // One demo database for all rows; each row runs in a transaction rolled back after it.
    std::unique_ptr<Entorno> e;
};

QTEST_GUILESS_MAIN(TstSentencias)
#include "tst_sentencias.moc"
