#pragma once
// The file-open chooser, driven as the Windows open-file dialog is: a flag word, a
// filter list of description/pattern pairs separated by NULs and a 1-based filter index.
#include <QString>

class QWidget;

namespace mCommonDialog {

enum FlagsDialogo {
    OFN_READONLY = 0x1,
    OFN_HIDEREADONLY = 0x4,
    OFN_ENABLEHOOK = 0x20,
    OFN_ENABLETEMPLATE = 0x40,
    OFN_ALLOWMULTISELECT = 0x200,
    OFN_FILEMUSTEXIST = 0x1000,
};

// Size of the name and title buffers; longer proposals are refused.
constexpr int kMaxRuta = 260;

// Asks for a file to open. The owner is nullptr for none. Returns true when the user
// chose a file; otherwise name, title and filter are emptied, the index is -1 and the
// flags 0 (the read-only flag keeps its value).
bool FnDialogoAbrir(QString &nombreFichero, QString &tituloFichero, bool &debeExistir,
                    bool &seleccionMultiple, bool &soloLectura, bool &ocultarSoloLectura,
                    QString &filtro, int &indiceFiltro, QString &carpetaInicial, QString &titulo,
                    QString &extensionPorDefecto, QWidget *&propietario, int &flags);

// The text before the first NUL, or all of it.
QString FnCortarEnNulo(const QString &texto);

// The n-th (1-based) "description NUL pattern" entry of a NUL-separated filter list.
QString FnFiltroElegido(const QString &lista, int n);

// "|" and ":" become NULs and two NULs close the list.
QString ConvertirFiltro(const QString &filtro);

} // namespace mCommonDialog
