#pragma once
// Sibling components created by their registered name ("VMCLIENTES.VMCLI") and
// driven by member name, as automation does: QObject properties and invokable methods.
#include "exportar.h"
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "resultado.h"

class VMEXP_EXPORT Componentes {
public:
    using Fabrica = std::function<QObject *()>;
    // Registers (or replaces) the factory of a name; tests register fakes this way.
    static void registrar(const QString &nombre, Fabrica fabrica);
    static void quitar(const QString &nombre);
    static bool registrado(const QString &nombre);
    // A new instance in objeto; a failure for a name nobody registered.
    static Resultado crear(const QString &nombre, std::unique_ptr<QObject> &objeto);

    // Member access by name; a failure when the member does not exist.
    static Resultado asignar(QObject *o, const char *propiedad, const QVariant &valor);
    static Resultado leer(QObject *o, const char *propiedad, QVariant &valor);
    static Resultado llamar(QObject *o, const char *metodo, QVariant *resultado = nullptr);
    // The same with arguments, each converted to the member's parameter type.
    static Resultado llamar(QObject *o, const char *metodo, const QVariantList &argumentos,
                            QVariant *resultado = nullptr);
};
