#include "frmexpedientes2.h"
#include "ui_frmExpedientes2.h"

#include "carpetatrabajo.h"
#include "componentes.h"
#include "cutilidades.h"
#include "conexion.h"
#include "datosactuacion.h"
#include "dialogos.h"
#include "documentos.h"
#include "mcommondialog.h"
#include "modexp.h"
#include "mshellexecute.h"
#include "mybd.h"
#include "numeros.h"
#include "pantallas.h"
#include "vmexpe.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

REGISTRAR_PANTALLA(frmExpedientes2);

namespace {
const QColor kFondo(192, 192, 255);
const QColor kTituloMarco(192, 0, 0);

// The scanner button's picture: a flatbed with its lid up and the light on.
QIcon iconoEscaner() {
    QPixmap dibujo(16, 16);
    dibujo.fill(Qt::transparent);
    QPainter p(&dibujo);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(120, 150, 210));
    p.drawRect(2, 1, 11, 5);
    p.setBrush(QColor(210, 210, 210));
    p.drawRect(1, 7, 14, 7);
    p.setPen(QPen(QColor(0, 170, 0), 2));
    p.drawLine(3, 10, 12, 10);
    return QIcon(dibujo);
}

// "###,##0.00": grouped thousands always (the locale's own rules leave 4-digit
// numbers ungrouped), two decimals, as the amount field shows them on exit.
QString formatoImporte(double valor) { return textoImporte(valor, 2); }
} // namespace

frmExpedientes2::frmExpedientes2(QWidget *parent)
    : Formulario(parent), ui(new Ui::frmExpedientes2), m_datos(std::make_unique<DatosActuacion>(sesionBd())) {
    // The server reads while the widgets are built.
    const FinAdelanto finAdelanto{sesionConexion()};
    if (sesionConexion())
        m_datos->adelantarCarga(gExpe->IdAct());
    ui->setupUi(this);
    setObjectName(QStringLiteral("frmExpedientes2"));
    prepararControles();
    Form_Load();
    setF1PoneMarca(true);
    prepararTeclado();
}

frmExpedientes2::~frmExpedientes2() = default;

void frmExpedientes2::prepararControles() {
    // The form and both frames in light blue, frame captions in dark red.
    QPalette fondo = palette();
    fondo.setColor(QPalette::Window, kFondo);
    setPalette(fondo);
    setAutoFillBackground(true);
    for (QWidget *marco : {static_cast<QWidget *>(ui->Frame2), static_cast<QWidget *>(ui->Frame1)})
        marco->setStyleSheet(QStringLiteral("QGroupBox { background-color: %1; } QGroupBox::title { color: %2; }")
                                 .arg(kFondo.name(), kTituloMarco.name()));

    // A font wider than the form was drawn for would cut the check box's caption at
    // the frame's edge: it keeps its top and grows to the left instead.
    const QRect web = ui->chkWeb->geometry();
    const int ancho = qMax(web.width(), ui->chkWeb->sizeHint().width());
    ui->chkWeb->setGeometry(qMin(web.x(), ui->Frame2->width() - ancho - 2), web.y(), ancho, web.height());

    registrarCampo(ui->Text1_8, Campo::Fecha);
    registrarCampo(ui->Text1_9, Campo::Importe);
    registrarCamposTexto();
    editarSinBarras(ui->Text1_8);

    prepararDocumentos();
    connect(ui->cmdGuardar, &QPushButton::clicked, this, &frmExpedientes2::cmdGuardar_Click);
    connect(ui->cmdCancelar, &QPushButton::clicked, this, &frmExpedientes2::cmdCancelar_Click);
}

void frmExpedientes2::Form_Load() {
    setWindowTitle(tituloVentana());
    if (const Resultado r = m_datos->decimales(m_decimales); !r)
        avisarFallo(r);
    msCargarActuacion();
    ajustarTamano(gExpe->IdAct() != 0);
    ui->Frame1->setEnabled(gExpe->IdAct() != 0);
    // Opens centred on the screen, whoever the opener is.
    if (QScreen *pantalla = screen())
        move(pantalla->availableGeometry().center() - rect().center());
}

void frmExpedientes2::ajustarTamano(bool completo) {
    setFixedSize(px(kAncho), px(completo ? kAltoCompleto : kAltoCompacto));
    ui->Frame2->resize(ui->Frame2->width(), px(completo ? kAltoMarcoCompleto : kAltoMarcoCompacto));
}

void frmExpedientes2::avisarFallo(const Resultado &r) {
    avisar(QStringLiteral("Error (Expedientes 2): ") + r.mensaje(), vb::vbCritical);
}

void frmExpedientes2::msCargarActuacion() {
    // The list position is the stored type id: "Sin definir" is 0.
    ui->cboActu->clear();
    ui->cboActu->addItem(QStringLiteral("Sin definir"));
    QStringList tipos;
    const Resultado leidos = m_datos->tipos(tipos);
    ui->cboActu->addItems(tipos);
    ui->cboActu->setCurrentIndex(0);
    if (!leidos)
        avisarFallo(leidos);

    const int idAct = gExpe->IdAct();
    if (idAct == 0) {
        ui->Text1_8->setText(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        return;
    }
    RegistroActuacion r;
    bool existe = false;
    if (const Resultado leida = m_datos->actuacion(idAct, r, existe); !leida)
        avisarFallo(leida);
    if (existe) {
        ui->Text1_8->setText(r.fecha.toDate().toString(QStringLiteral("dd/MM/yyyy")));
        ui->Text1_9->setText(formatoImporte(r.importe.toDouble()));
        ui->Text1_10->setText(r.des.toString());
        m_idTacCargado = r.idTac.toInt();
        ui->cboActu->setCurrentIndex(m_idTacCargado < ui->cboActu->count() ? m_idTacCargado : -1);
        ui->Text1_1->setText(r.operario.toString());
        ui->chkWeb->setChecked(r.idOperario.toInt() != 0);
    }
    msCargarDocumentos();
}

// ---------------------------------------------------------------- saving

bool frmExpedientes2::grabarActuacion() {
    ValoresActuacion v;
    v.fecha = ui->Text1_8->text();
    v.idExp = gExpe->IdExp();
    // A type missing from the list keeps the one stored rather than becoming 0.
    v.idTac = ui->cboActu->currentIndex() >= 0 ? ui->cboActu->currentIndex() : m_idTacCargado;
    v.descripcion = ui->Text1_10->text();
    // An amount that does not read as a number goes as typed: the writer refuses it.
    v.importe = 0;
    if (!ui->Text1_9->text().isEmpty()) {
        bool ok = false;
        const double n = numeroLocal(ui->Text1_9->text(), &ok);
        v.importe = ok ? QVariant(n) : QVariant(ui->Text1_9->text());
    }
    v.operario = ui->Text1_1->text();
    v.web = ui->chkWeb->isChecked();

    int idAct = gExpe->IdAct();
    const Resultado r = m_datos->grabar(v, idAct);
    if (r) {
        gExpe->setIdAct(idAct);
        return true;
    }
    avisar(QStringLiteral("No se ha podido grabar la actuación.\n") + r.mensaje(), vb::vbOKOnly | vb::vbCritical);
    return false;
}

void frmExpedientes2::cmdGuardar_Click() {
    if (!grabarActuacion())
        return;
    if (gExpe->IdActF() != 0) {
        avisar(QStringLiteral("Grabación realizada. "), vb::vbOKOnly | vb::vbInformation);
        return;
    }
    if (avisar(QStringLiteral("Grabación realizada. Desea agregar documentos a esta actuación"),
               vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton1)
        != vb::vbYes) {
        close();
        return;
    }
    ajustarTamano(gExpe->IdAct() != 0);
    ui->Frame1->setEnabled(true);
    if (QScreen *pantalla = screen())
        move(x(), pantalla->geometry().height() / 2 - height() / 2);
}

void frmExpedientes2::cmdCancelar_Click() { close(); }

// ---------------------------------------------------------------- keyboard and fields


bool frmExpedientes2::eventFilter(QObject *obj, QEvent *ev) {
    auto *campo = qobject_cast<QLineEdit *>(obj);
    const bool hecho = Formulario::eventFilter(obj, ev);
    if (campo && ev->type() == QEvent::FocusOut)
        Text1_LostFocus(campo);
    return hecho;
}

void frmExpedientes2::Text1_LostFocus(QLineEdit *campo) {
    // The base has already left the field with an empty format; a filled date or
    // amount is formatted on top of that.
    if (campo->text().isEmpty())
        return;
    if (campo == ui->Text1_8)
        utilidades()->SalirCampo(campo, QStringLiteral("dd/mm/yyyy"));
    else if (campo == ui->Text1_9)
        utilidades()->SalirCampo(campo, QStringLiteral("#,##0.") + QString(m_decimales, u'0'));
}

// ---------------------------------------------------------------- documents

void frmExpedientes2::prepararDocumentos() {
    m_documentos = std::make_unique<Documentos>(this, m_datos.get(), ui->Text1_0, ui->Text1_7, ui->Text1_2);

    QTreeWidget *lista = ui->ListView1;
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    const struct {
        const char *clave;
        int ancho;
    } columnas[] = {{"FICHERO", 2000}, {"DETALLE", 7000}, {"PROPIETARIO", 1440}};
    for (int i = 0; i < 3; ++i) {
        lista->headerItem()->setData(i, kRolClave, QString::fromLatin1(columnas[i].clave));
        lista->setColumnWidth(i, px(columnas[i].ancho));
    }
    // Widened again as documents come and change, so that names show whole.
    auto ajustar = [lista, columnas] {
        for (int i = 0; i < 3; ++i)
            anchoColumna(lista, lista->header(), i, columnas[i].ancho);
    };
    connect(lista->model(), &QAbstractItemModel::rowsInserted, this, ajustar);
    connect(lista->model(), &QAbstractItemModel::dataChanged, this, ajustar);
    // A row reached with the keyboard is as current as a clicked one.
    connect(lista, &QTreeWidget::itemClicked, this, &frmExpedientes2::ListView1_ItemClick);
    connect(lista, &QTreeWidget::currentItemChanged, this, &frmExpedientes2::ListView1_ItemClick);
    connect(lista, &QTreeWidget::itemDoubleClicked, this, &frmExpedientes2::ListView1_DblClick);

    ui->ARCHIVO->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    ui->ESCANER->setIcon(iconoEscaner());
    ui->GUARDA->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    ui->VER->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    ui->ELIMINAR->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    for (QAction *boton : {ui->ARCHIVO, ui->ESCANER, ui->GUARDA, ui->VER, ui->ELIMINAR})
        connect(boton, &QAction::triggered, this, [this, boton] { Toolbar1_ButtonClick(boton); });

    // The new-document button also drops down its two sources.
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuNuevo"));
    menu->addAction(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Desde un fichero..."))
        ->setObjectName(QStringLiteral("mnuNuevo_1"));
    menu->addAction(iconoEscaner(), QStringLiteral("Desde el escáner..."))->setObjectName(QStringLiteral("mnuNuevo_2"));
    ui->ARCHIVO->setMenu(menu);
    if (auto *b = qobject_cast<QToolButton *>(ui->Toolbar1->widgetForAction(ui->ARCHIVO)))
        b->setPopupMode(QToolButton::MenuButtonPopup);
    connect(menu, &QMenu::triggered, this, &frmExpedientes2::Toolbar1_ButtonMenuClick);

    // The toolbar gets the height its captions need under the icons; the list gives up
    // the difference, so that the frame keeps its size.
    const int falta = ui->Toolbar1->sizeHint().height() - ui->Toolbar1->height();
    if (falta > 0) {
        const int bajoLista = lista->geometry().bottom();
        for (QWidget *w : ui->Frame1->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (w->y() > bajoLista)
                w->move(w->x(), w->y() - falta);
        ui->Toolbar1->resize(ui->Toolbar1->width(), ui->Toolbar1->height() + falta);
        lista->resize(lista->width(), lista->height() - falta);
    }
}

void frmExpedientes2::msCargarDocumentos() {
    QList<Documento> documentos;
    const Resultado r = m_datos->documentos(gExpe->IdAct(), documentos);
    // Where each document holds the words the case file was found by; a list without
    // them is still a list.
    QHash<int, QString> fragmentos;
    if (r && !gBusquedaDocumentos.isEmpty())
        m_datos->fragmentos(gExpe->IdAct(), gBusquedaDocumentos, fragmentos);
    QTreeWidget *lista = ui->ListView1;
    lista->clear();
    for (const Documento &d : std::as_const(documentos)) {
        auto *fila = new QTreeWidgetItem({d.fichero, d.descripcion, d.operario});
        fila->setData(0, kRolClave, QStringLiteral("K") + QString::number(d.id));
        fila->setData(0, kRolTag, d.id);
        if (const QString fragmento = fragmentos.value(d.id); !fragmento.isEmpty())
            for (int columna = 0; columna < 3; ++columna)
                fila->setToolTip(columna, fragmento);
        lista->addTopLevelItem(fila);
    }
    if (!r)
        avisarFallo(r);
    if (lista->topLevelItemCount() > 0) {
        lista->setCurrentItem(lista->topLevelItem(0));
        ListView1_ItemClick();
    }
}

QTreeWidgetItem *frmExpedientes2::filaSeleccionada() const {
    const QList<QTreeWidgetItem *> filas = ui->ListView1->selectedItems();
    return filas.isEmpty() ? nullptr : filas.first();
}

int frmExpedientes2::idSeleccionado() const {
    const QTreeWidgetItem *fila = filaSeleccionada();
    return fila ? fila->data(0, kRolClave).toString().mid(1).toInt() : 0;
}

void frmExpedientes2::ListView1_ItemClick() {
    const QTreeWidgetItem *fila = filaSeleccionada();
    if (!fila)
        return;
    ui->Text1_7->setText(fila->text(0));
    ui->Text1_0->setText(fila->text(1));
    ui->Text1_2->setText(fila->text(2));
    gExpe->setIdActF(fila->data(0, kRolTag).toInt());
}

void frmExpedientes2::ListView1_DblClick() {
    const QTreeWidgetItem *fila = filaSeleccionada();
    if (!fila)
        return;
    if (const int tag = fila->data(0, kRolTag).toInt(); tag > 0)
        gExpe->setIdActF(tag);
    if (idSeleccionado() > 0)
        msVerDocumento();
}

void frmExpedientes2::Toolbar1_ButtonClick(QAction *boton) {
    const int seleccionado = idSeleccionado();
    const QString clave = boton->objectName().toUpper();
    if (clave == QLatin1String("ARCHIVO"))
        nuevoDesdeFichero();
    else if (clave == QLatin1String("ESCANER"))
        nuevoDesdeEscaner();
    else if (clave == QLatin1String("GUARDA")) {
        if (gExpe->IdActF() > 0)
            grabarDocumento();
    } else if (clave == QLatin1String("VER")) {
        if (seleccionado > 0)
            msVerDocumento();
    } else if (clave == QLatin1String("ELIMINAR")) {
        if (seleccionado >= 1)
            eliminarDocumento(filaSeleccionada(), seleccionado);
    }
}

void frmExpedientes2::Toolbar1_ButtonMenuClick(QAction *entrada) {
    gExpe->setIdActF(0);
    const int indice = int(ui->ARCHIVO->menu()->actions().indexOf(entrada)) + 1;
    if (indice == 1)
        nuevoDesdeFichero();
    else if (indice == 2)
        nuevoDesdeEscaner();
}

void frmExpedientes2::nuevoDesdeFichero() {
    gExpe->setIdActF(0);
    QString ruta;
    if (!elegirFichero(ruta)) {
        ui->Text1_7->setProperty(Documentos::kTag, QString());
        ui->Text1_7->clear();
        return;
    }
    grabarNuevoDocumento(ruta);
}

void frmExpedientes2::nuevoDesdeEscaner() {
    // Nothing on the editor may be used while the scanner works.
    setEnabled(false);
    gExpe->setIdActF(0);
    msEscanearDocumento();
    setEnabled(true);
}

void frmExpedientes2::msEscanearDocumento() {
    const QString ruta = CarpetaTrabajo::rutaEscaneo();
    std::unique_ptr<QObject> escaner;
    Resultado r = Componentes::crear(QStringLiteral("VMTwain.vTwain"), escaner);
    if (r)
        r = Componentes::asignar(escaner.get(), "fichero", ruta);
    if (r)
        r = Componentes::llamar(escaner.get(), "vConfig");
    QVariant escaneado;
    if (r)
        r = Componentes::leer(escaner.get(), "resultado", escaneado);
    if (!r) {
        MsgBox(r.mensaje(), vb::vbOKOnly | vb::vbCritical);
        return;
    }
    if (!escaneado.toBool())
        return;
    QCoreApplication::processEvents();
    grabarNuevoDocumento(ruta);
    QFile::remove(ruta);
}

void frmExpedientes2::grabarNuevoDocumento(const QString &ruta) {
    ui->Text1_7->setText(ruta.mid(ruta.lastIndexOf(u'/') + 1));
    ui->Text1_7->setProperty(Documentos::kTag, ruta);
    ui->Text1_0->setText(InputBox(QStringLiteral("Introduzca la descripción para este documento")));
    int administrador = 0;
    ui->Text1_2->setText(FnNombreUsuario(sesionBd()->IdUsuario(), administrador));
    grabarDocumento();
}

void frmExpedientes2::grabarDocumento() {
    m_documentos->mfGrabarDocumento();
    msCargarDocumentos();
}

void frmExpedientes2::eliminarDocumento(QTreeWidgetItem *fila, int id) {
    if (MsgBox(QStringLiteral("Realmente desea Eliminar el Fichero ") + fila->text(0),
               vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton1)
        != vb::vbYes)
        return;
    // The contents row stays; only the document row goes.
    if (const Resultado r = m_datos->eliminarDocumento(id); !r)
        MsgBox(QStringLiteral("No se ha podido eliminar el fichero.\n") + r.mensaje(), vb::vbOKOnly | vb::vbCritical);
    msCargarDocumentos();
}

void frmExpedientes2::msVerDocumento() {
    if (QString ruta; m_documentos->LoadFileFromDB(&ruta)) {
        abrirConShell(ruta);
        return;
    }
    avisar(QStringLiteral("Error en la recuperación del fichero"), vb::vbOKOnly | vb::vbCritical);
}

bool frmExpedientes2::elegirFichero(QString &ruta) {
    QString nombre, titulo, carpeta, extension;
    bool debeExistir = true, multiple = false, soloLectura = false, ocultarSoloLectura = true;
    QString filtro = QStringLiteral("Ficheros Word (*.DOC)|*.DOC") + QStringLiteral("|Ficheros de Texto (*.TXT)|*.TXT")
                     + QStringLiteral("|Ficheros Excel (*.XLS)|*.XLS") + QStringLiteral("|Ficheros PDF (*.PDF)|*.PDF")
                     + QStringLiteral("|Cualquir Tipo (*.*)|*.*");
    int indice = 1, flags = 0;
    QString tituloDialogo = QStringLiteral("Selección de Fichero");
    QWidget *propietario = this;
    if (!mCommonDialog::FnDialogoAbrir(nombre, titulo, debeExistir, multiple, soloLectura, ocultarSoloLectura, filtro,
                                       indice, carpeta, tituloDialogo, extension, propietario, flags))
        return false;
    ruta = nombre;
    return true;
}

void frmExpedientes2::abrirConShell(const QString &ruta) {
    // Whether the desktop could open it is not reported.
    QString verbo = QStringLiteral("open");
    QWidget *propietario = this;
    mShellExecute::FnAbrirConShell(ruta, 10, QString(), QString(), verbo, propietario);
}
