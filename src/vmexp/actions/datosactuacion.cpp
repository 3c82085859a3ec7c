#include "datosactuacion.h"

#include "conexion.h"
#include "esquema.h"
#include "mybd.h"
#include "transaccion.h"

namespace {
const QString kIma = QStringLiteral("Ima");
const QString kImaFile = QStringLiteral("Ima_File");
} // namespace

Resultado DatosActuacion::tipos(QStringList &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(QStringLiteral("SELECT * FROM Tac ORDER BY Tac_Id"));
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        lista << rs.Fields(1).toString();
    return {};
}

Resultado DatosActuacion::actuacion(int idAct, RegistroActuacion &r, bool &existe) {
    r = {};
    Recordset rs = m_bd->Conexion()->Execute(QStringLiteral("SELECT * FROM Act WHERE Act_Id = ") + QString::number(idAct));
    existe = rs.ok() && !rs.isEOF();
    if (!existe)
        return rs.resultado();
    r = {rs.Fields(QStringLiteral("Act_Fecha")),    rs.Fields(QStringLiteral("Act_Importe")),
         rs.Fields(QStringLiteral("Act_Des")),      rs.Fields(QStringLiteral("Act_IdTac")),
         rs.Fields(QStringLiteral("Act_Operario")), rs.Fields(QStringLiteral("Act_IdOperario"))};
    return {};
}

Resultado DatosActuacion::decimales(int &n) {
    const Parametro p = m_bd->Parametros().Item(QStringLiteral("par_decpre"));
    n = p.Valor.toInt();
    return p.resultado;
}

Resultado DatosActuacion::grabar(const ValoresActuacion &v, int &idAct) {
    m_bd->LimpiarCampos(0);
    m_bd->setTabla(QStringLiteral("Act"));
    Campos &c = m_bd->Campos();
    c.Add(QStringLiteral("Act_Fecha"), kCampoFecha, v.fecha, 2);
    c.Add(QStringLiteral("Act_IdUsu"), kCampoEntero, m_bd->IdUsuario(), 2);
    c.Add(QStringLiteral("Act_IdExp"), kCampoEntero, v.idExp, 2);
    c.Add(QStringLiteral("Act_IdTac"), kCampoEntero, v.idTac, 2);
    c.Add(QStringLiteral("Act_Des"), kCampoTexto, v.descripcion, 2);
    c.Add(QStringLiteral("Act_Importe"), kCampoImporte, v.importe, 2);
    c.Add(QStringLiteral("Act_Estado"), kCampoEntero, 0, 2);
    c.Add(QStringLiteral("Act_IdUsuEstado"), kCampoSql, QStringLiteral("Null"), 2);
    c.Add(QStringLiteral("Act_FEstado"), kCampoSql, QStringLiteral("Null"), 2);
    c.Add(QStringLiteral("Act_Operario"), kCampoTexto, v.operario, 2);
    c.Add(QStringLiteral("Act_IdOperario"), kCampoEntero, v.web ? 1 : 0, 2);
    if (idAct != 0) {
        // One statement: it needs no transaction of its own.
        m_bd->setCondicion(QStringLiteral(" WHERE Act_Id = ") + QString::number(idAct));
        return m_bd->Modificar();
    }
    m_bd->setCondicion(QString());
    qint64 nuevo = 0;
    const Resultado r = enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        const Resultado insertado = m_bd->Insertar();
        // The key this insert generated, read before anyone else can insert.
        nuevo = insertado ? m_bd->UltimoId() : 0;
        return insertado;
    });
    if (r)
        idAct = int(nuevo);
    return r;
}

Resultado DatosActuacion::documentos(int idAct, QList<Documento> &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(QStringLiteral("SELECT * FROM Actf WHERE ActF_IDAct = ")
                                             + QString::number(idAct));
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        lista << Documento{rs.Fields(QStringLiteral("ActF_id")).toInt(), rs.Fields(QStringLiteral("ActF_Fic")).toString(),
                           rs.Fields(QStringLiteral("ActF_Des")).toString(),
                           rs.Fields(QStringLiteral("ActF_Operario")).toString()};
    return {};
}

Resultado DatosActuacion::grabarDocumento(int idAct, const Documento &d, int &idActF) {
    m_bd->LimpiarCampos(0);
    m_bd->setTabla(QStringLiteral("ActF"));
    Campos &c = m_bd->Campos();
    c.Add(QStringLiteral("ActF_IdAct"), kCampoEntero, idAct, 2);
    c.Add(QStringLiteral("ActF_IdUsu"), kCampoEntero, m_bd->IdUsuario(), 2);
    c.Add(QStringLiteral("ActF_Des"), kCampoTexto, d.descripcion, 2);
    c.Add(QStringLiteral("ActF_Fic"), kCampoTexto, d.fichero, 2);
    c.Add(QStringLiteral("ActF_FicDes"), kCampoSql, QStringLiteral("Null"), 2);
    c.Add(QStringLiteral("ActF_Estado"), kCampoEntero, 1, 2);
    c.Add(QStringLiteral("ActF_IdUsuEstado"), kCampoEntero, m_bd->IdUsuario(), 2);
    c.Add(QStringLiteral("ActF_FEstado"), kCampoSql, QStringLiteral("Getdate()"), 2);
    c.Add(QStringLiteral("ActF_Operario"), kCampoTexto, d.operario, 2);
    c.Add(QStringLiteral("ActF_IdOperario"), kCampoEntero, 0, 2);
    if (idActF != 0) {
        m_bd->setCondicion(QStringLiteral(" WHERE ActF_Id = ") + QString::number(idActF));
        return m_bd->Modificar();
    }
    m_bd->setCondicion(QString());
    const Resultado r = m_bd->Insertar();
    if (r)
        idActF = int(m_bd->UltimoId());
    return r;
}

Resultado DatosActuacion::guardarContenido(int idActF, const QString &ruta, const FlujoBlob::Progreso &progreso) {
    Conexion *cn = m_bd->Conexion();
    Recordset rs = cn->Execute(QStringLiteral("select * from Ima where Ima_IdTabla = ") + QString::number(idActF)
                               + QStringLiteral(" AND Ima_Tabla = 'ActF'"));
    if (!rs.ok())
        return rs.resultado();
    qint64 fila = 0;
    if (rs.isEOF()) {
        rs.Close();
        m_bd->setTabla(kIma);
        m_bd->LimpiarCampos(0);
        m_bd->Campos().Add(QStringLiteral("Ima_Tabla"), kCampoTexto, Esquema::kImaTablaActF, 2);
        m_bd->Campos().Add(QStringLiteral("Ima_IdTabla"), kCampoEntero, idActF, 2);
        m_bd->setCondicion(QString());
        if (const Resultado r = m_bd->Insertar(); !r)
            return r;
        fila = m_bd->UltimoId();
    } else {
        fila = rs.Fields(QStringLiteral("Ima_Id")).toLongLong();
        rs.Close();
    }
    return FlujoBlob::guardarFichero(cn, kIma, kImaFile, fila, ruta, progreso);
}

Resultado DatosActuacion::cargarContenido(int idActF, const QString &destino, bool &escrito,
                                          const FlujoBlob::Progreso &progreso) {
    escrito = false;
    // Only the key is read here: the contents go straight from the blob to the file.
    Conexion *cn = m_bd->Conexion();
    Recordset rs = cn->Execute(QStringLiteral("select Ima_Id from Ima where Ima_Tabla = 'ActF' AND Ima_IdTabla  = ")
                               + QString::number(idActF));
    if (!rs.ok())
        return rs.resultado();
    if (rs.isEOF())
        return {};
    const qint64 fila = rs.Fields(0).toLongLong();
    rs.Close();
    return FlujoBlob::cargarAFichero(cn, kIma, kImaFile, fila, destino, &escrito, progreso);
}

Resultado DatosActuacion::eliminarDocumento(int idActF) {
    return m_bd->Conexion()->Ejecutar(QStringLiteral("Delete from actf where actf_id = ") + QString::number(idActF));
}
