#pragma once
// Data of the case-file search: the list of case-file types, the search statement
// built from the filters and the user's permissions, the grid's model over it, the
// customer and provider lookups and the customer component's state check.
#include "exportacsv.h"
#include "resultado.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class MyBd;
class QObject;
class RecordsetModel;

enum OrigenExpediente : short { kClientes = 0, kProveedores = 1, kInternos = 2 };

// The search's filters as the user typed them.
struct FiltroBusqueda {
    short origen = kClientes;
    QString codigo;        // the customer or provider code field; only says whether there is one
    int idContraparte = 0; // the id its lookup found, which is what filters
    bool soloActivos = false;
    QString tipo;          // four-digit type id, empty for every type
    QString descripcion;   // quotes and all
    QString observaciones;
    QString desde;         // day-first; no filter unless it is a real date
    QString hasta;
    QString documentos;    // words the text of some document of the case file holds
};

// The statements of a customer or provider lookup.
struct SentenciasContraparte {
    QString porCodigo; // completed with the code
    QString fiscal;
    QString comercial;
    QString columnaComercial;
};

// A customer or provider found by its code; id 0 when none has it.
struct ContraparteEncontrada {
    int id = 0;
    QString codigo;
    QString nombre;
};

class DatosBusqueda {
public:
    explicit DatosBusqueda(MyBd *bd) : m_bd(bd) {}

    // The reads of the screen's opening, sent ahead so that the server answers them while
    // the screen is built: the types, the user's permission and the search of filtro.
    void adelantarCarga(const FiltroBusqueda &filtro);
    // "0007 - Acústica", ordered by description.
    Resultado tipos(QStringList &lista);
    // The search statement. The user's administrator flag and the permission parameter
    // are read by the first one.
    QString sentencia(const FiltroBusqueda &filtro);
    // The grid's model over the search, owned by padre.
    Resultado buscar(const FiltroBusqueda &filtro, QObject *padre, RecordsetModel *&modelo);

    // Every row of the search, not only those a grid has loaded, into a CSV file.
    Resultado exportarCsv(const FiltroBusqueda &filtro, const QList<ColumnaCsv> &columnas, const QString &ruta,
                          const ExportaCsv::Progreso &progreso, qint64 &filas, bool &cancelado);

    static const SentenciasContraparte &sentencias(short origen);
    // A number typed in a code field; false for empty text, letters or a number out of range.
    static bool leerCodigo(const QString &texto, double *valor);
    Resultado contraparte(short origen, int codigo, ContraparteEncontrada &encontrada);
    // Whether the customer component lets the customer have a new case file.
    Resultado clienteActivo(int idCliente, bool &activo);

    // From this many documents holding the words on, each case file is checked as it is
    // read rather than all of them gathered first (the first rows come sooner).
    static inline int umbralMuchosDocumentos = 2000;

private:
    // The condition for the words typed in "Con estas coincidencias en los documentos".
    QString condicionDocumentos(const QString &texto);
    // Whether the user sees only the case files authorised or created.
    bool filtraPermisos();

    MyBd *m_bd;
    std::optional<bool> m_filtraPermisos;
    bool m_cargando = false; // the next search is the screen's first
};
