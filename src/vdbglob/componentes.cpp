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
void decir(QString *error, const QString &texto) {
    qCWarning(lcComponentes).noquote() << texto;
    if (error)
        *error = texto;
}
} // namespace

void Componentes::registrar(const QString &nombre, Fabrica fabrica) { registro().insert(clave(nombre), std::move(fabrica)); }
void Componentes::quitar(const QString &nombre) { registro().remove(clave(nombre)); }
bool Componentes::registrado(const QString &nombre) { return registro().contains(clave(nombre)); }

std::unique_ptr<QObject> Componentes::crear(const QString &nombre, QString *error) {
    const auto it = registro().constFind(clave(nombre));
    if (it == registro().constEnd()) {
        decir(error, QStringLiteral("No se puede crear el componente \"%1\": no está registrado.").arg(nombre));
        return {};
    }
    qCInfo(lcComponentes).noquote() << "creando" << nombre;
    std::unique_ptr<QObject> o((*it)());
    if (!o)
        decir(error, QStringLiteral("No se puede crear el componente \"%1\".").arg(nombre));
    return o;
}

bool Componentes::asignar(QObject *o, const char *propiedad, const QVariant &valor, QString *error) {
    const int i = o ? o->metaObject()->indexOfProperty(propiedad) : -1;
    if (i < 0 || !o->metaObject()->property(i).write(o, valor)) {
        decir(error, QStringLiteral("El componente no admite la propiedad %1.").arg(QLatin1String(propiedad)));
        return false;
    }
    return true;
}

QVariant Componentes::leer(QObject *o, const char *propiedad, QString *error) {
    const int i = o ? o->metaObject()->indexOfProperty(propiedad) : -1;
    if (i < 0) {
        decir(error, QStringLiteral("El componente no tiene la propiedad %1.").arg(QLatin1String(propiedad)));
        return {};
    }
    return o->metaObject()->property(i).read(o);
}

bool Componentes::llamar(QObject *o, const char *metodo, QVariant *resultado, QString *error) {
    return llamar(o, metodo, QVariantList(), resultado, error);
}

bool Componentes::llamar(QObject *o, const char *metodo, const QVariantList &argumentos, QVariant *resultado,
                         QString *error) {
    const QMetaObject *mo = o ? o->metaObject() : nullptr;
    int indice = -1;
    for (int i = 0; mo && i < mo->methodCount(); ++i)
        if (mo->method(i).name() == metodo && mo->method(i).parameterCount() == argumentos.size()) {
            indice = i;
            break;
        }
    if (indice < 0 || argumentos.size() > 9) {
        decir(error, QStringLiteral("El componente no tiene el método %1.").arg(QLatin1String(metodo)));
        return false;
    }
    const QMetaMethod m = mo->method(indice);
    qCInfo(lcComponentes).noquote() << "llamando a" << mo->className() << metodo;
    QVariantList valores = argumentos;
    QGenericArgument args[9];
    for (int i = 0; i < valores.size(); ++i) {
        if (!valores[i].convert(m.parameterMetaType(i))) {
            decir(error, QStringLiteral("El método %1 del componente no admite el valor %2.")
                             .arg(QLatin1String(metodo), argumentos[i].toString()));
            return false;
        }
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
        decir(error, QStringLiteral("Falló la llamada al método %1 del componente.").arg(QLatin1String(metodo)));
    return ok;
}
