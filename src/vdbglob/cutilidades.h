#pragma once
// Form utilities every screen creates: focus colours, key filtering and formats
// of its text fields, and the search-by-name dialog.
#include <QColor>
#include <QObject>
#include <QString>

class Conexion;
class QLineEdit;

class CUtilidades : public QObject {
    Q_OBJECT
public:
    explicit CUtilidades(QObject *parent = nullptr);

    void setConexion(::Conexion *c) { m_conexion = c; }
    ::Conexion *Conexion() const { return m_conexion; }
    // Colours as 0x00BBGGRR numbers: 65535 is yellow, 16777215 white.
    void setColorFoco(double c) { m_colorFoco = c; }
    void setColorNormal(double c) { m_colorNormal = c; }
    double ColorFoco() const { return m_colorFoco; }
    double ColorNormal() const { return m_colorNormal; }
    static QColor colorDesdeNumero(double numero);

    // Focus colour on entry; a date field shows its bare digits while edited.
    void EntrarCampo(QLineEdit *campo, const QString &formato = {});
    // keyAscii is the typed character's code; set to 0 when the key is refused.
    // fecha: only the digits of a day-first date. Fields whose objectName says they
    // hold amounts (set by setCampoImporte) take digits and one decimal separator.
    void TeclaCampo(QLineEdit *campo, int &keyAscii, bool fecha);
    // Normal colour on exit and the display format: "dd/mm/yyyy" or "#,##0.00"-style.
    void SalirCampo(QLineEdit *campo, const QString &formato);
    void setCampoImporte(QLineEdit *campo, bool importe = true);

    // Modal search: returns the chosen row's columns joined by char(1), "" on cancel.
    QString BuscarPorNombre(const QString &sql, const QString &columnaBusqueda,
                            const QString &captionCodigo, const QString &captionNombre,
                            const QString &titulo, int anchoCodigo, int anchoNombre, int flag = 0);

    // Helpers the screens share.
    static QString formatearFecha(const QString &texto, bool *valida = nullptr); // → dd/mm/yyyy
    static QString formatearImporte(const QString &texto, int decimales, bool *valido = nullptr);
    static int decimalesDeFormato(const QString &formato); // "#,##0.00" → 2

private:
    ::Conexion *m_conexion = nullptr;
    double m_colorFoco = 65535;
    double m_colorNormal = 16777215;
};
