// A grid's page read by the backend's own reader (libpq on the server, a copy of the
// engine's rows on SQLite) gives what the Qt driver gives for the same statement: names,
// values, their kinds, NULL apart from "".
#include "conexion.h"
#include "datosbusqueda.h"
#include "dialecto.h"
#include "fixture.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

class TstPaginas : public QObject {
    Q_OBJECT
private slots:
    void paginaComoElDriver_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("filas raras") << "SELECT Exp_Id, Exp_Des, Exp_Obs, Exp_Presup, Exp_Fini, Exp_FFin FROM Exp "
                                        "WHERE Exp_Origen = 9 ORDER BY Exp_Id";
        QTest::newRow("cuentas, negativos, nulos") << "SELECT count(*) AS n, -count(*) AS m, NULL AS nada, "
                                                      "sum(Exp_Presup) AS s FROM Exp WHERE Exp_Origen = 9";
        QTest::newRow("la búsqueda") << "";
        QTest::newRow("error") << "SELECT Exp_Id FROM NoExiste";
    }
    void paginaComoElDriver() {
        QFETCH(QString, sql);
        Entorno e;
        const QString largo = QString(5000, u'x') + QStringLiteral("ñ");
        QVERIFY(e.ejecutar("INSERT INTO Exp (Exp_Origen, Exp_Des, Exp_Obs, Exp_Presup, Exp_Fini, Exp_FFin) VALUES "
                           "(9, '', NULL, 1234567890.1234567, '01/03/2024 10:11:12.3', '29/02/2024 00:00:00'), "
                           "(9, 'Ñandú, cigüeña y O''Brien', '" + largo + "', -0.000001234, NULL, '31/12/1999 23:59:59.999')"));
        if (sql.isEmpty())
            sql = DatosBusqueda(e.bd.get()).sentencia({});
        const QString pagina = e.conexion->dialecto().pagina(e.conexion->traducir(sql), 257, 0);
        QSqlError error;
        const std::unique_ptr<LectorFilas> leido = e.conexion->dialecto().lectorPagina(e.db, pagina, 257, &error);
        QSqlQuery q(e.db);
        q.setForwardOnly(true);
        QCOMPARE(bool(leido), q.exec(pagina));
        QCOMPARE(textoError(error), textoError(q.lastError()));
        if (!leido)
            return;
        for (int c = 0; c < qMax(q.record().count(), leido->columnas().count()); ++c)
            QCOMPARE(leido->columnas().fieldName(c), q.record().fieldName(c));
        int filas = 0;
        for (; q.next(); ++filas) {
            QVERIFY(leido->siguiente());
            for (int c = 0; c < q.record().count(); ++c) {
                const QVariant a = leido->valor(c), b = q.value(c);
                const bool igual = a == b && a.metaType() == b.metaType() && a.isNull() == b.isNull()
                                   && (b.metaType().id() != QMetaType::QDateTime
                                       || a.toDateTime().timeSpec() == b.toDateTime().timeSpec());
                QVERIFY2(igual, qPrintable(QString("fila %1, %2: %3 frente a %4")
                                               .arg(filas).arg(q.record().fieldName(c), a.toString(), b.toString())));
            }
        }
        QVERIFY(filas > 0 && !leido->siguiente());
    }

    // The grid asks for pages up to the end, across the page's size and exactly at it,
    // after its model took the new result from a model over a finished one.
    void paginasHastaElFinal_data() {
        QTest::addColumn<int>("total");
        for (int n : {0, 256, 257, 513})
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void paginasHastaElFinal() {
        QFETCH(int, total);
        Entorno e;
        RecordsetModel m(e.conexion.get(), QStringLiteral("SELECT 0 AS i, 'otra' AS t"));
        RecordsetModel nuevo(e.conexion.get(), QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                                   "WHERE i < %1) SELECT i, 'fila ' || i AS t FROM n WHERE i <= %1").arg(total));
        m.tomarResultado(nuevo);
        QVERIFY2(m.ok(), qPrintable(m.resultado().mensaje()));
        for (int vueltas = 0; m.canFetchMore() && vueltas < 10; ++vueltas)
            m.fetchMore();
        QVERIFY(!m.canFetchMore());
        QCOMPARE(m.rowCount(), total);
        for (int fila = 0; fila < total; ++fila)
            QCOMPARE(m.data(m.index(fila, 1)).toString(), QString("fila %1").arg(fila + 1));
    }

    // orden: what the server's pages add to the statement (SQLite keeps its rows in place).
    void ordenEstable_data() {
        columnas<QString, QString>("sql", "orden");
        QTest::newRow("una tabla") << "SELECT Exp_Des FROM Exp WHERE Exp_Origen = 0" << "exp.exp_id";
        QTest::newRow("orden en una subconsulta") << "SELECT (SELECT cli_Cod FROM Cli WHERE cli_id = Exp_IdCli ORDER BY 1) "
                                                     "As Cliente FROM Exp;" << "exp.exp_id";
        QTest::newRow("esquema") << "SELECT usu_nom FROM vmcomun.dbo.usuarios" << "vmcomun.usuarios.usu_id";
        QTest::newRow("orden propio") << "SELECT Exp_Des FROM Exp ORDER BY Exp_Des" << "";
        QTest::newRow("agrupada") << "SELECT Exp_Origen, count(*) FROM Exp GROUP BY Exp_Origen" << "";
        QTest::newRow("distinct") << "SELECT DISTINCT Exp_IdCli FROM Exp" << "";
        QTest::newRow("alias") << "SELECT e.Exp_Des FROM Exp e" << "";
        QTest::newRow("dos tablas") << "SELECT Exp_Des FROM Exp, Cli WHERE cli_id = Exp_IdCli" << "";
        QTest::newRow("tabla sin clave generada") << "SELECT ExpPer_IdUsu FROM ExpPer" << "";
        QTest::newRow("sin tabla") << "SELECT 1 AS uno" << "";
    }
    void ordenEstable() {
        const auto [sql, orden] = leerFila<QString, QString>("sql", "orden");
        Entorno e;
        const QString traducida = e.conexion->traducir(sql);
        const QString ordenada = e.conexion->dialecto().ordenEstable(e.db, traducida);
        QString esperada = traducida;
        if (enServidor() && !orden.isEmpty())
            esperada = traducida.trimmed().chopped(traducida.trimmed().endsWith(u';') ? 1 : 0) + "\nORDER BY " + orden;
        QCOMPARE(ordenada, esperada);
        QSqlQuery q(e.db);
        QVERIFY2(q.exec(e.conexion->dialecto().pagina(ordenada, 10, 0)), qPrintable(q.lastError().text()));
    }

    // Another user saves case files the grid has shown before it asks for the next page:
    // each case file still comes once (a server stores a changed row anew, elsewhere).
    void paginasMientrasOtroGuarda() {
        Entorno e;
        QVERIFY(e.ejecutar("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
                           "INSERT INTO Exp (Exp_Origen, Exp_Des) SELECT 0, 'Masivo ' || i FROM n"));
        RecordsetModel m(e.conexion.get(), DatosBusqueda(e.bd.get()).sentencia({}));
        QVERIFY2(m.ok(), qPrintable(m.resultado().mensaje()));
        const int columnaId = m.record().indexOf("Exp_Id");
        QStringList vistos;
        for (int fila = 0; fila < m.rowCount(); ++fila)
            vistos << m.data(m.index(fila, columnaId)).toString();
        conSegundaConexion(e, [&](QSqlDatabase &otra) {
            QVERIFY(QSqlQuery(otra).exec("UPDATE Exp SET Exp_Obs = 'Revisado' WHERE Exp_Id IN (" + vistos.join(u',') + ")"));
        });
        while (m.canFetchMore())
            m.fetchMore();
        QSet<int> ids;
        for (int fila = 0; fila < m.rowCount(); ++fila)
            ids.insert(m.data(m.index(fila, columnaId)).toInt());
        QCOMPARE(m.rowCount(), e.cuenta("Exp WHERE Exp_Origen = 0"));
        QCOMPARE(ids.size(), m.rowCount());
    }
};

QTEST_MAIN(TstPaginas)
#include "tst_paginas.moc"
