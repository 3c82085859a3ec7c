// Document contents moved in and out of Ima.Ima_File in chunks: byte-exact round trips,
// failures that leave the column and the target as they were, cancelling and progress.
// The memory a large file takes is measured by the bench.
#include "conexion.h"
#include "fixture.h"
#include "flujoblob.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>
#include <unistd.h>

namespace {
constexpr qint64 kMega = 1024 * 1024;

// Every byte value, then a pattern that changes with the position.
QByteArray binario(qint64 tam) {
    QByteArray b(tam, Qt::Uninitialized);
    for (qint64 i = 0; i < tam; ++i)
        b[i] = char(i < 256 ? i : (i * 7 + i / 251) & 0xff);
    return b;
}

QVariant contenidoIma(Entorno &e, qint64 id) {
    if (e.cuenta(QStringLiteral("Ima WHERE Ima_Id = %1").arg(id)) == 0)
        return QStringLiteral("<sin fila>");
    return e.valor(QStringLiteral("SELECT Ima_File FROM Ima WHERE Ima_Id = %1").arg(id));
}

bool guardar(Entorno &e, qint64 id, const QString &ruta, QString *error, const FlujoBlob::Progreso &p = {}) {
    const Resultado r = FlujoBlob::guardarFichero(e.conexion.get(), "Ima", "Ima_File", id, ruta, p);
    *error = r.mensaje();
    return r.ok();
}

// True when a file was written; a missing row or NULL content is no error.
bool cargar(Entorno &e, qint64 id, const QString &ruta, QString *error, const FlujoBlob::Progreso &p = {}) {
    bool escrito = false;
    const Resultado r = FlujoBlob::cargarAFichero(e.conexion.get(), "Ima", "Ima_File", id, ruta, &escrito, p);
    *error = r.mensaje();
    return r.ok() && escrito;
}

// The connection holds no transaction or savepoint left behind.
bool sinTransaccionPendiente(Entorno &e) { return e.conexion->BeginTrans() && e.conexion->RollbackTrans(); }
} // namespace

class TstFlujoBlob : public QObject {
    Q_OBJECT
private slots:
    // consultaAbierta: the grid still reading the document list meanwhile.
    void idaYVueltaExacta_data() {
        columnas<QByteArray, bool>("datos", "consultaAbierta");
        QTest::newRow("vacio") << QByteArray() << false;
        QTest::newRow("todos los valores de byte") << binario(3 * 256) << true;
        QTest::newRow("un trozo justo") << binario(kMega) << false;
        QTest::newRow("un trozo y un byte") << binario(kMega + 1) << true;
        QTest::newRow("dos trozos") << binario(2 * kMega) << true;
    }
    void idaYVueltaExacta() {
        const auto [datos, consultaAbierta] = leerFila<QByteArray, bool>("datos", "consultaAbierta");
        Entorno e;
        QTemporaryDir dir;
        const QString origen = dir.filePath("origen.bin"), destino = dir.filePath("destino.bin");
        QVERIFY(escribirFichero(origen, datos) && escribirFichero(destino, "contenido anterior que se sustituye"));
        Recordset lista;
        if (consultaAbierta)
            lista = e.conexion->Execute("SELECT Ima_Id, Ima_Tabla FROM Ima ORDER BY Ima_Id");
        QString error = "sin tocar";
        QVERIFY2(guardar(e, 2, origen, &error), qPrintable(error));
        QVERIFY(error.isEmpty());
        // Stored as a blob, an empty file too (not NULL).
        QCOMPARE(e.cuenta("Ima WHERE Ima_Id = 2 AND Ima_File IS NOT NULL"), 1);
        QCOMPARE(contenidoIma(e, 2).toByteArray(), datos);
        QCOMPARE(contenidoIma(e, 1).toByteArray(), QByteArray("Presupuesto de cubierta: 125.000,50 EUR (IVA no incluido)."));
        QVERIFY2(cargar(e, 2, destino, &error), qPrintable(error));
        QCOMPARE(leerFichero(destino), datos);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        if (consultaAbierta) {
            lista.MoveNext();
            QCOMPARE(lista.Fields("Ima_Id").toInt(), 2);
        }
        QVERIFY(sinTransaccionPendiente(e));
        // Viewing writes nothing: a connection that may only read views too.
        if (!enServidor()) {
            QVERIFY(e.ejecutar("PRAGMA query_only = 1") && QFile::remove(destino));
            QVERIFY2(cargar(e, 2, destino, &error), qPrintable(error));
            QCOMPARE(leerFichero(destino), datos);
        }
    }

    void dentroDeUnaTransaccion() {
        Entorno e;
        QTemporaryDir dir;
        const QString origen = dir.filePath("nuevo.bin");
        const QByteArray datos = binario(kMega + 10);
        QVERIFY(escribirFichero(origen, datos));
        const QVariant original = contenidoIma(e, 1);
        QString error;
        // Undone with the transaction that holds it.
        QVERIFY(e.conexion->BeginTrans());
        QVERIFY2(guardar(e, 1, origen, &error), qPrintable(error));
        QVERIFY2(cargar(e, 1, dir.filePath("leido.bin"), &error), qPrintable(error));
        QCOMPARE(leerFichero(dir.filePath("leido.bin")), datos);
        QVERIFY(e.conexion->RollbackTrans());
        QCOMPARE(contenidoIma(e, 1), original);
        // A failure inside the transaction undoes only its own change.
        QVERIFY(e.conexion->BeginTrans());
        QVERIFY(e.conexion->Ejecutar("UPDATE Tex SET Tex_Des = 'Obra mayor' WHERE Tex_Id = 1"));
        QVERIFY(!guardar(e, 2, dir.filePath("no-existe.bin"), &error) && guardar(e, 2, origen, &error));
        QVERIFY(e.conexion->CommitTrans());
        // Another user's session sees both changes and may read the contents.
        conSegundaConexion(e, [&](QSqlDatabase &otra) {
            Conexion deOtro(otra);
            deOtro.setTiposColumna({{"Ima_File", TipoValor::Blob}});
            Recordset rs = deOtro.Execute("SELECT (SELECT Ima_File FROM Ima WHERE Ima_Id = 2) AS Ima_File, "
                                          "(SELECT Tex_Des FROM Tex WHERE Tex_Id = 1)");
            QCOMPARE(rs.Fields(0).toByteArray(), datos);
            QCOMPARE(rs.Fields(1).toString(), QString("Obra mayor"));
        });
    }

    // fichero is relative to a temporary folder; %1 in the mensaje is its full path.
    void fallaSinTocarNada_data() {
        columnas<bool, QString, int, QString>("guardando", "fichero", "id", "mensaje");
        QTest::newRow("origen que falta") << true << "no-existe.pdf" << 1 << "No se puede leer el fichero %1";
        QTest::newRow("fila que falta") << true << "fichero.txt" << 99 << "No existe la fila 99 de la tabla Ima";
        const QString sinEscribir = QStringLiteral("No se puede escribir el fichero %1: ");
        QTest::newRow("carpeta inexistente") << false << "no/existe/documento.txt" << 1 << sinEscribir;
        QTest::newRow("la carpeta es un fichero") << false << "fichero.txt/documento.txt" << 1 << sinEscribir;
        if (geteuid() != 0) // root writes anywhere
            QTest::newRow("carpeta de solo lectura") << false << "lectura/documento.txt" << 1 << sinEscribir;
    }
    // The column, the rows and the folders stay as they were.
    void fallaSinTocarNada() {
        const auto [guardando, fichero, id, mensaje] =
            leerFila<bool, QString, int, QString>("guardando", "fichero", "id", "mensaje");
        Entorno e;
        QTemporaryDir dir;
        QVERIFY(escribirFichero(dir.filePath("fichero.txt"), "no es una carpeta") && QDir(dir.path()).mkdir("lectura")
                && QFile::setPermissions(dir.filePath("lectura"), QFile::ReadOwner | QFile::ExeOwner));
        const QString ruta = dir.filePath(fichero);
        const QVariant original = contenidoIma(e, 1);
        QString error;
        QVERIFY(!(guardando ? guardar(e, id, ruta, &error) : cargar(e, id, ruta, &error)));
        QVERIFY2(error.contains(mensaje.arg(ruta)), qPrintable(error));
        QCOMPARE(contenidoIma(e, 1), original);
        QCOMPARE(e.cuenta("Ima"), 2);
        QVERIFY(sinTransaccionPendiente(e));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList({"fichero.txt", "lectura"}));
        QVERIFY(QDir(dir.filePath("lectura")).isEmpty());
        QFile::setPermissions(dir.filePath("lectura"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // seguir: notices answered yes before cancelling; -1 never cancels.
    void progresoYCancelar_data() {
        columnas<bool, int>("guardando", "seguir");
        QTest::newRow("guardar entero") << true << -1;
        QTest::newRow("guardar, cancelado antes de empezar") << true << 0;
        QTest::newRow("guardar, cancelado tras el primer trozo") << true << 1;
        QTest::newRow("guardar, cancelado en el ultimo aviso") << true << 3;
        QTest::newRow("cargar entero") << false << -1;
        QTest::newRow("cargar, cancelado tras el primer trozo") << false << 1;
    }
    // Progress grows in chunks up to the size; a cancelled copy leaves the column or the
    // target file as it was.
    void progresoYCancelar() {
        const auto [guardando, seguir] = leerFila<bool, int>("guardando", "seguir");
        Entorno e;
        QTemporaryDir dir;
        const qint64 tam = 2 * kMega + 5;
        const QString origen = dir.filePath("origen.bin"), destino = dir.filePath("destino.bin");
        QVERIFY(escribirFichero(origen, binario(tam)));
        QString error;
        if (!guardando)
            QVERIFY2(guardar(e, 1, origen, &error), qPrintable(error));
        QVERIFY(escribirFichero(destino, "versión anterior"));
        const QVariant original = contenidoIma(e, 1);
        QList<std::pair<qint64, qint64>> avisos;
        const auto anotar = [&](qint64 hecho, qint64 total) {
            avisos.append({hecho, total});
            return seguir < 0 || avisos.size() <= seguir;
        };
        const bool hecho = guardando ? guardar(e, 1, origen, &error, anotar) : cargar(e, 1, destino, &error, anotar);
        QVERIFY(sinTransaccionPendiente(e));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"destino.bin", "origen.bin"}));
        if (seguir >= 0) {
            QVERIFY(!hecho && !error.isEmpty());
            QCOMPARE(avisos.size(), seguir + 1);
            QCOMPARE(contenidoIma(e, 1), original);
            QCOMPARE(leerFichero(destino), QByteArray("versión anterior"));
            return;
        }
        QVERIFY2(hecho, qPrintable(error));
        QCOMPARE(guardando ? contenidoIma(e, 1).toByteArray() : leerFichero(destino), binario(tam));
        QVERIFY(avisos.size() >= 3); // in chunks, not all at once
        QCOMPARE(avisos.first().first, 0);
        QCOMPARE(avisos.last().first, tam);
        for (qsizetype i = 0; i < avisos.size(); ++i)
            QVERIFY(avisos[i].second == tam && (i == 0 || avisos[i].first > avisos[i - 1].first));
    }

    // On the server each content is a large object of its own: the one it replaces and the one
    // of a deleted row go with them, whichever office user made it.
    void sustituidoPorOtroUsuarioEnServidor() {
        if (!enServidor())
            QSKIP("solo en el servidor");
        Entorno e;
        QTemporaryDir dir;
        QVERIFY(escribirFichero(dir.filePath("a.bin"), binario(kMega + 3)));
        QVERIFY(escribirFichero(dir.filePath("b.bin"), binario(300)));
        // Asked of the server as it is, past the translation that reads a content as bytes.
        const auto numero = [&](const QString &sql) {
            QSqlQuery q(e.db);
            return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
        };
        const auto objetoDe = [&](int id) {
            return numero(QStringLiteral("SELECT CAST(Ima_File AS oid) FROM Ima WHERE Ima_Id = %1").arg(id));
        };
        const auto existe = [&](qint64 objeto) {
            return numero(QStringLiteral("SELECT count(*) FROM pg_largeobject_metadata WHERE oid = %1").arg(objeto)) == 1;
        };
        const auto objetos = [&] { return numero(QStringLiteral("SELECT count(*) FROM pg_largeobject_metadata")); };
        QString error;
        QVERIFY2(guardar(e, 1, dir.filePath("a.bin"), &error), qPrintable(error));
        const qint64 deA = objetoDe(1);
        QVERIFY(existe(deA));
        const qint64 antes = objetos();
        conSegundaConexion(e, [&](QSqlDatabase &otra) {
            Conexion deOtro(otra);
            const Resultado r = FlujoBlob::guardarFichero(&deOtro, "Ima", "Ima_File", 1, dir.filePath("b.bin"), {});
            QVERIFY2(r.ok(), qPrintable(r.mensaje()));
        });
        const qint64 deB = objetoDe(1);
        QVERIFY(deB != deA && !existe(deA) && existe(deB));
        QCOMPARE(objetos(), antes);
        QCOMPARE(contenidoIma(e, 1).toByteArray(), binario(300));
        QVERIFY(e.ejecutar("DELETE FROM Ima WHERE Ima_Id = 1") && !existe(deB));
        QCOMPARE(objetos(), antes - 1);
    }
};

QTEST_GUILESS_MAIN(TstFlujoBlob)
#include "tst_flujoblob.moc"
