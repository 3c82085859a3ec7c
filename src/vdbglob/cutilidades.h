#pragma once
// Form utilities every screen creates: focus colours, key filtering and formats
// of its text fields, and the search-by-name dialog.
#include "exportar.h"
#include <QColor>
#include <QObject>
#include <QString>

class Conexion;
class QLineEdit;

class VMEXP_EXPORT CUtilidades : public QObject {
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

    // The field's background (palette role Base) takes the focus colour. A date field
    // (see setCampoFecha) showing "dd/mm/yyyy" shows its bare digits while edited;
    // formato "dd/mm/yyyy" treats the field as a date field for this call.
    void EntrarCampo(QLineEdit *campo, const QString &formato = {});
    // keyAscii is the typed character's code; set to 0 when the key is refused, or
    // changed when another character stands for it. Control codes (< 32) always pass.
    // fecha: digits and "/" only, and the field is remembered as a date field.
    // Amount fields (setCampoImporte): digits, one decimal separator of the locale
    // ("." and "," both become it) and "-" at the start. Other fields take any key.
    void TeclaCampo(QLineEdit *campo, int &keyAscii, bool fecha);
    // Normal colour on exit, then the display format: "dd/mm/yyyy" or "#,##0.00"-style.
    // Text that does not read as a date or a number is left as typed.
    void SalirCampo(QLineEdit *campo, const QString &formato);
    // Field kinds are stored on the field as the dynamic properties "vmexp_importe"
    // and "vmexp_fecha", so every utility object of the screen sees them.
    void setCampoImporte(QLineEdit *campo, bool importe = true);
    void setCampoFecha(QLineEdit *campo, bool fecha = true);

    // Modal search: returns the chosen row's columns joined by char(1), "" on cancel.
    // Widths are twips (15 per pixel); flag is accepted for the callers and unused.
    QString BuscarPorNombre(const QString &sql, const QString &columnaBusqueda,
                            const QString &captionCodigo, const QString &captionNombre,
                            const QString &titulo, int anchoCodigo, int anchoNombre, int flag = 0);

    // Helpers the screens share. Both return the text unchanged, and *valid(a) false,
    // when it does not read as a date or a number.
    // "ddmmyyyy", "ddmmyy" (00-29 is 20xx) or d/m/y with "/", "-" or "." → dd/mm/yyyy.
    static QString formatearFecha(const QString &texto, bool *valida = nullptr);
    // The number in the locale's separators, grouped, rounded half up to decimales.
    static QString formatearImporte(const QString &texto, int decimales, bool *valido = nullptr);
    static int decimalesDeFormato(const QString &formato); // "#,##0.00" → 2; -1 if not an amount format

private:
    ::Conexion *m_conexion = nullptr;
    double m_colorFoco = 65535;
    double m_colorNormal = 16777215;
};
