// Every statement the screens compose, written as they write it (with the ids and
// filter pieces they append), translated and run against the demo database, with
// the rows it gives checked against what the screens expect of them.
#include "conexion.h"
#include "fixture.h"
#include "mybd.h"

#include <QtTest>
#include <memory>

namespace {
struct Caso {
    const char *nombre;
    QString sql;
    int filas;             // rows expected; -1: the database must reject the statement
    QString donde = {};    // Find criterion of the row checked; empty: the first row
    QVariantMap campos = {}; // column (any letter case, or "#n" by position) -> value; QVariant() is NULL
    QStringList antes = {}; // run first, inside the same rolled-back transaction
    QVariantMap despues = {}; // "Table WHERE ..." -> row count after the statement
};

void agregar(const Caso &c) {
    QTest::newRow(c.nombre) << c.sql << c.filas << c.donde << c.campos << c.antes << c.despues;
}

// The case-file search of one origin, followed by the filter pieces.
QString busqueda(int origen, const QString &piezas = {}) {
    static const QString columnas[] = {
        "SELECT (Select (cast(cli_Cod as nvarchar) + ' ' + Cli_Comer) from cli where cli_id = Exp_IdCli) As Cliente, Exp_Id, ",
        "SELECT (Select (cast(Pro_Cod as nvarchar) + ' ' + Pro_Comer) from Pro where Pro_id = Exp_IdCli) As Proveedor, Exp_Id, ",
        "SELECT ('') as x, Exp_Id, ",
    };
    return columnas[origen] + "Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp "
           + " Where Exp_Origen = " + QString::number(origen) + " " + piezas;
}

QString permisos(int usuario) {
    const QString u = QString::number(usuario);
    return " and (Exp_id in (SELECT ExpPer_Idexp FROM ExpPer WHERE  ExpPer_IdUsu=" + u + ") or Exp_Idusu = " + u + ")";
}

QString arbol(int agrupacion, int idExp) {
    static const QString inicio[] = {
        "SELECT * FROM Act ",
        "SELECT * FROM Act ",
        "SELECT *,(SELECT Tac_Des FROM Tac WHERE Tac_Id = Act_IdTac) as DesAct FROM Act ",
        "SELECT * FROM Act ",
    };
    static const QString orden[] = {" ORDER BY Act_Id,Act_Fecha", " ORDER BY Act_Fecha", " ORDER BY Act_IdTac,Act_Fecha",
                                    " ORDER BY Act_Operario,Act_Fecha"};
    return inicio[agrupacion] + "INNER JOIN Exp ON Exp_Id = Act_IdExp " + "WHERE Act_IdExp = " + QString::number(idExp)
           + orden[agrupacion];
}

// Kind and value in one text, so that a date read as text or a number read as
// text shows as a difference.
QString comoTexto(const QVariant &v) {
    if (!v.isValid())
        return QStringLiteral("NULL");
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return "fecha " + v.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return "fecha y hora " + v.toDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz");
    case QMetaType::QByteArray:
        return "bytes " + QString::fromUtf8(v.toByteArray());
    case QMetaType::QString:
        return "texto '" + v.toString() + "'";
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return "número " + QString::number(v.toDouble(), 'g', 15);
    default:
        return QString::fromLatin1(v.typeName()) + " " + v.toString();
    }
}

const QByteArray kPresupuesto("Presupuesto de cubierta: 125.000,50 EUR (IVA no incluido).");
const QByteArray kPlano("Plano de la nave: 40 m x 25 m, altura libre 8 m.");
} // namespace

class TstSentencias : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void sentencia_data();
    void sentencia();
    void condicionDeModificar_data();
    void condicionDeModificar();

private:
    // One demo database for all rows; each row runs in a transaction rolled back after it.
    std::unique_ptr<Entorno> e;
};

void TstSentencias::initTestCase() { e = std::make_unique<Entorno>(); }
void TstSentencias::cleanupTestCase() { e.reset(); }
void TstSentencias::init() { QVERIFY(e->conexion->BeginTrans()); }
void TstSentencias::cleanup() { e->conexion->RollbackTrans(); }

void TstSentencias::sentencia_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("filas");
    QTest::addColumn<QString>("donde");
    QTest::addColumn<QVariantMap>("campos");
    QTest::addColumn<QStringList>("antes");
    QTest::addColumn<QVariantMap>("despues");

    // User name and administrator flag
    const QString usuario = "Select isnull(usu_nom,'')as uno,usu_adm from vmcomun.dbo.usuarios where usu_id = ";
    agregar({"usuario", usuario + "2", 1, {}, {{"uno", "María José Fernández"}, {"usu_adm", 0}}});
    agregar({"usuario administrador", usuario + "1", 1, {}, {{"UNO", "Administrador del Sistema"}, {"Usu_Adm", 1}}});
    agregar({"usuario sin nombre", usuario + "5", 1, {}, {{"uno", ""}, {"usu_adm", 0}}});
    agregar({"usuario que no existe", usuario + "99", 0});
    agregar({"proveedores por nombre", "Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro", 3, {},
             {{"PRO_ID", 1}, {"pro_cod", 500}, {"Pro_Nom", "Gregorio"}}});

    // New keys read back
    agregar({"nuevo expediente", "SELECT isnull(MAX(Exp_Id),1) FROM Exp", 1, {}, {{"#0", 8}}});
    agregar({"nuevo expediente sin ninguno", "SELECT isnull(MAX(Exp_Id),1) FROM Exp", 1, {}, {{"#0", 1}},
             {"DELETE FROM Exp"}});
    agregar({"nueva actuacion", "SELECT MAX(Act_Id) FROM Act", 1, {}, {{"#0", 7}}});
    agregar({"nueva actuacion sin ninguna", "SELECT MAX(Act_Id) FROM Act", 1, {}, {{"#0", QVariant()}},
             {"DELETE FROM Act"}});
    agregar({"nuevo documento", "SELECT MAX(ActF_Id) FROM ActF", 1, {}, {{"#0", 2}}});

    // Case-file search: types and the query with each of its pieces
    agregar({"tipos por nombre", "Select * from Tex order by tex_des", 5, {}, {{"tex_id", 5}, {"Tex_Des", "Litigio"}}});
    agregar({"clientes sin filtro", busqueda(0), 4, "Exp_Id = 2",
             {{"Cliente", "101 Talleres Ibáñez"},
              {"Exp_Fini", QDate(2024, 2, 3)},
              {"EXP_FFIN", QDate(2024, 4, 30)},
              {"Exp_Obs", "Garantía vencida"},
              {"Exp_Ubicacion", QVariant()},
              {"Exp_IdCli", 2}}});
    agregar({"ejemplo: cliente y solo activos",
             "SELECT (Select (cast(cli_Cod as nvarchar) + ' ' + Cli_Comer) from cli where cli_id = Exp_IdCli) As "
             "Cliente, Exp_Id, Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp  Where Exp_Origen = 0 "
             " And Exp_IdCli = 1 AND Exp_Estado = 1 ",
             1, {}, {{"cliente", "100 Construcciones Álvarez"}, {"exp_id", 1}, {"Exp_Ffin", QVariant()}}});
    agregar({"tipo elegido", busqueda(0, " AND Exp_IdTipo=0001"), 2, "Exp_Id = 4", {{"Exp_Des", "Ampliación de consulta dental"}}});
    agregar({"descripcion en mayusculas con acento", busqueda(0, " AND Exp_Des Like '%ELÉCTRICA%' "), 1, {},
             {{"Exp_Id", 3}}});
    agregar({"observaciones", busqueda(0, " AND Exp_obs Like '%licencia%' "), 1, {}, {{"Exp_Id", 4}}});
    agregar({"un dia escrito dia primero",
             busqueda(0, " AND Exp_Fini >='05/03/2024 00:00:00'  AND Exp_Fini <='05/03/2024 23:59:59' "), 1, {},
             {{"Exp_Id", 3}, {"exp_fini", QDate(2024, 3, 5)}}});
    agregar({"rango de fechas",
             busqueda(0, " AND Exp_Fini >='01/02/2024 00:00:00'  AND Exp_Fini <='31/05/2024 23:59:59' "), 3});
    agregar({"permisos de un usuario", busqueda(0, permisos(3)), 2, "Exp_Id = 3", {{"Cliente", "103 Electricidad Muñoz"}}});
    agregar({"permiso por haberlo creado", busqueda(2, permisos(4)), 1, {}, {{"Exp_Id", 8}},
             {"DELETE FROM ExpPer WHERE ExpPer_IdExp = 8"}});
    agregar({"todos los filtros",
             busqueda(0, " And Exp_IdCli = 1 AND Exp_Estado = 1  AND Exp_IdTipo=0001 AND Exp_Des Like '%nave%'  AND "
                         "Exp_obs Like '%preferente%'  AND Exp_Fini >='15/01/2024 00:00:00'  AND Exp_Fini <='15/01/2024 "
                         "23:59:59' " + permisos(2)),
             1, {}, {{"Exp_Id", 1}, {"Exp_Ubicacion", "Archivo A-3"}}});
    agregar({"proveedores", busqueda(1), 2, "Exp_Id = 6", {{"Proveedor", "501 Maderas Peñalara"}, {"exp_idcli", 2}}});
    agregar({"proveedor elegido", busqueda(1, " And Exp_IdCli = 1"), 1, {},
             {{"PROVEEDOR", "500 Suministros Castilla"}, {"Exp_Id", 5}}});
    agregar({"internos", busqueda(2), 2, "Exp_Id = 7", {{"x", ""}, {"Exp_Ubicacion", "Caja fuerte"}}});

    // Customer and provider lookups
    agregar({"cliente por codigo", "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD=101", 1, {},
             {{"cli_id", 2}, {"Cli_Cod", 101}, {"Cli_Comer", "Talleres Ibáñez"}}});
    agregar({"codigo de cliente que no existe", "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD=999", 0});
    agregar({"codigo no numerico", "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD=-1", 0});
    const QString fiscalCli =
        "Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI";
    agregar({"nombre fiscal completo", fiscalCli, 6, {}, {{"RSOC", "Antonio Álvarez Ruiz"}}});
    agregar({"nombre fiscal sin segundo apellido", fiscalCli, 6, "CLI_ID = 2", {{"rsoc", "Begoña Ibáñez "}}});
    agregar({"nombre fiscal sin apellidos", fiscalCli, 6, "CLI_ID = 3", {{"RSOC", "Carlos  "}, {"CLI_COD", 102}}});
    agregar({"clientes por nombre comercial", "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER", 6, {},
             {{"CLI_ID", 6}, {"CLI_COMER", "Clínica Dental Sonrisa"}}});
    agregar({"proveedor por codigo", "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO where Pro_COD=501", 1, {},
             {{"PRO_ID", 2}, {"PRO_COMER", "Maderas Peñalara"}}});
    const QString fiscalPro = "Select PRO_ID,PRO_COD,(PRO_NOM + ' ' + ISNULL(PRO_APE1,'') + ' ' + ISNULL(PRO_APE2,'')) AS "
                              "RSOC FROM PRO  order by PRO_NOM ";
    agregar({"proveedores por nombre fiscal", fiscalPro, 3, {}, {{"RSOC", "Gregorio Castilla Mena"}}});
    agregar({"proveedor sin apellidos", fiscalPro, 3, "PRO_ID = 3", {{"RSOC", "Ignacio  "}}});
    agregar({"proveedores por nombre comercial", "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER", 3, {},
             {{"PRO_ID", 3}, {"PRO_COMER", "Ferretería Orión"}}});

    // Case-file record
    agregar({"tipos por id", "SELECT * FROM Tex ORDER BY Tex_Id", 5, "Tex_ID = 3", {{"tex_des", "Mantenimiento"}}});
    agregar({"estados",
             "Select Sit_Cod,Sit_Des from VMComun.dbo.situaciones WHERE Sit_Idioma = 0 AND Sit_Proceso = 15 ORDER BY "
             "Sit_Cod",
             4, {}, {{"Sit_Cod", 1}, {"Sit_Des", "Activo"}}});
    agregar({"expediente", "SELECT * FROM Exp WHERE Exp_Id = 3", 1, {},
             {{"Exp_FIni", QDate(2024, 3, 5)},
              {"Exp_Ffin", QVariant()},
              {"Exp_Des", "Mantenimiento anual de instalación eléctrica"},
              {"Exp_obs", ""},
              {"Exp_Presup", 3200.0},
              {"Exp_Codigo", "MT-77"},
              {"Exp_ubicacion", "Archivo B-1"},
              {"exp_Idtipo", 3},
              {"Exp_idUsu", 3}}});
    agregar({"expediente sin codigo ni ubicacion", "SELECT * FROM Exp WHERE Exp_Id = 2", 1, {},
             {{"Exp_Ffin", QDate(2024, 4, 30)}, {"Exp_Codigo", QVariant()}, {"Exp_ubicacion", QVariant()}}});
    agregar({"expediente que no existe", "SELECT * FROM Exp WHERE Exp_Id = 99", 0});
    agregar({"ultimo estado", "SELECT * FROM Est WHERE Est_Proceso = 15 AND Est_IdTabla = 2 ORDER BY Est_Fecha DESC", 2, {},
             {{"Est_Estado", 3}, {"Est_Festado", QDateTime(QDate(2024, 4, 30), QTime(12, 0))}}});
    agregar({"sin historial", "SELECT * FROM Est WHERE Est_Proceso = 15 AND Est_IdTabla = 99 ORDER BY Est_Fecha DESC", 0});
    agregar({"permisos para todos", "SELECT * FROM vmcomun.dbo.Usuarios", 5, "Usu_Id = 4", {{"usu_nom", "Lucía García Ortiz"}}});
    agregar({"permiso solo al creador", "SELECT * FROM vmcomun.dbo.Usuarios WHERE Usu_Id = 3", 1, {},
             {{"usu_id", 3}, {"usu_cod", "JNU"}, {"usu_nom", "Jorge Núñez Peña"}}});

    // Authorised users
    const QString autorizados = "Select expper_idusu,(select usu_nom from vmcomun.dbo.usuarios where usu_id=expper_idusu) "
                                "As [Nombre de Usuario] from expper where expper_idexp=";
    agregar({"usuarios autorizados", autorizados + "3", 2, "expper_idusu = 2", {{"Nombre de Usuario", "María José Fernández"}}});
    agregar({"autorizado que no es usuario", autorizados + "2", 2, "expper_idusu = 77", {{"nombre de usuario", QVariant()}},
             {"INSERT INTO ExpPer (ExpPer_IdExp, ExpPer_IdUsu) VALUES (2, 77)"}});
    agregar({"buscar usuarios", "Select usu_id,usu_cod,usu_nom FROM vmcomun.dbo.usuarios", 5, "usu_id = 5",
             {{"usu_cod", "INV"}, {"usu_nom", QVariant()}}});
    agregar({"ya autorizado", "Select count(*) from expper where expper_idexp=1 And expper_idusu=2", 1, {}, {{"#0", 1}}});
    agregar({"aun no autorizado", "Select count(*) from expper where expper_idexp=1 And expper_idusu=5", 1, {}, {{"#0", 0}}});
    agregar({"quitar usuario", "delete from expper where expper_idusu=2 and ExpPer_IdExp=1", 0, {}, {}, {},
             {{"ExpPer", 13}, {"ExpPer WHERE ExpPer_IdExp = 1 AND ExpPer_IdUsu = 2", 0}}});

    // Actions tree, by each grouping
    agregar({"arbol por actuacion", arbol(0, 1), 4, {},
             {{"Act_Id", 1}, {"Act_Fecha", QDate(2024, 1, 16)}, {"Act_Des", "Visita a la nave y toma de medidas"},
              {"Exp_Id", 1}}});
    agregar({"arbol por fechas", arbol(1, 1), 4, {}, {{"Act_Id", 3}, {"Act_Fecha", QDate(2024, 1, 10)}},
             {"UPDATE Act SET Act_Fecha = '10/01/2024' WHERE Act_Id = 3"}});
    agregar({"arbol por categoria", arbol(2, 1), 4, "Act_Id = 3", {{"DesAct", "Reunión"}, {"Act_IdTac", 5}}});
    agregar({"arbol por categoria sin tipo", arbol(2, 1), 4, "Act_Id = 4", {{"desact", QVariant()}},
             {"UPDATE Act SET Act_IdTac = 9 WHERE Act_Id = 4"}});
    agregar({"arbol por realizado por", arbol(3, 1), 4, {},
             {{"Act_Operario", "Administrador del Sistema"}, {"Act_Id", 4}, {"Act_IdOperario", 1}}});
    agregar({"arbol sin actuaciones", arbol(0, 4), 0});

    // Action record
    agregar({"tipos de actuacion", "SELECT * FROM Tac ORDER BY Tac_Id", 5, "Tac_ID = 2", {{"Tac_Des", "Llamada telefónica"}}});
    agregar({"actuacion", "SELECT * FROM Act WHERE Act_Id = 2", 1, {},
             {{"Act_Fecha", QDate(2024, 1, 20)},
              {"Act_Importe", 125000.5},
              {"Act_Des", "Presupuesto de cubierta y cerramientos"},
              {"Act_IdTac", 3},
              {"Act_Operario", "María José Fernández"},
              {"Act_IdOperario", 1}}});

    // Documents
    agregar({"contenido de un documento", "select * from Ima where Ima_IdTabla = 1 AND Ima_Tabla = 'ActF'", 1, {},
             {{"Ima_File", kPresupuesto}}});
    agregar({"documento sin contenido", "select * from Ima where Ima_IdTabla = 3 AND Ima_Tabla = 'ActF'", 0});
    const QString contenido = "select Ima_File from Ima where Ima_Tabla = 'ActF' AND Ima_IdTabla  = ";
    agregar({"contenido para verlo", contenido + "2", 1, {}, {{"Ima_File", kPlano}}});
    agregar({"contenido nulo", contenido + "3", 1, {}, {{"Ima_File", QVariant()}},
             {"INSERT INTO Ima (Ima_Tabla, Ima_IdTabla, Ima_File) VALUES ('ActF', 3, NULL)"}});
    agregar({"documentos de la actuacion", "SELECT * FROM Actf WHERE ActF_IDAct = 2", 2, {},
             {{"ActF_id", 1},
              {"ActF_Fic", "presupuesto_cubierta.txt"},
              {"ActF_Des", "Presupuesto detallado"},
              {"ActF_Operario", "María José Fernández"}}});
    agregar({"actuacion sin documentos", "SELECT * FROM Actf WHERE ActF_IDAct = 1", 0});
    agregar({"eliminar documento", "Delete from actf where actf_id = 2", 0, {}, {}, {},
             {{"ActF", 1}, {"ActF WHERE ActF_Id = 1", 1}, {"Ima", 2}}});

    // Type catalogues
    agregar({"tipo de expediente en uso", "SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = 1", 2});
    agregar({"tipo de expediente sin uso", "SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = 6", 0, {}, {},
             {"INSERT INTO Tex (Tex_Des) VALUES ('Consulta')"}});
    agregar({"comprobar el tipo NUEVO", "SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = NUEVO", -1});
    agregar({"comprobar un codigo vacio", "SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = ", -1});
    agregar({"borrar tipo de expediente", "DELETE FROM Tex WHERE Tex_Id = 6", 0, {}, {},
             {"INSERT INTO Tex (Tex_Des) VALUES ('Consulta')"}, {{"Tex", 5}, {"Tex WHERE Tex_Id = 6", 0}}});
    agregar({"borrar el tipo NUEVO", "DELETE FROM Tex WHERE Tex_Id = NUEVO", -1, {}, {}, {}, {{"Tex", 5}}});
    agregar({"buscar tipo de expediente", "SELECT * FROM tex WHERE Tex_Id = 3", 1, {}, {{"Tex_Des", "Mantenimiento"}}});
    agregar({"buscar tipo que no existe", "SELECT * FROM tex WHERE Tex_Id = 9", 0});
    agregar({"tipo de actuacion en uso", "SELECT Act_Id FROM Act WHERE Act_IdTac = 1", 2, "Act_Id = 6"});
    agregar({"borrar tipo de actuacion", "DELETE FROM Tac WHERE Tac_Id = 2", 0, {}, {}, {}, {{"Tac", 4}, {"Tac WHERE Tac_Id = 2", 0}}});
    agregar({"buscar tipo de actuacion", "SELECT * FROM Tac WHERE Tac_Id = 2", 1, {}, {{"Tac_Des", "Llamada telefónica"}}});
}

void TstSentencias::sentencia() {
    QFETCH(QString, sql);
    QFETCH(int, filas);
    QFETCH(QString, donde);
    QFETCH(QVariantMap, campos);
    QFETCH(QStringList, antes);
    QFETCH(QVariantMap, despues);

    for (const QString &s : antes)
        QVERIFY2(e->ejecutar(s), qPrintable(s));
    Recordset rs = e->conexion->Execute(sql);
    QCOMPARE(e->sentencias.last(), sql);
    if (filas < 0) {
        QVERIFY2(!rs.ok(), qPrintable(e->conexion->traducir(sql)));
        QVERIFY(!rs.resultado().mensaje().isEmpty());
    } else {
        QVERIFY2(rs.ok(), qPrintable(rs.resultado().mensaje() + "\n" + e->conexion->traducir(sql)));
        QCOMPARE(rs.RecordCount(), filas);
        if (!donde.isEmpty())
            QVERIFY2(rs.Find(donde), qPrintable(donde));
        for (auto it = campos.cbegin(); it != campos.cend(); ++it) {
            const QString &columna = it.key();
            const bool porPosicion = columna.startsWith(u'#');
            QVERIFY2(porPosicion || rs.indiceCampo(columna) >= 0, qPrintable("Falta la columna " + columna));
            const QVariant v = porPosicion ? rs.Fields(columna.mid(1).toInt()) : rs.Fields(columna);
            QCOMPARE(columna + ": " + comoTexto(v), columna + ": " + comoTexto(it.value()));
        }
    }
    rs.Close();
    for (auto it = despues.cbegin(); it != despues.cend(); ++it)
        QCOMPARE(it.key() + ": " + QString::number(e->cuenta(it.key())), it.key() + ": " + it.value().toString());
}

void TstSentencias::condicionDeModificar_data() {
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<QString>("columna");
    QTest::addColumn<QString>("condicion");
    QTest::addColumn<int>("id");
    QTest::newRow("expediente") << "Exp" << "Exp_Des" << " WHERE Exp_Id = " << 3;
    QTest::newRow("actuacion") << "Act" << "Act_Des" << " WHERE Act_Id = " << 2;
    QTest::newRow("documento") << "ActF" << "ActF_Des" << " WHERE ActF_Id = " << 1;
    QTest::newRow("tipo de expediente") << "Tex" << "Tex_Des" << " WHERE Tex_Id = " << 4;
    QTest::newRow("tipo de actuacion") << "Tac" << "Tac_Des" << " WHERE Tac_Id = " << 5;
}

// The key conditions the screens hand to the writer change their one row and no other.
void TstSentencias::condicionDeModificar() {
    QFETCH(QString, tabla);
    QFETCH(QString, columna);
    QFETCH(QString, condicion);
    QFETCH(int, id);
    MyBd &bd = *e->bd;
    bd.LimpiarCampos(0);
    bd.setTabla(tabla);
    bd.Campos().Add(columna, kCampoTexto, "Cambiado", 2);
    bd.setCondicion(condicion + QString::number(id));
    const Resultado r = bd.Modificar();
    QVERIFY2(r, qPrintable(r.mensaje()));
    QCOMPARE(e->cuenta(tabla + " WHERE " + columna + " = 'Cambiado'"), 1);
    QCOMPARE(e->valor("SELECT " + columna + " FROM " + tabla + condicion + QString::number(id)).toString(), QString("Cambiado"));
}

QTEST_GUILESS_MAIN(TstSentencias)
#include "tst_sentencias.moc"
