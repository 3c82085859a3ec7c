#pragma once
// The scanner's own windows: the choice of device and resolution, and the progress of a
// scan with its "Cancelar". Both are shown through the dialog service.
#include "sane_sesion.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

class frmEscaner : public QDialog {
    Q_OBJECT
public:
    // The resolutions of device i, or nothing when it cannot be opened.
    using Consulta = std::function<std::optional<ResolucionesSane>(int)>;
    frmEscaner(const QList<DispositivoSane> &dispositivos, Consulta resolucionesDe, QWidget *parent = nullptr);

    int dispositivo() const;
    std::optional<double> resolucion() const;

private slots:
    void cboDispositivo_Change(int indice);

private:
    Consulta m_resolucionesDe;
    QComboBox *m_dispositivo;
    QComboBox *m_resolucion;
    QLabel *m_aviso;
    QPushButton *m_aceptar;
};

class frmEscaneando : public QDialog {
    Q_OBJECT
public:
    explicit frmEscaneando(QWidget *parent = nullptr);
    void mostrarPagina(int pagina);

private:
    QLabel *m_texto;
};
