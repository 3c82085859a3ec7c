// The database services against a real embedded database: result sets, the grid
// model, the field-list writer, generated keys and transactions, and how text compares.
#include "conexion.h"
#include "fixture.h"
#include "mybd.h"
#include "transaccion.h"
#include "versionesquema.h"

#include <random>

#include <QAbstractItemModelTester>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <thread>

class TstConexion : public QObject {
    Q_OBJECT
private slots:
    void recordsetSeMueveComoUnCursor() {
        Entorno e;
        Recordset rs = e.conexion->Execute("SELECT Tex_Id, Tex_Des FROM Tex ORDER BY Tex_Id");
        QVERIFY2(rs.ok(), qPrintable(rs.resultado().mensaje()));
        QVERIFY(!rs.isEOF() && !rs.isBOF());
        QCOMPARE(rs.RecordCount(), 5);
        QCOMPARE(rs.Fields(0).toInt(), 1); // counting does not move the cursor
        rs.MoveNext();
        QCOMPARE(rs.AbsolutePosition(), 2);
        rs.MoveLast();
        QCOMPARE(rs.Fields("tex_des").toString(), QString("Litigio"));
        QVERIFY(!rs.Fields("NoExiste").isValid());
        rs.MoveNext();
        QVERIFY(rs.isEOF() && !rs.isBOF());
        QCOMPARE(rs.RecordCount(), 5);
        QVERIFY(rs.isEOF());
        rs.MoveFirst();
        rs.MovePrevious();
        QVERIFY(rs.isBOF() && !rs.isEOF());
        // Find looks from the current row on.
        QVERIFY(rs.Find("Tex_Id = 3"));
        QCOMPARE(rs.Fields(1).toString(), QString("Mantenimiento"));
        QVERIFY(rs.Find("tex_des = 'LITIGIO'"));
        QCOMPARE(rs.Fields(0).toInt(), 5);
        QVERIFY(!rs.Find("Tex_Id = 2") && rs.isEOF());
        rs.Close();
        QVERIFY(rs.isEOF());
    }

    // Kinds and NULLs of the rows the screens read are the statements' test; here a
    // stamp with its time and bytes that are no text.
    void fechaYHoraYBytes() {
        Entorno e;
        Recordset est = e.conexion->Execute("SELECT Est_FEstado FROM Est WHERE Est_IdTabla = 4");
        QCOMPARE(est.Fields(0).toDateTime(), QDateTime(QDate(2024, 5, 20), QTime(11, 15)));
        QByteArray bytes("\x00\x01\xff binario \xc3\xb1", 13);
        QSqlQuery q(e.db);
        q.prepare(e.conexion->traducir("INSERT INTO Ima (Ima_Tabla, Ima_IdTabla, Ima_File) VALUES ('ActF', 77, CAST(? AS varbinary(max)))"));
        q.addBindValue(bytes);
        QVERIFY(q.exec());
        Recordset ima = e.conexion->Execute("SELECT Ima_File FROM Ima WHERE Ima_IdTabla = 77");
        QCOMPARE(ima.Fields("Ima_File").toByteArray(), bytes);
    }

    // preparar runs on this connection first, otro on a second one, left open.
    void erroresDelMotorEnEspanol_data() {
        columnas<QString, QString, QString, QString>("preparar", "otro", "sentencia", "causa");
        QTest::newRow("tabla que falta") << "" << "" << "DELETE FROM TablaInexistente" << "Falta la tabla TablaInexistente";
        QTest::newRow("columna que falta") << "" << "" << "SELECT NoHay FROM Exp" << "Falta la columna NoHay";
        QTest::newRow("valor repetido") << "" << "" << "INSERT INTO Tex (Tex_Id, Tex_Des) VALUES (1, 'x')"
                                        << "no cumplen una regla";
        if (enServidor()) {
            QTest::newRow("solo lectura") << "SET default_transaction_read_only = on" << "" << "DELETE FROM Tex"
                                          << "solo lectura";
            QTest::newRow("ocupada por otro") << "SET lock_timeout = '100ms'" << "BEGIN; LOCK TABLE Tex" << "DELETE FROM Tex"
                                              << "ocupada por otro usuario";
            return;
        }
        QTest::newRow("solo lectura") << "PRAGMA query_only = 1" << "" << "DELETE FROM Tex" << "solo lectura";
        QTest::newRow("disco lleno, solo SQLite") << "PRAGMA max_page_count = 1" << ""
                                                  << "INSERT INTO Tex (Tex_Des) SELECT hex(randomblob(900000))"
                                                  << "espacio en el disco";
        QTest::newRow("ocupada por otro") << "PRAGMA busy_timeout = 0" << "BEGIN IMMEDIATE" << "DELETE FROM Tex"
                                          << "ocupada por otro usuario";
    }
    // What the user reads is Spanish and says what to do; the engine's words are not shown.
    void erroresDelMotorEnEspanol() {
        const auto [preparar, otro, sentencia, causa] =
            leerFila<QString, QString, QString, QString>("preparar", "otro", "sentencia", "causa");
        Entorno e;
        conSegundaConexion(e, [&](QSqlDatabase &segunda) {
            QSqlQuery q(segunda);
            QVERIFY(otro.isEmpty() || q.exec(otro));
            QVERIFY(preparar.isEmpty() || e.ejecutar(preparar));
            const Resultado r = e.conexion->Ejecutar(sentencia);
            Recordset rs = e.conexion->Execute(sentencia);
            QVERIFY(!r && !rs.ok() && rs.isEOF());
            for (const Resultado &t : {r, rs.resultado()}) {
                // A server folds unquoted names to lower case.
                QVERIFY2(t.mensaje().contains(causa, Qt::CaseInsensitive), qPrintable(t.mensaje()));
                QVERIFY2(!t.mensaje().contains("database") && !t.mensaje().contains("no such")
                             && !t.mensaje().contains("constraint"),
                         qPrintable(t.mensaje()));
                // The engine's own words stay with the result, for the log.
                QVERIFY2(t.causa() != t.mensaje() && !t.causa().isEmpty(), qPrintable(t.causa()));
            }
            q.exec("ROLLBACK");
        });
    }

    void modeloTraeFilasSegunSePiden_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("todas") << "SELECT Exp_Id, Exp_Des, Exp_Fini FROM Exp ORDER BY Exp_Id";
        QTest::newRow("LIKE con %2 y LIMIT propio")
            << "SELECT Exp_Id, Exp_Des, Exp_Fini FROM Exp WHERE Exp_Des LIKE '%2%' ORDER BY Exp_Id LIMIT 3000";
    }
    void modeloTraeFilasSegunSePiden() {
        QFETCH(QString, sql);
        Entorno e;
        QVERIFY(e.ejecutar("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                           "INSERT INTO Exp (Exp_IdCli, Exp_Fini, Exp_Des, Exp_Origen) "
                           "SELECT 1, '2024-01-01 00:00:00', 'Generado ' || i, 0 FROM n"));
        const int total = e.valor("SELECT count(*) FROM (" + sql + ") AS t").toInt();
        RecordsetModel m(e.conexion.get(), sql);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY2(m.ok(), qPrintable(m.resultado().mensaje()));
        QVERIFY(m.tieneFilas() && m.rowCount() < total && m.canFetchMore()); // not all fetched at once
        QCOMPARE(m.data(m.index(0, 2)).metaType().id(), QMetaType::QDate);
        // The open grid holds no snapshot: after another user's save, this connection's is not refused.
        conSegundaConexion(e, [](QSqlDatabase &otra) {
            QVERIFY(QSqlQuery(otra).exec("INSERT INTO Tex (Tex_Des) VALUES ('De otro usuario')"));
        });
        const Resultado mio = e.conexion->Ejecutar("INSERT INTO Tex (Tex_Des) VALUES ('Mío')");
        QVERIFY2(mio, qPrintable(mio.mensaje()));
        while (m.canFetchMore())
            m.fetchMore();
        QCOMPARE(m.rowCount(), total);
        // Pages join in the statement's order, with no row twice nor missing.
        for (int fila = 1; fila < m.rowCount(); ++fila)
            QVERIFY(m.data(m.index(fila, 0)).toInt() > m.data(m.index(fila - 1, 0)).toInt());
        QCOMPARE(m.record(total - 1).value("Exp_Id").toInt(), m.data(m.index(total - 1, 0)).toInt());
        RecordsetModel malo(e.conexion.get(), "SELECT x FROM NoHay");
        QVERIFY(!malo.ok() && !malo.tieneFilas());
    }

    // Reads sent ahead are taken by the Execute and the grid of the same text, in any
    // order; a text not sent, one that failed and those after it run as usual; a write
    // drops what nobody took. On the server the group is one round trip.
    void lecturasAdelantadas() {
        Entorno e;
        Conexion &c = *e.conexion;
        const int servidor = enServidor() ? 1 : 0;
        const QString des = "SELECT Tex_Des FROM Tex WHERE Tex_Id = 3";
        const QString cuenta = "SELECT count(*) FROM Tex";
        const QString rejilla = "SELECT Tex_Des, Tex_Id FROM Tex";
        const auto leer = [&](const QString &sql) {
            Recordset rs = c.Execute(sql);
            return rs.ok() ? rs.Fields(0).toString() : "error: " + rs.resultado().mensaje();
        };
        qint64 idas = c.idasYVueltas();
        const auto nuevas = [&] { return c.idasYVueltas() - std::exchange(idas, c.idasYVueltas()); };
        QCOMPARE(c.adelantar({des, cuenta}, rejilla), bool(servidor));
        QCOMPARE(leer(cuenta), "5");
        QCOMPARE(leer(des), "Mantenimiento");
        RecordsetModel m(&c, rejilla);
        QCOMPARE(expedientes(&m), QList<int>({1, 2, 3, 4, 5}));
        QCOMPARE(nuevas(), servidor ? 1 : 3);
        QCOMPARE(leer(des), "Mantenimiento"); // taken once; again it is read
        QCOMPARE(nuevas(), 1);

        c.adelantar({des, "SELECT Tex_Nada FROM Tex", cuenta});
        QCOMPARE(leer(des), "Mantenimiento");
        QVERIFY(leer("SELECT Tex_Nada FROM Tex").startsWith("error: "));
        QCOMPARE(leer(cuenta), "5");
        QCOMPARE(nuevas(), 3);

        c.adelantar({des, cuenta});
        QCOMPARE(leer(cuenta), "5"); // the rows of des have come too
        QVERIFY(c.Ejecutar("UPDATE Tex SET Tex_Des = 'Mantenimiento anual' WHERE Tex_Id = 3"));
        QCOMPARE(leer(des), "Mantenimiento anual");
        // Inside a transaction a failure among them would spoil it: nothing goes ahead.
        QVERIFY(c.BeginTrans());
        QVERIFY(!c.adelantar({des}));
        QVERIFY(c.RollbackTrans());
    }

    void escrituraEmpiezaConElBloqueoSqlite() {
        if (enServidor())
            QSKIP("The server locks the rows each statement writes, not the database at the begin");
        Entorno e;
        QVERIFY(QSqlQuery(e.db).exec("PRAGMA busy_timeout = 300"));
        conSegundaConexion(e, [&](QSqlDatabase &otra) {
            QSqlQuery q(otra);
            QVERIFY(q.exec("BEGIN IMMEDIATE"));
            e.sentencias.clear();
            QElapsedTimer espera;
            espera.start();
            const Resultado r = e.conexion->BeginTransEscritura();
            QVERIFY(!r && r.bloqueo());
            QVERIFY(espera.elapsed() >= 250); // waited on the busy timeout
            QVERIFY(!e.conexion->enTransaccion() && q.exec("COMMIT"));
        });
        QVERIFY(e.conexion->BeginTransEscritura());
        QVERIFY(e.conexion->BeginTransEscritura()); // nests
        QVERIFY(e.conexion->Ejecutar("DELETE FROM ExpPer WHERE ExpPer_IdExp = 1"));
        QVERIFY(e.conexion->CommitTrans() && e.conexion->CommitTrans() && !e.conexion->enTransaccion());
        QCOMPARE(e.sentencias, (QStringList{"BEGIN IMMEDIATE", "BEGIN IMMEDIATE", "DELETE FROM ExpPer WHERE ExpPer_IdExp = 1",
                                            "COMMIT TRANSACTION"}));
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 1"), 0);
    }

    void mybdDeUnaConexionDelAnfitrion_data() {
        columnas<int, bool, QString, bool, QString>("usuario", "abierta", "nombre", "administrador", "error");
        QTest::newRow("administrador") << 1 << true << "Administrador del Sistema" << true << QString();
        QTest::newRow("usuario") << 2 << true << "María José Fernández" << false << QString();
        QTest::newRow("usuario que no existe") << 999 << true << QString() << false
                                               << "El usuario 999 no existe en vmcomun.";
        QTest::newRow("conexión cerrada") << 1 << false << QString() << false
                                          << "La conexión con la base de datos no está abierta.";
    }
    // What a host builds on the connection it opened: the user as vmcomun knows it and the
    // company's parameters; or nothing, and why.
    void mybdDeUnaConexionDelAnfitrion() {
        const auto [usuario, abierta, error] = leerFila<int, bool, QString>("usuario", "abierta", "error");
        Entorno e;
        const QSqlDatabase db =
            abierta ? abrirConexion(e.carpetaDatos(), e.baseServidor, 1, "anfitrion") : QSqlDatabase();
        QString mensaje;
        const auto bd = MyBd::crear(db, usuario, &mensaje);
        QCOMPARE(mensaje, error);
        QCOMPARE(bool(bd), error.isEmpty());
        if (!bd)
            return;
        QTEST(bd->NombreUsuario(), "nombre");
        QTEST(bd->Administrador(), "administrador");
        QCOMPARE(bd->Parametros().Item("PAR_EXP_PER").Valor.toInt(), 0);
        QCOMPARE(bd->Parametros().Item("par_decpre").Valor.toInt(), 2);
        QVERIFY(!bd->Parametros().Item("NO_EXISTE").Valor.isValid());
    }

    void likeSinDistinguirMayusculas_data() {
        columnas<QString, QString, bool>("texto", "patron", "coincide");
        QTest::newRow("ascii") << "Reforma de NAVE" << "%nave%" << true;
        QTest::newRow("subrayado un carácter") << "Núñez" << "n__ez" << true;
        QTest::newRow("subrayado no es cero caracteres") << "Nez" << "n_ez" << false;
        QTest::newRow("sin comodines, todo el texto") << "Obra" << "obr" << false;
        QTest::newRow("porcentaje al principio") << "Reforma" << "%RMA" << true;
        QTest::newRow("mayúsculas acentuadas") << "Álvarez" << "ÁLVAREZ" << true;
        QTest::newRow("eñe mayúscula") << "ÑANDÚ" << "ñandú" << true;
        QTest::newRow("eñe no es ene") << "Peña" << "Pena" << false;
        QTest::newRow("acento no es la letra sin acento") << "Álvarez" << "Alvarez" << false;
    }
    // LIKE as the search filters write it, and = as the parameter lookup does.
    void likeSinDistinguirMayusculas() {
        const auto [texto, patron, coincide] = leerFila<QString, QString, bool>("texto", "patron", "coincide");
        Entorno e;
        QSqlQuery q(e.db);
        q.prepare(e.conexion->traducir("SELECT ? LIKE ?, ? LIKE ? ESCAPE '!'"));
        for (const QString &v : {texto, patron, texto, patron})
            q.addBindValue(v);
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toBool(), coincide);
        QCOMPARE(q.value(1).toBool(), coincide);
        if (patron.contains(u'%') || patron.contains(u'_'))
            return;
        QVERIFY(e.ejecutar(QStringLiteral("INSERT INTO Parametros (Par_Clave, Par_Valor) VALUES ('%1', '7')").arg(texto)));
        QCOMPARE(e.bd->Parametros().Item(patron).Valor.isValid(), coincide);
    }

    // Without a value leido, refused, naming the causa.
    void escritorPorTipo_data() {
        columnas<short, QVariant, QString, QVariant, QString>("tipo", "valor", "columna", "leido", "causa");
        QTest::newRow("entero") << short(1) << QVariant(42) << "Exp_IdCli" << QVariant(42) << "";
        QTest::newRow("entero en texto") << short(1) << QVariant("7") << "Exp_IdCli" << QVariant(7) << "";
        QTest::newRow("importe") << short(2) << QVariant(1234.5) << "Exp_Presup" << QVariant(1234.5) << "";
        QTest::newRow("texto acentuado") << short(3) << QVariant("Reclamación de Ñandú: «ÉXITO»") << "Exp_Des"
                                         << QVariant("Reclamación de Ñandú: «ÉXITO»") << "";
        QTest::newRow("texto con comilla") << short(3) << QVariant("O'Brien") << "Exp_Des" << QVariant("O'Brien") << "";
        QTest::newRow("texto vacío no es nulo") << short(3) << QVariant("") << "Exp_Des" << QVariant("") << "";
        QTest::newRow("importe de muchas cifras") << short(2) << QVariant(1234567.89) << "Exp_Presup"
                                                  << QVariant(1234567.89) << "";
        QTest::newRow("interrogación dentro de un texto de la sentencia") << short(6) << QVariant("'¿Dónde?'")
                                                                         << "Exp_Ubicacion" << QVariant("¿Dónde?") << "";
        QTest::newRow("fecha día primero") << short(4) << QVariant("05/03/2024") << "Exp_Fini" << QVariant(QDate(2024, 3, 5))
                                           << "";
        QTest::newRow("fecha 29 de febrero") << short(4) << QVariant("29/02/2024") << "Exp_Fini"
                                             << QVariant(QDate(2024, 2, 29)) << "";
        QTest::newRow("fecha imposible") << short(4) << QVariant("31/02/2024") << "Exp_Fini" << QVariant() << "31/02/2024";
        QTest::newRow("fecha vacía") << short(4) << QVariant("") << "Exp_Fini" << QVariant() << "fecha";
        QTest::newRow("importe no numérico") << short(2) << QVariant("doce") << "Exp_Presup" << QVariant() << "doce";
        QTest::newRow("entero no numérico") << short(1) << QVariant("1a") << "Exp_IdCli" << QVariant() << "1a";
        QTest::newRow("columna inexistente") << short(3) << QVariant("x") << "Exp_NoHay" << QVariant() << "Exp_NoHay";
        QTest::newRow("tipo desconocido") << short(9) << QVariant("x") << "Exp_Des" << QVariant() << "9";
    }
    void escritorPorTipo() {
        const auto [tipo, valor, columna, leido, causa] =
            leerFila<short, QVariant, QString, QVariant, QString>("tipo", "valor", "columna", "leido", "causa");
        Entorno e;
        e.campos("Exp", {{"Exp_Obs", 3, "Escrito"}, {columna, tipo, valor}});
        const Resultado r = e.bd->Insertar();
        if (!leido.isValid()) {
            QVERIFY2(!r && r.mensaje().contains("Exp") && r.mensaje().contains(causa, Qt::CaseInsensitive),
                     qPrintable(r.mensaje()));
            QVERIFY(!e.bd->Modificar());
            QCOMPARE(e.cuenta("Exp WHERE Exp_Obs = 'Escrito'"), 0);
            return;
        }
        QVERIFY2(r, qPrintable(r.mensaje()));
        // The key is this session's, though another user inserts right after.
        conSegundaConexion(e, [](QSqlDatabase &otra) {
            QVERIFY(QSqlQuery(otra).exec("INSERT INTO Exp (Exp_Des) VALUES ('De otro usuario')"));
        });
        QCOMPARE(e.bd->UltimoId(), 9);
        QCOMPARE(e.conexion->Execute(QString("SELECT %1 FROM Exp WHERE Exp_Id = 9").arg(columna)).Fields(0), leido);
    }

    void rollbackDeshaceTodo() {
        Entorno e;
        const int antes = e.cuenta("Exp");
        const auto escribir = [&e](bool fallar) {
            e.campos("Exp", {{"Exp_Des", 3, "Temporal"}});
            if (const Resultado r = e.bd->Insertar(); !r)
                return r;
            if (const Resultado r = e.conexion->Ejecutar("DELETE FROM ExpPer WHERE ExpPer_IdExp = 1"); !r)
                return r;
            if (!fallar)
                return Resultado();
            e.campos("Est", {{"Est_NoHay", 1, 1}});
            return e.bd->Insertar();
        };
        // A failing step, an exception and an early return all leave nothing written.
        QVERIFY(!enTransaccion(e.conexion.get(), [&] { return escribir(true); }));
        QVERIFY_THROWS_EXCEPTION(int, enTransaccion(e.conexion.get(), [&]() -> Resultado {
            escribir(false);
            throw 1;
        }));
        {
            Transaccion t(e.conexion.get());
            QVERIFY(t.inicio());
            escribir(false);
        }
        QVERIFY(!e.conexion->enTransaccion());
        QCOMPARE(e.cuenta("Exp"), antes);
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 1"), 4);
        QCOMPARE(e.sentencias.count("ROLLBACK TRANSACTION"), 3);
        QVERIFY(enTransaccion(e.conexion.get(), [&] { return escribir(false); }));
        QCOMPARE(e.cuenta("Exp"), antes + 1);
        QCOMPARE(e.cuenta("ExpPer WHERE ExpPer_IdExp = 1"), 0);
    }

    // delAnfitrion: on a connection the host opened on its own.
    void ordenEspanol_data() {
        columnas<bool, bool>("actualizada", "delAnfitrion");
        QTest::newRow("base nueva") << false << false;
        // The embedded upgrade is run from a first-release file by the host's tests.
        if (enServidor())
            QTest::newRow("actualizada desde la versión 2") << true << false;
        else
            QTest::newRow("conexión abierta por el anfitrión") << false << true;
    }
    // Accents do not move a letter, ñ goes after n, case does not count.
    void ordenEspanol() {
        const auto [actualizada, delAnfitrion] = leerFila<bool, bool>("actualizada", "delAnfitrion");
        const QStringList orden{"alonso", "Álvarez", "ALVARO", "Ángel", "Ibáñez", "Íñiguez", "Núñez",
                                "Nuño", "ñandú", "Ñúñez", "Óscar", "Úbeda", "Zurita"};
        Entorno e(1, false);
        if (actualizada) {
            // Back to how version 2 left a server: citext in the database's own order, no name indexes.
            QVERIFY(e.ejecutar("DROP INDEX Cli_Comer_Idx; DROP INDEX Pro_Comer_Idx; DROP INDEX Pro_Nom_Idx; "
                               "DROP INDEX Cli_Comer_Trgm; DROP INDEX Cli_RSOC_Trgm; DROP INDEX Pro_Comer_Trgm; "
                               "DROP INDEX Pro_Nom_Trgm; DROP INDEX Pro_RSOC_Trgm; UPDATE vmexp_version SET Ver_Numero = 2"));
            QVERIFY(e.ejecutar("DO $$ DECLARE c record; BEGIN FOR c IN SELECT table_schema, table_name, column_name "
                               "FROM information_schema.columns WHERE udt_name = 'citext' AND table_schema IN ('public', 'vmcomun') "
                               "LOOP EXECUTE format('ALTER TABLE %I.%I ALTER COLUMN %I TYPE citext COLLATE \"C\"', "
                               "c.table_schema, c.table_name, c.column_name); END LOOP; END $$"));
            QString error;
            QVERIFY2(VersionEsquema::actualizar(e.db, &error), qPrintable(error));
            QCOMPARE(VersionEsquema::leer(e.db), VersionEsquema::kActual);
        }
        QStringList barajados = orden;
        std::shuffle(barajados.begin(), barajados.end(), std::mt19937(19));
        for (int i = 0; i < barajados.size(); ++i)
            QVERIFY(e.ejecutar(QStringLiteral("INSERT INTO Cli (cli_Cod, Cli_Comer) VALUES (%1, '%2')").arg(i + 1).arg(barajados[i])));
        QStringList leidos;
        {
            QSqlDatabase propia = QSqlDatabase::addDatabase("QSQLITE", "anfitrion");
            propia.setDatabaseName(e.carpetaDatos() + "/empresa.db");
            QVERIFY(!delAnfitrion || propia.open());
            Conexion conexionPropia(propia);
            Conexion *c = delAnfitrion ? &conexionPropia : e.conexion.get();
            QVERIFY(c->sesion().ok());
            Recordset rs = c->Execute("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER");
            for (; !rs.isEOF(); rs.MoveNext())
                leidos << rs.Fields("CLI_COMER").toString();
        }
        QSqlDatabase::removeDatabase("anfitrion");
        QCOMPARE(leidos, orden);
    }

    void planesUsanIndices_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("clientes por nombre comercial") << "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER";
        QTest::newRow("proveedores por nombre comercial") << "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER";
        QTest::newRow("proveedores por nombre fiscal")
            << "Select PRO_ID,PRO_COD,(PRO_NOM + ' ' + ISNULL(PRO_APE1,'') + ' ' + ISNULL(PRO_APE2,'')) AS RSOC FROM PRO  order by PRO_NOM ";
        QTest::newRow("código de cliente") << "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD=1001";
        QTest::newRow("código de proveedor") << "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO where Pro_COD=5001";
        QTest::newRow("parámetro") << "SELECT Par_Valor FROM Parametros WHERE Par_Clave = 'PAR_EXP_PER'";
    }
    // The name lists are read in the index's order, not sorted; codes are looked up, not scanned.
    void planesUsanIndices() {
        QFETCH(QString, sql);
        Entorno e;
        QSqlQuery q(e.db);
        // A tiny table is cheaper to scan: the server is asked what it would do with a big one.
        QVERIFY(!enServidor() || q.exec("SET enable_seqscan = off"));
        QVERIFY2(q.exec((enServidor() ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + e.conexion->traducir(sql)), qPrintable(q.lastError().text()));
        QStringList plan;
        while (q.next())
            plan << q.value(q.record().count() - 1).toString();
        const QString texto = plan.join(u'\n');
        QVERIFY2(texto.contains("Index") || texto.contains("USING INDEX") || texto.contains("USING COVERING INDEX"), qPrintable(texto));
        QVERIFY2(!texto.contains("Sort") && !texto.contains("TEMP B-TREE") && !texto.contains("Seq Scan"), qPrintable(texto));
    }

    // ocupado: ms the other user holds the database.
    void guardadoMientrasOtroEscribe_data() {
        columnas<int, bool>("ocupado", "guardado");
        QTest::newRow("suelta enseguida") << 100 << true;
        QTest::newRow("no suelta") << 3000 << false;
    }
    // A save that meets another user's write is run again whole, and only when that still
    // cannot be is the user told so, with nothing written. A message shown while a save is
    // open is reported.
    void guardadoMientrasOtroEscribe() {
        const auto [ocupado, guardado] = leerFila<int, bool>("ocupado", "guardado");
        Entorno e;
        QStringList avisos;
        DialogService::alMostrarEnTransaccion([&](const QString &t) { avisos << t; });
        QVERIFY(enTransaccion(e.conexion.get(), [] {
            MsgBox("Dentro");
            return Resultado();
        }));
        MsgBox("Fuera");
        QCOMPARE(avisos, QStringList{"Dentro"});
        // Five tries of 60 ms and the pauses between them: about half a second in all.
        QVERIFY(e.ejecutar(enServidor() ? "SET lock_timeout = '60ms'" : "PRAGMA busy_timeout = 60"));
        std::atomic_bool tomado = false;
        std::thread otro([&] {
            conSegundaConexion(e, [&](QSqlDatabase &db) {
                QSqlQuery q(db);
                q.exec(enServidor() ? "BEGIN; LOCK TABLE Tex" : "BEGIN IMMEDIATE");
                tomado = true;
                QThread::msleep(ocupado);
                q.exec("ROLLBACK");
            });
        });
        while (!tomado)
            QThread::msleep(1);
        e.sentencias.clear();
        const Resultado r = enTransaccion(e.conexion.get(), [&] { return e.conexion->Ejecutar("DELETE FROM Tex WHERE Tex_Id = 5"); });
        otro.join();
        QCOMPARE(r.ok(), guardado);
        QCOMPARE(e.cuenta("Tex WHERE Tex_Id = 5"), guardado ? 0 : 1);
        QVERIFY(!e.conexion->enTransaccion() && e.sentencias.count(inicioGuardado()) > 1);
        if (!guardado)
            QVERIFY2(r.bloqueo() && r.mensaje().contains("otro usuario está guardando") && r.mensaje().contains("vuelva a intentarlo"),
                     qPrintable(r.mensaje()));
    }
};

QTEST_MAIN(TstConexion)
#include "tst_conexion.moc"
