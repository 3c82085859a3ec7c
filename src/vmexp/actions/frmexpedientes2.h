#pragma once
// The action editor: one Act row of the current case file (session IdExp; IdAct 0 =
// new) and, below it, the documents attached to that action.
#include "formulario.h"

#include <memory>

namespace Ui {
class frmExpedientes2;
}
class DatosActuacion;
class Documentos;
class Resultado;
class QAction;
class QTreeWidgetItem;

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

    // What each row of ListView1 carries besides its texts: the key "K" + ActF_Id and
    // the tag ActF_Id. The column keys are on the header item, under kRolClave.
    static constexpr int kRolClave = Qt::UserRole;
    static constexpr int kRolTag = Qt::UserRole + 1;

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;

private slots:
    void cmdGuardar_Click();
    void cmdCancelar_Click();
    void ListView1_ItemClick();
    void ListView1_DblClick();
    void Toolbar1_ButtonClick(QAction *boton);
    void Toolbar1_ButtonMenuClick(QAction *entrada);

private:
    void Form_Load();
    void prepararControles();
    void msCargarActuacion();
    // Full size shows the documents frame; compact cuts it off.
    void ajustarTamano(bool completo);
    // True when the row was written; false after telling the user why not.
    bool grabarActuacion();
    // A read that failed, told as the screen's error.
    void avisarFallo(const Resultado &r);

    void Text1_LostFocus(QLineEdit *campo);

    // The documents frame.
    void prepararDocumentos();
    void msCargarDocumentos();
    void msVerDocumento();
    void msEscanearDocumento();
    void nuevoDesdeFichero();
    void nuevoDesdeEscaner();
    void eliminarDocumento(QTreeWidgetItem *fila, int id);
    // The file at ruta as a new document: its name, a description asked for, the user.
    void grabarNuevoDocumento(const QString &ruta);
    // Stores the fields as the current document (IdActF; 0 adds one) and lists again.
    void grabarDocumento();
    QTreeWidgetItem *filaSeleccionada() const;
    // The id in the selected row's key, 0 without a selected row.
    int idSeleccionado() const;
    bool elegirFichero(QString &ruta);
    void abrirConShell(const QString &ruta);

    std::unique_ptr<Ui::frmExpedientes2> ui;
    std::unique_ptr<DatosActuacion> m_datos;
    std::unique_ptr<Documentos> m_documentos;
    int m_decimales = 2; // "par_decpre": decimals of an amount once the field is left
    int m_idTacCargado = 0;
};
