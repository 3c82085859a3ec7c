#pragma once
// The scanning component "VMTwain.vTwain": scans every page a SANE device gives into one
// PDF file. Driven by member name: set fichero, call vConfig, read resultado.
#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class SesionSane;

class vTwain : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString fichero READ fichero WRITE setFichero)
    Q_PROPERTY(bool resultado READ resultado)
    Q_PROPERTY(QString dispositivo READ dispositivo)

public:
    explicit vTwain(QObject *parent = nullptr);

    QString fichero() const { return m_fichero; }
    void setFichero(const QString &ruta) { m_fichero = ruta; }
    // True when the last vConfig wrote fichero.
    bool resultado() const { return m_resultado; }
    // SANE name of the device the last vConfig scanned with; empty when none was used.
    QString dispositivo() const { return m_dispositivo; }

    // How long the driver may go without a sign of life before the scan is given up.
    int limiteEspera() const { return m_limiteEspera; }
    void setLimiteEspera(int ms) { m_limiteEspera = ms; }

    // Lets the user choose a scanner and a resolution when there is a choice, scans and
    // writes fichero. Returns when done; resultado tells how it went. A scan that fails for
    // any reason but the user's own cancelling tells the user why: the screen says nothing.
    Q_INVOKABLE void vConfig();

signals:
    void paginaEscaneada(const QImage &pagina, double ppp);

private:
    bool escanear();
    bool fallar(const QString &motivo);
    bool leerYGuardar(const std::shared_ptr<SesionSane> &sesion, double ppp);

    QString m_fichero;
    bool m_resultado = false;
    QString m_dispositivo;
    QString m_motivo; // why the last vConfig failed; empty when it was cancelled
    int m_limiteEspera = 120000; // a lamp warming up or a feeder loading takes its time
};
