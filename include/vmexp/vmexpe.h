#pragma once
// The library's one public class. A host creates it with VMEXPE::crear(), assigns
// MyBd and ids, and calls a method that opens a modal screen. Properties and methods
// are reachable by name (Q_PROPERTY / Q_INVOKABLE), as automation hosts drive them.
//
// The library folder (where DOC<user> work folders live) is the folder of the loaded
// libvmexp.so; a host may set another with VMEXPE::setCarpetaLibreria() before
// assigning MyBd. Where that folder cannot be written, the work folder is the user's own
// (see CarpetaTrabajo); a host may still set any with vCrearDirectorio.
#include "exportar.h"
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class MyBd;
class ExtractorTexto;

class VMEXP_EXPORT VMEXPE : public QObject, public std::enable_shared_from_this<VMEXPE> {
    Q_OBJECT
    Q_PROPERTY(short Origen READ Origen WRITE setOrigen)
    Q_PROPERTY(int IdActF READ IdActF WRITE setIdActF)
    Q_PROPERTY(int IdAct READ IdAct WRITE setIdAct)
    Q_PROPERTY(short nProceso READ nProceso WRITE setNProceso)
    Q_PROPERTY(int IdExp READ IdExp WRITE setIdExp)
    Q_PROPERTY(int IdCliente READ IdCliente WRITE setIdCliente)
    Q_PROPERTY(QString UltimoError READ UltimoError)
public:
    // A new instance; it becomes gExpe, which keeps it alive until a newer one replaces it.
    static std::shared_ptr<VMEXPE> crear();
    ~VMEXPE() override;

    short Origen() const { return m_origen; }
    void setOrigen(short v) { m_origen = v; }
    int IdActF() const { return m_idActF; }
    void setIdActF(int v) { m_idActF = v; }
    int IdAct() const { return m_idAct; }
    void setIdAct(int v) { m_idAct = v; }
    short nProceso() const { return m_nProceso; }
    void setNProceso(short v) { m_nProceso = v; }
    int IdExp() const { return m_idExp; }
    void setIdExp(int v) { m_idExp = v; }
    int IdCliente() const { return m_idCliente; }
    void setIdCliente(int v) { m_idCliente = v; }

    // Assignment by reference: keeps the object and fixes the user's work folder.
    void setMyBd(std::shared_ptr<::MyBd> bd);
    ::MyBd *MyBd() const { return m_myBd.get(); }

    // The screens. Each returns once its screen is closed; false (and UltimoError)
    // when it could not be opened, for instance before MyBd is assigned.
    Q_INVOKABLE bool vExpedientes();
    Q_INVOKABLE bool vTipos();
    Q_INVOKABLE bool vActuaciones();
    Q_INVOKABLE bool vFindByName();
    Q_INVOKABLE bool vCrearDirectorio(const QString &sDocFolder);
    Q_INVOKABLE bool vExisteFichero(const QString &sFile);

    // Documents stored and still waiting for their text are read on a thread of the
    // session's own, with a connection of its own; setMyBd starts it when any wait.
    void leerTextosPendientes();
    // Reads, here and one after another, the text of every stored document that has
    // none, telling avance(done, total, pages read) after each. An interrupted run leaves
    // the rest waiting for the next. False (and UltimoError) on a database failure.
    bool indexarDocumentos(const std::function<void(int hechos, int total, int paginas)> &avance);

    QString UltimoError() const { return m_ultimoError; }
    // The user's document work folder that setMyBd (or vCrearDirectorio) chose.
    QString carpetaTrabajo() const;

    static QString carpetaLibreria();
    static void setCarpetaLibreria(const QString &carpeta);

    // Renders every screen to a PNG file in carpeta, the case file idExp and its
    // action idAct on theirs, for a build without a display; MyBd must be assigned.
    // The files written, with a line per screen in *informe.
    QStringList capturarPantallas(const QString &carpeta, int idExp, int idAct, QString *informe = nullptr);

private:
    VMEXPE();
    bool abrir(const char *pantalla);

    short m_origen = 0;
    int m_idActF = 0;
    int m_idAct = 0;
    short m_nProceso = 0;
    int m_idExp = 0;
    int m_idCliente = 0;
    std::shared_ptr<::MyBd> m_myBd;
    QString m_ultimoError;
    std::unique_ptr<ExtractorTexto> m_extractor;
};
