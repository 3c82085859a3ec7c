#pragma once
// What every data-access call returns: ok, or a message for the user in Spanish and
// the engine's own cause for the log. Errors are returned, never thrown.
#include <QString>

class Resultado {
public:
    Resultado() = default; // ok
    static Resultado fallo(const QString &mensaje, const QString &causa = {}, bool bloqueo = false) {
        Resultado r;
        r.m_fallo = true;
        r.m_mensaje = mensaje;
        r.m_causa = causa.isEmpty() ? mensaje : causa;
        r.m_bloqueo = bloqueo;
        return r;
    }

    bool ok() const { return !m_fallo; }
    explicit operator bool() const { return ok(); }
    const QString &mensaje() const { return m_mensaje; }
    const QString &causa() const { return m_causa; }
    // Another connection held the database (busy or locked): the whole save may be
    // tried again from its start.
    bool bloqueo() const { return m_bloqueo; }

    // The same failure told in the caller's words, keeping the engine's cause.
    Resultado conPrefijo(const QString &prefijo) const {
        return ok() ? *this : fallo(prefijo + m_mensaje, m_causa, m_bloqueo);
    }

private:
    bool m_fallo = false;
    QString m_mensaje;
    QString m_causa;
    bool m_bloqueo = false;
};
