#include "frmtipos.h"
#include "ui_frmTipos.h"

#include "conexion.h"
#include "dialogos.h"
#include "modexp.h"
#include "mybd.h"
#include "pantallas.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QSqlRecord>
#include <QStyle>

#include <algorithm>
#include <optional>

namespace {
const frmTipos::Catalogo kTiposExp{
    .pantalla = QStringLiteral("frmTiposExp"),
    .titulo = QStringLiteral("Tipos de Expedientes"),
    .altoTwips = 3555,
    .sql = DatosTipos::kTiposExp,
    .campoId = QStringLiteral("Tex_Id"),
    .campoDes = QStringLiteral("Tex_Des"),
    .mensajeEnUso = QStringLiteral("Existen expedientes del tipo que intenta eliminarse. La acción no se puede ejecutar"),
    .buscarGuardado = QStringLiteral("Tex_Id = "),
    .buscarCodigo = QStringLiteral("Tex_ID = "),
};

const frmTipos::Catalogo kTiposAct{
    .pantalla = QStringLiteral("frmTiposAct"),
    .titulo = QStringLiteral("Tipos de Actuaciones"),
    .altoTwips = 3540,
    .sql = DatosTipos::kTiposAct,
    .campoId = QStringLiteral("Tac_Id"),
    .campoDes = QStringLiteral("Tac_Des"),
    .mensajeEnUso = QStringLiteral("Existen actuaciones del tipo que intenta eliminarse. La acción no se puede ejecutar"),
    .buscarGuardado = QStringLiteral("Tac_Id = "),
    .buscarCodigo = QStringLiteral("Tac_ID = "),
};

void registrar(const frmTipos::Catalogo &c) {
    Pantallas::registrar(c.pantalla, [&c](QWidget *padre) -> QDialog * { return new frmTipos(c, padre); });
}

[[maybe_unused]] const bool registradas = (registrar(kTiposExp), registrar(kTiposAct), true);

// The code field as a type id; "NUEVO", an empty field or text is none.
std::optional<qlonglong> numero(const QString &texto) {
    bool ok = false;
    const qlonglong n = texto.trimmed().toLongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

const QString kCodigoNoValido = QStringLiteral("El código no es el número de un tipo guardado");
} // namespace

frmTipos::frmTipos(const Catalogo &catalogo, QWidget *parent)
    : Formulario(parent), m_cat(catalogo), ui(std::make_unique<Ui::frmTipos>()), m_datos(sesionBd(), catalogo.sql) {
    ui->setupUi(this);
    setObjectName(m_cat.pantalla);
    setWindowTitle(m_cat.titulo);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(px(7440), px(m_cat.altoTwips));
    QPalette fondo = palette();
    fondo.setColor(QPalette::Window, QColor(237, 222, 154));
    setPalette(fondo);
    setAutoFillBackground(true);
    if (QScreen *pantalla = screen())
        move(pantalla->availableGeometry().center() - rect().center());
    ponerIconos();

    registrarCampo(ui->Text1_0, Campo::Filtrado);
    registrarCampo(ui->Text1_1);
    connect(ui->cmdNuevo, &QPushButton::clicked, this, &frmTipos::cmdNuevo_Click);
    connect(ui->cmdGuardar, &QPushButton::clicked, this, &frmTipos::cmdGuardar_Click);
    connect(ui->CmdBorrar, &QPushButton::clicked, this, &frmTipos::CmdBorrar_Click);
    connect(ui->cmdCancelar, &QPushButton::clicked, this, &frmTipos::cmdCancelar_Click);
    connect(ui->cmdSalir, &QPushButton::clicked, this, &frmTipos::cmdSalir_Click);

    Form_Load();
    prepararTeclado();
}

frmTipos::~frmTipos() = default;

void frmTipos::ponerIconos() {
    const std::pair<QPushButton *, QStyle::StandardPixmap> iconos[] = {
        {ui->cmdNuevo, QStyle::SP_FileIcon},
        {ui->cmdGuardar, QStyle::SP_DialogSaveButton},
        {ui->CmdBorrar, QStyle::SP_TrashIcon},
        {ui->cmdCancelar, QStyle::SP_DialogCancelButton},
        {ui->cmdSalir, QStyle::SP_DialogCloseButton},
    };
    for (const auto &[boton, icono] : iconos)
        boton->setIcon(style()->standardIcon(icono));
}

void frmTipos::Form_Load() {
    if (const QString error = msCargarGrid(); !error.isEmpty())
        setErrorCarga(QStringLiteral("Error (%1): %2").arg(m_cat.titulo, error));
    else
        mostrarFila(0);
}

void frmTipos::avisarError(const QString &error) {
    MsgBox(QStringLiteral("Error (%1): %2").arg(m_cat.titulo, error), vb::vbCritical);
}

QString frmTipos::msCargarGrid() {
    RecordsetModel *lista = nullptr;
    if (const Resultado r = m_datos.lista(this, lista); !r)
        return r.mensaje();
    rs = cambiarModelo(ui->dbgFco, lista, rs);
    connect(ui->dbgFco->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &frmTipos::rs_MoveComplete,
            Qt::UniqueConnection);

    rs->setHeaderData(0, Qt::Horizontal, QStringLiteral("Codigo"));
    rs->setHeaderData(1, Qt::Horizontal, QStringLiteral("Descripcion"));
    anchoColumna(ui->dbgFco, ui->dbgFco->horizontalHeader(), 0, 1000);
    anchoColumna(ui->dbgFco, ui->dbgFco->horizontalHeader(), 1, 5000);
    return {};
}

int frmTipos::filaActual() const {
    const QModelIndex actual = ui->dbgFco->currentIndex();
    return actual.isValid() ? actual.row() : -1;
}

void frmTipos::rs_MoveComplete() {
    if (filaActual() >= 0)
        msPintaCajas();
}

void frmTipos::msPintaCajas() {
    const int fila = filaActual();
    const auto valor = [&](const QString &campo) {
        return rs->data(rs->index(fila, rs->record().indexOf(campo))).toString();
    };
    ui->Text1_0->setText(valor(m_cat.campoId));
    ui->Text1_1->setText(valor(m_cat.campoDes));
}

int frmTipos::filaDonde(const QString &criterio, int desde) const {
    const qsizetype igual = criterio.indexOf(u'=');
    const int columna = rs->record().indexOf(criterio.left(igual).trimmed());
    const auto buscado = numero(criterio.mid(igual + 1));
    if (igual < 0 || columna < 0 || !buscado)
        return -1;
    for (int fila = std::max(desde, 0); fila < rs->rowCount(); ++fila)
        if (rs->data(rs->index(fila, columna)).toLongLong() == *buscado)
            return fila;
    return -1;
}

void frmTipos::moverA(int fila) {
    if (fila < 0) {
        // Set explicitly, so that the grid taking the focus does not pick its first row.
        ui->dbgFco->clearSelection();
        ui->dbgFco->setCurrentIndex(QModelIndex());
    } else if (fila == filaActual()) {
        rs_MoveComplete(); // onto the same row: no change signal, but a move repaints
    } else {
        ui->dbgFco->setCurrentIndex(rs->index(fila, 0));
    }
}

void frmTipos::mostrarFila(int fila) {
    if (rs->rowCount() == 0) {
        moverA(-1);
        ui->Text1_0->clear();
        ui->Text1_1->clear();
        return;
    }
    moverA(std::clamp(fila, 0, rs->rowCount() - 1));
}

void frmTipos::cmdNuevo_Click() {
    m_nuevo = true;
    ui->Text1_0->setText(QStringLiteral("NUEVO"));
    ui->Text1_1->clear();
    ui->Text1_1->setFocus();
}

void frmTipos::CmdBorrar_Click() {
    const QString codigo = ui->Text1_0->text();
    const auto id = numero(codigo);
    if (!id) {
        MsgBox(kCodigoNoValido + QStringLiteral(": no se ha borrado nada."), vb::vbExclamation);
        return;
    }
    bool usado = false;
    if (const Resultado r = m_datos.enUso(*id, usado); !r) {
        avisarError(r.mensaje());
        return;
    }
    if (usado) {
        MsgBox(m_cat.mensajeEnUso, vb::vbOKOnly);
        return;
    }
    const QString pregunta = QStringLiteral("Confirma la eliminacion del registro ") + QStringLiteral("\n") + codigo
                             + QStringLiteral(" ") + ui->Text1_1->text();
    if (MsgBox(pregunta, vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2) == vb::vbYes) {
        if (const Resultado r = m_datos.borrar(*id, usado); !r)
            avisarError(r.mensaje());
        else if (usado)
            MsgBox(m_cat.mensajeEnUso, vb::vbOKOnly);
    }
    // Answered either way: the list is read again, on the row that now stands where this one did.
    const int fila = filaActual();
    if (const QString error = msCargarGrid(); !error.isEmpty())
        avisarError(error);
    else
        mostrarFila(fila);
    ui->dbgFco->setFocus();
}

QString frmTipos::grabar(const QString &codigo) {
    if (ui->Text1_1->text().trimmed().isEmpty())
        return QStringLiteral("Escriba la descripción del tipo.");
    const auto id = numero(codigo);
    if (!m_nuevo && !id)
        return kCodigoNoValido + QStringLiteral("; pulse «Nuevo» para añadir un tipo.");
    if (m_nuevo)
        return m_datos.insertar(ui->Text1_1->text()).mensaje();
    // The description listed for that code is what the save expects to find stored.
    std::optional<QString> cargada;
    if (const int fila = filaDonde(m_cat.buscarCodigo + QString::number(*id), 0); fila >= 0)
        cargada = rs->data(rs->index(fila, rs->record().indexOf(m_cat.campoDes))).toString();
    return m_datos.renombrar(*id, cargada, ui->Text1_1->text()).mensaje();
}

void frmTipos::cmdGuardar_Click() {
    const QString guardado = ui->Text1_0->text();
    QString error = grabar(guardado);
    if (error.isEmpty())
        error = msCargarGrid();
    if (error.isEmpty()) {
        m_nuevo = false;
        // A new type (code "NUEVO") is the row of the key just generated, the last one;
        // a typed code is looked for, and a typed id that did not exist is not found.
        const auto id = numero(guardado);
        if (id)
            moverA(filaDonde(m_cat.buscarGuardado + QString::number(*id), filaActual()));
        else
            moverA(filaDonde(m_cat.buscarGuardado + QString::number(sesionBd()->UltimoId()), 0));
        ui->dbgFco->setFocus();
    }
    if (!error.isEmpty())
        MsgBox(QStringLiteral("Error al actualizar ") + QStringLiteral("\n") + error, vb::vbOKOnly);
}

void frmTipos::cmdCancelar_Click() {
    m_nuevo = false;
    mostrarFila(std::max(filaActual(), 0));
}

void frmTipos::cmdSalir_Click() {
    // Leaves exactly as the Escape key does.
    QKeyEvent escape(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    Form_KeyUp(&escape);
}

void frmTipos::Text1_LostFocus() {
    const auto id = numero(ui->Text1_0->text());
    if (!id)
        return;
    bool existe = false;
    if (const Resultado r = m_datos.existe(*id, existe); !r) {
        avisarError(r.mensaje());
        return;
    }
    if (existe) {
        m_nuevo = false;
        moverA(filaDonde(m_cat.buscarCodigo + QString::number(*id), 0));
    } else {
        // Saving will insert, under the next id the database gives, not this one.
        m_nuevo = true;
    }
}

bool frmTipos::eventFilter(QObject *obj, QEvent *ev) {
    const bool tratado = Formulario::eventFilter(obj, ev);
    // Only a move inside the screen leaves the field; a message box taking the
    // focus away is not the user leaving the code.
    if (obj == ui->Text1_0 && ev->type() == QEvent::FocusOut) {
        const Qt::FocusReason motivo = static_cast<QFocusEvent *>(ev)->reason();
        if (motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason)
            Text1_LostFocus();
    }
    return tratado;
}
