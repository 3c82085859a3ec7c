#include "frmescaner.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
QString titulo() { return QStringLiteral("Escanear documento"); }
} // namespace

frmEscaner::frmEscaner(const QList<DispositivoSane> &dispositivos, Consulta resolucionesDe, QWidget *parent)
    : QDialog(parent), m_resolucionesDe(std::move(resolucionesDe)) {
    setObjectName(QStringLiteral("frmEscaner"));
    setWindowTitle(titulo());

    m_dispositivo = new QComboBox(this);
    m_dispositivo->setObjectName(QStringLiteral("cboDispositivo"));
    for (const DispositivoSane &d : dispositivos)
        m_dispositivo->addItem(d.descripcion, d.nombre);
    m_resolucion = new QComboBox(this);
    m_resolucion->setObjectName(QStringLiteral("cboResolucion"));
    m_aviso = new QLabel(QStringLiteral("No se puede abrir el escáner."), this);
    m_aviso->setObjectName(QStringLiteral("lblAviso"));
    m_aviso->hide();

    auto *botones = new QDialogButtonBox(this);
    m_aceptar = botones->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
    m_aceptar->setObjectName(QStringLiteral("cmdAceptar"));
    botones->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cmdCancelar"));
    connect(botones, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *campos = new QFormLayout;
    campos->addRow(QStringLiteral("Escáner:"), m_dispositivo);
    campos->addRow(QStringLiteral("Resolución:"), m_resolucion);
    auto *todo = new QVBoxLayout(this);
    todo->addLayout(campos);
    todo->addWidget(m_aviso);
    todo->addWidget(botones);

    connect(m_dispositivo, &QComboBox::currentIndexChanged, this, &frmEscaner::cboDispositivo_Change);
    cboDispositivo_Change(m_dispositivo->currentIndex());
}

void frmEscaner::cboDispositivo_Change(int indice) {
    m_resolucion->clear();
    const std::optional<ResolucionesSane> r =
        indice >= 0 && m_resolucionesDe ? m_resolucionesDe(indice) : std::nullopt;
    m_aviso->setVisible(!r);
    m_aceptar->setEnabled(r.has_value());
    if (!r)
        return;
    for (double v : r->valores)
        m_resolucion->addItem(QStringLiteral("%1 ppp").arg(v), v);
    // The device's current value first: it is what the scanner was last set to.
    int actual = -1;
    for (int i = 0; i < r->valores.size(); ++i)
        if (std::abs(r->valores[i] - r->actual) < 1e-6)
            actual = i;
    m_resolucion->setCurrentIndex(actual >= 0 ? actual : 0);
    m_resolucion->setEnabled(m_resolucion->count() > 1);
}

int frmEscaner::dispositivo() const { return m_dispositivo->currentIndex(); }

std::optional<double> frmEscaner::resolucion() const {
    if (m_resolucion->currentIndex() < 0)
        return std::nullopt;
    return m_resolucion->currentData().toDouble();
}

frmEscaneando::frmEscaneando(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEscaneando"));
    setWindowTitle(titulo());
    m_texto = new QLabel(this);
    m_texto->setObjectName(QStringLiteral("lblPagina"));
    m_texto->setMinimumWidth(260);
    auto *botones = new QDialogButtonBox(this);
    botones->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cmdCancelar"));
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *todo = new QVBoxLayout(this);
    todo->addWidget(m_texto);
    todo->addWidget(botones);
    mostrarPagina(1);
}

void frmEscaneando::mostrarPagina(int pagina) {
    m_texto->setText(QStringLiteral("Escaneando la página %1...").arg(pagina));
}
