#include "transaccion.h"

#include "conexion.h"

Transaccion::Transaccion(Conexion *conexion) : m_conexion(conexion) {
    m_inicio = m_conexion ? m_conexion->BeginTrans() : Resultado::fallo(QStringLiteral("No hay conexión con la base de datos"));
    m_abierta = m_inicio.ok();
}

Transaccion::~Transaccion() {
    if (m_abierta)
        m_conexion->RollbackTrans();
}

Resultado Transaccion::confirmar() {
    if (!m_abierta)
        return m_inicio.ok() ? Resultado::fallo(QStringLiteral("La transacción ya está cerrada")) : m_inicio;
    m_abierta = false;
    // A commit that fails is rolled back by the connection itself.
    return m_conexion->CommitTrans();
}

Resultado enTransaccion(Conexion *conexion, const std::function<Resultado()> &cuerpo) {
    Transaccion t(conexion);
    if (!t.inicio())
        return t.inicio();
    if (const Resultado r = cuerpo(); !r)
        return r;
    return t.confirmar();
}
