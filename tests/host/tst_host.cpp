// The demo host and its database files: it builds them on a first run or when asked,
// and never replaces one that is there.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray huella(const QString &ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1) : QByteArray();
}
} // namespace

class TstHost : public QObject {
    Q_OBJECT
private slots:
    void ficherosDeLaBaseDeDatos_data() {
        QTest::addColumn<QStringList>("presentes"); // files there before, with data of their own
        QTest::addColumn<bool>("recrear");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("aviso"); // in what the host says on error
        QTest::newRow("primera vez") << QStringList() << false << 0 << "";
        QTest::newRow("falta empresa.db") << QStringList{"vmcomun.db"} << false << 1 << "Falta el fichero empresa.db";
        QTest::newRow("falta vmcomun.db") << QStringList{"empresa.db"} << false << 1 << "Falta el fichero vmcomun.db";
        QTest::newRow("falta uno, con --recrear") << QStringList{"empresa.db"} << true << 0 << "";
    }
    void ficherosDeLaBaseDeDatos() {
        QFETCH(QStringList, presentes);
        QFETCH(bool, recrear);
        QFETCH(int, salida);
        QFETCH(QString, aviso);
        QTemporaryDir dir;
        const QString datos = dir.filePath("datos");
        QVERIFY(QDir().mkpath(datos));
        QHash<QString, QByteArray> antes;
        for (const QString &f : presentes) {
            QFile fichero(datos + u'/' + f);
            QVERIFY(fichero.open(QIODevice::WriteOnly));
            fichero.write("datos reales de " + f.toUtf8());
            fichero.close();
            antes.insert(f, huella(fichero.fileName()));
        }
        QStringList argumentos{"--datos", datos, "--screenshots", dir.filePath("capturas")};
        if (recrear)
            argumentos << "--recrear";
        QProcess host;
        host.start(QStringLiteral(EXPEDIENTES), argumentos);
        QVERIFY(host.waitForFinished(120000));
        const QString errores = QString::fromUtf8(host.readAllStandardError());
        QCOMPARE(host.exitCode(), salida);
        QVERIFY2(errores.contains(aviso), qPrintable(errores));
        for (const char *f : {"empresa.db", "vmcomun.db"}) {
            const QString ruta = datos + u'/' + QLatin1String(f);
            if (salida != 0) // nothing touched, nothing made
                QCOMPARE(huella(ruta), antes.value(QLatin1String(f)));
            else
                QVERIFY2(QFile::exists(ruta) && huella(ruta) != antes.value(QLatin1String(f)), f);
        }
    }
};

QTEST_MAIN(TstHost)
#include "tst_host.moc"
