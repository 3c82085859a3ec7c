#pragma once
// The one way a save opens a transaction: it begins holding the write lock, commits
// only when told, and rolls back on every other way out (an early return, a failure,
// an exception).
#include "exportar.h"
#include "resultado.h"

#include <QVariant>

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

    // Saves open now in this process: no message may wait on a person meanwhile.
    static int abiertas();

private:
    void cerrada();

    Conexion *m_conexion;
    Resultado m_inicio;
    bool m_abierta = false;
};

// Runs cuerpo inside one transaction: commits when it returns ok, rolls back otherwise.
// When another user holds the database, the whole body is run again a few times; if it
// still cannot, the user is told that another user is saving. The body issues the writes
// from values read beforehand and never waits on the user, so that it can be run again.
VMEXP_EXPORT Resultado enTransaccion(Conexion *conexion, const std::function<Resultado()> &cuerpo);

// For the check a save makes inside its transaction before updating a row: the row as
// the screen loaded it and as it stands now (existe false when it is gone). Anything
// different fails with a message naming registro ("el expediente", ...).
VMEXP_EXPORT Resultado sinCambiosDeOtro(const QVariantList &cargado, const QVariantList &actual, bool existe,
                           const QString &registro);
