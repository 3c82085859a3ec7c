#include "pantallas.h"

#include "dialogos.h"

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
    if (preparar)
        preparar(pantalla.get());
    return DialogService::actual().abrirModal(pantalla.get());
}
