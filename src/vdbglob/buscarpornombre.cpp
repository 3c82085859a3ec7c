#include "buscarpornombre.h"

#include "basedatos.h"
#include "conexion.h"
#include "dialecto.h"
#include "registro.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

// ---------------------------------------------------------------- ModeloBusqueda

ModeloBusqueda::ModeloBusqueda(Conexion *conexion, QObject *parent) : QIdentityProxyModel(parent), m_conexion(conexion) {}

ModeloBusqueda::~ModeloBusqueda() = default;

bool ModeloBusqueda::abrir(const QString &sql, const QString &columnaBusqueda) {
    if (!m_conexion) {
        m_error = QStringLiteral("No hay conexión con la base de datos");
        return false;
    }
    m_sql = sql;
    mostrar(sql);
    if (!m_filas->ok())
        return false;
    const QSqlRecord registro = m_filas->record();
    m_columnas.clear();
    for (int i = 0; i < registro.count(); ++i)
        m_columnas << registro.fieldName(i);
    m_columnaBusqueda = int(m_columnas.size()) - 1;
    for (int i = 0; i < m_columnas.size(); ++i)
        if (m_columnas[i].compare(columnaBusqueda.trimmed(), Qt::CaseInsensitive) == 0)
            m_columnaBusqueda = i;
    return true;
}

void ModeloBusqueda::setFiltro(const QString &texto) {
    const QStringList palabras = BaseDatos::plegar(texto).simplified().split(u' ', Qt::SkipEmptyParts);
    if (palabras == m_palabras || m_columnaBusqueda < 0)
        return;
    m_palabras = palabras;
    mostrar(palabras.isEmpty() ? m_sql
                               : m_conexion->dialecto().estrechar(m_conexion->db(), m_sql, m_columnas,
                                                                   m_columnaBusqueda, palabras));
    if (!m_filas->ok())
        qCWarning(lcSentencias).noquote() << "no se pudo estrechar la búsqueda:" << m_filas->resultado().causa();
}

// A new page reader in place of the old one; the old one goes once the view has let go.
// The first page is a screenful: a narrowed list walked in its order stops there.
void ModeloBusqueda::mostrar(const QString &sql) {
    constexpr int kPantalla = 64;
    auto nuevas = std::make_unique<RecordsetModel>(m_conexion, sql, kPantalla);
    setSourceModel(nuevas.get());
    m_filas = std::move(nuevas);
}

QString ModeloBusqueda::error() const {
    if (!m_error.isEmpty() || !m_filas)
        return m_error;
    return m_filas->resultado().mensaje();
}

QVector<QVariant> ModeloBusqueda::fila(int filaVisible) const {
    if (!m_filas || filaVisible < 0 || filaVisible >= m_filas->rowCount())
        return {};
    const QSqlRecord r = m_filas->record(filaVisible);
    QVector<QVariant> valores(r.count());
    for (int i = 0; i < r.count(); ++i)
        valores[i] = r.value(i);
    return valores;
}

QVariant ModeloBusqueda::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::EditRole) && m_cabeceras.contains(section))
        return m_cabeceras.value(section);
    return QIdentityProxyModel::headerData(section, orientation, role);
}

bool ModeloBusqueda::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0
        || section >= columnCount())
        return false;
    m_cabeceras.insert(section, value);
    emit headerDataChanged(orientation, section, section);
    return true;
}

// ---------------------------------------------------------------- frmBuscarPorNombre

namespace {
constexpr int kTwipsPorPixel = 15;
}

frmBuscarPorNombre::frmBuscarPorNombre(Conexion *conexion, const QString &sql, const QString &columnaBusqueda,
                                       const QString &captionCodigo, const QString &captionNombre,
                                       const QString &titulo, int anchoCodigo, int anchoNombre, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmBuscarPorNombre"));
    setWindowTitle(titulo);

    auto *etiqueta = new QLabel(QStringLiteral("Buscar:"), this);
    txtBuscar = new QLineEdit(this);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    etiqueta->setBuddy(txtBuscar);

    m_modelo = new ModeloBusqueda(conexion, this);
    grdResultados = new QTableView(this);
    grdResultados->setObjectName(QStringLiteral("grdResultados"));
    grdResultados->setModel(m_modelo);
    grdResultados->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdResultados->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdResultados->setSelectionMode(QAbstractItemView::SingleSelection);
    grdResultados->setAlternatingRowColors(true);
    grdResultados->verticalHeader()->hide();
    grdResultados->horizontalHeader()->setStretchLastSection(true);

    auto *cmdAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    auto *cmdCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    // Enter is handled by the search box and the grid; no button takes it over.
    for (auto *b : {cmdAceptar, cmdCancelar}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto *busqueda = new QHBoxLayout;
    busqueda->addWidget(etiqueta);
    busqueda->addWidget(txtBuscar);
    auto *botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdAceptar);
    botones->addWidget(cmdCancelar);
    auto *principal = new QVBoxLayout(this);
    principal->addLayout(busqueda);
    principal->addWidget(grdResultados);
    principal->addLayout(botones);

    connect(txtBuscar, &QLineEdit::textChanged, this, &frmBuscarPorNombre::txtBuscar_Change);
    connect(grdResultados, &QAbstractItemView::doubleClicked, this, &frmBuscarPorNombre::grdResultados_DblClick);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmBuscarPorNombre::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
    txtBuscar->installEventFilter(this);
    grdResultados->installEventFilter(this);

    if (!m_modelo->abrir(sql, columnaBusqueda))
        return;

    // The first column is the row's id when there are three or more: the user sees
    // code and name, the caller gets the id too.
    const int columnaCodigo = m_modelo->columnCount() >= 3 ? 1 : 0;
    if (columnaCodigo == 1)
        grdResultados->setColumnHidden(0, true);
    const struct {
        int columna;
        QString caption;
        int twips;
    } visibles[] = {{columnaCodigo, captionCodigo, anchoCodigo}, {columnaCodigo + 1, captionNombre, anchoNombre}};
    int ancho = 0;
    for (const auto &v : visibles) {
        if (v.columna >= m_modelo->columnCount())
            continue;
        m_modelo->setHeaderData(v.columna, Qt::Horizontal, v.caption);
        if (v.twips > 0)
            grdResultados->setColumnWidth(v.columna, v.twips / kTwipsPorPixel);
        ancho += grdResultados->columnWidth(v.columna);
    }
    resize(std::max(ancho + 60, 300), 420);
    irAPrimeraFila();
    txtBuscar->setFocus();
}

QString frmBuscarPorNombre::textoValor(const QVariant &v) {
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    default:
        return v.isNull() ? QString() : v.toString();
    }
}

void frmBuscarPorNombre::irAPrimeraFila() {
    if (m_modelo->rowCount() == 0)
        return;
    const int columna = grdResultados->isColumnHidden(0) && m_modelo->columnCount() > 1 ? 1 : 0;
    grdResultados->setCurrentIndex(m_modelo->index(0, columna));
}

void frmBuscarPorNombre::txtBuscar_Change() {
    m_modelo->setFiltro(txtBuscar->text());
    irAPrimeraFila();
}

void frmBuscarPorNombre::grdResultados_DblClick(const QModelIndex &index) {
    if (!index.isValid())
        return;
    grdResultados->setCurrentIndex(index);
    cmdAceptar_Click();
}

void frmBuscarPorNombre::cmdAceptar_Click() {
    const QModelIndex actual = grdResultados->currentIndex();
    // Nothing left to choose: the dialog stays open for another search or Escape.
    if (!actual.isValid())
        return;
    QStringList partes;
    for (const QVariant &v : m_modelo->fila(actual.row()))
        partes << textoValor(v);
    m_resultado = partes.join(QChar(1));
    accept();
}

bool frmBuscarPorNombre::eventFilter(QObject *objeto, QEvent *evento) {
    if (evento->type() != QEvent::KeyPress || (objeto != txtBuscar && objeto != grdResultados))
        return QDialog::eventFilter(objeto, evento);
    auto *tecla = static_cast<QKeyEvent *>(evento);
    switch (tecla->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        cmdAceptar_Click();
        return true;
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The arrows move through the results while the user keeps typing.
        if (objeto == txtBuscar) {
            QKeyEvent copia(tecla->type(), tecla->key(), tecla->modifiers(), tecla->text());
            QCoreApplication::sendEvent(grdResultados, &copia);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(objeto, evento);
}
