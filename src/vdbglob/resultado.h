#pragma once
// What every data-access call returns: ok, or a message for the user in Spanish and
// the engine's own cause for the log. Errors are returned, never thrown.
#include <QString>

class Resultado {
public:
    Resultado() = default; // ok
    static Resultado fallo(const QString &mensaje, const QString &causa = {}) {
        Resultado r;
        r.m_fallo = true;
        r.m_mensaje = mensaje;
        r.m_causa = causa.isEmpty() ? mensaje : causa;
        return r;
    }

    bool ok() const { return !m_fallo; }
    explicit operator bool() const { return ok(); }
    const QString &mensaje() const { return m_mensaje; }
    const QString &causa() const { return m_causa; }

    // The same failure told in the caller's words, keeping the engine's cause.
    Resultado conPrefijo(const QString &prefijo) const {
        return ok() ? *this : fallo(prefijo + m_mensaje, m_causa);
    }

private:
    bool m_fallo = false;
    QString m_mensaje;
    QString m_causa;
};
