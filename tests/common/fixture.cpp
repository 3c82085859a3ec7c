#include "fixture.h"

#include "basedatos.h"
#include "modexp.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTranslator>
#include <QtTest>

int DialogoGuionizado::mensaje(const QString &texto, int estilo, const QString &titulo) {
    mensajes.append({texto, estilo, titulo});
    if (!respuestas.isEmpty())
        return respuestas.takeFirst();
    switch (estilo & 7) {
    case vb::vbYesNo:
    case vb::vbYesNoCancel: return vb::vbYes;
    case vb::vbRetryCancel: return vb::vbRetry;
    case vb::vbAbortRetryIgnore: return vb::vbAbort;
    default: return vb::vbOK;
    }
}

QString DialogoGuionizado::pedirTexto(const QString &pregunta, const QString &, const QString &) {
    preguntas << pregunta;
    return respuestasTexto.isEmpty() ? QString() : respuestasTexto.takeFirst();
}

RespuestaFichero DialogoGuionizado::pedirFichero(const PeticionFichero &peticion) {
    peticiones << peticion;
    return respuestasFichero.isEmpty() ? RespuestaFichero{} : respuestasFichero.takeFirst();
}

int DialogoGuionizado::abrirModal(QDialog *pantalla) {
    modales << (pantalla->objectName().isEmpty() ? QString::fromLatin1(pantalla->metaObject()->className())
                                                 : pantalla->objectName());
    if (manejadores.isEmpty()) {
        pantalla->setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    auto manejador = manejadores.takeFirst();
    pantalla->setResult(QDialog::Rejected);
    pantalla->show();
    QCoreApplication::processEvents();
    manejador(pantalla);
    pantalla->hide();
    return pantalla->result();
}

int DialogoGuionizado::abrirConEscritorio(const QString &ruta) {
    abiertosEscritorio << ruta;
    return codigosEscritorio.isEmpty() ? codigoEscritorio : codigosEscritorio.takeFirst();
}

namespace {
int g_conexiones = 0;

// Spanish locale and Qt's Spanish texts, as the host sets them.
void prepararIdioma() {
    static bool hecho = false;
    if (hecho)
        return;
    hecho = true;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto *t = new QTranslator(QCoreApplication::instance());
    if (t->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                QStringLiteral("/usr/share/qt6/translations")))
        QCoreApplication::installTranslator(t);
}
} // namespace

Entorno::Entorno(int idUsuario, bool demo) {
    prepararIdioma();
    QString error;
    if (!BaseDatos::crear(carpetaDatos(), demo, &error))
        qFatal("%s", qPrintable(error));
    db = BaseDatos::abrir(carpetaDatos(), QStringLiteral("prueba%1").arg(++g_conexiones), &error);
    if (!db.isOpen())
        qFatal("%s", qPrintable(error));
    // Test databases are thrown away: no need to wait for the disk.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=OFF"));
    conexion = std::make_unique<Conexion>(db);
    QObject::connect(conexion.get(), &Conexion::sentencia, [this](const QString &s) { sentencias << s; });
    bd = std::make_shared<MyBd>(conexion.get(), idUsuario);
    VMEXPE::setCarpetaLibreria(carpeta.path());
    expe = VMEXPE::crear();
    expe->setMyBd(bd);
    DialogService::instalar(&dialogos);
}

Entorno::~Entorno() {
    DialogService::instalar(nullptr);
    if (gExpe == expe)
        gExpe.reset();
    expe.reset();
    bd.reset();
    conexion.reset();
    const QString nombre = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(nombre);
}

QVariant Entorno::valor(const QString &sql) {
    QSqlQuery q(db);
    if (!q.exec(conexion->traducir(sql)) || !q.next())
        return {};
    return conexion->valorLeido(q.record().fieldName(0), q.value(0));
}

int Entorno::cuenta(const QString &sqlWhere) { return valor(QStringLiteral("SELECT count(*) FROM ") + sqlWhere).toInt(); }

bool Entorno::ejecutar(const QString &sql) {
    QSqlQuery q(db);
    return q.exec(conexion->traducir(sql));
}

QSqlDatabase abrirSegundaConexion(const Entorno &e, const QString &nombre) {
    return BaseDatos::abrir(e.carpetaDatos(), nombre);
}
