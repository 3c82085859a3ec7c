#include "mshellexecute.h"

#include "dialogos.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace mShellExecute {

namespace {
// Each call replaces the record, so it always describes the latest attempt.
thread_local ErrorShell g_ultimoError;

constexpr int kBaseErrorShell = -2147220456;

QString origenError() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
           + QStringLiteral(".GShell");
}
} // namespace

int ComandoMostrarEfectivo(const QString &fichero, int comandoMostrar, const QString &parametros,
                           const QString &directorio) {
    if (parametros.isEmpty() && directorio.isEmpty())
        return SW_SHOWNORMAL;
    // Executables are run hidden, wherever ".EXE" appears in the path.
    if (fichero.toUpper().contains(QStringLiteral(".EXE")))
        return SW_HIDE;
    return comandoMostrar;
}

ResultadoShell InterpretarResultadoShell(int resultado) {
    if (resultado > 32 || resultado < 0)
        return {true, 0, {}};
    ResultadoShell r{false, resultado + kBaseErrorShell, {}};
    switch (resultado) {
    case 0:
    case 8:
        r.numero = 7;
        r.mensaje = QStringLiteral("Out of memory");
        break;
    case 2:
        r.numero = 53;
        r.mensaje = QStringLiteral("File not found");
        break;
    case 3:
        r.numero = 76;
        r.mensaje = QStringLiteral("Path not found");
        break;
    case 5:
        r.numero = 75;
        r.mensaje = QStringLiteral("Path/file access error");
        break;
    case 11:
        r.mensaje = QStringLiteral("The executable file is invalid or corrupt");
        break;
    case 26:
        r.numero = 75;
        r.mensaje = QStringLiteral("A sharing violation occurred.");
        break;
    case 27:
        r.mensaje = QStringLiteral("This file type does not have a valid file association.");
        break;
    case 28:
        r.numero = 286;
        r.mensaje = QStringLiteral("The file could not be opened due to time out.  Please try again in a moment.");
        break;
    case 29:
        r.numero = 285;
        r.mensaje = QStringLiteral("The file could not be opened because the DDE transaction failed.  Please try again in a moment.");
        break;
    case 30:
        r.numero = 285;
        r.mensaje = QStringLiteral("The file could not be opened because the target application is busy.  Please try again in a moment.");
        break;
    case 31:
        r.mensaje = QStringLiteral("No application is associated with this file type.");
        break;
    case 32:
        r.numero = 48;
        r.mensaje = QStringLiteral("The specified dynamic-link library was not found.");
        break;
    default:
        r.mensaje = QStringLiteral("An error occurred occurred whilst trying to open or print the selected file.");
        break;
    }
    return r;
}

// xdg-open: 0 opened, 2 the file does not exist, 3 no tool or application for it,
// 1 and 4 (bad call, action failed) and anything else have no closer row than the generic one.
int ResultadoShellDeEscritorio(int codigoSalida) {
    switch (codigoSalida) {
    case 0: return SE_EXITO;
    case 2: return SE_ERR_FNF;
    case 3: return SE_ERR_NOASSOC;
    default: return SE_ERR_GENERICO;
    }
}

bool FnAbrirConShell(const QString &fichero, int comandoMostrar, const QString &parametros,
                     const QString &directorio, QString &verbo, QWidget *&ventana) {
    g_ultimoError = {};
    // The desktop opener knows one action, open, and takes neither parameters, working
    // directory, window state (see ComandoMostrarEfectivo) nor owner window.
    const int resultado = ResultadoShellDeEscritorio(DialogService::actual().abrirConEscritorio(fichero));
    const ResultadoShell r = InterpretarResultadoShell(resultado);
    if (r.exito)
        return true;
    g_ultimoError = {r.numero, origenError(), r.mensaje};
    return false;
}

const ErrorShell &UltimoErrorShell() { return g_ultimoError; }

} // namespace mShellExecute
