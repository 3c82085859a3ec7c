#pragma once
// Screens are created by name, so that each folder registers its own and a screen
// can open another (or a test put a stand-in in its place) without linking to it.
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace Pantallas {
using Fabrica = std::function<QDialog *(QWidget *padre)>;
void registrar(const QString &nombre, Fabrica fabrica);
Fabrica fabrica(const QString &nombre);
// What the opener sets on the new screen before it is shown.
using Preparar = std::function<void(QDialog *pantalla)>;
// Creates the screen, lets the opener prepare it, shows it modally through the dialog
// service and deletes it. Returns the dialog's result, or -1 and a Spanish message
// when it cannot be created or could not load (Formulario::errorCarga).
int abrirModal(const QString &nombre, QWidget *padre = nullptr, QString *error = nullptr,
               const Preparar &preparar = {});
} // namespace Pantallas

// Registers a screen class when the library is loaded: REGISTRAR_PANTALLA(frmTiposExp).
#define REGISTRAR_PANTALLA(Clase)                                                                  \
    static const bool registrada_##Clase = [] {                                                   \
        Pantallas::registrar(QStringLiteral(#Clase), [](QWidget *p) -> QDialog * { return new Clase(p); }); \
        return true;                                                                               \
    }()
