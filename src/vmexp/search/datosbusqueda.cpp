#include "datosbusqueda.h"

#include "comillas.h"
#include "componentes.h"
#include "conexion.h"
#include "dialecto.h"
#include "esquema.h"
#include "modexp.h"
#include "mybd.h"
#include "numeros.h"

#include <QDate>
#include <climits>
#include <utility>

namespace {
// Other than 0, every user sees every case file.
const QString kParametroPermisos = QStringLiteral("PAR_EXP_PER");
const QString kSentenciaTipos = QStringLiteral("Select * from Tex order by tex_des");

// The search each session's screen opened with last.
QHash<const MyBd *, QString> &cargasAnteriores() {
    static QHash<const MyBd *, QString> cargas;
    return cargas;
}

const SentenciasContraparte kClientesSql{
    QStringLiteral("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI where CLI_COD="),
    QStringLiteral("Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI"),
    QStringLiteral("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER"),
    QStringLiteral("CLI_COMER"),
};

const SentenciasContraparte kProveedoresSql{
    QStringLiteral("Select PRO_ID,PRO_COD,PRO_COMER FROM PRO where Pro_COD="),
    QStringLiteral("Select PRO_ID,PRO_COD,(PRO_NOM + ' ' + ISNULL(PRO_APE1,'') + ' ' + ISNULL(PRO_APE2,'')) AS RSOC FROM "
                   "PRO  order by PRO_NOM "),
    QStringLiteral("Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER"),
    QStringLiteral("PRO_COMER"),
};

// "1/3/2024" or "01/03/2024" → "01/03/2024"; empty when it is no real date.
QString fechaDiaPrimero(const QString &texto) {
    // An empty field, the usual case, is not parsed on every search: "1/1/2000" is the shortest date.
    const QString t = texto.trimmed();
    if (t.size() < 8)
        return {};
    const QDate fecha = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    return fecha.isValid() ? fecha.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString columnas(short origen) {
    switch (origen) {
    case kClientes:
        return QStringLiteral("SELECT (Select (cast(cli_Cod as nvarchar) + ' ' + Cli_Comer) from cli where cli_id = "
                              "Exp_IdCli) As Cliente, Exp_Id, ");
    case kProveedores:
        return QStringLiteral("SELECT (Select (cast(Pro_Cod as nvarchar) + ' ' + Pro_Comer) from Pro where Pro_id = "
                              "Exp_IdCli) As Proveedor, Exp_Id, ");
    default:
        return QStringLiteral("SELECT ('') as x, Exp_Id, ");
    }
}
} // namespace

void DatosBusqueda::adelantarCarga(const FiltroBusqueda &filtro) {
    ::Conexion *c = m_bd->Conexion();
    const QStringList lecturas = {sentenciaUsuario(m_bd->IdUsuario()), Parametros::sentencia(kParametroPermisos),
                                  kSentenciaTipos};
    // The search is written once the permission is read. The session's last opening wrote
    // this one: it goes with the reads, and the screen takes its rows if the permission
    // still gives the same statement (else it reads its own, as any search).
    m_cargando = true;
    if (const QString anterior = cargasAnteriores().value(m_bd); !anterior.isEmpty())
        c->adelantar(lecturas, anterior);
    else if (c->adelantar(lecturas))
        c->adelantar({}, sentencia(filtro));
}

Resultado DatosBusqueda::tipos(QStringList &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(kSentenciaTipos);
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        lista << QStringLiteral("%1").arg(rs.Fields(QStringLiteral("tex_id")).toInt(), 4, 10, QChar(u'0'))
                     + QStringLiteral(" - ") + rs.Fields(QStringLiteral("tex_des")).toString();
    rs.Close();
    return {};
}

bool DatosBusqueda::filtraPermisos() {
    // Read once for the screen: the search runs again on every tab, type and editor close.
    if (!m_filtraPermisos) {
        int adm = 0; // a user without a row, or one that cannot be read, is no administrator
        FnNombreUsuario(m_bd->IdUsuario(), adm);
        // A parameter that cannot be read leaves the filter on: no one sees more than allowed.
        m_filtraPermisos = m_bd->Parametros().Item(kParametroPermisos).Valor.toInt() == 0 && adm == 0;
    }
    return *m_filtraPermisos;
}

QString DatosBusqueda::sentencia(const FiltroBusqueda &f) {
    const int idUsuario = m_bd->IdUsuario();
    const bool permisos = filtraPermisos();

    QString condicion = QStringLiteral(" Where Exp_Origen = ") + QString::number(f.origen) + QStringLiteral(" ");
    double codigo = 0;
    if (f.origen != kInternos && leerCodigo(f.codigo, &codigo) && codigo >= 1)
        condicion += QStringLiteral(" And Exp_IdCli = ") + QString::number(f.idContraparte);
    if (f.soloActivos)
        condicion += QStringLiteral(" AND Exp_Estado = 1 ");
    if (!f.tipo.isEmpty())
        condicion += QStringLiteral(" AND Exp_IdTipo=") + f.tipo;
    // Quotes are doubled so the typed text can neither end nor extend the statement.
    if (!f.descripcion.isEmpty())
        condicion += QStringLiteral(" AND Exp_Des Like '%") + doblarComillas(f.descripcion) + QStringLiteral("%' ");
    if (!f.observaciones.isEmpty())
        condicion += QStringLiteral(" AND Exp_obs Like '%") + doblarComillas(f.observaciones) + QStringLiteral("%' ");
    if (const QString desde = fechaDiaPrimero(f.desde); !desde.isEmpty())
        condicion += QStringLiteral(" AND Exp_Fini >='") + desde + QStringLiteral(" 00:00:00' ");
    if (const QString hasta = fechaDiaPrimero(f.hasta); !hasta.isEmpty())
        condicion += QStringLiteral(" AND Exp_Fini <='") + hasta + QStringLiteral(" 23:59:59' ");
    // Before the permission filter, which holds whatever a document says.
    if (const QString conTexto = condicionDocumentos(f.documentos); !conTexto.isEmpty())
        condicion += QStringLiteral(" AND ") + conTexto + u' ';
    if (permisos) {
        const QString id = QString::number(idUsuario);
        condicion += QStringLiteral(" and (Exp_id in (SELECT ExpPer_Idexp FROM ExpPer WHERE  ExpPer_IdUsu=") + id
                     + QStringLiteral(") or Exp_Idusu = ") + id + QStringLiteral(")");
    }
    return columnas(f.origen) + QStringLiteral("Exp_FIni,Exp_Ffin,Exp_Des,Exp_Obs,Exp_Ubicacion,exp_idcli FROM Exp ")
           + condicion;
}

QString DatosBusqueda::condicionDocumentos(const QString &texto) {
    const DialectoSql &dialecto = m_bd->Conexion()->dialecto();
    const QStringList palabras = DialectoSql::palabras(texto);
    bool muchos = false;
    if (const QString cuenta = dialecto.contarDocumentosConPalabras(palabras, umbralMuchosDocumentos); !cuenta.isEmpty()) {
        Recordset rs = m_bd->Conexion()->Execute(cuenta);
        muchos = rs.ok() && !rs.isEOF() && rs.Fields(0).toInt() >= umbralMuchosDocumentos;
    }
    return dialecto.expedientesConPalabras(palabras, muchos);
}

Resultado DatosBusqueda::buscar(const FiltroBusqueda &filtro, QObject *padre, RecordsetModel *&modelo) {
    // The model fetches rows as the grid shows them: a huge result binds at once.
    const QString sql = sentencia(filtro);
    if (std::exchange(m_cargando, false))
        cargasAnteriores().insert(m_bd, sql);
    auto nuevo = std::make_unique<RecordsetModel>(m_bd->Conexion(), sql, padre);
    modelo = nullptr;
    if (!nuevo->ok())
        return nuevo->resultado();
    modelo = nuevo.release();
    return {};
}

Resultado DatosBusqueda::exportarCsv(const FiltroBusqueda &filtro, const QList<ColumnaCsv> &columnas,
                                     const QString &ruta, const ExportaCsv::Progreso &progreso, qint64 &filas,
                                     bool &cancelado) {
    return ExportaCsv::exportar(m_bd->Conexion(), sentencia(filtro), columnas, ruta, progreso, filas, cancelado);
}

bool DatosBusqueda::leerCodigo(const QString &texto, double *valor) {
    bool ok = false;
    *valor = numeroLocal(texto, &ok);
    return ok && *valor >= INT_MIN && *valor <= INT_MAX;
}

const SentenciasContraparte &DatosBusqueda::sentencias(short origen) {
    return origen == kProveedores ? kProveedoresSql : kClientesSql;
}

Resultado DatosBusqueda::contraparte(short origen, int codigo, ContraparteEncontrada &encontrada) {
    encontrada = {};
    Recordset rs = m_bd->Conexion()->Execute(sentencias(origen).porCodigo + QString::number(codigo));
    if (!rs.ok())
        return rs.resultado();
    if (!rs.isEOF())
        encontrada = {rs.Fields(0).toInt(), rs.Fields(1).toString(), rs.Fields(2).toString()};
    rs.Close();
    return {};
}

Resultado DatosBusqueda::clienteActivo(int idCliente, bool &activo) {
    activo = false;
    std::unique_ptr<QObject> cliente;
    QVariant aceptado;
    Resultado r = Componentes::crear(QStringLiteral("VMCLIENTES.VMCLI"), cliente);
    if (r)
        r = Componentes::asignar(cliente.get(), "MyBd", QVariant::fromValue<QObject *>(m_bd));
    if (r)
        r = Componentes::llamar(cliente.get(), "FnEstadoCliente", QVariantList{idCliente}, &aceptado);
    activo = r.ok() && aceptado.toBool();
    return r;
}
