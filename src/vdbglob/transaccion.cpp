#include "transaccion.h"

#include "conexion.h"

#include <QThread>

namespace {
int g_abiertas = 0;
constexpr int kIntentos = 5;
} // namespace

Transaccion::Transaccion(Conexion *conexion) : m_conexion(conexion) {
    m_inicio = m_conexion ? m_conexion->BeginTransEscritura()
                          : Resultado::fallo(QStringLiteral("No hay conexión con la base de datos"));
    m_abierta = m_inicio.ok();
    if (m_abierta)
        ++g_abiertas;
}

Transaccion::~Transaccion() {
    if (m_abierta) {
        cerrada();
        m_conexion->RollbackTrans();
    }
}

void Transaccion::cerrada() {
    m_abierta = false;
    --g_abiertas;
}

int Transaccion::abiertas() { return g_abiertas; }

Resultado Transaccion::confirmar() {
    if (!m_abierta)
        return m_inicio.ok() ? Resultado::fallo(QStringLiteral("La transacción ya está cerrada")) : m_inicio;
    cerrada();
    // A commit that fails is rolled back by the connection itself.
    return m_conexion->CommitTrans();
}

namespace {
Resultado unaVez(Conexion *conexion, const std::function<Resultado()> &cuerpo) {
    Transaccion t(conexion);
    if (!t.inicio())
        return t.inicio();
    if (const Resultado r = cuerpo(); !r)
        return r;
    return t.confirmar();
}
} // namespace

Resultado enTransaccion(Conexion *conexion, const std::function<Resultado()> &cuerpo) {
    Resultado r;
    for (int intento = 1; intento <= kIntentos; ++intento) {
        if (intento > 1) // the other save is usually done in a moment; the busy timeout has waited already
            QThread::msleep(20 * (intento - 1));
        r = unaVez(conexion, cuerpo);
        if (r.ok() || !r.bloqueo())
            return r;
    }
    return Resultado::fallo(QStringLiteral("En este momento otro usuario está guardando y no se ha podido guardar. "
                                           "Lo que ha escrito sigue en la pantalla: vuelva a intentarlo."),
                            r.causa(), true);
}

Resultado sinCambiosDeOtro(const QVariantList &cargado, const QVariantList &actual, bool existe,
                           const QString &registro) {
    const QString volver = QStringLiteral(" No se ha guardado nada y lo que ha escrito sigue en la pantalla; para ver "
                                          "los cambios, cierre la pantalla y vuelva a abrirla.");
    if (!existe)
        return Resultado::fallo(QStringLiteral("Mientras lo editaba, otro usuario ha eliminado ") + registro
                                + u'.' + volver);
    if (actual != cargado)
        return Resultado::fallo(QStringLiteral("Mientras lo editaba, otro usuario ha modificado ") + registro
                                + u'.' + volver);
    return {};
}
