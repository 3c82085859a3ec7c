#include "vmcli.h"

#include "componentes.h"
#include "conexion.h"
#include "dialogos.h"
#include "mybd.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QStringList>

VMCLI::VMCLI(QObject *parent) : QObject(parent) {}

::MyBd *VMCLI::bd() const { return qobject_cast<::MyBd *>(m_bd.data()); }

bool VMCLI::FnEstadoCliente(int idCliente) {
    if (!bd() || !bd()->Conexion()) {
        MsgBox(QStringLiteral("No se puede comprobar el cliente: no hay base de datos."), vb::vbExclamation);
        return false;
    }
    Recordset rs = bd()->Conexion()->Execute(
        QStringLiteral("SELECT Cli_Baja, Cli_Comer FROM Cli WHERE cli_id = ") + QString::number(idCliente));
    // A failed read is no withdrawn customer: the user is told why nothing happens.
    if (!rs.ok()) {
        MsgBox(QStringLiteral("No se puede comprobar el estado del cliente.\n") + rs.resultado().mensaje(),
               vb::vbCritical);
        return false;
    }
    const bool existe = !rs.isEOF();
    const bool activo = existe && rs.Fields(0).toInt() == 0;
    const QString nombre = existe ? rs.Fields(1).toString().trimmed() : QString();
    rs.Close();
    if (!existe)
        MsgBox(QStringLiteral("No existe el cliente %1.").arg(idCliente), vb::vbExclamation);
    else if (!activo)
        MsgBox(QStringLiteral("El cliente %1 está dado de baja: no se le pueden abrir expedientes nuevos.")
                   .arg(nombre),
               vb::vbExclamation);
    return activo;
}

void VMCLI::vShow() {
    if (!bd() || !bd()->Conexion()) {
        MsgBox(QStringLiteral("No se puede mostrar el cliente: no hay base de datos."), vb::vbExclamation);
        return;
    }
    Recordset rs = bd()->Conexion()->Execute(
        QStringLiteral("SELECT cli_Cod, Cli_Comer, CLI_NOM, CLI_APE1, CLI_APE2 FROM Cli WHERE cli_id = ")
        + QString::number(m_idCli));
    if (!rs.ok()) {
        MsgBox(QStringLiteral("No se puede mostrar el cliente.\n") + rs.resultado().mensaje(), vb::vbCritical);
        return;
    }
    if (rs.isEOF()) {
        MsgBox(QStringLiteral("No existe el cliente %1.").arg(m_idCli), vb::vbExclamation);
        return;
    }
    QStringList razon;
    for (int i = 2; i <= 4; ++i)
        if (const QString parte = rs.Fields(i).toString().trimmed(); !parte.isEmpty())
            razon << parte;

    QDialog ficha;
    ficha.setObjectName(QStringLiteral("frmFichaCliente"));
    ficha.setWindowTitle(QStringLiteral("Ficha del cliente"));
    auto *formulario = new QFormLayout(&ficha);
    auto campo = [&](const char *nombre, const QString &etiqueta, const QString &texto) {
        auto *e = new QLineEdit(texto, &ficha);
        e->setObjectName(QLatin1String(nombre));
        e->setReadOnly(true);
        e->setMinimumWidth(320);
        formulario->addRow(etiqueta, e);
    };
    campo("txtCodigo", QStringLiteral("Código"), rs.Fields(0).toString());
    campo("txtComercial", QStringLiteral("Nombre comercial"), rs.Fields(1).toString());
    campo("txtRazonSocial", QStringLiteral("Razón social"), razon.join(u' '));
    rs.Close();
    auto *botones = new QDialogButtonBox(QDialogButtonBox::Close, &ficha);
    QObject::connect(botones, &QDialogButtonBox::rejected, &ficha, &QDialog::reject);
    formulario->addRow(botones);
    DialogService::actual().abrirModal(&ficha);
}

void registrarClientes() {
    Componentes::registrar(QStringLiteral("VMCLIENTES.VMCLI"), [] { return new VMCLI; });
}
