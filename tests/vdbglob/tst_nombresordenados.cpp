// Narrowed commercial name lists show the rows of the whole list in its order, however the
// names came, changed or went, also on a database brought up from version 5.
#include "basedatos.h"
#include "cutilidades.h"
#include "fixture.h"
#include "versionesquema.h"
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

namespace {
// Code and name of every row the dialog over tabla's names shows after typing texto.
QStringList mostradas(Entorno &e, const QString &tabla, const QString &texto) {
    const QString sql = QStringLiteral("Select %1_ID,%1_COD,%1_COMER FROM %1 ORDER BY %1_COMER").arg(tabla.toUpper());
    QStringList filas;
    e.dialogos.manejadores << [&](QDialog *d) {
        QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("txtBuscar")), texto);
        QAbstractItemModel *m = d->findChild<QTableView *>(QStringLiteral("grdResultados"))->model();
        while (m->canFetchMore({}))
            m->fetchMore({});
        for (int i = 0; i < m->rowCount(); ++i)
            filas << m->index(i, 1).data().toString() + u' ' + m->index(i, 2).data().toString();
    };
    CUtilidades u;
    u.setConexion(e.conexion.get());
    u.BuscarPorNombre(sql, tabla.toUpper() + "_COMER", "Codigo", "Nombre", "Buscar", 600, 6000, 0);
    return filas;
}
} // namespace

class TstNombresOrdenados : public QObject {
    Q_OBJECT
private slots:
    void ordenDeLaLista_data() {
        // Statements with %1 run for i = 0..119; from version 5, the first before the upgrade.
        QTest::addColumn<QString>("tabla"), QTest::addColumn<QStringList>("sentencias");
        QTest::addColumn<QString>("tecleado"), QTest::addColumn<bool>("desdeVersion5");
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
        QFETCH(QString, tabla);
        QFETCH(QStringList, sentencias);
        QFETCH(QString, tecleado);
        QFETCH(bool, desdeVersion5);
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
        QStringList esperadas;
        const QStringList palabras = BaseDatos::plegar(tecleado).split(u' ');
        for (const QString &f : mostradas(e, tabla, QString()))
            if (std::all_of(palabras.begin(), palabras.end(), [&](const QString &p) { return BaseDatos::plegar(f.section(u' ', 1, -1)).contains(p); }))
                esperadas << f;
        QVERIFY(esperadas.size() > 1);
        QCOMPARE(mostradas(e, tabla, tecleado), esperadas);
    }
};

QTEST_MAIN(TstNombresOrdenados)
#include "tst_nombresordenados.moc"
