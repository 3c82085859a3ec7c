#include "frmexpedientes1.h"
#include "ui_frmExpedientes1.h"

#include "arbolactuaciones.h"
#include "componentes.h"
#include "conexion.h"
#include "cutilidades.h"
#include "datosexpediente.h"
#include "dialogos.h"
#include "modexp.h"
#include "mybd.h"
#include "numeros.h"
#include "pantallas.h"
#include "resumenimpreso.h"
#include "vmexpe.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>

REGISTRAR_PANTALLA(frmExpedientes1);

namespace {
const QString kSinDefinir = QStringLiteral("Sin definir");
constexpr int kLargoDescripcion = 100;

bool esNulo(const QVariant &v) { return !v.isValid() || v.isNull(); }

QString sinValor(const QString &columna) {
    return QStringLiteral("Uso no válido de Null: el campo %1 del expediente no tiene valor.").arg(columna);
}

} // namespace

frmExpedientes1::frmExpedientes1(QWidget *parent)
    : Formulario(parent), ui(std::make_unique<Ui::frmExpedientes1>()),
      m_datos(std::make_unique<DatosExpediente>(sesionBd())) {
    // The server reads while the widgets are built; the tree opens grouped by action.
    const FinAdelanto finAdelanto{sesionConexion()};
    if (sesionConexion())
        m_datos->adelantarCarga(gExpe->IdExp(), gExpe->nProceso(), ArbolActuaciones::kActuacion);
    ui->setupUi(this);
    prepararControles();
    Form_Load();
    setF1PoneMarca(true);
    prepararTeclado();
}

frmExpedientes1::~frmExpedientes1() = default;

void frmExpedientes1::mostrarContraparte(const QString &titulo, const QString &codigo, const QString &nombre) {
    if (!titulo.isEmpty())
        ui->Label1_1->setText(titulo);
    ui->Text1_0->setText(codigo);
    ui->Text1_1->setText(nombre);
}

void frmExpedientes1::prepararControles() {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    // The frames and option buttons take the screen's colour from its palette.
    QPalette fondo = palette();
    fondo.setColor(QPalette::Window, QColor(237, 222, 154));
    setPalette(fondo);
    setAutoFillBackground(true);
    QPalette propietario = ui->Text1_9->palette();
    propietario.setColor(QPalette::Base, QColor(192, 192, 255));
    ui->Text1_9->setPalette(propietario);

    ui->dbgUsuarios->verticalHeader()->setDefaultSectionSize(px(270));
    ui->dbgUsuarios->verticalHeader()->setFixedWidth(px(270));

    registrarCampo(ui->Text1_0);
    registrarCampo(ui->Text1_1);
    registrarCampo(ui->Text1_2, Campo::Fecha);
    registrarCampo(ui->Text1_3, Campo::Fecha);
    editarSinBarras(ui->Text1_2);
    editarSinBarras(ui->Text1_3);
    registrarCampo(ui->Text1_5);
    registrarCampo(ui->Text1_6, Campo::Importe);
    registrarCampo(ui->Text1_7);
    registrarCampo(ui->Text1_8);
    ui->Text1_4->installEventFilter(this);
    // A multi-line field has no maximum length of its own.
    limitarTecleo(ui->Text1_4, kLargoDescripcion);

    connect(ui->cmdGrabar, &QPushButton::clicked, this, &frmExpedientes1::cmdGrabar_Click);
    connect(ui->XPButton1, &QPushButton::clicked, this, &frmExpedientes1::XPButton1_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &frmExpedientes1::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &frmExpedientes1::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &frmExpedientes1::Command3_Click);
    connect(ui->cmdAnadir, &QPushButton::clicked, this, &frmExpedientes1::cmdAnadir_Click);
    connect(ui->TreeView1, &QTreeWidget::itemDoubleClicked, this, &frmExpedientes1::TreeView1_DblClick);
    // Ctrl+P anywhere on the screen, and the actions tree's menu.
    auto *imprimir = new QAction(QStringLiteral("Imprimir expediente…"), this);
    imprimir->setObjectName(QStringLiteral("mnuImprimirExpediente"));
    imprimir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    imprimir->setShortcutContext(Qt::WindowShortcut);
    addAction(imprimir);
    ui->TreeView1->addAction(imprimir);
    ui->TreeView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(imprimir, &QAction::triggered, this, &frmExpedientes1::imprimirExpediente);
    const QList<QRadioButton *> opciones{ui->Option1_0, ui->Option1_1, ui->Option1_2, ui->Option1_3};
    for (int i = 0; i < opciones.size(); ++i)
        connect(opciones[i], &QRadioButton::toggled, this, [this, i](bool marcado) {
            if (marcado)
                Option1_Click(i);
        });
}

// ---------------------------------------------------------------- loading

void frmExpedientes1::Form_Load() {
    setWindowTitle(tituloVentana());
    int paso = 0;
    QString error;
    if (!sesionConexion())
        error = QStringLiteral("No se ha asignado la base de datos (MyBd).");
    if (error.isEmpty()) {
        paso = 1;
        error = msCargarExpediente();
    }
    if (error.isEmpty()) {
        paso = 2;
        error = msCargarUsuarios();
    }
    if (!error.isEmpty())
        MsgBox(QStringLiteral("Error (Expedientes 1[%1]): ").arg(paso) + error, vb::vbCritical);
}

QString frmExpedientes1::msCargarExpediente() {
    ui->cboTipo->clear();
    QStringList lista;
    if (const Resultado r = m_datos->tipos(lista); !r)
        return r.mensaje();
    ui->cboTipo->addItem(kSinDefinir);
    ui->cboTipo->addItems(lista);
    ui->cboTipo->setCurrentIndex(0);

    ui->cboEstado->clear();
    if (const Resultado r = m_datos->estados(lista); !r)
        return r.mensaje();
    ui->cboEstado->addItems(lista);
    if (ui->cboEstado->count() == 0)
        return QStringLiteral("No hay estados de expediente definidos (situaciones del proceso 15).");
    ui->cboEstado->setCurrentIndex(0);

    const int idExp = gExpe->IdExp();
    if (idExp == 0) {
        ui->Text1_2->setText(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        ui->Label2->clear();
        return {};
    }
    QString error = cargarRegistro(idExp);
    if (error.isEmpty())
        error = cargarEstado(idExp);
    if (error.isEmpty())
        error = cargarArbol();
    return error;
}

QString frmExpedientes1::cargarRegistro(int idExp) {
    RegistroExpediente r;
    bool existe = false;
    if (const Resultado leido = m_datos->expediente(idExp, r, existe); !leido)
        return leido.mensaje();
    if (!existe)
        return QStringLiteral("No existe el expediente %1.").arg(idExp);
    const auto textoOVacio = [](const QVariant &v) { return esNulo(v) ? QString() : v.toString(); };

    // Fields are filled in order; a missing value stops the load where it stands.
    if (esNulo(r.fini))
        return sinValor(QStringLiteral("Exp_Fini"));
    ui->Text1_2->setText(ArbolActuaciones::textoFecha(r.fini));
    ui->Text1_3->setText(esNulo(r.ffin) ? QString() : ArbolActuaciones::textoFecha(r.ffin));
    if (esNulo(r.des))
        return sinValor(QStringLiteral("Exp_Des"));
    ui->Text1_4->setPlainText(r.des.toString());
    if (esNulo(r.obs))
        return sinValor(QStringLiteral("Exp_Obs"));
    ui->Text1_5->setText(r.obs.toString());
    if (esNulo(r.presup))
        return sinValor(QStringLiteral("Exp_Presup"));
    ui->Text1_6->setText(textoImporte(r.presup.toDouble(), 2, false));
    ui->Text1_7->setText(textoOVacio(r.codigo));
    ui->Text1_8->setText(textoOVacio(r.ubicacion));
    if (esNulo(r.idTipo))
        return sinValor(QStringLiteral("Exp_IdTipo"));
    const int tipo = r.idTipo.toInt();
    if (tipo < 0 || tipo >= ui->cboTipo->count())
        return QStringLiteral("El tipo de expediente %1 no está en la lista de tipos.").arg(tipo);
    ui->cboTipo->setCurrentIndex(tipo);

    // Only the creator may change who is authorised.
    const QVariant creador = r.idUsu;
    if (esNulo(creador)) {
        ui->Text1_9->clear();
        ui->fraUsuarios->setEnabled(false);
    } else {
        // The creator never changes: the reload after a save keeps the name read.
        if (creador.toInt() != m_idPropietario) {
            int adm = 0;
            m_nombrePropietario = FnNombreUsuario(creador.toInt(), adm);
            m_idPropietario = creador.toInt();
        }
        ui->Text1_9->setText(m_nombrePropietario);
        ui->fraUsuarios->setEnabled(creador.toInt() == sesionBd()->IdUsuario());
    }
    return {};
}

QString frmExpedientes1::cargarEstado(int idExp) {
    ui->Label2->clear();
    QVariant estado, fecha;
    bool hay = false;
    if (const Resultado r = m_datos->ultimoEstado(gExpe->nProceso(), idExp, estado, fecha, hay); !r)
        return r.mensaje();
    if (!hay)
        return {};
    // The latest row; a status beyond the list shows the first one.
    const int posicion = esNulo(estado) ? -1 : estado.toInt() - 1;
    ui->cboEstado->setCurrentIndex(posicion >= 0 && posicion < ui->cboEstado->count() ? posicion : 0);
    ui->Label2->setText(u'(' + fecha.toDate().toString(QStringLiteral("dd/MM/yyyy")) + u')');
    return {};
}

// ---------------------------------------------------------------- authorised users

QString frmExpedientes1::msCargarUsuarios() {
    RecordsetModel *modelo = nullptr;
    if (const Resultado r = m_datos->usuarios(gExpe->IdExp(), this, modelo); !r)
        return r.mensaje();
    m_usuarios = cambiarModelo(ui->dbgUsuarios, modelo, m_usuarios);
    ui->dbgUsuarios->setColumnHidden(0, true);
    anchoColumna(ui->dbgUsuarios, ui->dbgUsuarios->horizontalHeader(), 1, 4000);
    // As a fresh result set, the grid stands on its first row.
    if (m_usuarios->tieneFilas())
        ui->dbgUsuarios->setCurrentIndex(m_usuarios->index(0, 1));
    return {};
}

int frmExpedientes1::msBuscarUsuarios() {
    const QString elegido = utilidades()->BuscarPorNombre(
        DatosExpediente::sentenciaUsuariosDelSistema(), QStringLiteral("usu_nom"),
        QStringLiteral("Código"), QStringLiteral("Nombre"), QStringLiteral("Buscar Usuarios del Sistema"), 600, 6000, 0);
    if (elegido.size() <= 2)
        return 0;
    bool ok = false;
    const int id = elegido.section(QChar(1), 0, 0).trimmed().toInt(&ok);
    return ok ? id : 0;
}

void frmExpedientes1::Command2_Click() {
    const int idUsu = msBuscarUsuarios();
    if (idUsu <= 0)
        return;
    bool anadido = false;
    const Resultado r = m_datos->autorizar(gExpe->IdExp(), idUsu, anadido);
    if (!r)
        avisar(r.mensaje(), vb::vbCritical);
    else if (!anadido)
        return; // already authorised: the grid stays as it is
    if (const QString error = msCargarUsuarios(); !error.isEmpty())
        avisar(QStringLiteral("No se han podido cargar los usuarios autorizados.\n") + error, vb::vbCritical);
}

void frmExpedientes1::Command3_Click() {
    const QModelIndex actual = ui->dbgUsuarios->currentIndex();
    if (!m_usuarios || !actual.isValid() || m_usuarios->rowCount() == 0)
        return;
    const int fila = actual.row();
    const qlonglong idUsu = m_usuarios->data(m_usuarios->index(fila, 0)).toLongLong();
    const QString nombre = m_usuarios->data(m_usuarios->index(fila, 1)).toString();
    if (MsgBox(QStringLiteral("Realmente desea eliminar el usuario\n") + nombre, vb::vbYesNo | vb::vbQuestion)
        != vb::vbYes)
        return;
    if (const Resultado r = m_datos->desautorizar(gExpe->IdExp(), idUsu); !r) {
        avisar(QStringLiteral("No se ha podido eliminar el usuario.\n") + r.mensaje(), vb::vbCritical);
        return;
    }
    if (const QString error = msCargarUsuarios(); !error.isEmpty())
        avisar(QStringLiteral("No se han podido cargar los usuarios autorizados.\n") + error, vb::vbCritical);
}

// ---------------------------------------------------------------- actions tree

int frmExpedientes1::agrupacion() const {
    const QList<QRadioButton *> opciones{ui->Option1_0, ui->Option1_1, ui->Option1_2, ui->Option1_3};
    for (int i = 0; i < opciones.size(); ++i)
        if (opciones[i]->isChecked())
            return i;
    return ArbolActuaciones::kActuacion;
}

QString frmExpedientes1::cargarArbol() {
    // When the statement fails the tree keeps its nodes.
    const int grupos = agrupacion();
    Recordset rs;
    if (const Resultado r = m_datos->actuaciones(gExpe->IdExp(), grupos, rs); !r)
        return r.mensaje();
    ArbolActuaciones::llenar(ui->TreeView1, rs, grupos);
    return {};
}

void frmExpedientes1::msCargarArbol() {
    if (const QString error = cargarArbol(); !error.isEmpty())
        avisar(QStringLiteral("No se han podido cargar las actuaciones del expediente.\n") + error, vb::vbCritical);
}

void frmExpedientes1::Option1_Click(int) { msCargarArbol(); }

void frmExpedientes1::TreeView1_DblClick() {
    const QTreeWidgetItem *nodo = ui->TreeView1->currentItem();
    if (!nodo)
        return;
    const QVariant etiqueta = nodo->data(0, ArbolActuaciones::kRolEtiqueta);
    bool esNumero = false;
    const int idAct = etiqueta.toInt(&esNumero);
    if (etiqueta.isValid() && esNumero)
        msAbrirActuacion(idAct);
}

void frmExpedientes1::cmdAnadir_Click() { msAbrirActuacion(0); }

void frmExpedientes1::msAbrirActuacion(int idAct) {
    gExpe->setIdAct(idAct);
    QString error;
    if (Pantallas::abrirModal(QStringLiteral("frmExpedientes2"), this, &error) < 0) {
        avisar(error, vb::vbCritical);
        return;
    }
    msCargarArbol();
}

// ---------------------------------------------------------------- save

bool frmExpedientes1::valores(ValoresExpediente &v, QString &error) const {
    const QString presupuesto = ui->Text1_6->text().trimmed();
    if (!presupuesto.isEmpty()) {
        bool ok = false;
        v.presupuesto = numeroLocal(presupuesto, &ok);
        if (!ok) {
            error = QStringLiteral("El presupuesto «%1» no es un número.").arg(presupuesto);
            return false;
        }
    }
    v.fini = ui->Text1_2->text();
    v.ffin = ui->Text1_3->text();
    v.idCliente = gExpe->IdCliente();
    v.idTipo = ui->cboTipo->currentIndex();
    v.descripcion = ui->Text1_4->toPlainText();
    v.observaciones = ui->Text1_5->text();
    v.proceso = gExpe->nProceso();
    v.origen = gExpe->Origen();
    v.estado = ui->cboEstado->currentText().left(2);
    v.posicionEstado = ui->cboEstado->currentIndex() + 1;
    v.codigo = ui->Text1_7->text();
    v.ubicacion = ui->Text1_8->text();
    return true;
}

void frmExpedientes1::cmdGrabar_Click() {
    if (!sesionConexion())
        return;
    const QString noGuardado = QStringLiteral("No se ha guardado el expediente.\n");
    ValoresExpediente v;
    QString error;
    if (!valores(v, error)) {
        avisar(noGuardado + error, vb::vbCritical);
        return;
    }
    // Asked before the save: no transaction waits on the user.
    const bool nuevo = gExpe->IdExp() == 0;
    const bool todos = nuevo
                       && MsgBox(QStringLiteral("Desea dar permisos a todos los usuarios para poder trabajar con el "
                                                "nuevo expediente"),
                                 vb::vbYesNo | vb::vbQuestion)
                              == vb::vbYes;
    int idExp = gExpe->IdExp();
    if (const Resultado r = m_datos->grabar(v, idExp, todos); !r) {
        // Nothing of this save stays, and the fields keep what the user typed.
        avisar(noGuardado + r.mensaje(), vb::vbCritical);
        return;
    }
    if (nuevo)
        gExpe->setIdExp(idExp);
    avisar(QStringLiteral("Proceso concluido"), vb::vbInformation);
    // Sent once the message is read: nothing waits on the connection while it is shown.
    const FinAdelanto finAdelanto{sesionConexion()};
    m_datos->adelantarCarga(gExpe->IdExp(), gExpe->nProceso(), agrupacion(), true);
    if (const QString fallo = msCargarExpediente(); !fallo.isEmpty())
        MsgBox(QStringLiteral("Error (Expedientes 1[1]): ") + fallo, vb::vbCritical);
}

// ---------------------------------------------------------------- keys, fields, buttons

void frmExpedientes1::XPButton1_Click() { reject(); }

void frmExpedientes1::Command1_Click() {
    std::unique_ptr<QObject> ficha;
    Resultado r = Componentes::crear(QStringLiteral("VMCLIENTES.VMCLI"), ficha);
    if (r)
        r = Componentes::asignar(ficha.get(), "MyBd", QVariant::fromValue<QObject *>(sesionBd()));
    if (r)
        r = Componentes::asignar(ficha.get(), "idCli", gExpe->IdCliente());
    if (r)
        r = Componentes::llamar(ficha.get(), "vShow");
    if (!r)
        avisar(QStringLiteral("No se puede mostrar la ficha.\n") + r.mensaje(), vb::vbCritical);
}


QString frmExpedientes1::formatoImporte() const {
    int decimales = 2;
    if (sesionBd())
        m_datos->decimales(decimales); // a parameter that cannot be read keeps two
    return QStringLiteral("#,##0.") + QString(qMax(decimales, 0), u'0');
}

bool frmExpedientes1::eventFilter(QObject *obj, QEvent *ev) {
    const bool fecha = obj == ui->Text1_2 || obj == ui->Text1_3;
    if (ev->type() == QEvent::FocusIn) {
        if (obj == ui->Text1_4) {
            QPalette p = ui->Text1_4->palette();
            p.setColor(QPalette::Base, CUtilidades::colorDesdeNumero(utilidades()->ColorFoco()));
            ui->Text1_4->setPalette(p);
        }
        return Formulario::eventFilter(obj, ev);
    }
    if (ev->type() == QEvent::FocusOut) {
        const bool r = Formulario::eventFilter(obj, ev);
        if (obj == ui->Text1_4) {
            QPalette p = ui->Text1_4->palette();
            p.setColor(QPalette::Base, CUtilidades::colorDesdeNumero(utilidades()->ColorNormal()));
            ui->Text1_4->setPalette(p);
        }
        // Only a field with something in it is rewritten in its display format.
        auto *campo = qobject_cast<QLineEdit *>(obj);
        if (campo && !campo->text().isEmpty() && (fecha || campo == ui->Text1_6))
            utilidades()->SalirCampo(campo, fecha ? QStringLiteral("dd/mm/yyyy") : formatoImporte());
        return r;
    }
    return Formulario::eventFilter(obj, ev);
}

// ---------------------------------------------------------------- printed summary

void frmExpedientes1::imprimirExpediente() {
    const int idExp = gExpe->IdExp();
    if (idExp == 0) {
        avisar(QStringLiteral("Grabe el expediente antes de imprimirlo."), vb::vbInformation);
        return;
    }
    ResumenExpediente resumen;
    bool existe = false;
    if (const Resultado r = m_datos->resumen(idExp, resumen, existe); !r) {
        avisar(QStringLiteral("No se ha podido leer el expediente para imprimirlo.\n") + r.mensaje(), vb::vbCritical);
        return;
    }
    if (!existe) {
        avisar(QStringLiteral("El expediente ya no existe: otro usuario lo ha borrado."), vb::vbCritical);
        return;
    }
    QPrinter impresora(QPrinter::HighResolution);
    QPrintPreviewDialog vista(&impresora, this);
    vista.setObjectName(QStringLiteral("dlgVistaPrevia"));
    vista.setWindowTitle(QStringLiteral("Imprimir expediente"));
    auto *documento = new QTextDocument(&vista);
    documento->setObjectName(QStringLiteral("docResumen"));
    ResumenImpreso::componer(resumen, *documento);
    impresora.setDocName(documento->metaInformation(QTextDocument::DocumentTitle));
    connect(&vista, &QPrintPreviewDialog::paintRequested, documento, [documento](QPrinter *p) { documento->print(p); });
    DialogService::actual().abrirModal(&vista);
}
