#pragma once
// Sibling components created by their registered name ("VMCLIENTES.VMCLI") and
// driven by member name, as automation does: QObject properties and invokable methods.
#include "exportar.h"
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class VMEXP_EXPORT Componentes {
public:
    using Fabrica = std::function<QObject *()>;
    // Registers (or replaces) the factory of a name; tests register fakes this way.
    static void registrar(const QString &nombre, Fabrica fabrica);
    static void quitar(const QString &nombre);
    static bool registrado(const QString &nombre);
    // A new instance, or nullptr and a Spanish message in *error for an unknown name.
    static std::unique_ptr<QObject> crear(const QString &nombre, QString *error = nullptr);

    // Member access by name; false and a Spanish message when the member does not exist.
    static bool asignar(QObject *o, const char *propiedad, const QVariant &valor, QString *error = nullptr);
    static QVariant leer(QObject *o, const char *propiedad, QString *error = nullptr);
    static bool llamar(QObject *o, const char *metodo, QVariant *resultado = nullptr,
                       QString *error = nullptr);
    // The same with arguments, each converted to the member's parameter type.
    static bool llamar(QObject *o, const char *metodo, const QVariantList &argumentos,
                       QVariant *resultado = nullptr, QString *error = nullptr);
};
