#include "frmexpedientes2.h"
#include "ui_frmExpedientes2.h"

#include "conexion.h"
#include "cutilidades.h"
#include "dialogos.h"
#include "modexp.h"
#include "mybd.h"
#include "numeros.h"
#include "pantallas.h"
#include "vmexpe.h"

#include <QDate>
#include <QKeyEvent>
#include <QScreen>
#include <QValidator>

REGISTRAR_PANTALLA(frmExpedientes2);

namespace {
const QColor kFondo(192, 192, 255);
const QColor kTituloMarco(192, 0, 0);

// A field's maximum length limits what the user types or pastes, not what the screen
// puts there: a loaded or formatted amount may be longer than ten characters.
class LimiteTecleo : public QValidator {
public:
    LimiteTecleo(QLineEdit *campo, int maximo) : QValidator(campo), m_maximo(maximo) {
        connect(campo, &QLineEdit::textChanged, this, [this](const QString &t) { m_largo = t.size(); });
    }
    State validate(QString &texto, int &) const override {
        return texto.size() <= m_maximo || texto.size() <= m_largo ? Acceptable : Invalid;
    }

private:
    int m_maximo;
    qsizetype m_largo = 0; // the text before this edit
};

void limitarTecleo(QLineEdit *campo) {
    const int maximo = campo->maxLength();
    campo->setMaxLength(32767);
    campo->setValidator(new LimiteTecleo(campo, maximo));
}

// "###,##0.00": grouped thousands always (the locale's own rules leave 4-digit
// numbers ungrouped), two decimals, in the locale's separators.
QString formatoImporte(double valor) {
    const QLocale local;
    const QString cifras = QString::number(qAbs(valor), 'f', 2);
    const qsizetype punto = cifras.indexOf(u'.');
    QString entero = cifras.left(punto);
    for (qsizetype i = entero.size() - 3; i > 0; i -= 3)
        entero.insert(i, local.groupSeparator());
    const QString signo = valor < 0 && cifras != QLatin1String("0.00") ? QStringLiteral("-") : QString();
    return signo + entero + local.decimalPoint() + cifras.mid(punto + 1);
}
} // namespace

frmExpedientes2::frmExpedientes2(QWidget *parent) : Formulario(parent), ui(new Ui::frmExpedientes2) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("frmExpedientes2"));
    prepararControles();
    Form_Load();
    prepararTeclado();
}

frmExpedientes2::~frmExpedientes2() = default;

void frmExpedientes2::prepararControles() {
    // The positions are those of an 8-point form font.
    QFont letra = font();
    letra.setPointSize(8);
    setFont(letra);
    // The form and both frames in light blue, frame captions in dark red.
    QPalette fondo = palette();
    fondo.setColor(QPalette::Window, kFondo);
    setPalette(fondo);
    setAutoFillBackground(true);
    for (QWidget *marco : {static_cast<QWidget *>(ui->Frame2), static_cast<QWidget *>(ui->Frame1)})
        marco->setStyleSheet(QStringLiteral("QGroupBox { background-color: rgb(192,192,255); }"
                                            "QGroupBox::title { color: rgb(192,0,0); }"));

    for (QLineEdit *campo : findChildren<QLineEdit *>())
        limitarTecleo(campo);
    registrarCampo(ui->Text1_8, Campo::Fecha);
    registrarCampo(ui->Text1_9, Campo::Importe);
    registrarCamposTexto();

    connect(ui->cmdGuardar, &QPushButton::clicked, this, &frmExpedientes2::cmdGuardar_Click);
    connect(ui->cmdCancelar, &QPushButton::clicked, this, &frmExpedientes2::cmdCancelar_Click);
}

void frmExpedientes2::Form_Load() {
    setWindowTitle(QStringLiteral("Norbix. Gestión de Expedientes (versión %1.%2.%3)")
                       .arg(VMEXP_VERSION_MAJOR)
                       .arg(VMEXP_VERSION_MINOR)
                       .arg(VMEXP_VERSION_PATCH));
    m_decimales = sesionBd()->Parametros().Item(QStringLiteral("par_decpre")).Valor.toInt();
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

void frmExpedientes2::msCargarActuacion() {
    Conexion *cn = sesionConexion();
    // The list position is the stored type id: "Sin definir" is 0.
    ui->cboActu->clear();
    ui->cboActu->addItem(QStringLiteral("Sin definir"));
    Recordset tipos = cn->Execute(QStringLiteral("SELECT * FROM Tac ORDER BY Tac_Id"));
    for (; tipos.ok() && !tipos.isEOF(); tipos.MoveNext())
        ui->cboActu->addItem(tipos.Fields(1).toString());
    tipos.Close();
    ui->cboActu->setCurrentIndex(0);

    const int idAct = gExpe->IdAct();
    if (idAct == 0) {
        ui->Text1_8->setText(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        return;
    }
    Recordset rs = cn->Execute(QStringLiteral("SELECT * FROM Act WHERE Act_Id = ") + QString::number(idAct));
    if (rs.ok() && !rs.isEOF()) {
        ui->Text1_8->setText(rs.Fields(QStringLiteral("Act_Fecha")).toDate().toString(QStringLiteral("dd/MM/yyyy")));
        ui->Text1_9->setText(formatoImporte(rs.Fields(QStringLiteral("Act_Importe")).toDouble()));
        ui->Text1_10->setText(rs.Fields(QStringLiteral("Act_Des")).toString());
        m_idTacCargado = rs.Fields(QStringLiteral("Act_IdTac")).toInt();
        ui->cboActu->setCurrentIndex(m_idTacCargado < ui->cboActu->count() ? m_idTacCargado : -1);
        ui->Text1_1->setText(rs.Fields(QStringLiteral("Act_Operario")).toString());
        ui->chkWeb->setChecked(rs.Fields(QStringLiteral("Act_IdOperario")).toInt() != 0);
    }
    rs.Close();
}

// ---------------------------------------------------------------- saving

bool frmExpedientes2::grabarActuacion() {
    MyBd *bd = sesionBd();
    Conexion *cn = bd->Conexion();
    // A type missing from the list keeps the one stored rather than becoming 0.
    const int tipo = ui->cboActu->currentIndex() >= 0 ? ui->cboActu->currentIndex() : m_idTacCargado;
    // An amount that does not read as a number goes as typed: the writer refuses it.
    QVariant importe = 0;
    if (!ui->Text1_9->text().isEmpty()) {
        bool ok = false;
        const double n = numeroLocal(ui->Text1_9->text(), &ok);
        importe = ok ? QVariant(n) : QVariant(ui->Text1_9->text());
    }

    bd->LimpiarCampos(0);
    bd->setTabla(QStringLiteral("Act"));
    Campos &c = bd->Campos();
    c.Add(QStringLiteral("Act_Fecha"), kCampoFecha, ui->Text1_8->text(), 2);
    c.Add(QStringLiteral("Act_IdUsu"), kCampoEntero, bd->IdUsuario(), 2);
    c.Add(QStringLiteral("Act_IdExp"), kCampoEntero, gExpe->IdExp(), 2);
    c.Add(QStringLiteral("Act_IdTac"), kCampoEntero, tipo, 2);
    c.Add(QStringLiteral("Act_Des"), kCampoTexto, ui->Text1_10->text(), 2);
    c.Add(QStringLiteral("Act_Importe"), kCampoImporte, importe, 2);
    c.Add(QStringLiteral("Act_Estado"), kCampoEntero, 0, 2);
    c.Add(QStringLiteral("Act_IdUsuEstado"), kCampoSql, QStringLiteral("Null"), 2);
    c.Add(QStringLiteral("Act_FEstado"), kCampoSql, QStringLiteral("Null"), 2);
    c.Add(QStringLiteral("Act_Operario"), kCampoTexto, ui->Text1_1->text(), 2);
    c.Add(QStringLiteral("Act_IdOperario"), kCampoEntero, ui->chkWeb->isChecked() ? 1 : 0, 2);

    QString error;
    if (gExpe->IdAct() != 0) {
        bd->setCondicion(QStringLiteral(" WHERE Act_Id = ") + QString::number(gExpe->IdAct()));
        if (bd->Modificar(error))
            return true;
    } else if (!cn->BeginTrans()) {
        error = cn->lastError();
    } else {
        bd->setCondicion(QString());
        if (bd->Insertar(error)) {
            // The key this insert generated, read before anyone else can insert.
            gExpe->setIdAct(int(bd->UltimoId()));
            if (cn->CommitTrans())
                return true;
            error = cn->lastError();
            gExpe->setIdAct(0);
        }
        cn->RollbackTrans();
    }
    Tag = QStringLiteral("e");
    MsgBox(QStringLiteral("No se ha podido grabar la actuación.\n") + error, vb::vbOKOnly | vb::vbCritical);
    return false;
}

void frmExpedientes2::cmdGuardar_Click() {
    if (!grabarActuacion())
        return;
    // The release of the key that closes the message must not act on the screen.
    Tag = QStringLiteral("e");
    if (gExpe->IdActF() != 0) {
        MsgBox(QStringLiteral("Grabación realizada. "), vb::vbOKOnly | vb::vbInformation);
        return;
    }
    if (MsgBox(QStringLiteral("Grabación realizada. Desea agregar documentos a esta actuación"),
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

bool frmExpedientes2::Form_KeyUp(QKeyEvent *e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return Formulario::Form_KeyUp(e);
    case Qt::Key_F1:
        Tag = QStringLiteral("e");
        return true;
    default:
        Tag.clear();
        return false;
    }
}

bool frmExpedientes2::eventFilter(QObject *obj, QEvent *ev) {
    auto *campo = qobject_cast<QLineEdit *>(obj);
    if (campo && ev->type() == QEvent::FocusIn)
        Text1_GotFocus(campo);
    const bool hecho = Formulario::eventFilter(obj, ev);
    if (campo && ev->type() == QEvent::FocusOut)
        Text1_LostFocus(campo);
    return hecho;
}

void frmExpedientes2::Text1_GotFocus(QLineEdit *campo) {
    // The date is edited as bare digits; the field-behaviour object then colours it.
    if (campo == ui->Text1_8)
        campo->setText(campo->text().remove(u'/'));
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
