#include "mybd.h"

#include "comillas.h"
#include "conexion.h"
#include "numeros.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

QString Parametros::sentencia(const QString &clave) {
    return QStringLiteral("SELECT Par_Valor FROM Parametros WHERE Par_Clave = %1").arg(entreComillas(clave));
}

Parametro Parametros::Item(const QString &clave) const {
    Recordset rs = m_conexion->Execute(sentencia(clave));
    if (!rs.ok())
        return {{}, rs.resultado()};
    if (rs.isEOF())
        return {};
    return {rs.Fields(0), {}};
}

MyBd::MyBd(::Conexion *conexion, int idUsuario, QObject *parent)
    : QObject(parent), m_conexion(conexion), m_idUsuario(idUsuario), m_parametros(conexion) {}

std::shared_ptr<MyBd> MyBd::crear(const QSqlDatabase &db, int idUsuario, QString *error) {
    // The connection object lives as long as the MyBd: its child.
    auto *conexion = new ::Conexion(db);
    auto bd = std::make_shared<MyBd>(conexion, idUsuario);
    conexion->setParent(bd.get());
    QString fallo = db.isOpen() ? conexion->sesion().mensaje()
                                : QStringLiteral("La conexión con la base de datos no está abierta.");
    if (fallo.isEmpty()) {
        Recordset rs = conexion->Execute(
            QStringLiteral("Select isnull(usu_nom,'') as nombre, usu_adm from vmcomun.dbo.usuarios where usu_id = ")
            + QString::number(idUsuario));
        if (!rs.ok())
            fallo = rs.resultado().mensaje();
        else if (rs.isEOF())
            fallo = QStringLiteral("El usuario %1 no existe en vmcomun.").arg(idUsuario);
        else {
            bd->m_nombreUsuario = rs.Fields(0).toString();
            bd->m_administrador = rs.Fields(1).toInt() != 0;
        }
    }
    if (fallo.isEmpty())
        return bd;
    if (error)
        *error = fallo;
    return nullptr;
}

namespace {
// A value of the writer ready to bind, or the reason it cannot be written.
struct Valor {
    QVariant enlazado;
    QString error;
};

Valor numeroDe(const QVariant &v, bool entero) {
    const int t = v.metaType().id();
    if (t == QMetaType::Bool)
        return {int(v.toBool())};
    if (t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::UInt || t == QMetaType::Short
        || t == QMetaType::ULongLong || t == QMetaType::Double || t == QMetaType::Float) {
        if (entero)
            return {qlonglong(qRound64(v.toDouble()))};
        return {v.toDouble()};
    }
    const QString s = v.toString().trimmed();
    bool ok = false;
    if (entero) {
        const qlonglong n = s.toLongLong(&ok);
        if (ok)
            return {n};
        return {{}, QStringLiteral("«%1» no es un número entero").arg(s)};
    }
    const double n = numeroLocal(s, &ok);
    if (ok)
        return {n};
    return {{}, QStringLiteral("«%1» no es un importe").arg(s)};
}

Valor fechaDe(const QVariant &v) {
    if (v.metaType().id() == QMetaType::QDate && v.toDate().isValid())
        return {v.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00"))};
    if (v.metaType().id() == QMetaType::QDateTime && v.toDateTime().isValid())
        return {v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    const QString s = v.toString().trimmed();
    QDateTime dt = QDateTime::fromString(s, QStringLiteral("d/M/yyyy H:mm:ss"));
    if (dt.isValid())
        return {dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    const QDate d = QDate::fromString(s, QStringLiteral("d/M/yyyy"));
    if (d.isValid())
        return {d.toString(QStringLiteral("yyyy-MM-dd 00:00:00"))};
    return {{}, QStringLiteral("«%1» no es una fecha válida").arg(s)};
}

Valor valorDe(const Campo &c) {
    switch (c.tipo) {
    case kCampoEntero: return numeroDe(c.valor, true);
    case kCampoImporte: return numeroDe(c.valor, false);
    case kCampoTexto: return {c.valor.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(c.valor.toString())};
    case kCampoFecha: return fechaDe(c.valor);
    default: return {{}, QStringLiteral("tipo de valor %1 desconocido").arg(c.tipo)};
    }
}

QString colocacion(const Campo &c) { return c.tipo == kCampoSql ? c.valor.toString() : QStringLiteral("?"); }
} // namespace

QString MyBd::sentenciaInsertar() const {
    QStringList nombres, valores;
    for (const Campo &c : m_campos.lista()) {
        nombres << c.nombre;
        valores << colocacion(c);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(m_tabla, nombres.join(u','), valores.join(u','));
}

QString MyBd::sentenciaModificar() const {
    QStringList pares;
    for (const Campo &c : m_campos.lista())
        pares << c.nombre + QStringLiteral(" = ") + colocacion(c);
    return QStringLiteral("UPDATE %1 SET %2%3").arg(m_tabla, pares.join(u','), m_condicion);
}

Resultado MyBd::ejecutar(const QString &sql, const QString &accion) {
    const auto fallo = [&](const QString &causa, const QString &motor = {}, bool bloqueo = false) {
        return Resultado::fallo(QStringLiteral("Error al %1 en la tabla %2: %3").arg(accion, m_tabla, causa), motor,
                                bloqueo);
    };
    if (m_tabla.trimmed().isEmpty())
        return fallo(QStringLiteral("no se ha indicado la tabla"));
    if (m_campos.Count() == 0)
        return fallo(QStringLiteral("no hay campos que grabar"));
    QList<QVariant> enlazados;
    for (const Campo &c : m_campos.lista()) {
        if (c.tipo == kCampoSql)
            continue;
        const Valor v = valorDe(c);
        if (!v.error.isEmpty())
            return fallo(QStringLiteral("el campo %1: %2").arg(c.nombre, v.error));
        enlazados << v.enlazado;
    }
    const bool insertar = accion == QLatin1String("insertar");
    qint64 clave = 0;
    const Resultado r = m_conexion->EjecutarConValores(sql, enlazados, insertar ? m_tabla : QString(), &clave);
    if (!r)
        return fallo(r.mensaje(), r.causa(), r.bloqueo());
    if (insertar)
        m_ultimoId = clave;
    return {};
}

Resultado MyBd::Insertar() { return ejecutar(sentenciaInsertar(), QStringLiteral("insertar")); }

Resultado MyBd::Modificar() { return ejecutar(sentenciaModificar(), QStringLiteral("modificar")); }
