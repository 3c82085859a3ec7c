#include "frmexpedientes.h"

#include "csubclass.h"
#include "ui_frmExpedientes.h"

#include "conexion.h"
#include "cutilidades.h"
#include "datosbusqueda.h"
#include "dialogos.h"
#include "exportacsv.h"
#include "modexp.h"
#include "numeros.h"
#include "pantallas.h"
#include "vmexpe.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>

REGISTRAR_PANTALLA(frmExpedientes);

// ---------------------------------------------------------------- DelegadoRejilla

DelegadoRejilla::DelegadoRejilla(QAbstractItemView *vista) : QStyledItemDelegate(vista), m_vista(vista) {}

QString DelegadoRejilla::formatearEntero(qlonglong n) {
    // Qt leaves four-digit numbers ungrouped under Spanish; "#,###,##0" groups them all.
    return CUtilidades::formatearImporte(QString::number(n), 0);
}

QRect DelegadoRejilla::rectBoton(const QRect &celda) {
    const int ancho = qMin(18, celda.width() / 2);
    return QRect(celda.right() - ancho + 1, celda.top(), ancho, celda.height());
}

bool DelegadoRejilla::tieneBoton(const QModelIndex &index) const {
    return index.isValid() && index.column() == m_columnaBoton && m_vista->currentIndex().row() == index.row();
}

QString DelegadoRejilla::textoDe(int columna, const QVariant &valor) const {
    if (m_numeros.contains(columna)) {
        bool ok = false;
        const qlonglong n = valor.toLongLong(&ok);
        if (ok && valor.isValid())
            return formatearEntero(n);
    } else if (m_fechas.contains(columna)) {
        return textoFecha(valor.metaType().id() == QMetaType::QDateTime ? valor.toDateTime().date() : valor.toDate());
    }
    if (!valor.isValid() || valor.isNull())
        return {};
    // The view's line separator is a line break to whoever reads the text elsewhere.
    return displayText(valor, QLocale()).replace(QChar::LineSeparator, u'\n');
}

void DelegadoRejilla::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const int columna = index.column();
    if (m_numeros.contains(columna) || m_fechas.contains(columna))
        option->text = textoDe(columna, index.data(Qt::DisplayRole));
    if (m_numeros.contains(columna))
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
}

QString DelegadoRejilla::textoMostrado(const QModelIndex &index) const {
    QStyleOptionViewItem opcion;
    initStyleOption(&opcion, index);
    return opcion.text;
}

void DelegadoRejilla::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
    if (!tieneBoton(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QRect boton = rectBoton(option.rect);
    QStyleOptionViewItem celda = option;
    celda.rect.setRight(boton.left() - 1);
    QStyledItemDelegate::paint(painter, celda, index);

    QStyleOptionButton opcion;
    opcion.rect = boton;
    opcion.text = QStringLiteral("…");
    opcion.state = QStyle::State_Enabled | QStyle::State_Raised;
    const QWidget *widget = option.widget;
    QStyle *estilo = widget ? widget->style() : QApplication::style();
    estilo->drawControl(QStyle::CE_PushButton, &opcion, painter, widget);
}

bool DelegadoRejilla::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) {
    if (event->type() == QEvent::MouseButtonRelease && tieneBoton(index)) {
        auto *raton = static_cast<QMouseEvent *>(event);
        if (raton->button() == Qt::LeftButton && rectBoton(option.rect).contains(raton->position().toPoint())) {
            emit botonPulsado(index);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

// ---------------------------------------------------------------- frmExpedientes

// What differs between choosing a customer and choosing a provider.
struct frmExpedientes::Contraparte {
    short origen;
    int campoCodigo;
    int campoNombre;
    const char *tituloFiscal;
    const char *tituloComercial;
    const char *captionNombre;
    const char *mensajeNoExiste;
    bool devolverFoco; // after the message, back to the code field
};

namespace {
QString u8(const char *texto) { return QString::fromUtf8(texto); }

struct ColumnaRejilla {
    const char *caption;
    int anchoTwips;
};
// Columns in the order the statement yields them; column 0's caption depends on the origin.
constexpr ColumnaRejilla kColumnas[] = {
    {"", 2800},           {"Expediente", 1200},    {"F.Inicio", 1000},
    {"F.Fin", 1000},      {"Descripción", 3500},   {"Observaciones", 2500},
    {"Ubicación en Archivo", 2000},
};
constexpr int kColumnaExpediente = 1;
constexpr int kColumnaIdCli = 7;
} // namespace

const frmExpedientes::Contraparte frmExpedientes::kSeleccionCliente{
    kClientes, 0, 1,
    "Buscar clientes por nombre Fiscal",
    "Buscar clientes por nombre Comercial",
    "Cliente",
    "Codigo de cliente no existe",
    true,
};

const frmExpedientes::Contraparte frmExpedientes::kSeleccionProveedor{
    kProveedores, 6, 7,
    "Buscar Proveedores por nombre Fiscal",
    "Buscar Proveedores por nombre Comercial",
    "Proveedor",
    "Codigo de proveedor inexistente",
    false,
};

frmExpedientes::frmExpedientes(QWidget *parent)
    : Formulario(parent), ui(new Ui::frmExpedientes), m_datos(std::make_unique<DatosBusqueda>(sesionBd())) {
    // The server reads while the widgets are built. The search is what the empty
    // customers' tab shows; one that differs is read when asked, as any other.
    const FinAdelanto finAdelanto{sesionConexion()};
    FiltroBusqueda inicial;
    inicial.idContraparte = gExpe->IdCliente();
    m_datos->adelantarCarga(inicial);
    ui->setupUi(this);
    setObjectName(QStringLiteral("frmExpedientes"));
    // The painter sits over the tab strip; this screen gives it no settings.
    auto *pintor = new CSubclass(this);
    pintor->setObjectName(QStringLiteral("CSubclass1"));
    pintor->setGeometry(ui->SSTab1->geometry());
    QLineEdit *campos[] = {ui->Text1_0, ui->Text1_1, ui->Text1_2, ui->Text1_3,
                           ui->Text1_4, ui->Text1_5, ui->Text1_6, ui->Text1_7};
    std::copy(std::begin(campos), std::end(campos), m_text1);

    setWindowTitle(tituloVentana());

    // Keys of the customer code and the dates are filtered; the provider code is not.
    registrarCampo(ui->Text1_0, Campo::Filtrado);
    registrarCampo(ui->Text1_4, Campo::Fecha, QStringLiteral("dd/mm/yyyy"));
    registrarCampo(ui->Text1_5, Campo::Fecha, QStringLiteral("dd/mm/yyyy"));
    registrarCamposTexto();
    editarSinBarras(ui->Text1_4);
    editarSinBarras(ui->Text1_5);

    m_delegado = new DelegadoRejilla(ui->DataGrid1);
    m_delegado->setColumnaNumero(kColumnaExpediente);
    m_delegado->setColumnaFecha(2);
    m_delegado->setColumnaFecha(3);
    m_delegado->setColumnaBoton(kColumnaExpediente);
    ui->DataGrid1->setItemDelegate(m_delegado);

    connect(ui->SSTab1, &QTabWidget::currentChanged, this, &frmExpedientes::SSTab1_Click);
    connect(ui->Combo1, &QComboBox::currentIndexChanged, this, &frmExpedientes::Combo1_Click);
    connect(ui->cmdBuscar, &QPushButton::clicked, this, &frmExpedientes::cmdBuscar_Click);
    connect(ui->XPButton2, &QPushButton::clicked, this, &frmExpedientes::XPButton2_Click);
    connect(ui->XPButton3, &QPushButton::clicked, this, &frmExpedientes::XPButton3_Click);
    connect(ui->XPButton4, &QPushButton::clicked, this, &frmExpedientes::XPButton4_Click);
    connect(ui->cmdGrabar, &QPushButton::clicked, this, &frmExpedientes::cmdGrabar_Click);
    connect(ui->XPButton1, &QPushButton::clicked, this, &frmExpedientes::XPButton1_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &frmExpedientes::Command1_Click);
    connect(ui->cmdBuscaPro, &QPushButton::clicked, this, &frmExpedientes::cmdBuscaPro_Click);
    connect(ui->cmdNuevo, &QPushButton::clicked, this, &frmExpedientes::cmdNuevo_Click);
    // Queued: the editor opens once the grid has finished with the click.
    connect(m_delegado, &DelegadoRejilla::botonPulsado, this, &frmExpedientes::DataGrid1_ButtonClick,
            Qt::QueuedConnection);

    // The grid's menu (right button or the menu key) takes the rows out.
    m_exportarCsv = new QAction(QStringLiteral("Exportar a CSV…"), this);
    m_exportarCsv->setObjectName(QStringLiteral("mnuExportarCsv"));
    m_copiar = new QAction(QStringLiteral("Copiar"), this);
    m_copiar->setObjectName(QStringLiteral("mnuCopiar"));
    connect(m_exportarCsv, &QAction::triggered, this, &frmExpedientes::exportarCsv);
    connect(m_copiar, &QAction::triggered, this, &frmExpedientes::copiarFilas);
    ui->DataGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->DataGrid1, &QWidget::customContextMenuRequested, this, &frmExpedientes::DataGrid1_MenuContextual);

    msCargarTipos();
    msBuscarExpedientes();
    bCargado = true;
    prepararTeclado();
}

frmExpedientes::~frmExpedientes() = default;

void frmExpedientes::avisarFallo(const Resultado &r) {
    if (r.ok())
        return;
    const QString texto = QStringLiteral("Error (Expedientes): ") + r.mensaje();
    // Before the screen is shown its opener is told instead: no empty screen behind a message.
    if (bCargado)
        avisar(texto, vb::vbCritical);
    else if (errorCarga().isEmpty())
        setErrorCarga(texto);
}

void frmExpedientes::msCargarTipos() {
    ui->Combo1->clear();
    ui->Combo1->addItem(QStringLiteral("Todos los tipos de expedientes"));
    QStringList tipos;
    const Resultado r = m_datos->tipos(tipos);
    ui->Combo1->addItems(tipos);
    ui->Combo1->setCurrentIndex(0);
    avisarFallo(r);
}

FiltroBusqueda frmExpedientes::filtro(short origen) const {
    FiltroBusqueda f;
    f.origen = origen;
    f.codigo = origen == kProveedores ? ui->Text1_6->text() : ui->Text1_0->text();
    f.idContraparte = gExpe->IdCliente();
    f.soloActivos = ui->Check1->isChecked();
    if (ui->Combo1->currentIndex() > 0)
        f.tipo = ui->Combo1->currentText().left(4);
    f.descripcion = ui->Text1_2->text();
    f.observaciones = ui->Text1_3->text();
    f.desde = ui->Text1_4->text();
    f.hasta = ui->Text1_5->text();
    f.documentos = ui->Text1_8->text();
    return f;
}

void frmExpedientes::msBuscarExpedientes() {
    const short origen = short(ui->SSTab1->currentIndex());
    gExpe->setOrigen(origen);
    iOrigen = origen;
    RecordsetModel *modelo = nullptr;
    const FiltroBusqueda f = filtro(origen);
    gBusquedaDocumentos = f.documentos;
    const Resultado r = m_datos->buscar(f, this, modelo);
    // Captions go on before the grid shows the model: each one set later redraws the header.
    if (modelo)
        rotularColumnas(modelo, origen);
    mostrarResultado(modelo);
    m_filtroGrid = rsExp ? std::make_unique<FiltroBusqueda>(f) : nullptr;
    if (!r) {
        avisarFallo(r);
        return;
    }
    maquetarRejilla(origen);
    if (rsExp->tieneFilas())
        ui->DataGrid1->setCurrentIndex(rsExp->index(0, kColumnaExpediente));
}

void frmExpedientes::mostrarResultado(RecordsetModel *modelo) {
    rsExp = cambiarModelo(ui->DataGrid1, modelo, rsExp);
}

void frmExpedientes::rotularColumnas(RecordsetModel *modelo, short origen) {
    for (int i = 0; i < int(std::size(kColumnas)); ++i)
        if (*kColumnas[i].caption)
            modelo->setHeaderData(i, Qt::Horizontal, u8(kColumnas[i].caption));
    if (origen != kInternos)
        modelo->setHeaderData(0, Qt::Horizontal, origen == kClientes ? QStringLiteral("Cliente") : QStringLiteral("Proveedor"));
}

void frmExpedientes::maquetarRejilla(short origen) {
    QTableView *rejilla = ui->DataGrid1;
    const DelegadoRejilla *delegado = m_delegado;
    const auto texto = [delegado](const QModelIndex &i) { return delegado->textoDe(i.column(), i.data()); };
    for (int i = 0; i < int(std::size(kColumnas)); ++i)
        anchoColumna(rejilla, rejilla->horizontalHeader(), i, kColumnas[i].anchoTwips, texto);
    rejilla->setColumnHidden(0, origen == kInternos);
    rejilla->setColumnHidden(kColumnaIdCli, true);
}

void frmExpedientes::msAbrirExpediente(int idExp) {
    const short origen = short(ui->SSTab1->currentIndex());
    gExpe->setIdExp(idExp);
    gExpe->setOrigen(origen);

    // The editor is prepared from the current row; a new case file gets nothing here.
    QString etiqueta, codigo, nombre;
    const bool preparar = idExp > 0 && rsExp;
    if (preparar) {
        const int fila = qMax(0, ui->DataGrid1->currentIndex().row());
        const QSqlRecord registro = rsExp->record(fila);
        if (origen == kInternos) {
            etiqueta = QStringLiteral("Expediente Interno");
            nombre = QStringLiteral(" Expediente Interno ");
            gExpe->setIdCliente(0);
        } else {
            const bool cliente = origen == kClientes;
            etiqueta = cliente ? QStringLiteral("Cliente") : QStringLiteral("Proveedor");
            // "code name": the code keeps its blank, the name is what follows it.
            const QString contraparte = registro.value(cliente ? QStringLiteral("cliente") : QStringLiteral("proveedor")).toString();
            const qsizetype blanco = contraparte.indexOf(u' ');
            codigo = contraparte.left(blanco + 1);
            nombre = contraparte.mid(blanco + 1);
            gExpe->setIdCliente(registro.value(QStringLiteral("exp_idcli")).toInt());
        }
    }
    // The editor is reached by name: whatever screen stands in for it gets the counterpart.
    const auto prepararEditor = [&](QDialog *editor) {
        if (preparar)
            QMetaObject::invokeMethod(editor, "mostrarContraparte", Q_ARG(QString, etiqueta), Q_ARG(QString, codigo),
                                      Q_ARG(QString, nombre));
    };

    QString error;
    if (Pantallas::abrirModal(QStringLiteral("frmExpedientes1"), this, &error, prepararEditor) < 0) {
        avisar(QStringLiteral("Error (Expedientes): ") + error, vb::vbCritical);
        return;
    }
    msBuscarExpedientes();
    bCargado = true;
}

void frmExpedientes::abrirFilaActual() {
    const int fila = qMax(0, ui->DataGrid1->currentIndex().row());
    msAbrirExpediente(rsExp->record(fila).value(QStringLiteral("exp_id")).toInt());
}

// ---------------------------------------------------------------- customer and provider

void frmExpedientes::msBuscarCliente(int codigo) { msBuscarContraparte(kSeleccionCliente, codigo); }
void frmExpedientes::msBuscarProveedor(int codigo) { msBuscarContraparte(kSeleccionProveedor, codigo); }

void frmExpedientes::msBuscarContraparte(const Contraparte &c, int codigo) {
    QLineEdit *campoCodigo = m_text1[c.campoCodigo];
    QLineEdit *campoNombre = m_text1[c.campoNombre];
    auto elegir = [&](int id, const QString &cod, const QString &nombre) {
        gExpe->setIdCliente(id);
        campoCodigo->setText(cod);
        campoNombre->setText(nombre);
    };

    if (codigo != 0) {
        ContraparteEncontrada encontrada;
        const Resultado r = m_datos->contraparte(c.origen, codigo, encontrada);
        elegir(encontrada.id, encontrada.codigo, encontrada.nombre);
        avisarFallo(r);
        return;
    }

    const bool fiscal = MsgBox(QStringLiteral("Desea Buscar por el nombre Fiscal ?.\nSi contesta NO, la busqueda será por "
                                              "Nombre Comercial"),
                               vb::vbYesNo | vb::vbInformation, QString())
                        == vb::vbYes;
    const SentenciasContraparte &sql = DatosBusqueda::sentencias(c.origen);
    const QString elegido = fiscal ? BuscarPorNombre(sql.fiscal, QStringLiteral("RSOC"), QStringLiteral("Codigo"),
                                                     u8(c.captionNombre), u8(c.tituloFiscal), 600, 6000, 0)
                                   : BuscarPorNombre(sql.comercial, sql.columnaComercial, QStringLiteral("Codigo"),
                                                     u8(c.captionNombre), u8(c.tituloComercial), 600, 6000, 0);
    if (elegido.size() > 2) {
        const QStringList partes = elegido.split(QChar(1));
        elegir(partes.value(0).trimmed().toInt(), partes.value(1), partes.value(2));
    } else {
        elegir(0, {}, {});
    }
}

QString frmExpedientes::BuscarPorNombre(const QString &sql, const QString &columnaBusqueda,
                                        const QString &captionCodigo, const QString &captionNombre,
                                        const QString &titulo, int anchoCodigo, int anchoNombre, int flag) {
    return utilidades()->BuscarPorNombre(sql, columnaBusqueda, captionCodigo, captionNombre, titulo, anchoCodigo,
                                         anchoNombre, flag);
}

void frmExpedientes::Text1_LostFocusCodigo(const Contraparte &c) {
    QLineEdit *campo = m_text1[c.campoCodigo];
    double valor = 0;
    if (!DatosBusqueda::leerCodigo(campo->text(), &valor)) {
        // No code: the selection is cleared quietly.
        msBuscarContraparte(c, -1);
        return;
    }
    msBuscarContraparte(c, int(std::lround(valor)));
    if (gExpe->IdCliente() != 0) {
        iOrigen = c.origen;
        gExpe->setOrigen(c.origen);
        msBuscarExpedientes();
        return;
    }
    avisar(u8(c.mensajeNoExiste), vb::vbCritical);
    if (c.devolverFoco)
        campo->setFocus(Qt::OtherFocusReason);
}

bool frmExpedientes::FnEstadoCliente(int idCliente) {
    bool activo = false;
    avisarFallo(m_datos->clienteActivo(idCliente, activo));
    return activo;
}

// ---------------------------------------------------------------- events

void frmExpedientes::SSTab1_Click(int pestana) {
    gExpe->setIdCliente(0);
    for (int i : {0, 1, 6, 7})
        m_text1[i]->clear();
    gExpe->setOrigen(short(pestana));
    msBuscarExpedientes();
}

void frmExpedientes::Combo1_Click() {
    if (bCargado)
        msBuscarExpedientes();
}

void frmExpedientes::cmdBuscar_Click() { msBuscarExpedientes(); }

void frmExpedientes::buscarDesdeBoton(short origen) {
    iOrigen = origen;
    gExpe->setOrigen(origen);
    msBuscarExpedientes();
}

void frmExpedientes::XPButton2_Click() { buscarDesdeBoton(kClientes); }
void frmExpedientes::XPButton3_Click() { buscarDesdeBoton(kProveedores); }
void frmExpedientes::XPButton4_Click() { buscarDesdeBoton(kInternos); }

void frmExpedientes::cmdGrabar_Click() {
    // Whether there is a row, without counting the whole result.
    if (rsExp && rsExp->tieneFilas())
        abrirFilaActual();
}

void frmExpedientes::DataGrid1_ButtonClick() { cmdGrabar_Click(); }

void frmExpedientes::XPButton1_Click() { reject(); }

void frmExpedientes::Command1_Click() { msBuscarCliente(0); }
void frmExpedientes::cmdBuscaPro_Click() { msBuscarProveedor(0); }

void frmExpedientes::cmdNuevo_Click() {
    const short origen = short(ui->SSTab1->currentIndex());
    gExpe->setOrigen(origen);
    const bool elegido = gExpe->IdCliente() != 0;
    switch (origen) {
    case kInternos:
        msAbrirExpediente(0);
        break;
    case kProveedores:
        if (elegido) {
            msAbrirExpediente(0);
        } else {
            avisar(QStringLiteral("Debe indicar el proveedor con el que desea trabajar"), vb::vbOKOnly);
            ui->Text1_6->setFocus(Qt::OtherFocusReason);
        }
        break;
    default:
        if (!elegido) {
            avisar(QStringLiteral("Debe indicar el cliente con el que desea trabajar"), vb::vbOKOnly);
            ui->Text1_0->setFocus(Qt::OtherFocusReason);
        } else if (FnEstadoCliente(gExpe->IdCliente())) {
            msAbrirExpediente(0);
        }
        break;
    }
}

// ---------------------------------------------------------------- taking the rows out

void frmExpedientes::DataGrid1_MenuContextual(const QPoint &pos) {
    const bool hayFilas = rsExp && rsExp->tieneFilas();
    m_exportarCsv->setEnabled(hayFilas);
    m_copiar->setEnabled(hayFilas);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuRejilla"));
    menu.addAction(m_exportarCsv);
    menu.addAction(m_copiar);
    menu.exec(ui->DataGrid1->viewport()->mapToGlobal(pos));
}

QList<int> frmExpedientes::columnasVisibles() const {
    QList<int> columnas;
    const QHeaderView *cabecera = ui->DataGrid1->horizontalHeader();
    for (int visual = 0; rsExp && visual < cabecera->count(); ++visual)
        if (const int c = cabecera->logicalIndex(visual); !ui->DataGrid1->isColumnHidden(c))
            columnas << c;
    return columnas;
}

QList<ColumnaCsv> frmExpedientes::columnasCsv() const {
    QList<ColumnaCsv> columnas;
    const DelegadoRejilla *delegado = m_delegado;
    for (int c : columnasVisibles())
        columnas.append({c, rsExp->headerData(c, Qt::Horizontal).toString(),
                         [delegado, c](const QVariant &v) { return delegado->textoDe(c, v); }});
    return columnas;
}

void frmExpedientes::exportarCsv() {
    if (!rsExp || !m_filtroGrid)
        return;
    PeticionFichero p;
    p.titulo = QStringLiteral("Exportar a CSV");
    p.nombrePropuesto = QStringLiteral("expedientes.csv");
    p.extensionPorDefecto = QStringLiteral("csv");
    p.filtros = {QStringLiteral("Ficheros CSV")};
    p.patrones = {QStringLiteral("*.csv")};
    p.guardar = true;
    p.propietario = this;
    const RespuestaFichero elegido = DialogService::actual().pedirFichero(p);
    if (!elegido.aceptado || elegido.ruta.isEmpty())
        return;

    // Opened once the export turns out to take a while; no total is known before the end,
    // so the bar only shows that it goes on.
    std::unique_ptr<QProgressDialog> dialogo;
    const auto progreso = [&](qint64 filas) {
        if (!dialogo) {
            dialogo = std::make_unique<QProgressDialog>(QString(), QStringLiteral("Cancelar"), 0, 0, this);
            dialogo->setObjectName(QStringLiteral("dlgProgreso"));
            dialogo->setWindowModality(Qt::WindowModal);
            dialogo->setAutoClose(false);
            dialogo->setAutoReset(false);
            dialogo->show();
        }
        dialogo->setLabelText(QStringLiteral("Exportando expedientes: %1").arg(DelegadoRejilla::formatearEntero(filas)));
        dialogo->setValue(int(filas));
        // The dialog is modal: only its cancel button takes the user's input here.
        QCoreApplication::processEvents();
        return !dialogo->wasCanceled();
    };
    qint64 filas = 0;
    bool cancelado = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Resultado r = m_datos->exportarCsv(*m_filtroGrid, columnasCsv(), elegido.ruta, progreso, filas, cancelado);
    QApplication::restoreOverrideCursor();
    dialogo.reset();
    if (cancelado)
        return;
    if (!r) {
        avisar(QStringLiteral("No se han podido exportar los expedientes.\n") + r.mensaje(), vb::vbCritical);
        return;
    }
    avisar(QStringLiteral("Se han exportado %1 expedientes a %2.")
               .arg(DelegadoRejilla::formatearEntero(filas), QDir::toNativeSeparators(elegido.ruta)),
           vb::vbInformation);
}

void frmExpedientes::copiarFilas() {
    if (!rsExp)
        return;
    // The rows selected, or every row loaded when none is.
    QList<int> filas;
    for (const QModelIndex &i : ui->DataGrid1->selectionModel()->selectedIndexes())
        if (!filas.contains(i.row()))
            filas << i.row();
    std::sort(filas.begin(), filas.end());
    if (filas.isEmpty())
        for (int f = 0; f < rsExp->rowCount(); ++f)
            filas << f;
    // Tabs and line breaks inside a text would split its cell when pasted.
    const auto limpio = [](QString t) { return t.replace(u'\t', u' ').replace(u'\n', u' ').remove(u'\r'); };
    const QList<int> columnas = columnasVisibles();
    QStringList lineas;
    QStringList celdas;
    for (int c : columnas)
        celdas << limpio(rsExp->headerData(c, Qt::Horizontal).toString());
    lineas << celdas.join(u'\t');
    for (int f : std::as_const(filas)) {
        celdas.clear();
        for (int c : columnas)
            celdas << limpio(m_delegado->textoDe(c, rsExp->index(f, c).data()));
        lineas << celdas.join(u'\t');
    }
    QGuiApplication::clipboard()->setText(lineas.join(u'\n') + u'\n');
}

bool frmExpedientes::eventFilter(QObject *obj, QEvent *ev) {
    const bool hecho = Formulario::eventFilter(obj, ev);
    // Leaving a code field for another control looks the code up; switching to
    // another window (a message box, say) is no leaving.
    if (ev->type() == QEvent::FocusOut && (obj == ui->Text1_0 || obj == ui->Text1_6)) {
        const Qt::FocusReason razon = static_cast<QFocusEvent *>(ev)->reason();
        if (razon != Qt::ActiveWindowFocusReason && razon != Qt::PopupFocusReason)
            Text1_LostFocusCodigo(obj == ui->Text1_0 ? kSeleccionCliente : kSeleccionProveedor);
    }
    return hecho;
}
