#pragma once
// The customer component "VMCLIENTES.VMCLI": tells whether a customer may get a new
// case file and shows the customer's card. Driven by member name: set MyBd, then call
// FnEstadoCliente with the customer's id, or set idCli and call vShow.
#include <QObject>
#include <QPointer>

class MyBd;

class VMCLI : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject *MyBd READ MyBd WRITE setMyBd)
    Q_PROPERTY(int idCli READ idCli WRITE setIdCli)
public:
    explicit VMCLI(QObject *parent = nullptr);

    QObject *MyBd() const { return m_bd; }
    void setMyBd(QObject *bd) { m_bd = bd; }
    int idCli() const { return m_idCli; }
    void setIdCli(int id) { m_idCli = id; }

    // True when the customer exists and is not withdrawn (Cli_Baja = 0); otherwise the
    // user is told why, since the screen that asks says nothing.
    Q_INVOKABLE bool FnEstadoCliente(int idCliente);
    // The customer's card, modal: code, trade name and legal name.
    Q_INVOKABLE void vShow();

private:
    ::MyBd *bd() const;

    QPointer<QObject> m_bd;
    int m_idCli = 0;
};

// Registers "VMCLIENTES.VMCLI" with the component registry.
void registrarClientes();
