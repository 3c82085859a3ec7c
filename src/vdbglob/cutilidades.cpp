#include "cutilidades.h"
#include "conexion.h"
#include "dialogos.h"
#include <QDialog>
#include <QLineEdit>
CUtilidades::CUtilidades(QObject *parent) : QObject(parent) {}
QColor CUtilidades::colorDesdeNumero(double n) { const auto v = quint32(n); return QColor(v & 0xff, (v >> 8) & 0xff, (v >> 16) & 0xff); }
void CUtilidades::EntrarCampo(QLineEdit *, const QString &) {}
void CUtilidades::TeclaCampo(QLineEdit *, int &, bool) {}
void CUtilidades::SalirCampo(QLineEdit *, const QString &) {}
void CUtilidades::setCampoImporte(QLineEdit *, bool) {}
QString CUtilidades::BuscarPorNombre(const QString &sql, const QString &, const QString &, const QString &, const QString &titulo, int, int, int) {
    if (m_conexion) m_conexion->Execute(sql);
    QDialog d; d.setWindowTitle(titulo);
    DialogService::actual().abrirModal(&d);
    return {};
}
