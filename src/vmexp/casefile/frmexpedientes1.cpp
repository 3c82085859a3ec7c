#include "frmexpedientes1.h"
#include "ui_frmExpedientes1.h"

#include "arbolactuaciones.h"
#include "componentes.h"
#include "conexion.h"
#include "cutilidades.h"
#include "dialogos.h"
#include "modexp.h"
#include "mybd.h"
#include "numeros.h"
#include "pantallas.h"
#include "vmexpe.h"

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

// Messages of the screen's own actions: the release of the key that closes them
// must not move the focus.
void avisar(Formulario *f, const QString &texto, int estilo = vb::vbCritical) {
    f->Tag = QStringLiteral("e");
    MsgBox(texto, estilo);
}
} // namespace

frmExpedientes1::frmExpedientes1(QWidget *parent)
    : Formulario(parent), ui(std::make_unique<Ui::frmExpedientes1>()) {
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
    const QList<QRadioButton *> opciones{ui->Option1_0, ui->Option1_1, ui->Option1_2, ui->Option1_3};
    for (int i = 0; i < opciones.size(); ++i)
        connect(opciones[i], &QRadioButton::toggled, this, [this, i](bool marcado) {
            if (marcado)
                Option1_Click(i);
        });
}

// ---------------------------------------------------------------- loading

void frmExpedientes1::Form_Load() {
    setWindowTitle(QStringLiteral("Norbix. Gestión de Expedientes (versión %1.%2.%3)")
                       .arg(VMEXP_VERSION_MAJOR)
                       .arg(VMEXP_VERSION_MINOR)
                       .arg(VMEXP_VERSION_PATCH));
    // The search screen leaves the counterpart in the session when it opens us by name.
    if (gPreparacionEditor.preparado)
        mostrarContraparte(gPreparacionEditor.etiqueta, gPreparacionEditor.codigo, gPreparacionEditor.nombre);
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
    Conexion *c = sesionConexion();
    ui->cboTipo->clear();
    Recordset rs = c->Execute(QStringLiteral("SELECT * FROM Tex ORDER BY Tex_Id"));
    if (!rs.ok())
        return rs.error();
    ui->cboTipo->addItem(kSinDefinir);
    for (; !rs.isEOF(); rs.MoveNext())
        ui->cboTipo->addItem(rs.Fields(1).toString());
    ui->cboTipo->setCurrentIndex(0);

    ui->cboEstado->clear();
    rs = c->Execute(QStringLiteral("Select Sit_Cod,Sit_Des from VMComun.dbo.situaciones WHERE Sit_Idioma = 0 "
                                   "AND Sit_Proceso = 15 ORDER BY Sit_Cod"));
    if (!rs.ok())
        return rs.error();
    for (; !rs.isEOF(); rs.MoveNext())
        ui->cboEstado->addItem(QStringLiteral("%1 - %2")
                                   .arg(rs.Fields(0).toInt(), 2, 10, QChar(u'0'))
                                   .arg(rs.Fields(1).toString()));
    rs.Close();
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
    Recordset rs = sesionConexion()->Execute(QStringLiteral("SELECT * FROM Exp WHERE Exp_Id = ") + QString::number(idExp));
    if (!rs.ok())
        return rs.error();
    if (rs.isEOF())
        return QStringLiteral("No existe el expediente %1.").arg(idExp);
    const auto campo = [&rs](const char *columna) { return rs.Fields(QLatin1String(columna)); };
    const auto textoOVacio = [](const QVariant &v) { return esNulo(v) ? QString() : v.toString(); };

    // Fields are filled in order; a missing value stops the load where it stands.
    if (esNulo(campo("Exp_Fini")))
        return sinValor(QStringLiteral("Exp_Fini"));
    ui->Text1_2->setText(ArbolActuaciones::textoFecha(campo("Exp_Fini")));
    ui->Text1_3->setText(esNulo(campo("Exp_Ffin")) ? QString() : ArbolActuaciones::textoFecha(campo("Exp_Ffin")));
    if (esNulo(campo("Exp_Des")))
        return sinValor(QStringLiteral("Exp_Des"));
    ui->Text1_4->setPlainText(campo("Exp_Des").toString());
    if (esNulo(campo("Exp_Obs")))
        return sinValor(QStringLiteral("Exp_Obs"));
    ui->Text1_5->setText(campo("Exp_Obs").toString());
    if (esNulo(campo("Exp_Presup")))
        return sinValor(QStringLiteral("Exp_Presup"));
    ui->Text1_6->setText(textoImporte(campo("Exp_Presup").toDouble(), 2, false));
    ui->Text1_7->setText(textoOVacio(campo("Exp_Codigo")));
    ui->Text1_8->setText(textoOVacio(campo("Exp_ubicacion")));
    if (esNulo(campo("exp_Idtipo")))
        return sinValor(QStringLiteral("Exp_IdTipo"));
    const int tipo = campo("exp_Idtipo").toInt();
    if (tipo < 0 || tipo >= ui->cboTipo->count())
        return QStringLiteral("El tipo de expediente %1 no está en la lista de tipos.").arg(tipo);
    ui->cboTipo->setCurrentIndex(tipo);

    // Only the creator may change who is authorised.
    const QVariant creador = campo("Exp_idUsu");
    if (esNulo(creador)) {
        ui->Text1_9->clear();
        ui->fraUsuarios->setEnabled(false);
    } else {
        int adm = 0;
        ui->Text1_9->setText(FnNombreUsuario(creador.toInt(), adm));
        ui->fraUsuarios->setEnabled(creador.toInt() == sesionBd()->IdUsuario());
    }
    rs.Close();
    return {};
}

QString frmExpedientes1::cargarEstado(int idExp) {
    ui->Label2->clear();
    Recordset rs = sesionConexion()->Execute(QStringLiteral("SELECT * FROM Est WHERE Est_Proceso = ")
                                             + QString::number(gExpe->nProceso()) + QStringLiteral(" AND Est_IdTabla = ")
                                             + QString::number(idExp) + QStringLiteral(" ORDER BY Est_Fecha DESC"));
    if (!rs.ok())
        return rs.error();
    if (rs.isEOF())
        return {};
    // The latest row; a status beyond the list shows the first one.
    const QVariant estado = rs.Fields(QStringLiteral("Est_Estado"));
    const int posicion = esNulo(estado) ? -1 : estado.toInt() - 1;
    ui->cboEstado->setCurrentIndex(posicion >= 0 && posicion < ui->cboEstado->count() ? posicion : 0);
    ui->Label2->setText(u'(' + rs.Fields(QStringLiteral("Est_FEstado")).toDate().toString(QStringLiteral("dd/MM/yyyy"))
                        + u')');
    rs.Close();
    return {};
}

// ---------------------------------------------------------------- authorised users

QString frmExpedientes1::msCargarUsuarios() {
    auto *modelo = new RecordsetModel(
        sesionConexion(),
        QStringLiteral("Select expper_idusu,(select usu_nom from vmcomun.dbo.usuarios where usu_id=expper_idusu) As "
                       "[Nombre de Usuario] from expper where expper_idexp=")
            + QString::number(gExpe->IdExp()),
        this);
    if (!modelo->ok()) {
        const QString error = modelo->error();
        delete modelo;
        return error;
    }
    QItemSelectionModel *anterior = ui->dbgUsuarios->selectionModel();
    ui->dbgUsuarios->setModel(modelo);
    delete anterior;
    delete m_usuarios;
    m_usuarios = modelo;
    ui->dbgUsuarios->setColumnHidden(0, true);
    anchoColumna(ui->dbgUsuarios, ui->dbgUsuarios->horizontalHeader(), 1, 4000);
    // As a fresh result set, the grid stands on its first row.
    if (modelo->tieneFilas())
        ui->dbgUsuarios->setCurrentIndex(modelo->index(0, 1));
    return {};
}

int frmExpedientes1::msBuscarUsuarios() {
    const QString elegido = utilidades()->BuscarPorNombre(
        QStringLiteral("Select usu_id,usu_cod,usu_nom FROM vmcomun.dbo.usuarios"), QStringLiteral("usu_nom"),
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
    const QString idExp = QString::number(gExpe->IdExp());
    Recordset rs = sesionConexion()->Execute(QStringLiteral("Select count(*) from expper where expper_idexp=") + idExp
                                             + QStringLiteral(" And expper_idusu=") + QString::number(idUsu));
    if (!rs.ok()) {
        avisar(this, QStringLiteral("No se ha podido comprobar el usuario.\n") + rs.error());
        return;
    }
    if (rs.Fields(0).toInt() >= 1)
        return;
    rs.Close();
    MyBd *bd = sesionBd();
    bd->LimpiarCampos(0);
    bd->setTabla(QStringLiteral("ExpPer"));
    bd->Campos().Add(QStringLiteral("ExpPer_IdExp"), kCampoEntero, gExpe->IdExp(), 2);
    bd->Campos().Add(QStringLiteral("ExpPer_IdUsu"), kCampoEntero, idUsu, 2);
    bd->setCondicion(QString());
    QString error;
    if (!bd->Insertar(error))
        avisar(this, QStringLiteral("No se ha podido añadir el usuario.\n") + error);
    if (error = msCargarUsuarios(); !error.isEmpty())
        avisar(this, QStringLiteral("No se han podido cargar los usuarios autorizados.\n") + error);
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
    QString error;
    if (!sesionConexion()->Ejecutar(QStringLiteral("delete from expper where expper_idusu=") + QString::number(idUsu)
                                        + QStringLiteral(" and ExpPer_IdExp=") + QString::number(gExpe->IdExp()),
                                    &error)) {
        avisar(this, QStringLiteral("No se ha podido eliminar el usuario.\n") + error);
        return;
    }
    if (error = msCargarUsuarios(); !error.isEmpty())
        avisar(this, QStringLiteral("No se han podido cargar los usuarios autorizados.\n") + error);
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
    QString error;
    ArbolActuaciones::cargar(ui->TreeView1, sesionConexion(), gExpe->IdExp(), agrupacion(), &error);
    return error;
}

void frmExpedientes1::msCargarArbol() {
    if (const QString error = cargarArbol(); !error.isEmpty())
        avisar(this, QStringLiteral("No se han podido cargar las actuaciones del expediente.\n") + error);
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
        avisar(this, error);
        return;
    }
    msCargarArbol();
}

// ---------------------------------------------------------------- save

bool frmExpedientes1::grabarExpediente(int &idExp, QString &error) {
    const QString presupuesto = ui->Text1_6->text().trimmed();
    double importe = 0;
    if (!presupuesto.isEmpty()) {
        bool ok = false;
        importe = numeroLocal(presupuesto, &ok);
        if (!ok) {
            error = QStringLiteral("El presupuesto «%1» no es un número.").arg(presupuesto);
            return false;
        }
    }
    const auto textoONulo = [](Campos &campos, const QString &columna, short tipo, const QString &texto) {
        if (texto.isEmpty())
            campos.Add(columna, kCampoSql, QStringLiteral("Null"), 2);
        else
            campos.Add(columna, tipo, texto, 2);
    };
    MyBd *bd = sesionBd();
    bd->LimpiarCampos(0);
    bd->setTabla(QStringLiteral("Exp"));
    Campos &campos = bd->Campos();
    campos.Add(QStringLiteral("Exp_Fini"), kCampoFecha, ui->Text1_2->text(), 2);
    textoONulo(campos, QStringLiteral("Exp_FFin"), kCampoFecha, ui->Text1_3->text());
    campos.Add(QStringLiteral("Exp_IdCli"), kCampoEntero, gExpe->IdCliente(), 2);
    campos.Add(QStringLiteral("Exp_IdTipo"), kCampoEntero, ui->cboTipo->currentIndex(), 2);
    campos.Add(QStringLiteral("Exp_Des"), kCampoTexto, ui->Text1_4->toPlainText(), 2);
    campos.Add(QStringLiteral("Exp_Obs"), kCampoTexto, ui->Text1_5->text(), 2);
    campos.Add(QStringLiteral("Exp_Proceso"), kCampoTexto, QString::number(gExpe->nProceso()), 2);
    campos.Add(QStringLiteral("Exp_Origen"), kCampoTexto, QString::number(gExpe->Origen()), 2);
    campos.Add(QStringLiteral("Exp_Presup"), kCampoImporte, importe, 2);
    campos.Add(QStringLiteral("Exp_Estado"), kCampoEntero, ui->cboEstado->currentText().left(2), 2);
    textoONulo(campos, QStringLiteral("Exp_Codigo"), kCampoTexto, ui->Text1_7->text());
    textoONulo(campos, QStringLiteral("Exp_Ubicacion"), kCampoTexto, ui->Text1_8->text());
    if (idExp != 0) {
        bd->setCondicion(QStringLiteral(" WHERE Exp_Id = ") + QString::number(idExp));
        return bd->Modificar(error);
    }
    campos.Add(QStringLiteral("Exp_IdUsu"), kCampoEntero, bd->IdUsuario(), 2);
    bd->setCondicion(QString());
    if (!bd->Insertar(error))
        return false;
    idExp = int(bd->UltimoId());
    return true;
}

bool frmExpedientes1::grabarEstado(int idExp, QString &error) {
    MyBd *bd = sesionBd();
    bd->LimpiarCampos(0);
    bd->setTabla(QStringLiteral("Est"));
    Campos &campos = bd->Campos();
    campos.Add(QStringLiteral("Est_IdUsu"), kCampoEntero, bd->IdUsuario(), 2);
    campos.Add(QStringLiteral("Est_Proceso"), kCampoEntero, gExpe->nProceso(), 2);
    campos.Add(QStringLiteral("Est_IdTabla"), kCampoEntero, idExp, 2);
    campos.Add(QStringLiteral("Est_Estado"), kCampoEntero, ui->cboEstado->currentIndex() + 1, 2);
    campos.Add(QStringLiteral("Est_Festado"), kCampoSql, QStringLiteral("Getdate()"), 2);
    campos.Add(QStringLiteral("Est_Obs"), kCampoSql, QStringLiteral("Null"), 2);
    bd->setCondicion(QString());
    return bd->Insertar(error);
}

bool frmExpedientes1::grabarPermisos(int idExp, bool todos, QString &error) {
    MyBd *bd = sesionBd();
    QString sql = QStringLiteral("SELECT * FROM vmcomun.dbo.Usuarios");
    if (!todos)
        sql += QStringLiteral(" WHERE Usu_Id = ") + QString::number(bd->IdUsuario());
    Recordset rs = sesionConexion()->Execute(sql);
    if (!rs.ok()) {
        error = rs.error();
        return false;
    }
    QList<int> usuarios;
    for (; !rs.isEOF(); rs.MoveNext())
        usuarios << rs.Fields(QStringLiteral("Usu_Id")).toInt();
    rs.Close();
    for (int idUsu : usuarios) {
        bd->LimpiarCampos(0);
        bd->setTabla(QStringLiteral("ExpPer"));
        bd->Campos().Add(QStringLiteral("ExpPer_IdExp"), kCampoEntero, idExp, 2);
        bd->Campos().Add(QStringLiteral("ExpPer_IdUsu"), kCampoEntero, idUsu, 2);
        bd->setCondicion(QString());
        if (!bd->Insertar(error))
            return false;
    }
    return true;
}

void frmExpedientes1::cmdGrabar_Click() {
    Conexion *c = sesionConexion();
    if (!c)
        return;
    if (!c->BeginTrans()) {
        avisar(this, QStringLiteral("No se ha guardado el expediente.\n") + c->lastError());
        return;
    }
    const bool nuevo = gExpe->IdExp() == 0;
    int idExp = gExpe->IdExp();
    QString error;
    bool ok = grabarExpediente(idExp, error);
    bool todos = false;
    if (ok && nuevo)
        todos = MsgBox(QStringLiteral("Desea dar permisos a todos los usuarios para poder trabajar con el nuevo "
                                      "expediente"),
                       vb::vbYesNo | vb::vbQuestion)
                == vb::vbYes;
    ok = ok && grabarEstado(idExp, error) && (!nuevo || grabarPermisos(idExp, todos, error));
    if (ok && !c->CommitTrans()) {
        error = c->lastError();
        ok = false;
    }
    if (!ok) {
        // Nothing of this save stays, and the fields keep what the user typed.
        c->RollbackTrans();
        avisar(this, QStringLiteral("No se ha guardado el expediente.\n") + error);
        return;
    }
    if (nuevo)
        gExpe->setIdExp(idExp);
    avisar(this, QStringLiteral("Proceso concluido"), vb::vbInformation);
    if (const QString fallo = msCargarExpediente(); !fallo.isEmpty())
        MsgBox(QStringLiteral("Error (Expedientes 1[1]): ") + fallo, vb::vbCritical);
}

// ---------------------------------------------------------------- keys, fields, buttons

void frmExpedientes1::XPButton1_Click() { reject(); }

void frmExpedientes1::Command1_Click() {
    QString error;
    const std::unique_ptr<QObject> ficha = Componentes::crear(QStringLiteral("VMCLIENTES.VMCLI"), &error);
    const bool ok = ficha
                    && Componentes::asignar(ficha.get(), "MyBd", QVariant::fromValue<QObject *>(sesionBd()), &error)
                    && Componentes::asignar(ficha.get(), "idCli", gExpe->IdCliente(), &error)
                    && Componentes::llamar(ficha.get(), "vShow", nullptr, &error);
    if (!ok)
        avisar(this, QStringLiteral("No se puede mostrar la ficha.\n") + error);
}


QString frmExpedientes1::formatoImporte() const {
    const int decimales = sesionBd() ? sesionBd()->Parametros().Item(QStringLiteral("par_decpre")).Valor.toInt() : 2;
    return QStringLiteral("#,##0.") + QString(qMax(decimales, 0), u'0');
}

bool frmExpedientes1::eventFilter(QObject *obj, QEvent *ev) {
    const bool fecha = obj == ui->Text1_2 || obj == ui->Text1_3;
    if (ev->type() == QEvent::FocusIn) {
        // Dates are edited as bare digits.
        if (fecha)
            static_cast<QLineEdit *>(obj)->setText(static_cast<QLineEdit *>(obj)->text().remove(u'/'));
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
