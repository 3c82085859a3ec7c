#pragma once
// Every blocking dialog of the screens goes through this service, so that a test
// can answer it. Button and icon numbers are the classic message-box ones.
#include "exportar.h"
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QFileDialog;
class QWidget;

namespace vb {
enum MsgBoxStyle {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };
} // namespace vb

// What a file request asks and what the user answered.
struct PeticionFichero {
    QString titulo;
    QString carpetaInicial;
    QString nombrePropuesto;
    QString extensionPorDefecto; // added when the user types none
    QWidget *propietario = nullptr; // nullptr: the active window
    QStringList filtros;      // "Descripción (*.PDF)" entries, in order
    QStringList patrones;     // "*.PDF" (several separated by ';'), parallel to filtros
    int indiceFiltro = 1;     // 1-based, the pair shown first
    bool soloLectura = false; // the read-only tick, as offered
    bool ocultarSoloLectura = false;
    bool debeExistir = false;
    bool multiple = false;
    bool guardar = false;     // a file to write: the dialog asks before replacing one
    int flags = 0;            // the Windows flag word the booleans above come from
};
struct RespuestaFichero {
    bool aceptado = false;
    QString ruta;
    int indiceFiltro = 0;
    bool soloLectura = false;
};

class VMEXP_EXPORT DialogService {
public:
    virtual ~DialogService() = default;

    // A message box; title empty gives the library's title "VMEXP". detalle, when not
    // empty, is offered under the box's details (an error's reference for support).
    // Returns vbYes, vbNo...
    virtual int mensaje(const QString &texto, int estilo, const QString &titulo, const QString &detalle) = 0;
    // An input box; empty text when cancelled.
    virtual QString pedirTexto(const QString &pregunta, const QString &titulo,
                               const QString &inicial) = 0;
    virtual RespuestaFichero pedirFichero(const PeticionFichero &peticion) = 0;
    // Shows a screen modally and returns its result code once it is closed.
    virtual int abrirModal(QDialog *pantalla) = 0;
    // Hands a file to the desktop's default application; returns the opener's exit code
    // (0 success, 2 file not found, 3 no application, other failure otherwise).
    virtual int abrirConEscritorio(const QString &ruta) = 0;

    static DialogService &actual();
    // Installs another service (tests); nullptr restores the Qt one. Not owned.
    static void instalar(DialogService *servicio);

    static QString tituloPorDefecto() { return QStringLiteral("VMEXP"); }

    // A message shown while a save's transaction is open would keep every other user
    // waiting for as long as this one reads it: it is logged as an error, and aviso
    // (a test's failure) is called with its text. nullptr removes it.
    static void alMostrarEnTransaccion(std::function<void(const QString &)> aviso);
};

// The service shown to a real user.
class VMEXP_EXPORT QtDialogService : public DialogService {
public:
    int mensaje(const QString &texto, int estilo, const QString &titulo, const QString &detalle) override;
    QString pedirTexto(const QString &pregunta, const QString &titulo, const QString &inicial) override;
    RespuestaFichero pedirFichero(const PeticionFichero &peticion) override;
    int abrirModal(QDialog *pantalla) override;
    int abrirConEscritorio(const QString &ruta) override;

    // Sets up a file dialog for a request (kept apart so that it can be checked unshown).
    static void prepararDialogo(QFileDialog &dlg, const PeticionFichero &peticion);
    // The 1-based index of the request's pair that the dialog has selected, 0 if none.
    static int indiceElegido(const QFileDialog &dlg, const PeticionFichero &peticion);
};

// MsgBox as the screens write it. An error (critical icon, or OK alone without the
// information or question icon) gets a reference under its details that the support
// log repeats with the text.
VMEXP_EXPORT int MsgBox(const QString &texto, int estilo = vb::vbOKOnly, const QString &titulo = {});
// The reference offered under an error's details: "Ref. 3F2A-0007".
VMEXP_EXPORT QString detalleReferencia(const QString &referencia);
VMEXP_EXPORT QString InputBox(const QString &pregunta, const QString &titulo = {}, const QString &inicial = {});
