// A result read once from start to end (which a backend may read its own way) gives what
// the same statement gives scrollable: names, values and their kinds, NULLs, the end.
#include "conexion.h"
#include "fixture.h"

#include <QtTest>

class TstLectura : public QObject {
    Q_OBJECT
private slots:
    void soloAdelanteLeeComoDesplazable_data();
    void soloAdelanteLeeComoDesplazable();
};

void TstLectura::soloAdelanteLeeComoDesplazable_data() {
    columnas<QString, bool>("sql", "soloSqlite");
    QTest::newRow("fechas, nulos, importes, texto") << "SELECT * FROM Act INNER JOIN Exp ON Exp_Id = Act_IdExp ORDER BY Act_Id"
                                                 << false;
    QTest::newRow("nombres con tabla y alias")
        << "SELECT Exp.Exp_Id, Exp.Exp_Des AS \"Descripción\", count(Act_Id) AS n FROM Exp LEFT JOIN Act ON Act_IdExp = "
           "Exp_Id GROUP BY Exp.Exp_Id, Exp.Exp_Des ORDER BY Exp.Exp_Id"
        << false;
    QTest::newRow("texto con acentos y unos bytes")
        << "SELECT 'ñandú' || char(0x2028) || 'Ágata' AS t, CAST(x'00ff41' AS BLOB) AS b, 2.5 AS r, NULL AS nada"
        << true;
    QTest::newRow("sin filas") << "SELECT * FROM Exp WHERE Exp_Id = -1" << false;
    QTest::newRow("error") << "SELECT * FROM NoExiste" << false;
}

void TstLectura::soloAdelanteLeeComoDesplazable() {
    const auto [sql, soloSqlite] = leerFila<QString, bool>("sql", "soloSqlite");
    if (soloSqlite && enServidor())
        QSKIP("SQLite functions");
    Entorno e;
    e.conexion->setTiposColumna({{"Act_Fecha", TipoValor::Fecha}, {"Exp_Fini", TipoValor::Fecha},
                                 {"Exp_FFin", TipoValor::Fecha}, {"Act_Importe", TipoValor::Importe},
                                 {"Exp_Id", TipoValor::Entero}});
    Recordset esperado = e.conexion->Execute(sql);
    Recordset leido = e.conexion->Execute(sql, Conexion::Cursor::SoloAdelante);
    QCOMPARE(leido.ok(), esperado.ok());
    QCOMPARE(leido.isBOF(), esperado.isBOF());
    if (esperado.ok()) {
        QCOMPARE(esperado.isBOF(), esperado.isEOF()); // no rows: at the end and the start at once
        QCOMPARE(leido.RecordCount(), esperado.isEOF() ? 0 : -1); // unknown until read to the end
    }
    QCOMPARE(leido.resultado().mensaje(), esperado.resultado().mensaje());
    QCOMPARE(leido.FieldCount(), esperado.FieldCount());
    for (int c = 0; c < esperado.FieldCount(); ++c)
        QCOMPARE(leido.FieldName(c), esperado.FieldName(c));
    int filas = 0;
    for (; !esperado.isEOF(); esperado.MoveNext(), leido.MoveNext(), ++filas) {
        QVERIFY(!leido.isEOF());
        QCOMPARE(leido.AbsolutePosition(), esperado.AbsolutePosition());
        for (int c = 0; c < esperado.FieldCount(); ++c) {
            const QVariant a = leido.Fields(c), b = esperado.Fields(c);
            QVERIFY2(a == b && a.metaType() == b.metaType() && a.isNull() == b.isNull(),
                     qPrintable(QString("fila %1, %2: %3 frente a %4").arg(filas).arg(leido.FieldName(c), a.toString(), b.toString())));
        }
    }
    QVERIFY(leido.isEOF() && !leido.Fields(0).isValid());
    leido.MoveFirst(); // cannot go back: stays at the end
    QVERIFY(leido.isEOF());
}

QTEST_MAIN(TstLectura)
#include "tst_lectura.moc"
