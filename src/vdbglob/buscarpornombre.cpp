#include "buscarpornombre.h"

#include "conexion.h"

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
#include <numeric>

// ---------------------------------------------------------------- ModeloBusqueda

ModeloBusqueda::ModeloBusqueda(QObject *parent) : QAbstractTableModel(parent) {}

QString ModeloBusqueda::plegar(const QString &texto) {
    const bool ascii = std::all_of(texto.begin(), texto.end(), [](QChar c) { return c.unicode() < 128; });
    if (ascii)
        return texto.toLower();
    // Decompose and drop the combining marks: "ñ" is "n" plus a tilde.
    const QString descompuesto = texto.normalized(QString::NormalizationForm_D);
    QString r;
    r.reserve(descompuesto.size());
    for (QChar c : descompuesto)
        if (c.category() != QChar::Mark_NonSpacing)
            r.append(c);
    return r.toCaseFolded();
}

void ModeloBusqueda::cargar(const QStringList &columnas, QVector<QVector<QVariant>> filas, int columnaBusqueda) {
    beginResetModel();
    m_cabeceras = columnas;
    m_filas = std::move(filas);
    m_claves.clear();
    m_claves.reserve(m_filas.size());
    for (const auto &f : std::as_const(m_filas))
        m_claves.append(columnaBusqueda >= 0 && columnaBusqueda < f.size()
                            ? plegar(f[columnaBusqueda].toString())
                            : QString());
    m_visibles.resize(m_filas.size());
    std::iota(m_visibles.begin(), m_visibles.end(), 0);
    m_filtro.clear();
    endResetModel();
}

void ModeloBusqueda::setFiltro(const QString &texto) {
    const QString filtro = plegar(texto).simplified();
    if (filtro == m_filtro)
        return;
    const QStringList palabras = filtro.split(u' ', Qt::SkipEmptyParts);
    const auto pasa = [&](int i) {
        const QString &clave = m_claves[i];
        return std::all_of(palabras.begin(), palabras.end(), [&](const QString &p) { return clave.contains(p); });
    };
    // Typing on only narrows what is shown, so only the shown rows need a look.
    QVector<int> visibles;
    if (!m_filtro.isEmpty() && filtro.startsWith(m_filtro)) {
        for (int i : std::as_const(m_visibles))
            if (pasa(i))
                visibles.append(i);
    } else {
        visibles.reserve(m_filas.size());
        for (int i = 0; i < m_filas.size(); ++i)
            if (pasa(i))
                visibles.append(i);
    }
    beginResetModel();
    m_visibles = std::move(visibles);
    m_filtro = filtro;
    endResetModel();
}

QVector<QVariant> ModeloBusqueda::fila(int filaVisible) const {
    if (filaVisible < 0 || filaVisible >= m_visibles.size())
        return {};
    return m_filas[m_visibles[filaVisible]];
}

int ModeloBusqueda::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_visibles.size());
}

int ModeloBusqueda::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_cabeceras.size());
}

QVariant ModeloBusqueda::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    const auto &f = m_filas[m_visibles[index.row()]];
    return index.column() < f.size() ? f[index.column()] : QVariant();
}

QVariant ModeloBusqueda::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_cabeceras.size())
        return m_cabeceras[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ModeloBusqueda::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0
        || section >= m_cabeceras.size())
        return false;
    m_cabeceras[section] = value.toString();
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

    m_modelo = new ModeloBusqueda(this);
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

    if (!cargar(conexion, sql, columnaBusqueda))
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

bool frmBuscarPorNombre::cargar(Conexion *conexion, const QString &sql, const QString &columnaBusqueda) {
    if (!conexion) {
        m_error = QStringLiteral("No hay conexión con la base de datos");
        return false;
    }
    // Read once, forward only: the dialog filters in memory from here on.
    QSqlQuery q(conexion->db());
    q.setForwardOnly(true);
    if (!conexion->preparar(q, sql) || !q.exec()) {
        m_error = Conexion::fallo(q.lastError()).mensaje();
        return false;
    }
    const QSqlRecord registro = q.record();
    QStringList columnas;
    for (int i = 0; i < registro.count(); ++i)
        columnas << registro.fieldName(i);
    // An unknown search column falls back on the name column, the last one.
    int busqueda = int(columnas.size()) - 1;
    for (int i = 0; i < columnas.size(); ++i)
        if (columnas[i].compare(columnaBusqueda.trimmed(), Qt::CaseInsensitive) == 0)
            busqueda = i;

    QVector<QVector<QVariant>> filas;
    while (q.next()) {
        QVector<QVariant> f(columnas.size());
        for (int i = 0; i < columnas.size(); ++i)
            f[i] = conexion->valorLeido(columnas[i], q.value(i));
        filas.append(std::move(f));
    }
    m_modelo->cargar(columnas, std::move(filas), busqueda);
    return true;
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
