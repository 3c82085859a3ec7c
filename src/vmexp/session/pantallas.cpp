#include "pantallas.h"

#include "dialogos.h"
#include "formulario.h"

#include <QDialog>
#include <QHash>
#include <memory>

namespace {
QHash<QString, Pantallas::Fabrica> &registro() {
    static QHash<QString, Pantallas::Fabrica> r;
    return r;
}
} // namespace

void Pantallas::registrar(const QString &nombre, Fabrica fabrica) { registro().insert(nombre, std::move(fabrica)); }

Pantallas::Fabrica Pantallas::fabrica(const QString &nombre) { return registro().value(nombre); }

int Pantallas::abrirModal(const QString &nombre, QWidget *padre, QString *error, const Preparar &preparar) {
    const Fabrica f = fabrica(nombre);
    if (!f) {
        if (error)
            *error = QStringLiteral("La pantalla %1 no está disponible.").arg(nombre);
        return -1;
    }
    std::unique_ptr<QDialog> pantalla(f(padre));
    // A screen that could not load is not shown empty: its opener hears why.
    if (auto *formulario = qobject_cast<Formulario *>(pantalla.get()); formulario && !formulario->errorCarga().isEmpty()) {
        if (error)
            *error = formulario->errorCarga();
        return -1;
    }
    if (preparar)
        preparar(pantalla.get());
    return DialogService::actual().abrirModal(pantalla.get());
}
