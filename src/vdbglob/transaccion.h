#pragma once
// The one way a save opens a transaction: it begins, commits only when told, and
// rolls back on every other way out (an early return, a failure, an exception).
#include "exportar.h"
#include "resultado.h"

#include <functional>

class Conexion;

class VMEXP_EXPORT Transaccion {
public:
    explicit Transaccion(Conexion *conexion);
    ~Transaccion();
    Transaccion(const Transaccion &) = delete;
    Transaccion &operator=(const Transaccion &) = delete;

    // Whether it could begin; nothing is to be written when it could not.
    const Resultado &inicio() const { return m_inicio; }
    Resultado confirmar();

private:
    Conexion *m_conexion;
    Resultado m_inicio;
    bool m_abierta = false;
};

// Runs cuerpo inside one transaction: commits when it returns ok, rolls back otherwise.
// The body issues the writes from values read beforehand and never waits on the user
// (no message box while the transaction is open), so that it can be run again whole.
VMEXP_EXPORT Resultado enTransaccion(Conexion *conexion, const std::function<Resultado()> &cuerpo);
