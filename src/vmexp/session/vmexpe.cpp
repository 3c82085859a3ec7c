#include "vmexpe.h"

#include "carpetatrabajo.h"
#include "conexion.h"
#include "cutilidades.h"
#include "esquema.h"
#include "modexp.h"
#include "mybd.h"
#include "pantallas.h"
#include "registro.h"
#include "textodocumentos.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <dlfcn.h>

std::shared_ptr<VMEXPE> gExpe;
QString gCarpetaDoc;
QString gBusquedaDocumentos;

namespace {
QString &carpetaFijada() {
    static QString c;
    return c;
}
} // namespace

VMEXPE::VMEXPE() = default;
VMEXPE::~VMEXPE() = default;

std::shared_ptr<VMEXPE> VMEXPE::crear() {
    // Any host can switch the support log on, not only ours.
    Registro::desdeEntorno();
    std::shared_ptr<VMEXPE> nuevo(new VMEXPE);
    gExpe = nuevo;
    nuevo->setNProceso(Esquema::kProcesoExpedientes);
    return nuevo;
}

QString VMEXPE::carpetaLibreria() {
    if (!carpetaFijada().isEmpty())
        return carpetaFijada();
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&VMEXPE::carpetaLibreria), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QDir::currentPath();
}

void VMEXPE::setCarpetaLibreria(const QString &carpeta) { carpetaFijada() = carpeta; }

void VMEXPE::setMyBd(std::shared_ptr<::MyBd> bd) {
    m_extractor.reset();
    m_myBd = std::move(bd);
    if (m_myBd && m_myBd->Conexion())
        m_myBd->Conexion()->setTiposColumna(Esquema::tiposColumna());
    if (!m_myBd)
        return;
    gCarpetaDoc = CarpetaTrabajo::elegir(carpetaLibreria(), m_myBd->IdUsuario());
    CarpetaTrabajo::limpiar(gCarpetaDoc);
    if (!m_myBd->Conexion())
        return;
    m_extractor = std::make_unique<ExtractorTexto>(m_myBd->Conexion()->db().connectionName());
    // Documents the last run stored but did not get to read. Asked outside the statements
    // the library reports: it is no statement of a screen.
    QSqlQuery q(m_myBd->Conexion()->db());
    if (q.exec(QStringLiteral("SELECT 1 FROM ActFTex WHERE ActFTex_Pendiente > 0 LIMIT 1")) && q.next())
        m_extractor->avisar();
}

void VMEXPE::leerTextosPendientes() {
    if (m_extractor)
        m_extractor->avisar();
}

bool VMEXPE::indexarDocumentos(const std::function<void(int, int, int)> &avance) {
    m_ultimoError.clear();
    if (!m_myBd || !m_myBd->Conexion()) {
        m_ultimoError = QStringLiteral("No se ha asignado la base de datos (MyBd).");
        return false;
    }
    // The session's own reader would only read the same documents twice meanwhile.
    const QString conexion = m_myBd->Conexion()->db().connectionName();
    m_extractor.reset();
    const Resultado r = TextoDocumentos::indexar(m_myBd->Conexion(), avance);
    m_extractor = std::make_unique<ExtractorTexto>(conexion);
    if (!r)
        m_ultimoError = r.mensaje();
    return r.ok();
}

bool VMEXPE::abrir(const char *pantalla) {
    m_ultimoError.clear();
    if (!gExpe || !gExpe->MyBd()) {
        m_ultimoError = QStringLiteral("No se ha asignado la base de datos (MyBd) antes de abrir la pantalla.");
        return false;
    }
    return Pantallas::abrirModal(QLatin1String(pantalla), nullptr, &m_ultimoError) >= 0;
}

bool VMEXPE::vExpedientes() { return abrir("frmExpedientes"); }
bool VMEXPE::vTipos() { return abrir("frmTiposExp"); }
bool VMEXPE::vActuaciones() { return abrir("frmTiposAct"); }

bool VMEXPE::vFindByName() {
    m_ultimoError.clear();
    if (!m_myBd) {
        m_ultimoError = QStringLiteral("No se ha asignado la base de datos (MyBd).");
        return false;
    }
    CUtilidades util;
    util.setConexion(m_myBd->Conexion());
    util.BuscarPorNombre(QStringLiteral("Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro"), QStringLiteral("Pro_Nom"),
                         QStringLiteral("Codigo"), QStringLiteral("Nombre del Proveedor"),
                         QStringLiteral("Buscar Proveedores por nombre"), 900, 6000, 0);
    return true;
}

bool VMEXPE::vCrearDirectorio(const QString &sDocFolder) {
    gCarpetaDoc = sDocFolder;
    return FnCrearCarpeta();
}

bool VMEXPE::vExisteFichero(const QString &sFile) { return FnExisteFichero(sFile); }

QString VMEXPE::carpetaTrabajo() const { return gCarpetaDoc; }

QStringList VMEXPE::capturarPantallas(const QString &carpeta, int idExp, int idAct, QString *informe) {
    QDir().mkpath(carpeta);
    struct Captura {
        const char *pantalla;
        int idExp, idAct;
    };
    const Captura capturas[] = {{"frmExpedientes", 0, 0}, {"frmExpedientes1", idExp, 0},
                                {"frmExpedientes2", idExp, idAct}, {"frmTiposExp", 0, 0}, {"frmTiposAct", 0, 0}};
    QStringList hechas;
    for (const Captura &c : capturas) {
        const auto fabrica = Pantallas::fabrica(QLatin1String(c.pantalla));
        if (!fabrica || !m_myBd) {
            if (informe)
                *informe += QStringLiteral("  %1: todavía no disponible\n").arg(QLatin1String(c.pantalla));
            continue;
        }
        setIdExp(c.idExp);
        setIdAct(c.idAct);
        setOrigen(0);
        std::unique_ptr<QDialog> d(fabrica(nullptr));
        d->show();
        QApplication::processEvents();
        const QString fichero = QDir(carpeta).filePath(QLatin1String(c.pantalla) + QStringLiteral(".png"));
        d->grab().save(fichero);
        if (informe)
            *informe += QStringLiteral("  %1: %2\n").arg(QLatin1String(c.pantalla), fichero);
        d->close();
        hechas << fichero;
    }
    return hechas;
}

// ---------------------------------------------------------------- ModExp

QString sentenciaUsuario(int idUsuario) {
    return QStringLiteral("Select isnull(usu_nom,'')as uno,usu_adm from vmcomun.dbo.usuarios where usu_id = ")
           + QString::number(idUsuario);
}

QString FnNombreUsuario(int idUsuario, int &adm) {
    if (!sesionConexion())
        return {};
    Recordset rs = sesionConexion()->Execute(sentenciaUsuario(idUsuario));
    QString nombre;
    // The callers' safe default stands for an unreadable user (no name, no administrator
    // rights); support reads why in the log.
    if (!rs.ok())
        qCWarning(lcErrores).noquote() << "No se puede leer el usuario" << idUsuario << ":" << rs.resultado().causa();
    if (rs.ok() && !rs.isEOF() && !rs.isBOF()) {
        adm = rs.Fields(1).toInt();
        nombre = rs.Fields(0).toString();
    }
    rs.Close();
    return nombre;
}

bool FnCrearCarpeta() {
    QDir d(gCarpetaDoc);
    if (d.exists())
        return true;
    // mkdir, not mkpath: the parent folder must already be there. Only its user may
    // look inside: the documents are confidential.
    return QDir().mkdir(gCarpetaDoc, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool FnExisteFichero(const QString &sFile) {
    if (!QDir(gCarpetaDoc).exists())
        return false;
    return QFileInfo::exists(sFile);
}

::MyBd *sesionBd() { return gExpe ? gExpe->MyBd() : nullptr; }
::Conexion *sesionConexion() { return sesionBd() ? sesionBd()->Conexion() : nullptr; }
