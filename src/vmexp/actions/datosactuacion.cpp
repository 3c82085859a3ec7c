#include "datosactuacion.h"

#include "conexion.h"
#include "esquema.h"
#include "mybd.h"
#include "textodocumentos.h"
#include "transaccion.h"

namespace {
const QString kIma = QStringLiteral("Ima");
const QString kImaFile = QStringLiteral("Ima_File");
const QString kTipos = QStringLiteral("SELECT * FROM Tac ORDER BY Tac_Id");
const QString kDecimales = QStringLiteral("par_decpre");

QString sentenciaActuacion(int idAct) { return QStringLiteral("SELECT * FROM Act WHERE Act_Id = ") + QString::number(idAct); }

QString sentenciaDocumentos(int idAct) {
    return QStringLiteral("SELECT * FROM Actf WHERE ActF_IDAct = ") + QString::number(idAct);
}
} // namespace

void DatosActuacion::adelantarCarga(int idAct) {
    QStringList lecturas = {Parametros::sentencia(kDecimales), kTipos};
    if (idAct != 0)
        lecturas << sentenciaActuacion(idAct) << sentenciaDocumentos(idAct);
    m_bd->Conexion()->adelantar(lecturas);
}

Resultado DatosActuacion::tipos(QStringList &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(kTipos);
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        lista << rs.Fields(1).toString();
    return {};
}

Resultado DatosActuacion::actuacion(int idAct, RegistroActuacion &r, bool &existe) {
    const Resultado leida = leer(idAct, r, existe);
    m_idCargada = leida && existe ? idAct : 0;
    m_cargada = r;
    return leida;
}

Resultado DatosActuacion::leer(int idAct, RegistroActuacion &r, bool &existe) {
    r = {};
    Recordset rs = m_bd->Conexion()->Execute(sentenciaActuacion(idAct));
    existe = rs.ok() && !rs.isEOF();
    if (!existe)
        return rs.resultado();
    r = {rs.Fields(QStringLiteral("Act_Fecha")),    rs.Fields(QStringLiteral("Act_Importe")),
         rs.Fields(QStringLiteral("Act_Des")),      rs.Fields(QStringLiteral("Act_IdTac")),
         rs.Fields(QStringLiteral("Act_Operario")), rs.Fields(QStringLiteral("Act_IdOperario"))};
    return {};
}

Resultado DatosActuacion::decimales(int &n) {
    const Parametro p = m_bd->Parametros().Item(kDecimales);
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
    m_bd->setCondicion(idAct != 0 ? QStringLiteral(" WHERE Act_Id = ") + QString::number(idAct) : QString());
    qint64 id = idAct;
    RegistroActuacion guardada;
    const Resultado r = enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        if (idAct != 0) {
            Resultado paso = comprobarSinCambios(idAct);
            if (paso)
                paso = m_bd->Modificar();
            bool existe = false;
            return paso ? leer(idAct, guardada, existe) : paso;
        }
        const Resultado insertado = m_bd->Insertar();
        // The key this insert generated, read before anyone else can insert.
        id = insertado ? m_bd->UltimoId() : 0;
        bool existe = false;
        return insertado ? leer(int(id), guardada, existe) : insertado;
    });
    if (r) {
        idAct = int(id);
        // What was saved is what the next save expects to find.
        m_idCargada = idAct;
        m_cargada = guardada;
    }
    return r;
}

Resultado DatosActuacion::comprobarSinCambios(int idAct) {
    // Only what this screen read is protected; an action saved unread has nothing to compare.
    if (idAct != m_idCargada)
        return {};
    RegistroActuacion ahora;
    bool existe = false;
    if (const Resultado r = leer(idAct, ahora, existe); !r)
        return r;
    return sinCambiosDeOtro(m_cargada.valores(), ahora.valores(), existe, QStringLiteral("la actuación"));
}

Resultado DatosActuacion::documentos(int idAct, QList<Documento> &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(sentenciaDocumentos(idAct));
    if (!rs.ok())
        return rs.resultado();
    m_documentos.clear();
    for (; !rs.isEOF(); rs.MoveNext()) {
        lista << Documento{rs.Fields(QStringLiteral("ActF_id")).toInt(), rs.Fields(QStringLiteral("ActF_Fic")).toString(),
                           rs.Fields(QStringLiteral("ActF_Des")).toString(),
                           rs.Fields(QStringLiteral("ActF_Operario")).toString()};
        m_documentos.insert(lista.last().id, lista.last());
    }
    return {};
}

namespace {
QVariantList valoresDocumento(const Documento &d) { return {d.fichero, d.descripcion, d.operario}; }
} // namespace

Resultado DatosActuacion::comprobarDocumento(int idActF) {
    const auto cargado = m_documentos.constFind(idActF);
    if (cargado == m_documentos.cend())
        return {};
    Recordset rs = m_bd->Conexion()->Execute(QStringLiteral("SELECT * FROM Actf WHERE ActF_Id = ") + QString::number(idActF));
    if (!rs.ok())
        return rs.resultado();
    const bool existe = !rs.isEOF();
    const Documento ahora = existe ? Documento{idActF, rs.Fields(QStringLiteral("ActF_Fic")).toString(),
                                               rs.Fields(QStringLiteral("ActF_Des")).toString(),
                                               rs.Fields(QStringLiteral("ActF_Operario")).toString()}
                                   : Documento{};
    return sinCambiosDeOtro(valoresDocumento(*cargado), valoresDocumento(ahora), existe, QStringLiteral("el documento"));
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
    const bool existente = idActF != 0;
    m_bd->setCondicion(existente ? QStringLiteral(" WHERE ActF_Id = ") + QString::number(idActF) : QString());
    qint64 id = idActF;
    const Resultado r = enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        if (existente) {
            const Resultado sinCambios = comprobarDocumento(idActF);
            return sinCambios ? m_bd->Modificar() : sinCambios;
        }
        const Resultado insertado = m_bd->Insertar();
        id = insertado ? m_bd->UltimoId() : 0;
        return insertado;
    });
    if (r) {
        idActF = int(id);
        m_documentos.insert(idActF, Documento{idActF, d.fichero, d.descripcion, d.operario});
    }
    return r;
}

Resultado DatosActuacion::guardarContenido(int idActF, const QString &ruta, const FlujoBlob::Progreso &progreso) {
    // The file is read again whole if the save has to be run again.
    return enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
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
        if (const Resultado r = FlujoBlob::guardarFichero(cn, kIma, kImaFile, fila, ruta, progreso); !r)
            return r;
        // In the same transaction: stored contents always have their text waiting or read.
        return TextoDocumentos::marcarPendiente(cn, idActF);
    });
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
    return enTransaccion(m_bd->Conexion(), [&] {
        // What goes is the document the user saw listed, not one another user changed since.
        if (const Resultado sinCambios = comprobarDocumento(idActF); !sinCambios)
            return sinCambios;
        const Resultado r =
            m_bd->Conexion()->Ejecutar(QStringLiteral("Delete from actf where actf_id = ") + QString::number(idActF));
        return r ? TextoDocumentos::eliminar(m_bd->Conexion(), idActF) : r;
    });
}

Resultado DatosActuacion::fragmentos(int idAct, const QString &busqueda, QHash<int, QString> &porDocumento) {
    return TextoDocumentos::fragmentos(m_bd->Conexion(), idAct, busqueda, porDocumento);
}
