#pragma once
// The action editor: one Act row of the current case file (session IdExp; IdAct 0 =
// new) and, below it, the documents attached to that action.
#include "formulario.h"

#include <memory>

namespace Ui {
class frmExpedientes2;
}

class frmExpedientes2 : public Formulario {
    Q_OBJECT
public:
    explicit frmExpedientes2(QWidget *parent = nullptr);
    ~frmExpedientes2() override;

    // Window heights (twips) of the two states: a new action shows only its fields.
    static constexpr int kAltoCompacto = 2325;
    static constexpr int kAltoCompleto = 8295;
    static constexpr int kAltoMarcoCompacto = 1815;
    static constexpr int kAltoMarcoCompleto = 7665;
    static constexpr int kAncho = 10950;

protected:
    bool Form_KeyUp(QKeyEvent *e) override;
    bool eventFilter(QObject *obj, QEvent *ev) override;

private slots:
    void cmdGuardar_Click();
    void cmdCancelar_Click();

private:
    void Form_Load();
    void prepararControles();
    void msCargarActuacion();
    // Full size shows the documents frame; compact cuts it off.
    void ajustarTamano(bool completo);
    // True when the row was written; false after telling the user why not.
    bool grabarActuacion();

    void Text1_GotFocus(QLineEdit *campo);
    void Text1_LostFocus(QLineEdit *campo);

    std::unique_ptr<Ui::frmExpedientes2> ui;
    int m_decimales = 2; // "par_decpre": decimals of an amount once the field is left
    int m_idTacCargado = 0;
};
