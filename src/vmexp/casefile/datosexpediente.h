#pragma once
// Data of the case-file editor: the type and status lists, one Exp row with its latest
// status, its authorised users (ExpPer), the statements of its actions tree and the
// save of the case file with its status history and permissions in one transaction.
#include "resultado.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class MyBd;
class QObject;
class Recordset;
class RecordsetModel;

// The Exp row's columns as stored; a NULL column is an invalid or null QVariant.
struct RegistroExpediente {
    QVariant fini, ffin, des, obs, presup, codigo, ubicacion, idTipo, idUsu, estado;
    QVariantList valores() const { return {fini, ffin, des, obs, presup, codigo, ubicacion, idTipo, idUsu, estado}; }
};

// What a save writes, from the values the user gave.
struct ValoresExpediente {
    QString fini;  // day-first
    QString ffin;  // day-first, empty for NULL
    int idCliente = 0;
    int idTipo = 0;
    QString descripcion;
    QString observaciones;
    int proceso = 15;
    int origen = 0;
    double presupuesto = 0;
    QString estado; // its two-digit code, as listed
    int posicionEstado = 1; // 1-based position in the status list, for the history
    QString codigo;    // empty for NULL
    QString ubicacion; // empty for NULL
};

// Everything a printed summary of a case file shows, as stored.
struct ResumenExpediente {
    struct Documento {
        QString descripcion, fichero;
    };
    struct Actuacion {
        int id = 0;
        QVariant fecha;
        QString tipo, descripcion, operario;
        bool web = false;
        double importe = 0;
        QList<Documento> documentos;
    };
    QString codigo, contraparte, tipo, estado, ubicacion, propietario, descripcion, observaciones;
    short origen = 0;
    QVariant fechaEstado, fini, ffin;
    double presupuesto = 0;
    int decimales = 2;
    QStringList usuarios;
    QList<Actuacion> actuaciones; // in date order
    double total() const;
};

class DatosExpediente {
public:
    explicit DatosExpediente(MyBd *bd) : m_bd(bd) {}

    // The reads of the editor's opening on case file idExp (0: a new one), sent ahead so
    // that the server answers them while the screen is built; the actions in agrupacion.
    // After a save (recarga) the reload reads neither the row nor the users again.
    void adelantarCarga(int idExp, int proceso, int agrupacion, bool recarga = false);

    // Case-file types by id: the list position is the stored id ("Sin definir" is 0, not here).
    Resultado tipos(QStringList &lista);
    // "01 - Activo", ... of process 15.
    Resultado estados(QStringList &lista);
    // existe is false when there is no such row. What is read is what a later save of
    // the same case file expects to find still stored. Right after a save of the same
    // case file, what that save read back is given without reading again.
    Resultado expediente(int idExp, RegistroExpediente &registro, bool &existe);
    // The latest history row's status and its date; hay is false without history.
    Resultado ultimoEstado(int proceso, int idExp, QVariant &estado, QVariant &fecha, bool &hay);

    // The authorised users' grid (id hidden, name), owned by padre.
    Resultado usuarios(int idExp, QObject *padre, RecordsetModel *&modelo);
    static QString sentenciaUsuariosDelSistema();
    // Adds the user unless already authorised (anadido false then).
    Resultado autorizar(int idExp, int idUsu, bool &anadido);
    Resultado desautorizar(int idExp, qlonglong idUsu);

    // The actions of the case file in the grouping's order, read once from start to end.
    static QString sentenciaActuaciones(int agrupacion, int idExp);
    Resultado actuaciones(int idExp, int agrupacion, Recordset &rs);

    // Decimals of an amount ("par_decpre").
    Resultado decimales(int &n);

    // The summary of a saved case file, read in a few statements; existe false without its row.
    Resultado resumen(int idExp, ResumenExpediente &r, bool &existe);

    // Writes the case file (idExp 0 inserts and sets it to the new key), a status row
    // and, for a new one, the permissions of every user or of its creator alone. An
    // existing one is written only if it still holds what was read of it.
    Resultado grabar(const ValoresExpediente &v, int &idExp, bool permisosATodos);

private:
    Resultado resumenCabecera(int idExp, ResumenExpediente &r, bool &existe);
    Resultado resumenActuaciones(int idExp, ResumenExpediente &r);

    Resultado leer(int idExp, RegistroExpediente &registro, bool &existe);
    Resultado comprobarSinCambios(int idExp);
    Resultado grabarExpediente(const ValoresExpediente &v, int &idExp);
    Resultado grabarEstado(const ValoresExpediente &v, int idExp);
    Resultado grabarPermisos(int idExp, bool todos);

    MyBd *m_bd;
    int m_idCargado = 0;
    RegistroExpediente m_cargado;
    bool m_recienGuardado = false;
};
