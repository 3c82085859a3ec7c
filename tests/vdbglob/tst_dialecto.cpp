// The translation rules from T-SQL as the library writes it to what the embedded SQLite
// connection and the PostgreSQL server must receive, one row per rule and edge; the
// library's own statements are run on both by the statements' and screens' suites.
#include "dialecto.h"

#include <QTest>

class TstDialecto : public QObject {
    Q_OBJECT

private slots:
    void traducir_data() {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QString>("sqlite");
        QTest::addColumn<QString>("postgres");
        // Without a text for PostgreSQL, it receives what SQLite does.
        const auto fila = [](const char *nombre, const QString &tsql, const QString &sqlite, const QString &pg = {}) {
            QTest::newRow(nombre) << tsql << sqlite << (pg.isNull() ? sqlite : pg);
        };
        const auto igual = [](const char *nombre, const QString &tsql, const QString &pg = {}) {
            QTest::newRow(nombre) << tsql << tsql << (pg.isNull() ? tsql : pg);
        };
        // isnull -> ifnull, only in call position
        fila("ISNULL mayusculas", "SELECT ISNULL(a, 0) FROM t", "SELECT ifnull(a, 0) FROM t",
             "SELECT coalesce(a, 0) FROM t");
        fila("IsNull con blanco antes del parentesis", "SELECT IsNull (a, 0) FROM t", "SELECT ifnull (a, 0) FROM t",
             "SELECT coalesce (a, 0) FROM t");
        igual("isnull columna", "SELECT isnull, t.isnull FROM t WHERE isnull = 1");
        igual("isnull en literal", "SELECT 'isnull(a,b)' AS x FROM t");
        igual("isnull en corchetes", "SELECT [isnull] FROM t", "SELECT \"isnull\" FROM t");
        igual("isnull cualificado", "SELECT dbo.isnull(a) FROM t");
        igual("isnull y getdate tras @ o #, nombres", "SELECT @isnull(a, 0), #getdate() FROM t");
        // Getdate()
        fila("getdate en values", "INSERT INTO Est (Est_FEstado, Est_Obs) VALUES (Getdate(), Null)",
             "INSERT INTO Est (Est_FEstado, Est_Obs) VALUES (vmexp_getdate(), Null)",
             "INSERT INTO Est (Est_FEstado, Est_Obs) VALUES (LOCALTIMESTAMP(3), Null)");
        fila("GETDATE con blancos", "UPDATE ActF SET ActF_FEstado = GETDATE ( ) WHERE ActF_Id = 3",
             "UPDATE ActF SET ActF_FEstado = vmexp_getdate ( ) WHERE ActF_Id = 3",
             "UPDATE ActF SET ActF_FEstado = LOCALTIMESTAMP ( 3) WHERE ActF_Id = 3");
        igual("getdate dentro de otro nombre", "SELECT mygetdate(), getdate_old FROM t");
        igual("getdate con argumento", "SELECT getdate(1) FROM t");
        igual("getdate sin parentesis", "SELECT getdate FROM t");
        igual("getdate en comentario", "SELECT a FROM t -- Getdate()");
        // Three-part names
        fila("situaciones DBO mayusculas", "select sit_des from VMComun.DBO.situaciones",
             "select sit_des from VMComun.situaciones");
        fila("corchetes", "SELECT * FROM [vmcomun].[dbo].[usuarios]", "SELECT * FROM [vmcomun].[usuarios]",
             "SELECT * FROM \"vmcomun\".\"usuarios\"");
        fila("con blancos entre partes", "SELECT * FROM vmcomun . dbo . usuarios", "SELECT * FROM vmcomun .  usuarios");
        fila("dos en una sentencia",
             "SELECT a FROM vmcomun.dbo.usuarios u INNER JOIN vmcomun.dbo.situaciones s ON s.x = u.x",
             "SELECT a FROM vmcomun.usuarios u INNER JOIN vmcomun.situaciones s ON s.x = u.x");
        igual("dos partes", "SELECT * FROM dbo.usuarios");
        igual("dbo como columna", "SELECT x.dbo FROM x");
        igual("dbo dentro de otro nombre", "SELECT * FROM vmcomun.dbox.usuarios");
        igual("dbo en literal", "SELECT 'vmcomun.dbo.usuarios' AS n FROM t");
        // '+' joining text
        fila("cast y literal", "SELECT cast(cli_Cod as nvarchar) + ' ' + Cli_Comer FROM Cli",
             "SELECT cast(cli_Cod as nvarchar) || ' ' || Cli_Comer FROM Cli",
             "SELECT cast(cli_Cod as text) || ' ' || Cli_Comer FROM Cli");
        fila("cast con longitud", "SELECT cast(a as varchar(10)) + b FROM t",
             "SELECT cast(a as varchar(10)) || b FROM t");
        fila("nvarchar con longitud", "SELECT cast(a as nvarchar(30)) + b FROM t",
             "SELECT cast(a as nvarchar(30)) || b FROM t", "SELECT cast(a as varchar(30)) || b FROM t");
        fila("CAST AS NVARCHAR(MAX) al final", "SELECT b + CAST(a AS NVARCHAR(MAX)) FROM t",
             "SELECT b || CAST(a AS NVARCHAR(MAX)) FROM t", "SELECT b || CAST(a AS text) FROM t");
        fila("contenido binario", "INSERT INTO Ima (Ima_File) VALUES (CAST('ab' AS varbinary(max)))",
             "INSERT INTO Ima (Ima_File) VALUES (CAST('ab' AS BLOB))",
             "INSERT INTO Ima (Ima_File) VALUES (lo_from_bytea(0, CAST('ab' AS bytea)))");
        fila("cast a char y text", "SELECT cast(a as char(2)) + cast(b as text) FROM t",
             "SELECT cast(a as char(2)) || cast(b as text) FROM t");
        igual("cast a numero", "SELECT cast(a as int) + 1, cast(b as decimal(10,2)) + c FROM t");
        fila("cast a fecha", "SELECT cast('05/03/2024' as datetime)", "SELECT cast('2024-03-05 00:00:00' as TEXT)",
             "SELECT cast('2024-03-05 00:00:00' as timestamp(3))");
        igual("cast a numero tras un as interior", "SELECT cast((SELECT x AS nvarchar FROM y) as int) + 1");
        igual("suma de ids", "SELECT Exp_Id + 1 FROM Exp");
        igual("suma de columnas y numeros", "SELECT a + b, 1 + 2, t.a + 3.5 * b FROM t");
        fila("literal en medio de la cadena", "SELECT a + 'x' + b FROM t", "SELECT a || 'x' || b FROM t");
        fila("la coma corta la cadena", "SELECT Exp_Id + 1, 'x' + y FROM t", "SELECT Exp_Id + 1, 'x' || y FROM t");
        fila("el igual corta la cadena", "SELECT 1 FROM t WHERE a + b = 'x' + c",
             "SELECT 1 FROM t WHERE a + b = 'x' || c");
        fila("las palabras clave cortan la cadena", "SELECT 'x' + a AS b FROM t WHERE c + 1 > 2 AND d + e < f",
             "SELECT 'x' || a AS b FROM t WHERE c + 1 > 2 AND d + e < f");
        fila("patron like compuesto", "SELECT * FROM Exp WHERE Exp_Des LIKE '%' + @x + '%' OR Exp_Id + 1 = 2",
             "SELECT * FROM Exp WHERE Exp_Des LIKE '%' || @x || '%' OR Exp_Id + 1 = 2",
             "SELECT * FROM Exp WHERE Exp_Des ILIKE '%' || @x || '%' OR Exp_Id + 1 = 2");
        fila("grupo con texto es texto", "SELECT (a + 'x') + b, (c + d) + e FROM t",
             "SELECT (a || 'x') || b, (c + d) + e FROM t");
        igual("subselect que termina en texto",
              "SELECT (SELECT count(*) FROM Act WHERE Act_IdExp = Exp_Id AND Act_Operario = 'Luis') + 1 FROM Exp");
        fila("isnull con texto es texto", "SELECT isnull(a, '') + isnull(b, '') FROM t",
             "SELECT ifnull(a, '') || ifnull(b, '') FROM t", "SELECT coalesce(a, '') || coalesce(b, '') FROM t");
        igual("coalesce numerico", "SELECT coalesce(a, 0) + coalesce(b, 0) FROM t");
        fila("cadena dentro de un argumento", "SELECT isnull(a + 'x', b + 1) + c, isnull(n + 1, 0) + 2 FROM t",
             "SELECT ifnull(a || 'x', b + 1) || c, ifnull(n + 1, 0) + 2 FROM t",
             "SELECT coalesce(a || 'x', b + 1) || c, coalesce(n + 1, 0) + 2 FROM t");
        fila("left como funcion", "SELECT 'x' + left(a, 3) + b FROM t LEFT JOIN u ON t.i = u.i",
             "SELECT 'x' || left(a, 3) || b FROM t LEFT JOIN u ON t.i = u.i");
        fila("blancos y saltos se conservan", "SELECT\ta\n +\t'x'  +b FROM t", "SELECT\ta\n ||\t'x'  ||b FROM t");
        fila("comentarios se conservan", "SELECT 'x' /* + */ + a -- + 'y'\nFROM t",
             "SELECT 'x' /* + */ || a -- + 'y'\nFROM t");
        igual("mas dentro de comentario", "SELECT a + -- 'x'\n b FROM t");
        fila("alias entre corchetes", "SELECT 'a' + b AS [c + 'd'] FROM t", "SELECT 'a' || b AS [c + 'd'] FROM t",
             "SELECT 'a' || b AS \"c + 'd'\" FROM t");
        // Day-first date literals
        fila("fecha sola es medianoche", "UPDATE Exp SET Exp_FIni = '29/02/2024' WHERE Exp_Id = 1",
             "UPDATE Exp SET Exp_FIni = '2024-02-29 00:00:00' WHERE Exp_Id = 1");
        fila("dos fechas, fin de año", "SELECT 1 WHERE x < '31/12/1999 23:59:59' AND y >= '01/01/1999'",
             "SELECT 1 WHERE x < '1999-12-31 23:59:59' AND y >= '1999-01-01 00:00:00'");
        igual("fecha en patron like", "SELECT * FROM Exp WHERE Exp_Des Like '%05/03/2024%' ",
              "SELECT * FROM Exp WHERE Exp_Des ILIKE '%05/03/2024%' ");
        igual("fecha imposible", "SELECT 1 WHERE x = '31/02/2024' OR y = '29/02/2023'");
        igual("mes 13", "SELECT 1 WHERE x = '05/13/2024'");
        igual("hora imposible", "SELECT 1 WHERE x = '05/03/2024 24:00:00' OR y = '05/03/2024 10:60:00'");
        igual("fecha con blancos alrededor", "SELECT 1 WHERE x = ' 05/03/2024' OR y = '05/03/2024 '");
        igual("otros formatos", "SELECT 1 WHERE x = '05/03/24' OR y = '5/3/2024' OR z = '05-03-2024'");
        igual("fecha con hora sin segundos", "SELECT 1 WHERE x = '05/03/2024 10:30'");
        igual("fecha que ya es iso", "SELECT 1 WHERE x = '2024-03-05 00:00:00'");
        // Literals, brackets and the rest pass unchanged
        igual("comilla doblada", "SELECT * FROM Cli WHERE Cli_Ape1 = 'O''Brien' AND Cli_Nom = 'D''Ors'");
        fila("comilla doblada con mas dentro", "SELECT 'O''Brien + dbo.x' + a FROM t",
             "SELECT 'O''Brien + dbo.x' || a FROM t");
        igual("nulos primero al ordenar", "SELECT * FROM Act ORDER BY Act_Operario,Act_Fecha",
              "SELECT * FROM Act ORDER BY Act_Operario NULLS FIRST,Act_Fecha NULLS FIRST");
        igual("nulos al final en descendente",
              "SELECT (SELECT max(a) FROM u ORDER BY b) AS x FROM t ORDER BY Est_Fecha DESC, isnull ASC LIMIT 3",
              "SELECT (SELECT max(a) FROM u ORDER BY b NULLS FIRST) AS x FROM t ORDER BY Est_Fecha DESC NULLS LAST, "
              "isnull ASC NULLS FIRST LIMIT 3");
        igual("literal sin cerrar", "SELECT 'abc + x");
        igual("corchete sin cerrar", "SELECT [a + 'b'");
        igual("comentario sin cerrar", "SELECT a /* + 'x'");
        igual("vacio", "");
    }

    // Each driver's translation; any other driver gets the statement as written.
    void traducir() {
        QFETCH(QString, tsql);
        QTEST(DialectoSql::paraDriver("QSQLITE")->traducir(tsql), "sqlite");
        QTEST(DialectoSql::paraDriver("QPSQL")->traducir(tsql), "postgres");
        QCOMPARE(DialectoSql::paraDriver("QODBC")->traducir(tsql), tsql);
    }
};

QTEST_GUILESS_MAIN(TstDialecto)
#include "tst_dialecto.moc"
