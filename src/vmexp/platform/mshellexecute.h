#pragma once
// Opens a file with the application the desktop registers for its type.
// Failures are kept as the library's last error, never shown and never thrown.
#include <QString>

class QWidget;

namespace mShellExecute {

// The last failure of FnAbrirConShell; number 0 when the last call succeeded.
struct ErrorShell {
    int numero = 0;
    QString origen;      // program file name without extension + ".GShell"
    QString descripcion;
};

// What a shell result means: success, and for a failure its error number and message.
struct ResultadoShell {
    bool exito = false;
    int numero = 0;
    QString mensaje;
};

// Window states of the shell; on Linux they have no visible effect.
enum ComandoMostrar { SW_HIDE = 0, SW_SHOWNORMAL = 1 };

// Shell result codes used to stand for the desktop opener's outcomes.
enum ResultadoEscritorio {
    SE_ERR_FNF = 2,
    SE_ERR_NOASSOC = 31,
    SE_ERR_GENERICO = 1, // no row of its own: the generic message
    SE_EXITO = 42,
};

bool FnAbrirConShell(const QString &fichero, int comandoMostrar, const QString &parametros,
                     const QString &directorio, QString &verbo, QWidget *&ventana);

// The show command the shell is asked for (".EXE" hides; empty parameters and directory
// always open normally).
int ComandoMostrarEfectivo(const QString &fichero, int comandoMostrar, const QString &parametros,
                           const QString &directorio);

// Shell result to success, error number and message.
ResultadoShell InterpretarResultadoShell(int resultado);

// Exit code of the desktop opener to a shell result.
int ResultadoShellDeEscritorio(int codigoSalida);

const ErrorShell &UltimoErrorShell();

} // namespace mShellExecute
