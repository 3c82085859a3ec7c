#pragma once
// Data of a type catalogue (case-file types in Tex, action types in Tac): the list,
// whether a type is in use, and its insert, rename and delete.
#include "resultado.h"

#include <QString>

#include <optional>

class MyBd;
class QObject;
class RecordsetModel;

// The statements of one catalogue; the pieces are completed with a type id.
struct SentenciasCatalogo {
    QString tabla;
    QString campoDes;
    QString lista;          // every type, ordered by id
    QString usoTipo;        // rows that still use a type
    QString borrar;
    QString condicion;      // update condition
    QString consultaCodigo; // does a typed code exist
};

class DatosTipos {
public:
    static const SentenciasCatalogo kTiposExp;
    static const SentenciasCatalogo kTiposAct;

    DatosTipos(MyBd *bd, const SentenciasCatalogo &sql) : m_bd(bd), m_sql(sql) {}

    // The whole list (a catalogue is short), owned by padre.
    Resultado lista(QObject *padre, RecordsetModel *&modelo);
    Resultado enUso(qlonglong id, bool &usado);
    Resultado existe(qlonglong id, bool &hay);
    // Deletes type id unless it is in use (then usado, and nothing deleted).
    Resultado borrar(qlonglong id, bool &usado);
    // A new type (its key then in MyBd's UltimoId), or the description of type id,
    // written only if the type still has the description cargada the screen showed
    // (none: the screen did not list it).
    Resultado insertar(const QString &descripcion);
    Resultado renombrar(qlonglong id, const std::optional<QString> &cargada, const QString &descripcion);

private:
    Resultado hayFilas(const QString &sql, bool &hay);

    MyBd *m_bd;
    const SentenciasCatalogo &m_sql;
};
