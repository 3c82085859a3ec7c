#include "fixture.h"

#include "basedatos.h"
#include "dialecto.h"
#include "modexp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

int DialogoGuionizado::mensaje(const QString &texto, int estilo, const QString &titulo, const QString &detalle) {
    mensajes.append({texto, estilo, titulo, detalle});
    if (!alPreguntar.isEmpty())
        alPreguntar.takeFirst()();
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
        pantalla->setResult(sinManejador);
        return sinManejador;
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
    if (std::exchange(hecho, true))
        return;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto *t = new QTranslator(QCoreApplication::instance());
    if (t->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                QStringLiteral("/usr/share/qt6/translations")))
        QCoreApplication::installTranslator(t);
}
// The test databases of one process on the server: two templates (with and without
// the demo data) built once, copied for each test case, dropped at the end. The
// schema belongs to the office's group role; the sessions log in as its members.
namespace servidor {
const QString kOficina = QStringLiteral("vmexp_oficina");
const QStringList kUsuarios = {QStringLiteral("vmexp_usuario1"), QStringLiteral("vmexp_usuario2")};
const QString kClave = QStringLiteral("vmexp-pruebas");
const QString kAdmin = QStringLiteral("vmexp_admin");
QStringList g_plantillas;

QString prefijo() { return QStringLiteral("vmexp_p%1_").arg(QCoreApplication::applicationPid()); }

void ejecutar(QSqlDatabase &db, const QString &sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

void borrarPlantillas() {
    for (const QString &p : std::as_const(g_plantillas))
        QSqlQuery(QSqlDatabase::database(kAdmin)).exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(p));
    QSqlDatabase::database(kAdmin).close();
    QSqlDatabase::removeDatabase(kAdmin);
}

// The superuser's connection (the one PG* variables give), opened once.
QSqlDatabase admin() {
    if (QSqlDatabase::contains(kAdmin))
        return QSqlDatabase::database(kAdmin);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdmin);
    db.setDatabaseName(QStringLiteral("postgres"));
    if (!db.open() && qEnvironmentVariableIsEmpty("PGHOST")) {
        // No server named: CTest reports the suite as skipped.
        fprintf(stderr, "Sin servidor PostgreSQL (PGHOST): no se ejecutan las pruebas en el servidor\n");
        std::exit(77);
    }
    if (!db.isOpen())
        qFatal("No se puede conectar con el servidor PostgreSQL de pruebas: %s", qPrintable(db.lastError().text()));
    // Roles belong to the whole cluster: another test process may be making them too.
    QStringList roles = {QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(kOficina)};
    for (const QString &u : kUsuarios)
        roles << QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE %3").arg(u, kClave, kOficina);
    for (const QString &r : std::as_const(roles))
        ejecutar(db, QStringLiteral("DO $$ BEGIN %1; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$").arg(r));
    qAddPostRoutine(borrarPlantillas);
    return db;
}

QString plantilla(bool demo) {
    const QString nombre = prefijo() + (demo ? QStringLiteral("demo") : QStringLiteral("vacia"));
    if (g_plantillas.contains(nombre))
        return nombre;
    QSqlDatabase a = admin();
    // Spanish order and Unicode letter case from ICU, whatever the server's own locale.
    ejecutar(a, QStringLiteral("CREATE DATABASE %1 OWNER %2 TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C.UTF-8' "
                               "LOCALE_PROVIDER icu ICU_LOCALE 'es-ES'").arg(nombre, kOficina));
    g_plantillas << nombre;
    const QString conexion = QStringLiteral("plantilla");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), conexion);
        db.setDatabaseName(nombre);
        if (!db.open())
            qFatal("%s", qPrintable(db.lastError().text()));
        ejecutar(db, QStringLiteral("SET ROLE ") + kOficina);
        QString error;
        if (!BaseDatos::crearEnServidor(db, demo, &error))
            qFatal("%s", qPrintable(error));
        db.close();
    }
    QSqlDatabase::removeDatabase(conexion);
    return nombre;
}

int g_bases = 0;

QString crearBase(bool demo) {
    const QString origen = plantilla(demo);
    const QString nombre = prefijo() + QString::number(++g_bases);
    QSqlDatabase a = admin();
    ejecutar(a, QStringLiteral("CREATE DATABASE %1 TEMPLATE %2 OWNER %3").arg(nombre, origen, kOficina));
    return nombre;
}

QSqlDatabase abrir(const QString &base, int usuario, const QString &nombre) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nombre);
    db.setDatabaseName(base);
    db.setUserName(kUsuarios.value(usuario));
    db.setPassword(kClave); // kept: the text extractor clones the connection
    db.open();
    return db;
}
} // namespace servidor
} // namespace

bool enServidor() { return qgetenv("VMEXP_PRUEBAS_BD") == "postgres"; }

QString inicioGuardado() {
    return DialectoSql::paraDriver(enServidor() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"))->inicioEscritura();
}

Entorno::Entorno(int idUsuario, bool demo) {
    prepararIdioma();
    QString error;
    const QString nombre = QStringLiteral("prueba%1").arg(++g_conexiones);
    if (enServidor()) {
        baseServidor = servidor::crearBase(demo);
        db = servidor::abrir(baseServidor, 0, nombre);
        error = db.lastError().text();
    } else {
        if (!BaseDatos::crear(carpetaDatos(), demo, &error))
            qFatal("%s", qPrintable(error));
        db = BaseDatos::abrir(carpetaDatos(), nombre, &error);
        // Test databases are thrown away: no need to wait for the disk.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=OFF"));
    }
    if (!db.isOpen())
        qFatal("%s", qPrintable(error));
    conexion = std::make_unique<Conexion>(db);
    QObject::connect(conexion.get(), &Conexion::sentencia, [this](const QString &s) { sentencias << s; });
    bd = std::make_shared<MyBd>(conexion.get(), idUsuario);
    VMEXPE::setCarpetaLibreria(carpeta.path());
    expe = VMEXPE::crear();
    expe->setMyBd(bd);
    DialogService::instalar(&dialogos);
    DialogService::alMostrarEnTransaccion([](const QString &texto) {
        QTest::qFail(qPrintable(QStringLiteral("Mensaje con una transacción abierta: ") + texto), __FILE__, __LINE__);
    });
}

Entorno::~Entorno() {
    DialogService::instalar(nullptr);
    DialogService::alMostrarEnTransaccion(nullptr);
    if (gExpe == expe)
        gExpe.reset();
    expe.reset();
    bd.reset();
    conexion.reset();
    const QString nombre = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(nombre);
    if (!baseServidor.isEmpty()) {
        QSqlDatabase admin = servidor::admin();
        QSqlQuery(admin).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(baseServidor));
    }
}

QVariant Entorno::valor(const QString &sql) {
    QSqlQuery q(db);
    if (!q.exec(conexion->traducir(sql)) || !q.next())
        return {};
    return conexion->valorLeido(q.record().fieldName(0), q.value(0));
}

int Entorno::cuenta(const QString &sqlWhere) { return valor(QStringLiteral("SELECT count(*) FROM ") + sqlWhere).toInt(); }

bool Entorno::ejecutar(const QString &sql) { return QSqlQuery(db).exec(conexion->traducir(sql)); }

void Entorno::campos(const QString &tabla, const QList<std::tuple<QString, short, QVariant>> &campos) {
    bd->LimpiarCampos(0);
    bd->setTabla(tabla);
    for (const auto &[nombre, tipo, valor] : campos)
        bd->Campos().Add(nombre, tipo, valor);
}

qint64 Entorno::largoContenido(const QString &donde) {
    const QString largo = baseServidor.isEmpty() ? QStringLiteral("length(Ima_File)")
                                                 : QStringLiteral("octet_length(lo_get(Ima_File))");
    return valor(QStringLiteral("SELECT %1 FROM Ima WHERE %2").arg(largo, donde)).toLongLong();
}

bool Entorno::rechazar(const QString &tabla, const QString &operacion, const QString &mensaje) {
    const QString nombre = QStringLiteral("rechazo_%1_%2").arg(tabla, operacion).toLower();
    if (mensaje.isEmpty())
        return ejecutar(QStringLiteral("DROP TRIGGER %1%2").arg(nombre, baseServidor.isEmpty() ? QString() : QStringLiteral(" ON ") + tabla));
    if (baseServidor.isEmpty())
        return ejecutar(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 BEGIN SELECT RAISE(ABORT, '%4'); END")
                            .arg(nombre, operacion, tabla, mensaje));
    return ejecutar(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                                   "$$ BEGIN RAISE EXCEPTION '%4'; END $$")
                        .arg(nombre, mensaje))
        && ejecutar(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()")
                        .arg(nombre, operacion, tabla));
}

void conSegundaConexion(const Entorno &e, const std::function<void(QSqlDatabase &)> &usar) {
    const QString nombre = QStringLiteral("segunda");
    {
        QSqlDatabase db = abrirConexion(e.carpetaDatos(), e.baseServidor, 1, nombre);
        usar(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
}

QSqlDatabase abrirConexion(const QString &datos, const QString &base, int usuario, const QString &nombre) {
    return base.isEmpty() ? BaseDatos::abrir(datos, nombre) : servidor::abrir(base, usuario, nombre);
}

namespace {
// Width and height a text needs, line by line, without its mnemonic marker.
QSize tamanoTexto(const QFontMetrics &fm, QString texto) {
    texto.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    int ancho = 0;
    const QStringList lineas = texto.split(u'\n');
    for (const QString &l : lineas)
        ancho = std::max(ancho, fm.horizontalAdvance(l));
    return {ancho, int(lineas.size()) * fm.height()};
}

bool cabe(const QSize &texto, const QRect &sitio) {
    return texto.width() <= sitio.width() && texto.height() <= sitio.height() + 2;
}

// The room the style leaves a button's caption.
QRect sitioDelTexto(QAbstractButton *b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    const bool casilla = qobject_cast<QCheckBox *>(b), radio = qobject_cast<QRadioButton *>(b);
    QRect r = b->style()->subElementRect(casilla ? QStyle::SE_CheckBoxContents
                                         : radio ? QStyle::SE_RadioButtonContents
                                                 : QStyle::SE_PushButtonContents,
                                         &opt, b);
    if (!b->icon().isNull() && !casilla && !radio)
        r.adjust(b->iconSize().width() + 4, 0, 0, 0);
    return r;
}

void celdasCortadas(QAbstractItemView *v, QHeaderView *cabecera, QStringList &cortados, int sangria = 0) {
    QAbstractItemModel *m = v->model();
    if (!m)
        return;
    const QString nombre = v->objectName();
    for (int c = 0; c < m->columnCount(); ++c) {
        if (cabecera->isSectionHidden(c))
            continue;
        const int ancho = cabecera->sectionSize(c) - (c == 0 ? sangria : 0);
        if (!cabecera->isHidden() && cabecera->sectionSizeHint(c) > ancho)
            cortados << nombre + QStringLiteral(" caption: ") + m->headerData(c, Qt::Horizontal).toString();
        for (int f = 0; f < std::min(m->rowCount(), 200); ++f) {
            const QModelIndex i = m->index(f, c);
            if (v->sizeHintForIndex(i).width() > ancho)
                cortados << nombre + QStringLiteral(": ") + i.data().toString();
        }
    }
}
} // namespace

QStringList textosCortados(QWidget *pantalla) {
    QStringList cortados;
    const auto visibles = [pantalla](auto *w) { return w->isVisibleTo(pantalla) && !w->size().isEmpty(); };
    for (QLabel *l : pantalla->findChildren<QLabel *>()) {
        if (!visibles(l) || l->text().isEmpty() || l->textFormat() == Qt::RichText)
            continue;
        const QRect sitio = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        const QSize necesita = l->wordWrap()
                                   ? l->fontMetrics().boundingRect(sitio, Qt::TextWordWrap, l->text()).size()
                                   : tamanoTexto(l->fontMetrics(), l->text());
        if (!cabe(necesita, sitio))
            cortados << l->objectName() + QStringLiteral(": ") + l->text();
    }
    for (QAbstractButton *b : pantalla->findChildren<QAbstractButton *>()) {
        if (!visibles(b) || b->text().isEmpty())
            continue;
        // A tool button's own size hint already holds its icon, caption and margins.
        const bool cortado = qobject_cast<QToolButton *>(b)
                                 ? b->sizeHint().height() > b->height() || b->sizeHint().width() > b->width()
                                 : !cabe(tamanoTexto(b->fontMetrics(), b->text()), sitioDelTexto(b));
        if (cortado)
            cortados << b->objectName() + QStringLiteral(": ") + b->text();
    }
    for (QTableView *t : pantalla->findChildren<QTableView *>())
        if (visibles(t))
            celdasCortadas(t, t->horizontalHeader(), cortados);
    for (QTreeView *t : pantalla->findChildren<QTreeView *>())
        if (visibles(t))
            celdasCortadas(t, t->header(), cortados, t->rootIsDecorated() ? t->indentation() : 0);
    return cortados;
}

QByteArray leerFichero(const QString &ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool escribirFichero(const QString &ruta, const QByteArray &datos) {
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(datos) == datos.size();
}

void pulsar(const QObject *pantalla, const QString &boton) {
    QTest::mouseClick(control<QAbstractButton>(pantalla, boton), Qt::LeftButton);
}

bool mostrar(QWidget *pantalla) {
    pantalla->show();
    pantalla->activateWindow();
    return QTest::qWaitForWindowActive(pantalla);
}

void escribirYSalir(QLineEdit *campo, const QString &texto) {
    campo->setFocus(Qt::MouseFocusReason);
    campo->clear();
    QTest::keyClicks(campo, texto);
    QTest::keyClick(campo, Qt::Key_Return);
}

QList<int> expedientes(const QAbstractItemModel *m) {
    QList<int> ids;
    for (int fila = 0; m && fila < m->rowCount(); ++fila)
        ids << m->index(fila, 1).data().toInt();
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool elegirDelMenu(QWidget *w, const QString &entrada) {
    w->setFocus();
    bool elegida = false;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction *accion = nullptr;
        for (QAction *a : menu->actions())
            if (a->text() == entrada && a->isEnabled())
                accion = a;
        menu->close();
        if (accion) {
            elegida = true;
            accion->trigger();
        }
    });
    QContextMenuEvent tecla(QContextMenuEvent::Keyboard, w->rect().center());
    QApplication::sendEvent(w, &tecla);
    return elegida;
}
