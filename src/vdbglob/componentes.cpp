#include "componentes.h"

#include "registro.h"

#include <QHash>
#include <QMetaMethod>
#include <QMetaProperty>

namespace {
QHash<QString, Componentes::Fabrica> &registro() {
    static QHash<QString, Componentes::Fabrica> r;
    return r;
}
QString clave(const QString &nombre) { return nombre.toUpper(); }
// Every refusal goes to the support log too.
Resultado avisar(Resultado r) {
    qCWarning(lcComponentes).noquote() << r.mensaje();
    return r;
}
} // namespace

void Componentes::registrar(const QString &nombre, Fabrica fabrica) { registro().insert(clave(nombre), std::move(fabrica)); }
void Componentes::quitar(const QString &nombre) { registro().remove(clave(nombre)); }
bool Componentes::registrado(const QString &nombre) { return registro().contains(clave(nombre)); }

Resultado Componentes::crear(const QString &nombre, std::unique_ptr<QObject> &objeto) {
    objeto.reset();
    const auto it = registro().constFind(clave(nombre));
    if (it == registro().constEnd())
        return avisar(Resultado::fallo(QStringLiteral("No se puede crear el componente \"%1\": no está registrado.").arg(nombre)));
    qCInfo(lcComponentes).noquote() << "creando" << nombre;
    objeto.reset((*it)());
    if (!objeto)
        return avisar(Resultado::fallo(QStringLiteral("No se puede crear el componente \"%1\".").arg(nombre)));
    return {};
}

Resultado Componentes::asignar(QObject *o, const char *propiedad, const QVariant &valor) {
    const int i = o ? o->metaObject()->indexOfProperty(propiedad) : -1;
    if (i < 0 || !o->metaObject()->property(i).write(o, valor))
        return avisar(Resultado::fallo(QStringLiteral("El componente no admite la propiedad %1.").arg(QLatin1String(propiedad))));
    return {};
}

Resultado Componentes::leer(QObject *o, const char *propiedad, QVariant &valor) {
    const int i = o ? o->metaObject()->indexOfProperty(propiedad) : -1;
    valor = QVariant();
    if (i < 0)
        return avisar(Resultado::fallo(QStringLiteral("El componente no tiene la propiedad %1.").arg(QLatin1String(propiedad))));
    valor = o->metaObject()->property(i).read(o);
    return {};
}

Resultado Componentes::llamar(QObject *o, const char *metodo, QVariant *resultado) {
    return llamar(o, metodo, QVariantList(), resultado);
}

Resultado Componentes::llamar(QObject *o, const char *metodo, const QVariantList &argumentos, QVariant *resultado) {
    const QMetaObject *mo = o ? o->metaObject() : nullptr;
    int indice = -1;
    for (int i = 0; mo && i < mo->methodCount(); ++i)
        if (mo->method(i).name() == metodo && mo->method(i).parameterCount() == argumentos.size()) {
            indice = i;
            break;
        }
    if (indice < 0 || argumentos.size() > 9)
        return avisar(Resultado::fallo(QStringLiteral("El componente no tiene el método %1.").arg(QLatin1String(metodo))));
    const QMetaMethod m = mo->method(indice);
    qCInfo(lcComponentes).noquote() << "llamando a" << mo->className() << metodo;
    QVariantList valores = argumentos;
    QGenericArgument args[9];
    for (int i = 0; i < valores.size(); ++i) {
        if (!valores[i].convert(m.parameterMetaType(i)))
            return Resultado::fallo(QStringLiteral("El método %1 del componente no admite el valor %2.")
                                        .arg(QLatin1String(metodo), argumentos[i].toString()));
        args[i] = QGenericArgument(m.parameterMetaType(i).name(), valores[i].constData());
    }
    QVariant r(m.returnMetaType());
    QGenericReturnArgument retorno;
    if (m.returnMetaType().id() != QMetaType::Void)
        retorno = QGenericReturnArgument(m.typeName(), r.data());
    const bool ok = m.invoke(o, Qt::DirectConnection, retorno, args[0], args[1], args[2], args[3], args[4], args[5],
                             args[6], args[7], args[8]);
    if (resultado)
        *resultado = m.returnMetaType().id() == QMetaType::Void ? QVariant() : r;
    qCInfo(lcComponentes).noquote() << metodo << "ha vuelto";
    if (!ok)
        return avisar(Resultado::fallo(QStringLiteral("Falló la llamada al método %1 del componente.").arg(QLatin1String(metodo))));
    return {};
}
