#pragma once
// A fresh database per test case, the session on it, and a dialog service that records
// every message and answers from queues. The database is embedded, or one of its own on
// the PostgreSQL server of PGHOST/PGPORT when VMEXP_PRUEBAS_BD=postgres; there the
// session logs in as an ordinary office user, and a second connection as another.
#include "conexion.h"
#include "dialogos.h"
#include "mybd.h"
#include "vmexpe.h"

#include <QAbstractItemModel>
#include <QDialog>
#include <QLineEdit>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <tuple>

class DialogoGuionizado : public DialogService {
public:
    struct Mensaje {
        QString texto;
        int estilo;
        QString titulo;
        QString detalle;
    };
    QList<Mensaje> mensajes;
    QList<int> respuestas; // next answers; without one, the first button
    QList<std::function<void()>> alPreguntar; // run as the next messages are shown, before the answer
    QStringList preguntas;
    QStringList respuestasTexto;
    QList<PeticionFichero> peticiones;
    QList<RespuestaFichero> respuestasFichero;
    QStringList modales; // objectName (or class name) of each screen opened
    // Drivers for the next modal screens; without one the screen closes at once with sinManejador.
    QList<std::function<void(QDialog *)>> manejadores;
    int sinManejador = QDialog::Rejected;
    QStringList abiertosEscritorio;
    QList<int> codigosEscritorio; // next exit codes of the opener; then codigoEscritorio
    int codigoEscritorio = 0;

    int mensaje(const QString &texto, int estilo, const QString &titulo, const QString &detalle) override;
    QString pedirTexto(const QString &pregunta, const QString &titulo, const QString &inicial) override;
    RespuestaFichero pedirFichero(const PeticionFichero &peticion) override;
    int abrirModal(QDialog *pantalla) override;
    int abrirConEscritorio(const QString &ruta) override;

    QString ultimoMensaje() const { return mensajes.isEmpty() ? QString() : mensajes.last().texto; }
};

class Entorno {
public:
    // A new database (demo data unless demo is false) and a session as user idUsuario.
    explicit Entorno(int idUsuario = 1, bool demo = true);
    ~Entorno();

    QTemporaryDir carpeta;
    QString baseServidor; // the server database's name; empty when embedded
    QSqlDatabase db;
    std::unique_ptr<Conexion> conexion;
    std::shared_ptr<MyBd> bd;
    std::shared_ptr<VMEXPE> expe;
    DialogoGuionizado dialogos;
    QStringList sentencias; // every statement the library wrote, in order

    // First field of the first row of a statement run directly (translated, not observed).
    QVariant valor(const QString &sql);
    int cuenta(const QString &sqlWhere); // "SELECT count(*) FROM " + sqlWhere
    bool ejecutar(const QString &sql);
    // Sets the field-list writer on tabla with these columns: name, kind, value.
    void campos(const QString &tabla, const QList<std::tuple<QString, short, QVariant>> &campos);
    // Size in bytes of the stored contents of the Ima rows matching donde, read on the server side.
    qint64 largoContenido(const QString &donde);
    // From now on every operacion ("INSERT", "UPDATE") on tabla fails with mensaje;
    // without a mensaje, it works again.
    bool rechazar(const QString &tabla, const QString &operacion, const QString &mensaje);
    QString carpetaDatos() const { return carpeta.path() + QStringLiteral("/datos"); }
};

// A customer component registered in place of "VMCLIENTES.VMCLI": it records what it
// was given; FnEstadoCliente answers false (a customer that may get no new case file).
// The card takes its customer from idCli, the status check from its argument.
class ClienteFalso : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject *MyBd MEMBER bd)
    Q_PROPERTY(int idCli MEMBER idCli)
public:
    QObject *bd = nullptr;
    int idCli = -1;
    static inline QObject *ultimoBd = nullptr;
    static inline int ultimoId = -1;
    static inline int fichasMostradas = 0;
    Q_INVOKABLE bool FnEstadoCliente(int idCliente) {
        ultimoBd = bd;
        ultimoId = idCliente;
        return false;
    }
    Q_INVOKABLE void vShow() {
        ultimoBd = bd;
        ultimoId = idCli;
        ++fichasMostradas;
    }
    static void olvidar() {
        ultimoBd = nullptr;
        ultimoId = -1;
        fichasMostradas = 0;
    }
};

// What a user cannot read whole on a shown screen: every visible label, button, check box,
// tool button, column caption and loaded grid or list cell whose text needs more room than
// it has. One "objectName: text" entry each; empty when everything shows whole.
QStringList textosCortados(QWidget *pantalla);

// The case-file ids in column 1 of a grid's rows, sorted; empty without a model.
QList<int> expedientes(const QAbstractItemModel *m);

// Opens the widget's context menu as the keyboard's menu key does and chooses the entry
// with that text; false when the menu has no such entry enabled.
bool elegirDelMenu(QWidget *w, const QString &entrada);

// A data table's columns in one call: columnas<QString, int>("sql", "filas").
template <class... T, class... N> void columnas(const N &...nombres) { (QTest::addColumn<T>(nombres), ...); }
// The current row's value of a column, as QFETCH reads it.
template <class T> T dato(const char *columna) { return *static_cast<T *>(QTest::qData(columna, qMetaTypeId<T>())); }
// Several at once: const auto [sql, filas] = leerFila<QString, int>("sql", "filas").
template <class... T, class... N> std::tuple<T...> leerFila(const N &...nombres) { return {dato<T>(nombres)...}; }

// A screen's control by objectName; the test stops when the screen has none.
template <class T = QWidget>
T *control(const QObject *pantalla, const QString &nombre) {
    T *w = pantalla->findChild<T *>(nombre);
    if (!w)
        qFatal("No existe el control %s", qPrintable(nombre));
    return w;
}
// Clicks the button of that objectName.
void pulsar(const QObject *pantalla, const QString &boton);
// Shows the screen and waits until it is the active window.
bool mostrar(QWidget *pantalla);
// Types into a field and leaves it with Enter, as the user does.
void escribirYSalir(QLineEdit *campo, const QString &texto);

// A file's whole contents; empty when it cannot be read.
QByteArray leerFichero(const QString &ruta);
// Writes datos as the file's whole contents.
bool escribirFichero(const QString &ruta, const QByteArray &datos);

// True when the tests run on the PostgreSQL server.
bool enServidor();
// The statement that opens a save's transaction on the backend the tests run on.
QString inicioGuardado();

// Runs usar on a second connection on the same database (for concurrency cases), closed and
// dropped afterwards; on the server it logs in as the other office user.
void conSegundaConexion(const Entorno &e, const std::function<void(QSqlDatabase &)> &usar);
// A connection on the database of the folder datos, or on the server database base when
// it is named, logged in there as office user usuario (0 or 1): for another process.
QSqlDatabase abrirConexion(const QString &datos, const QString &base, int usuario, const QString &nombre);
