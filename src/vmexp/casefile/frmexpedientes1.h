#pragma once
// The case-file editor: one Exp row with its status history, its authorised users
// and the tree of its actions. The case file comes from the session (IdExp, 0 = new).
#include "formulario.h"

#include <memory>

namespace Ui {
class frmExpedientes1;
}
class DatosExpediente;
class RecordsetModel;
struct ValoresExpediente;

class frmExpedientes1 : public Formulario {
    Q_OBJECT
public:
    explicit frmExpedientes1(QWidget *parent = nullptr);
    ~frmExpedientes1() override;

    // The counterpart as the opener shows it: heading, code and name (never saved).
    // Invokable: the opener reaches the editor by name.
    Q_INVOKABLE void mostrarContraparte(const QString &titulo, const QString &codigo, const QString &nombre);

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;

private slots:
    void cmdGrabar_Click();
    void XPButton1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void cmdAnadir_Click();
    void Option1_Click(int index);
    void TreeView1_DblClick();
    // The summary of the saved case file in the print preview.
    void imprimirExpediente();

private:
    void Form_Load();
    void prepararControles();
    // Each returns "" or the reason it stopped.
    QString msCargarExpediente();
    QString cargarRegistro(int idExp);
    QString cargarEstado(int idExp);
    QString msCargarUsuarios();
    QString cargarArbol();
    // Rebuild asked by the user: a failing statement is reported.
    void msCargarArbol();
    int msBuscarUsuarios();
    void msAbrirActuacion(int idAct);

    // What the save writes, read from the controls; false with the reason in error.
    bool valores(ValoresExpediente &v, QString &error) const;

    int agrupacion() const;
    QString formatoImporte() const;

    std::unique_ptr<Ui::frmExpedientes1> ui;
    std::unique_ptr<DatosExpediente> m_datos;
    RecordsetModel *m_usuarios = nullptr;
    // The creator's name as read, for the reloads after each save.
    int m_idPropietario = -1;
    QString m_nombrePropietario;
};
