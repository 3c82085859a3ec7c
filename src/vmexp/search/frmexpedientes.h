#pragma once
// Case-file search: lists the case files of customers, providers or internal ones
// with their filters, chooses the customer or provider, and opens the case-file editor.
#include "formulario.h"

#include <QSet>
#include <QStyledItemDelegate>
#include <memory>

class Resultado;

namespace Ui {
class frmExpedientes;
}
class DatosBusqueda;
struct ColumnaCsv;
struct FiltroBusqueda;
class QAction;
class QAbstractItemView;
class QLineEdit;
class RecordsetModel;

// Formats the grid's cells in the user's locale ("#,###,##0" numbers, day-first
// dates) and draws the button of the current row's cell in one column.
class DelegadoRejilla : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit DelegadoRejilla(QAbstractItemView *vista);

    void setColumnaNumero(int columna) { m_numeros.insert(columna); }
    void setColumnaFecha(int columna) { m_fechas.insert(columna); }
    void setColumnaBoton(int columna) { m_columnaBoton = columna; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

    // The text a cell shows, formatted as it is drawn.
    QString textoMostrado(const QModelIndex &index) const;
    // The text a value of a column shows, whether loaded in the grid or not.
    QString textoDe(int columna, const QVariant &valor) const;
    // Where the button sits inside a cell.
    static QRect rectBoton(const QRect &celda);
    // 1234567 → "1.234.567" under Spanish; grouped from the first thousand, as "#,###,##0" is.
    static QString formatearEntero(qlonglong n);

signals:
    void botonPulsado(const QModelIndex &index);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    bool tieneBoton(const QModelIndex &index) const;

    QAbstractItemView *m_vista;
    QSet<int> m_numeros;
    QSet<int> m_fechas;
    int m_columnaBoton = -1;
};

class frmExpedientes : public Formulario {
    Q_OBJECT
public:
    explicit frmExpedientes(QWidget *parent = nullptr);
    ~frmExpedientes() override;

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;
    // The search-by-name dialog of the form utilities; a seam for tests.
    virtual QString BuscarPorNombre(const QString &sql, const QString &columnaBusqueda,
                                    const QString &captionCodigo, const QString &captionNombre,
                                    const QString &titulo, int anchoCodigo, int anchoNombre, int flag);

private slots:
    void SSTab1_Click(int pestana);
    void Combo1_Click();
    void cmdBuscar_Click();
    void XPButton2_Click();
    void XPButton3_Click();
    void XPButton4_Click();
    void cmdGrabar_Click();
    void DataGrid1_ButtonClick();
    void XPButton1_Click();
    void Command1_Click();
    void cmdBuscaPro_Click();
    void cmdNuevo_Click();
    void DataGrid1_MenuContextual(const QPoint &pos);
    void exportarCsv();
    void copiarFilas();

private:
    void msCargarTipos();
    void msBuscarExpedientes();
    // The filters as the controls hold them.
    FiltroBusqueda filtro(short origen) const;
    // The grid over the new result (none after a failed search).
    void mostrarResultado(RecordsetModel *modelo);
    void msAbrirExpediente(int idExp);
    void msBuscarCliente(int codigo);
    void msBuscarProveedor(int codigo);

    // The customer or provider lookup: by code, or by name when the code is 0.
    struct Contraparte;
    static const Contraparte kSeleccionCliente;
    static const Contraparte kSeleccionProveedor;
    void msBuscarContraparte(const Contraparte &c, int codigo);
    void Text1_LostFocusCodigo(const Contraparte &c);
    void buscarDesdeBoton(short origen);
    void abrirFilaActual();
    bool FnEstadoCliente(int idCliente);
    void rotularColumnas(RecordsetModel *modelo, short origen);
    void maquetarRejilla(short origen);
    void avisarFallo(const Resultado &r);
    // The grid's visible columns in the order shown, with their captions and formats.
    QList<int> columnasVisibles() const;
    QList<ColumnaCsv> columnasCsv() const;

    std::unique_ptr<Ui::frmExpedientes> ui;
    std::unique_ptr<DatosBusqueda> m_datos;
    QLineEdit *m_text1[8] = {};
    RecordsetModel *rsExp = nullptr;
    std::unique_ptr<FiltroBusqueda> m_filtroGrid; // the search the grid shows
    QAction *m_exportarCsv = nullptr;
    QAction *m_copiar = nullptr;
    DelegadoRejilla *m_delegado = nullptr;
    short iOrigen = 0;
    bool bCargado = false;
};
