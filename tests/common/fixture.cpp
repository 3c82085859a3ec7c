#include "fixture.h"

#include "basedatos.h"
#include "modexp.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
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
    QRect r;
    if (qobject_cast<QCheckBox *>(b))
        r = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, b);
    else if (qobject_cast<QRadioButton *>(b))
        r = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b);
    else
        r = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
    if (!b->icon().isNull() && !qobject_cast<QCheckBox *>(b) && !qobject_cast<QRadioButton *>(b))
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
