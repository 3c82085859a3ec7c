#pragma once
// Data of the action editor: the action types, one Act row and its save (a new one in
// a transaction, so that its key is read before anyone else inserts), the ActF rows of
// its documents and their contents in Ima ('ActF', ActF_Id), streamed to and from files.
#include "flujoblob.h"
#include "resultado.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class MyBd;

// The Act row's columns as stored.
struct RegistroActuacion {
    QVariant fecha, importe, des, idTac, operario, idOperario;
    QVariantList valores() const { return {fecha, importe, des, idTac, operario, idOperario}; }
};

// What a save of an action writes.
struct ValoresActuacion {
    QString fecha; // day-first
    int idExp = 0;
    int idTac = 0;
    QString descripcion;
    QVariant importe; // a number, or the text typed when it is none (the writer refuses it)
    QString operario;
    bool web = false;
};

struct Documento {
    int id = 0;
    QString fichero;
    QString descripcion;
    QString operario;
};

class DatosActuacion {
public:
    explicit DatosActuacion(MyBd *bd) : m_bd(bd) {}

    // The reads of the action editor's opening on action idAct (0: a new one), sent ahead
    // so that the server answers them while the screen is built.
    void adelantarCarga(int idAct);

    // Action types by id: the list position is the stored id ("Sin definir" is 0, not here).
    Resultado tipos(QStringList &lista);
    // What is read is what a later save of the same action expects to find still stored.
    Resultado actuacion(int idAct, RegistroActuacion &registro, bool &existe);
    // Decimals of an amount ("par_decpre").
    Resultado decimales(int &n);
    // An existing action (idAct) is updated if it still holds what was read of it; 0
    // inserts one and sets idAct to its key.
    Resultado grabar(const ValoresActuacion &v, int &idAct);

    // The documents read are what later saves of their rows expect to find still stored.
    Resultado documentos(int idAct, QList<Documento> &lista);
    // Writes the document's row: an update of idActF (if it still holds what was read
    // of it), or with 0 an insert whose key comes back in idActF. The stored contents
    // are not touched.
    Resultado grabarDocumento(int idAct, const Documento &d, int &idActF);
    // The file at ruta as the contents of document idActF.
    Resultado guardarContenido(int idActF, const QString &ruta, const FlujoBlob::Progreso &progreso = {});
    // The contents of document idActF into the file destino; escrito is false when it has none.
    Resultado cargarContenido(int idActF, const QString &destino, bool &escrito,
                              const FlujoBlob::Progreso &progreso = {});
    // The passages of the documents of idAct whose text holds the words busqueda, by id.
    Resultado fragmentos(int idAct, const QString &busqueda, QHash<int, QString> &porDocumento);
    // The document row and its text go; its contents row stays. Refused when another user
    // changed or deleted the document since documentos listed it.
    Resultado eliminarDocumento(int idActF);

private:
    Resultado leer(int idAct, RegistroActuacion &registro, bool &existe);
    Resultado comprobarSinCambios(int idAct);
    Resultado comprobarDocumento(int idActF);

    MyBd *m_bd;
    int m_idCargada = 0;
    RegistroActuacion m_cargada;
    QHash<int, Documento> m_documentos;
};
