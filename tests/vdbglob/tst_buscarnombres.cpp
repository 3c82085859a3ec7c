// The search by name narrows in the database. Over thousands of customers, after names
// change, and on a database brought up from the previous schema, it shows exactly the rows
// whose name holds every typed piece (case and accents aside), in the statement's order.
#include "basedatos.h"
#include "cutilidades.h"
#include "fixture.h"
#include "versionesquema.h"

#include <QLineEdit>
#include <QTableView>
#include <QtTest>

namespace {
const QString kComercial = QStringLiteral("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER");
const QString kFiscal = QStringLiteral(
    "Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI");

// The embedded database as the previous schema left it (no name index), brought up again.
bool desdeLaVersion3(Entorno &e) {
    for (const char *t : {"Cli", "Pro"})
        for (const char *s : {"DROP TRIGGER %1_Buscar_Alta", "DROP TRIGGER %1_Buscar_Baja", "DROP TRIGGER %1_Buscar_Cambio",
                              "DROP TABLE %1_Buscar"})
            if (!e.ejecutar(QString::fromLatin1(s).arg(QLatin1String(t))))
                return false;
    // Version 3 had no documents' text either.
    return e.ejecutar(QStringLiteral("DROP TABLE ActFTex_Fts")) && e.ejecutar(QStringLiteral("DROP TABLE ActFTex"))
           && e.ejecutar(QStringLiteral("UPDATE vmexp_version SET Ver_Numero = 3")) && VersionEsquema::actualizar(e.db);
}

// Six thousand customers more, one renamed and one gone.
bool poblar(Entorno &e) {
    return e.ejecutar(QStringLiteral(
                           "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 5999) "
                           "INSERT INTO Cli (cli_Cod, Cli_Comer, CLI_NOM, CLI_APE1, CLI_APE2) "
                           "SELECT 1000 + i, 'Cliente ' || i || ' ' || CASE i % 4 WHEN 0 THEN 'García' WHEN 1 THEN 'Muñoz' "
                           "WHEN 2 THEN 'Pérez' ELSE 'López' END, 'Nombre', CASE i % 3 WHEN 0 THEN 'Díaz' ELSE 'Ruiz' END, "
                           "NULL FROM n"))
        && e.ejecutar(QStringLiteral("UPDATE Cli SET Cli_Comer = 'Ñandú 100% Eco_lógico', CLI_APE2 = 'Zubiría' WHERE cli_id = 1"))
        && e.ejecutar(QStringLiteral("DELETE FROM Cli WHERE cli_id = 4"));
}

// Every row the dialog shows after typing texto, fetched to the end: id, code and name.
QList<QStringList> mostradas(Entorno &e, const QString &sql, const QString &columna, const QString &texto) {
    QList<QStringList> filas;
    e.dialogos.manejadores << [&](QDialog *d) {
        QTest::keyClicks(control<QLineEdit>(d, "txtBuscar"), texto);
        QAbstractItemModel *m = control<QTableView>(d, "grdResultados")->model();
        while (m->canFetchMore({}))
            m->fetchMore({});
        for (int i = 0; i < m->rowCount(); ++i)
            filas.append({m->index(i, 0).data().toString(), m->index(i, 1).data().toString(), m->index(i, 2).data().toString()});
        d->reject();
    };
    CUtilidades u;
    u.setConexion(e.conexion.get());
    u.BuscarPorNombre(sql, columna, "Codigo", "Nombre", "Buscar", 600, 6000, 0);
    return filas;
}

// The rows of the whole list the dialog must show for tecleado: those whose name holds
// every typed piece, case and accents aside, in the list's order.
QList<QStringList> filtradas(const QList<QStringList> &todas, const QString &tecleado) {
    const QStringList palabras = BaseDatos::plegar(tecleado).split(u' ');
    QList<QStringList> r;
    for (const QStringList &f : todas)
        if (std::all_of(palabras.begin(), palabras.end(), [&](const QString &p) { return BaseDatos::plegar(f[2]).contains(p); }))
            r << f;
    return r;
}
} // namespace

class TstBuscarNombres : public QObject {
    Q_OBJECT

private slots:
    void estrechar_data() {
        columnas<QString, QString, QString, bool>("sql", "columna", "tecleado", "desdeVersion3");
        // More rows match than the index is asked for, a few thousand, one, none; pieces of
        // one, two and more letters; the characters LIKE would take as wildcards.
        QTest::newRow("casi todas") << kComercial << "CLI_COMER" << "CLIENTE" << false;
        QTest::newRow("un apellido") << kComercial << "CLI_COMER" << "MUÑOZ" << false;
        QTest::newRow("dos trozos") << kComercial << "CLI_COMER" << "59 gar" << false;
        QTest::newRow("una letra") << kComercial << "CLI_COMER" << "z" << false;
        QTest::newRow("dos letras al final") << kComercial << "CLI_COMER" << "ez" << false;
        QTest::newRow("letra que no está") << kComercial << "CLI_COMER" << "q" << false;
        QTest::newRow("nombre cambiado") << kComercial << "CLI_COMER" << "nandu" << false;
        QTest::newRow("nombre de antes") << kComercial << "CLI_COMER" << "alvarez" << false;
        QTest::newRow("por ciento") << kComercial << "CLI_COMER" << "0%" << false;
        QTest::newRow("subrayado") << kComercial << "CLI_COMER" << "o_l" << false;
        QTest::newRow("fiscal, miles") << kFiscal << "RSOC" << "nombre diaz" << false;
        QTest::newRow("fiscal, apellido cambiado") << kFiscal << "RSOC" << "zubi" << false;
        QTest::newRow("fiscal, una letra") << kFiscal << "RSOC" << "a" << false;
        QTest::newRow("base de la versión anterior") << kFiscal << "RSOC" << "ORTEGA" << true;
    }
    void estrechar() {
        const auto [sql, columna, tecleado, desdeVersion3] =
            leerFila<QString, QString, QString, bool>("sql", "columna", "tecleado", "desdeVersion3");
        if (desdeVersion3 && enServidor())
            QSKIP("el paso del índice de nombres en el servidor lo hace el administrador");
        Entorno e;
        QVERIFY(!desdeVersion3 || desdeLaVersion3(e));
        QVERIFY(poblar(e));
        const QList<QStringList> todas = mostradas(e, sql, columna, QString());
        QCOMPARE(todas.size(), 6005);
        QCOMPARE(mostradas(e, sql, columna, tecleado), filtradas(todas, tecleado));
    }

    // The commercial name lists, read from the index kept in their order, however the
    // names came, changed or went, also on a database brought up from version 5.
    void ordenDeLaLista_data() {
        // Statements with %1 run for i = 0..119; from version 5, the first before the upgrade.
        columnas<QString, QStringList, QString, bool>("tabla", "sentencias", "tecleado", "desdeVersion5");
        const QString alta = QStringLiteral("INSERT INTO %1 (%1_Cod, %1_Comer) VALUES (7000 + %2, %3)");
        // Names one before the other between the same two: the keys between them run out.
        const QString antes = alta.arg("Cli", "%1", "'Hueco ' || (1000 - %1)");
        const QString despues = alta.arg("Cli", "%1", "'TRANSPORTES Ñú ' || (%1 * 7)");
        QTest::newRow("añadidos en orden inverso") << "Cli" << QStringList{alta.arg("Cli", "%1", "'Hueco 0' || %1"), antes} << "HUECO" << false;
        QTest::newRow("añadidos al final, mayúsculas y acentos") << "Cli" << QStringList{despues} << "transportes nu 9" << false;
        QTest::newRow("cambiados y borrados") << "Cli" << QStringList{despues, "UPDATE Cli SET Cli_Comer = 'Aérea transp ' || cli_Cod "
            "WHERE cli_Cod % 3 = 0", "UPDATE Cli SET cli_Cod = 20000 - cli_Cod WHERE cli_Cod % 5 = 0",
            "DELETE FROM Cli WHERE cli_Cod % 7 = 0 AND cli_Cod > 7000"} << "transp" << false;
        QTest::newRow("proveedores") << "Pro" << QStringList{alta.arg("Pro", "%1", "'Súmin ' || (%1 % 7) || ' Ñ'")} << "SUMIN 3" << false;
        QTest::newRow("desde la versión 5") << "Cli" << QStringList{antes, despues} << "ue" << true;
    }
    void ordenDeLaLista() {
        const auto [tabla, sentencias, tecleado, desdeVersion5] =
            leerFila<QString, QStringList, QString, bool>("tabla", "sentencias", "tecleado", "desdeVersion5");
        if (desdeVersion5 && enServidor())
            QSKIP("el servidor no tiene índice ordenado");
        Entorno e;
        for (int n = 0; n < sentencias.size(); ++n) {
            if (desdeVersion5 && n == 1) {
                for (const char *t : {"Cli", "Pro"})
                    for (const char *s : {"TABLE %1", "TABLE %1_Orden", "TRIGGER %1_Alta", "TRIGGER %1_Baja", "TRIGGER %1_Cambio"})
                        QVERIFY(e.ejecutar("DROP " + QString::fromLatin1(s).arg(QLatin1String(t) + "_Comer_Buscar")));
                QVERIFY(e.ejecutar("UPDATE vmexp_version SET Ver_Numero = 5") && VersionEsquema::actualizar(e.db));
            }
            for (int i = 0; i < (sentencias[n].contains(QLatin1String("%1")) ? 120 : 1); ++i)
                QVERIFY(e.ejecutar(QString(sentencias[n]).replace(QLatin1String("%1"), QString::number(i))));
        }
        const QString t = tabla.toUpper(), sql = QStringLiteral("Select %1_ID,%1_COD,%1_COMER FROM %1 ORDER BY %1_COMER").arg(t);
        const QList<QStringList> esperadas = filtradas(mostradas(e, sql, t + "_COMER", QString()), tecleado);
        QVERIFY(esperadas.size() > 1);
        QCOMPARE(mostradas(e, sql, t + "_COMER", tecleado), esperadas);
    }
};

QTEST_MAIN(TstBuscarNombres)
#include "tst_buscarnombres.moc"
