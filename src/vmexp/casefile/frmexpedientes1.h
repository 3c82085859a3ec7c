#pragma once
// The case-file editor: one Exp row with its status history, its authorised users
// and the tree of its actions. The case file comes from the session (IdExp, 0 = new).
#include "formulario.h"

#include <memory>

namespace Ui {
class frmExpedientes1;
}
class RecordsetModel;

class frmExpedientes1 : public Formulario {
    Q_OBJECT
public:
    explicit frmExpedientes1(QWidget *parent = nullptr);
    ~frmExpedientes1() override;

    // The counterpart as the opener shows it: heading, code and name (never saved).
    void mostrarContraparte(const QString &titulo, const QString &codigo, const QString &nombre);

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

    // The save's steps, inside its transaction; false with the reason in error.
    bool grabarExpediente(int &idExp, QString &error);
    bool grabarEstado(int idExp, QString &error);
    bool grabarPermisos(int idExp, bool todos, QString &error);

    int agrupacion() const;
    QString formatoImporte() const;

    std::unique_ptr<Ui::frmExpedientes1> ui;
    RecordsetModel *m_usuarios = nullptr;
};
