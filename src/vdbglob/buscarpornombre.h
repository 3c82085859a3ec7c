#pragma once
// The search-by-name dialog: the rows of a SELECT narrowed as the user types, over one
// column, without regard to letter case or accents.
#include <QDialog>
#include <QHash>
#include <QIdentityProxyModel>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

class Conexion;
class RecordsetModel;
class QLineEdit;
class QTableView;

// The rows of the statement a page at a time, narrowed in the database as the user
// types: the first rows show at once however many the statement has.
class ModeloBusqueda : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit ModeloBusqueda(Conexion *conexion, QObject *parent = nullptr);
    ~ModeloBusqueda() override;

    // Runs sql; the search text is matched in columnaBusqueda (an unknown one falls back on
    // the last column). False when the statement fails: error() says why.
    bool abrir(const QString &sql, const QString &columnaBusqueda);
    // Shows the rows whose search column holds every word of texto.
    void setFiltro(const QString &texto);
    // A shown row with all its columns.
    QVector<QVariant> fila(int filaVisible) const;
    QString error() const;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

private:
    void mostrar(const QString &sql);

    Conexion *m_conexion;
    QString m_sql;
    QStringList m_columnas;
    int m_columnaBusqueda = -1;
    QStringList m_palabras; // folded
    std::unique_ptr<RecordsetModel> m_filas;
    QString m_error; // no connection at all
    QHash<int, QVariant> m_cabeceras;
};

class frmBuscarPorNombre : public QDialog {
    Q_OBJECT
public:
    // Runs sql at once; ok() tells whether it could. Widths are twips.
    frmBuscarPorNombre(Conexion *conexion, const QString &sql, const QString &columnaBusqueda,
                       const QString &captionCodigo, const QString &captionNombre, const QString &titulo,
                       int anchoCodigo, int anchoNombre, QWidget *parent = nullptr);

    bool ok() const { return error().isEmpty(); }
    QString error() const { return m_modelo->error(); }
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
    void irAPrimeraFila();

    QLineEdit *txtBuscar = nullptr;
    QTableView *grdResultados = nullptr;
    ModeloBusqueda *m_modelo = nullptr;
    QString m_resultado;
};
