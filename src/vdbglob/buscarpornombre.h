#pragma once
// The search-by-name dialog: every row of a SELECT held in memory and narrowed as the
// user types, over one column, without regard to letter case or accents.
#include <QAbstractTableModel>
#include <QDialog>
#include <QStringList>
#include <QVariant>
#include <QVector>

class Conexion;
class QLineEdit;
class QTableView;

// Rows in memory with a folded key per row, so that narrowing is one plain scan
// (100,000 customers narrow in a few milliseconds).
class ModeloBusqueda : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeloBusqueda(QObject *parent = nullptr);

    // Replaces every row; the search text is matched in columnaBusqueda.
    void cargar(const QStringList &columnas, QVector<QVector<QVariant>> filas, int columnaBusqueda);
    // Keeps the rows whose search column holds every word of texto.
    void setFiltro(const QString &texto);
    // A visible row with all its columns.
    QVector<QVariant> fila(int filaVisible) const;
    int totalFilas() const { return int(m_filas.size()); }

    // Lower case without accents: "Núñez" → "nunez".
    static QString plegar(const QString &texto);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

private:
    QStringList m_cabeceras;
    QVector<QVector<QVariant>> m_filas;
    QVector<QString> m_claves;  // folded search column, one per row
    QVector<int> m_visibles;    // rows that pass the filter, in load order
    QString m_filtro;           // folded and simplified
};

class frmBuscarPorNombre : public QDialog {
    Q_OBJECT
public:
    // Runs sql at once; ok() tells whether it could. Widths are twips.
    frmBuscarPorNombre(Conexion *conexion, const QString &sql, const QString &columnaBusqueda,
                       const QString &captionCodigo, const QString &captionNombre, const QString &titulo,
                       int anchoCodigo, int anchoNombre, QWidget *parent = nullptr);

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // The chosen row's columns joined by char(1); empty until a row is chosen.
    QString resultado() const { return m_resultado; }
    ModeloBusqueda *modelo() const { return m_modelo; }

    // One value as the callers read it back from the joined text.
    static QString textoValor(const QVariant &v);

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private slots:
    void txtBuscar_Change();
    void grdResultados_DblClick(const QModelIndex &index);
    void cmdAceptar_Click();

private:
    bool cargar(Conexion *conexion, const QString &sql, const QString &columnaBusqueda);
    void irAPrimeraFila();

    QLineEdit *txtBuscar = nullptr;
    QTableView *grdResultados = nullptr;
    ModeloBusqueda *m_modelo = nullptr;
    QString m_error;
    QString m_resultado;
};
