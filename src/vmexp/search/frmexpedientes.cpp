#include "frmexpedientes.h"

#include "csubclass.h"
#include "ui_frmExpedientes.h"

#include "componentes.h"
#include "conexion.h"
#include "cutilidades.h"
#include "dialogos.h"
#include "esquema.h"
#include "modexp.h"
#include "mybd.h"
#include "numeros.h"
#include "pantallas.h"
#include "vmexpe.h"

#include <QApplication>
#include <QDate>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSqlRecord>

#include <climits>
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

void DelegadoRejilla::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant valor = index.data(Qt::DisplayRole);
    if (m_numeros.contains(index.column())) {
        bool ok = false;
        const qlonglong n = valor.toLongLong(&ok);
        if (ok && valor.isValid())
            option->text = formatearEntero(n);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    } else if (m_fechas.contains(index.column())) {
        const QDate fecha = valor.metaType().id() == QMetaType::QDateTime ? valor.toDateTime().date() : valor.toDate();
        option->text = fecha.isValid() ? fecha.toString(QStringLiteral("dd/MM/yyyy")) : QString();
    }
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
    const char *sqlPorCodigo;
    const char *sqlFiscal;
    const char *tituloFiscal;
    const char *sqlComercial;
    const char *columnaComercial;
    const char *tituloComercial;
    const char *captionNombre;
    const char *mensajeNoExiste;
    bool devolverFoco; // after the message, back to the code field
};

namespace {
QString u8(const char *texto) { return QString::fromUtf8(texto); }

// A number typed in a code field; false for empty text, letters or a number out of range.
bool leerCodigo(const QString &texto, double *valor) {
    bool ok = false;
    *valor = numeroLocal(texto, &ok);
    return ok && *valor >= INT_MIN && *valor <= INT_MAX;
}

// "1/3/2024" or "01/03/2024" → "01/03/2024"; empty when it is no real date.
QString fechaDiaPrimero(const QString &texto) {
    const QDate fecha = QDate::fromString(texto.trimmed(), QStringLiteral("d/M/yyyy"));
    return fecha.isValid() ? fecha.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

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
    0, 0, 1,
    "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD=",
    "Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI",
    "Buscar clientes por nombre Fiscal",
    "Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER",
    "CLI_COMER",
    "Buscar clientes por nombre Comercial",
    "Cliente",
    "Codigo de cliente no existe",
    true,
};

const frmExpedientes::Contraparte frmExpedientes::kSeleccionProveedor{
    1, 6, 7,
    "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO where Pro_COD=",
    "Select PRO_ID,PRO_COD,(PRO_NOM + ' ' + ISNULL(PRO_APE1,'') + ' ' + ISNULL(PRO_APE2,'')) AS RSOC FROM PRO  order by PRO_NOM ",
    "Buscar Proveedores por nombre Fiscal",
    "Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER",
    "PRO_COMER",
    "Buscar Proveedores por nombre Comercial",
    "Proveedor",
    "Codigo de proveedor inexistente",
    false,
};

frmExpedientes::frmExpedientes(QWidget *parent) : Formulario(parent), ui(new Ui::frmExpedientes) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("frmExpedientes"));
    // The painter sits over the tab strip; this screen gives it no settings.
    auto *pintor = new CSubclass(this);
    pintor->setObjectName(QStringLiteral("CSubclass1"));
    pintor->setGeometry(ui->SSTab1->geometry());
    QLineEdit *campos[] = {ui->Text1_0, ui->Text1_1, ui->Text1_2, ui->Text1_3,
                           ui->Text1_4, ui->Text1_5, ui->Text1_6, ui->Text1_7};
    std::copy(std::begin(campos), std::end(campos), m_text1);

    setWindowTitle(QStringLiteral("Norbix. Gestión de Expedientes (versión %1.%2.%3)")
                       .arg(VMEXP_VERSION_MAJOR)
                       .arg(VMEXP_VERSION_MINOR)
                       .arg(VMEXP_VERSION_PATCH));

    // Keys of the customer code and the dates are filtered; the provider code is not.
    registrarCampo(ui->Text1_0, Campo::Filtrado);
    registrarCampo(ui->Text1_4, Campo::Fecha, QStringLiteral("dd/mm/yyyy"));
    registrarCampo(ui->Text1_5, Campo::Fecha, QStringLiteral("dd/mm/yyyy"));
    registrarCamposTexto();

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

    msCargarTipos();
    msBuscarExpedientes();
    bCargado = true;
    prepararTeclado();
}

frmExpedientes::~frmExpedientes() = default;

void frmExpedientes::avisar(const QString &texto, int estilo) {
    Tag = QStringLiteral("e");
    MsgBox(texto, estilo, QString());
}

void frmExpedientes::msCargarTipos() {
    ui->Combo1->clear();
    ui->Combo1->addItem(QStringLiteral("Todos los tipos de expedientes"));
    Recordset rs = sesionConexion()->Execute(QStringLiteral("Select * from Tex order by tex_des"));
    if (!rs.ok() && !bCargado)
        setErrorCarga(QStringLiteral("Error (Expedientes): ") + rs.error());
    for (; !rs.isEOF(); rs.MoveNext())
        ui->Combo1->addItem(QStringLiteral("%1").arg(rs.Fields(QStringLiteral("tex_id")).toInt(), 4, 10, QChar(u'0'))
                            + QStringLiteral(" - ") + rs.Fields(QStringLiteral("tex_des")).toString());
    ui->Combo1->setCurrentIndex(0);
    rs.Close();
}

void frmExpedientes::msBuscarExpedientes() {
    ::MyBd *bd = sesionBd();
    const int idUsuario = bd->IdUsuario();
    int adm = 0; // a user without a row is no administrator
    FnNombreUsuario(idUsuario, adm);

    const short origen = short(ui->SSTab1->currentIndex());
    gExpe->setOrigen(origen);
    iOrigen = origen;

    QString condicion = QStringLiteral(" Where Exp_Origen = ") + QString::number(origen) + QStringLiteral(" ");
    QString sql;
    switch (origen) {
    case kClientes:
        sql = QStringLiteral("SELECT (Select (cast(cli_Cod as nvarchar) + ' ' + Cli_Comer) from cli where cli_id = "
                             "Exp_IdCli) As Cliente, Exp_Id, ");
        break;
    case kProveedores:
        sql = QStringLiteral("SELECT (Select (cast(Pro_Cod as nvarchar) + ' ' + Pro_Comer) from Pro where Pro_id = "
                             "Exp_IdCli) As Proveedor, Exp_Id, ");
        break;
    default:
        sql = QStringLiteral("SELECT ('') as x, Exp_Id, ");
        break;
    }
    sql += QStringLiteral("Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp ");

    // The filter takes the id the lookup found; the typed code only says there is one.
    QLineEdit *codigo = origen == kClientes ? ui->Text1_0 : origen == kProveedores ? ui->Text1_6 : nullptr;
    double valor = 0;
    if (codigo && leerCodigo(codigo->text(), &valor) && valor >= 1)
        condicion += QStringLiteral(" And Exp_IdCli = ") + QString::number(gExpe->IdCliente());
    if (ui->Check1->isChecked())
        condicion += QStringLiteral(" AND Exp_Estado = 1 ");
    if (ui->Combo1->currentIndex() > 0)
        condicion += QStringLiteral(" AND Exp_IdTipo=") + ui->Combo1->currentText().left(4);
    // Quotes are doubled so the typed text can neither end nor extend the statement.
    if (!ui->Text1_2->text().isEmpty())
        condicion += QStringLiteral(" AND Exp_Des Like '%") + Esquema::textoSql(ui->Text1_2->text()) + QStringLiteral("%' ");
    if (!ui->Text1_3->text().isEmpty())
        condicion += QStringLiteral(" AND Exp_obs Like '%") + Esquema::textoSql(ui->Text1_3->text()) + QStringLiteral("%' ");
    if (const QString desde = fechaDiaPrimero(ui->Text1_4->text()); !desde.isEmpty())
        condicion += QStringLiteral(" AND Exp_Fini >='") + desde + QStringLiteral(" 00:00:00' ");
    if (const QString hasta = fechaDiaPrimero(ui->Text1_5->text()); !hasta.isEmpty())
        condicion += QStringLiteral(" AND Exp_Fini <='") + hasta + QStringLiteral(" 23:59:59' ");
    if (bd->Parametros().Item(QStringLiteral("PAR_EXP_PER")).Valor.toInt() == 0 && adm == 0) {
        const QString id = QString::number(idUsuario);
        condicion += QStringLiteral(" and (Exp_id in (SELECT ExpPer_Idexp FROM ExpPer WHERE  ExpPer_IdUsu=") + id
                     + QStringLiteral(") or Exp_Idusu = ") + id + QStringLiteral(")");
    }
    sql += condicion;

    // The model fetches rows as the grid shows them: a huge result binds at once.
    auto *modelo = new RecordsetModel(sesionConexion(), sql, this);
    QItemSelectionModel *seleccionAnterior = ui->DataGrid1->selectionModel();
    RecordsetModel *anterior = rsExp;
    const QString error = modelo->error();
    if (!modelo->ok()) {
        delete modelo;
        modelo = nullptr;
    }
    rsExp = modelo;
    ui->DataGrid1->setModel(rsExp);
    delete seleccionAnterior;
    delete anterior;
    if (!rsExp) {
        if (bCargado)
            avisar(QStringLiteral("Error (Expedientes): ") + error, vb::vbCritical);
        else
            setErrorCarga(QStringLiteral("Error (Expedientes): ") + error);
        return;
    }
    maquetarRejilla(origen);
    if (rsExp->tieneFilas())
        ui->DataGrid1->setCurrentIndex(rsExp->index(0, kColumnaExpediente));
}

void frmExpedientes::maquetarRejilla(short origen) {
    QTableView *rejilla = ui->DataGrid1;
    for (int i = 0; i < int(std::size(kColumnas)); ++i)
        if (*kColumnas[i].caption)
            rsExp->setHeaderData(i, Qt::Horizontal, u8(kColumnas[i].caption));
    if (origen != kInternos)
        rsExp->setHeaderData(0, Qt::Horizontal, origen == kClientes ? QStringLiteral("Cliente") : QStringLiteral("Proveedor"));
    for (int i = 0; i < int(std::size(kColumnas)); ++i)
        anchoColumna(rejilla, rejilla->horizontalHeader(), i, kColumnas[i].anchoTwips);
    rejilla->setColumnHidden(0, origen == kInternos);
    rejilla->setColumnHidden(kColumnaIdCli, true);
}

void frmExpedientes::msAbrirExpediente(int idExp) {
    const short origen = short(ui->SSTab1->currentIndex());
    gExpe->setIdExp(idExp);
    gExpe->setOrigen(origen);

    // The editor is prepared from the current row; a new case file gets nothing here.
    gPreparacionEditor = PreparacionEditor{};
    if (idExp > 0 && rsExp) {
        const int fila = qMax(0, ui->DataGrid1->currentIndex().row());
        const QSqlRecord registro = rsExp->record(fila);
        PreparacionEditor &p = gPreparacionEditor;
        p.preparado = true;
        if (origen == kInternos) {
            p.etiqueta = QStringLiteral("Expediente Interno");
            p.nombre = QStringLiteral(" Expediente Interno ");
            gExpe->setIdCliente(0);
        } else {
            const bool cliente = origen == kClientes;
            p.etiqueta = cliente ? QStringLiteral("Cliente") : QStringLiteral("Proveedor");
            // "code name": the code keeps its blank, the name is what follows it.
            const QString contraparte = registro.value(cliente ? QStringLiteral("cliente") : QStringLiteral("proveedor")).toString();
            const qsizetype blanco = contraparte.indexOf(u' ');
            p.codigo = contraparte.left(blanco + 1);
            p.nombre = contraparte.mid(blanco + 1);
            gExpe->setIdCliente(registro.value(QStringLiteral("exp_idcli")).toInt());
        }
    }

    QString error;
    if (Pantallas::abrirModal(QStringLiteral("frmExpedientes1"), this, &error) < 0) {
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
        Recordset rs = sesionConexion()->Execute(u8(c.sqlPorCodigo) + QString::number(codigo));
        if (!rs.isEOF())
            elegir(rs.Fields(0).toInt(), rs.Fields(1).toString(), rs.Fields(2).toString());
        else
            elegir(0, {}, {});
        rs.Close();
        return;
    }

    const bool fiscal = MsgBox(QStringLiteral("Desea Buscar por el nombre Fiscal ?.\nSi contesta NO, la busqueda será por "
                                              "Nombre Comercial"),
                               vb::vbYesNo | vb::vbInformation, QString())
                        == vb::vbYes;
    const QString elegido = fiscal ? BuscarPorNombre(u8(c.sqlFiscal), QStringLiteral("RSOC"), QStringLiteral("Codigo"),
                                                     u8(c.captionNombre), u8(c.tituloFiscal), 600, 6000, 0)
                                   : BuscarPorNombre(u8(c.sqlComercial), u8(c.columnaComercial), QStringLiteral("Codigo"),
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
    if (!leerCodigo(campo->text(), &valor)) {
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
    QString error;
    std::unique_ptr<QObject> cliente = Componentes::crear(QStringLiteral("VMCLIENTES.VMCLI"), &error);
    QVariant aceptado;
    const bool ok = cliente
                    && Componentes::asignar(cliente.get(), "MyBd", QVariant::fromValue<QObject *>(sesionBd()), &error)
                    && Componentes::llamar(cliente.get(), "FnEstadoCliente", QVariantList{idCliente}, &aceptado,
                                           &error);
    cliente.reset();
    if (!ok) {
        avisar(QStringLiteral("Error (Expedientes): ") + error, vb::vbCritical);
        return false;
    }
    return aceptado.toBool();
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


bool frmExpedientes::eventFilter(QObject *obj, QEvent *ev) {
    // Dates are edited as bare digits.
    if (ev->type() == QEvent::FocusIn && (obj == ui->Text1_4 || obj == ui->Text1_5)) {
        auto *fecha = static_cast<QLineEdit *>(obj);
        if (fecha->text().contains(u'/'))
            fecha->setText(fecha->text().remove(u'/'));
    }
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
