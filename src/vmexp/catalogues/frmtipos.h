#pragma once
// The type catalogues: one screen that keeps either the case-file types (frmTiposExp,
// table Tex) or the action types (frmTiposAct, table Tac). The two differ only in the
// Catalogo they are built with.
#include "formulario.h"

#include "datostipos.h"

#include <QString>
#include <memory>

class RecordsetModel;
namespace Ui {
class frmTipos;
}

class frmTipos : public Formulario {
    Q_OBJECT
public:
    // Everything in which one catalogue differs from the other. The criteria are
    // completed with a type id.
    struct Catalogo {
        QString pantalla; // registered name and objectName
        QString titulo;
        int altoTwips; // client-area height
        const SentenciasCatalogo &sql;
        QString campoId;
        QString campoDes;
        QString mensajeEnUso;
        QString buscarGuardado; // row of the saved type
        QString buscarCodigo;   // row of the typed code
    };

    explicit frmTipos(const Catalogo &catalogo, QWidget *parent = nullptr);
    ~frmTipos() override;

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;

private slots:
    void cmdNuevo_Click();
    void cmdGuardar_Click();
    void CmdBorrar_Click();
    void cmdCancelar_Click();
    void cmdSalir_Click();
    void rs_MoveComplete();

private:
    void Form_Load();
    void ponerIconos();
    void Text1_LostFocus();

    // Reloads the list and rebinds the grid, with no current row; the error text, if any.
    QString msCargarGrid();
    void msPintaCajas();
    // Steps that write the type; the error text of the writer or of the code.
    QString grabar(const QString &codigo);

    int filaActual() const;
    // First row from desde on where "Columna = número" holds, or -1.
    int filaDonde(const QString &criterio, int desde) const;
    // Makes a row current and shows it; -1 leaves the list past its last row.
    void moverA(int fila);
    // Shows the nearest existing row; an empty list empties the fields.
    void mostrarFila(int fila);
    void avisarError(const QString &error);

    const Catalogo m_cat;
    std::unique_ptr<Ui::frmTipos> ui;
    DatosTipos m_datos;
    RecordsetModel *rs = nullptr;
    bool m_nuevo = false; // the fields hold a type not stored yet
};
