#include "datosexpediente.h"

#include "arbolactuaciones.h"
#include "conexion.h"
#include "esquema.h"
#include "mybd.h"
#include "transaccion.h"

#include <QHash>

namespace {
void textoONulo(Campos &campos, const QString &columna, short tipo, const QString &texto) {
    if (texto.isEmpty())
        campos.Add(columna, kCampoSql, QStringLiteral("Null"), 2);
    else
        campos.Add(columna, tipo, texto, 2);
}

const QString kTipos = QStringLiteral("SELECT * FROM Tex ORDER BY Tex_Id");
const QString kEstados = QStringLiteral("Select Sit_Cod,Sit_Des from VMComun.dbo.situaciones WHERE "
                                        "Sit_Idioma = 0 AND Sit_Proceso = 15 ORDER BY Sit_Cod");

QString sentenciaExpediente(int idExp) { return QStringLiteral("SELECT * FROM Exp WHERE Exp_Id = ") + QString::number(idExp); }

QString sentenciaUltimoEstado(int proceso, int idExp) {
    return QStringLiteral("SELECT * FROM Est WHERE Est_Proceso = ") + QString::number(proceso)
           + QStringLiteral(" AND Est_IdTabla = ") + QString::number(idExp) + QStringLiteral(" ORDER BY Est_Fecha DESC");
}

QString sentenciaUsuarios(int idExp) {
    return QStringLiteral("Select expper_idusu,(select usu_nom from vmcomun.dbo.usuarios where usu_id=expper_idusu) As "
                          "[Nombre de Usuario] from expper where expper_idexp=")
           + QString::number(idExp);
}

Resultado insertarPermiso(MyBd *bd, int idExp, int idUsu) {
    bd->LimpiarCampos(0);
    bd->setTabla(QStringLiteral("ExpPer"));
    bd->Campos().Add(QStringLiteral("ExpPer_IdExp"), kCampoEntero, idExp, 2);
    bd->Campos().Add(QStringLiteral("ExpPer_IdUsu"), kCampoEntero, idUsu, 2);
    bd->setCondicion(QString());
    return bd->Insertar();
}
} // namespace

void DatosExpediente::adelantarCarga(int idExp, int proceso, int agrupacion, bool recarga) {
    QStringList lecturas = {kTipos, kEstados};
    // The creator's name waits for the case file's row.
    if (idExp != 0 && !recarga)
        lecturas << sentenciaExpediente(idExp);
    if (idExp != 0)
        lecturas << sentenciaUltimoEstado(proceso, idExp) << sentenciaActuaciones(agrupacion, idExp);
    m_bd->Conexion()->adelantar(lecturas, recarga ? QString() : sentenciaUsuarios(idExp));
}

Resultado DatosExpediente::tipos(QStringList &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(kTipos);
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        lista << rs.Fields(1).toString();
    return {};
}

Resultado DatosExpediente::estados(QStringList &lista) {
    lista.clear();
    Recordset rs = m_bd->Conexion()->Execute(kEstados);
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        lista << QStringLiteral("%1 - %2").arg(rs.Fields(0).toInt(), 2, 10, QChar(u'0')).arg(rs.Fields(1).toString());
    return {};
}

Resultado DatosExpediente::expediente(int idExp, RegistroExpediente &r, bool &existe) {
    // Right after a save, the row it read back before committing is what is stored:
    // the reload that follows needs no second trip for it.
    const bool guardado = m_recienGuardado && idExp == m_idCargado;
    m_recienGuardado = false;
    if (guardado) {
        r = m_cargado;
        existe = true;
        return {};
    }
    const Resultado leido = leer(idExp, r, existe);
    m_idCargado = leido && existe ? idExp : 0;
    m_cargado = r;
    return leido;
}

Resultado DatosExpediente::leer(int idExp, RegistroExpediente &r, bool &existe) {
    r = {};
    Recordset rs = m_bd->Conexion()->Execute(sentenciaExpediente(idExp));
    existe = rs.ok() && !rs.isEOF();
    if (!existe)
        return rs.resultado();
    const auto campo = [&rs](const char *columna) { return rs.Fields(QLatin1String(columna)); };
    r = {campo("Exp_Fini"),   campo("Exp_Ffin"),      campo("Exp_Des"),     campo("Exp_Obs"),   campo("Exp_Presup"),
         campo("Exp_Codigo"), campo("Exp_ubicacion"), campo("exp_Idtipo"), campo("Exp_idUsu"),  campo("Exp_Estado")};
    return {};
}

Resultado DatosExpediente::ultimoEstado(int proceso, int idExp, QVariant &estado, QVariant &fecha, bool &hay) {
    Recordset rs = m_bd->Conexion()->Execute(sentenciaUltimoEstado(proceso, idExp));
    hay = rs.ok() && !rs.isEOF();
    if (!hay)
        return rs.resultado();
    estado = rs.Fields(QStringLiteral("Est_Estado"));
    fecha = rs.Fields(QStringLiteral("Est_FEstado"));
    return {};
}

Resultado DatosExpediente::usuarios(int idExp, QObject *padre, RecordsetModel *&modelo) {
    auto *nuevo = new RecordsetModel(m_bd->Conexion(), sentenciaUsuarios(idExp), padre);
    modelo = nullptr;
    if (!nuevo->ok()) {
        const Resultado r = nuevo->resultado();
        delete nuevo;
        return r;
    }
    modelo = nuevo;
    return {};
}

QString DatosExpediente::sentenciaUsuariosDelSistema() {
    return QStringLiteral("Select usu_id,usu_cod,usu_nom FROM vmcomun.dbo.usuarios");
}

Resultado DatosExpediente::autorizar(int idExp, int idUsu, bool &anadido) {
    anadido = false;
    bool nuevo = false;
    const Resultado r = enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        nuevo = false;
        Recordset rs = m_bd->Conexion()->Execute(QStringLiteral("Select count(*) from expper where expper_idexp=")
                                                 + QString::number(idExp) + QStringLiteral(" And expper_idusu=")
                                                 + QString::number(idUsu));
        if (!rs.ok())
            return rs.resultado().conPrefijo(QStringLiteral("No se ha podido comprobar el usuario.\n"));
        if (rs.Fields(0).toInt() >= 1)
            return {};
        rs.Close();
        nuevo = true;
        return insertarPermiso(m_bd, idExp, idUsu).conPrefijo(QStringLiteral("No se ha podido añadir el usuario.\n"));
    });
    anadido = r.ok() && nuevo;
    return r;
}

Resultado DatosExpediente::desautorizar(int idExp, qlonglong idUsu) {
    return enTransaccion(m_bd->Conexion(), [&] {
        return m_bd->Conexion()->Ejecutar(QStringLiteral("delete from expper where expper_idusu=") + QString::number(idUsu)
                                          + QStringLiteral(" and ExpPer_IdExp=") + QString::number(idExp));
    });
}

QString DatosExpediente::sentenciaActuaciones(int agrupacion, int idExp) {
    const QString desde = QStringLiteral("FROM Act ") + QStringLiteral("INNER JOIN Exp ON Exp_Id = Act_IdExp ")
                          + QStringLiteral("WHERE Act_IdExp = ") + QString::number(idExp);
    switch (agrupacion) {
    case ArbolActuaciones::kFechas: return QStringLiteral("SELECT * ") + desde + QStringLiteral(" ORDER BY Act_Fecha");
    case ArbolActuaciones::kCategoria:
        return QStringLiteral("SELECT *,") + Esquema::kDesAct + u' ' + desde
               + QStringLiteral(" ORDER BY Act_IdTac,Act_Fecha");
    case ArbolActuaciones::kRealizadoPor: return QStringLiteral("SELECT * ") + desde + QStringLiteral(" ORDER BY Act_Operario,Act_Fecha");
    default: return QStringLiteral("SELECT * ") + desde + QStringLiteral(" ORDER BY Act_Id,Act_Fecha");
    }
}

Resultado DatosExpediente::actuaciones(int idExp, int agrupacion, Recordset &rs) {
    // Read once from start to end: no need to keep the rows.
    rs = m_bd->Conexion()->Execute(sentenciaActuaciones(agrupacion, idExp), Conexion::Cursor::SoloAdelante);
    return rs.resultado();
}

Resultado DatosExpediente::decimales(int &n) {
    const Parametro p = m_bd->Parametros().Item(QStringLiteral("par_decpre"));
    n = p.resultado ? p.Valor.toInt() : 2;
    return p.resultado;
}

// ---------------------------------------------------------------- summary

double ResumenExpediente::total() const {
    double suma = 0;
    for (const Actuacion &a : actuaciones)
        suma += a.importe;
    return suma;
}

Resultado DatosExpediente::resumenCabecera(int idExp, ResumenExpediente &r, bool &existe) {
    const QString id = QString::number(idExp);
    Recordset rs = m_bd->Conexion()->Execute(
        QStringLiteral("SELECT Exp_Codigo, Exp_Origen, Exp_Fini, Exp_FFin, Exp_Presup, Exp_Ubicacion, Exp_Des, Exp_Obs, "
                       "(SELECT Tex_Des FROM Tex WHERE Tex_Id = Exp_IdTipo) AS DesTipo, "
                       "(SELECT usu_nom FROM vmcomun.dbo.usuarios WHERE usu_id = Exp_IdUsu) AS Propietario, "
                       "(SELECT (cast(cli_Cod as nvarchar) + ' ' + Cli_Comer) FROM cli WHERE cli_id = Exp_IdCli) AS Cliente, "
                       "(SELECT (cast(Pro_Cod as nvarchar) + ' ' + Pro_Comer) FROM Pro WHERE Pro_id = Exp_IdCli) AS Proveedor "
                       "FROM Exp WHERE Exp_Id = ")
        + id);
    existe = rs.ok() && !rs.isEOF();
    if (!existe)
        return rs.resultado();
    const auto texto = [&rs](const char *columna) { return rs.Fields(QLatin1String(columna)).toString(); };
    r.codigo = texto("Exp_Codigo");
    r.origen = short(rs.Fields(QStringLiteral("Exp_Origen")).toInt());
    r.fini = rs.Fields(QStringLiteral("Exp_Fini"));
    r.ffin = rs.Fields(QStringLiteral("Exp_FFin"));
    r.presupuesto = rs.Fields(QStringLiteral("Exp_Presup")).toDouble();
    r.ubicacion = texto("Exp_Ubicacion");
    r.descripcion = texto("Exp_Des");
    r.observaciones = texto("Exp_Obs");
    r.tipo = texto("DesTipo");
    r.propietario = texto("Propietario");
    r.contraparte = r.origen == 0 ? texto("Cliente") : r.origen == 1 ? texto("Proveedor") : QString();
    rs.Close();

    QVariant estado;
    bool hay = false;
    if (const Resultado e = ultimoEstado(Esquema::kProcesoExpedientes, idExp, estado, r.fechaEstado, hay); !e)
        return e;
    QStringList lista;
    if (const Resultado e = estados(lista); !e)
        return e;
    // The history keeps the position in the list, as the editor shows it.
    if (hay)
        r.estado = lista.value(estado.toInt() - 1, lista.value(0));

    rs = m_bd->Conexion()->Execute(QStringLiteral("SELECT (SELECT usu_nom FROM vmcomun.dbo.usuarios WHERE usu_id = "
                                                  "ExpPer_IdUsu) AS Nombre FROM ExpPer WHERE ExpPer_IdExp = ")
                                   + id + QStringLiteral(" ORDER BY ExpPer_IdUsu"));
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        r.usuarios << rs.Fields(0).toString();
    return {};
}

Resultado DatosExpediente::resumenActuaciones(int idExp, ResumenExpediente &r) {
    const QString id = QString::number(idExp);
    Recordset rs = m_bd->Conexion()->Execute(
        QStringLiteral("SELECT Act_Id, Act_Fecha, Act_Des, Act_Operario, Act_IdOperario, Act_Importe, "
                       "(SELECT Tac_Des FROM Tac WHERE Tac_Id = Act_IdTac) AS DesAct FROM Act WHERE Act_IdExp = ")
            + id + QStringLiteral(" ORDER BY Act_Fecha, Act_Id"),
        Conexion::Cursor::SoloAdelante);
    if (!rs.ok())
        return rs.resultado();
    QHash<int, qsizetype> posicion;
    for (; !rs.isEOF(); rs.MoveNext()) {
        ResumenExpediente::Actuacion a;
        a.id = rs.Fields(0).toInt();
        a.fecha = rs.Fields(1);
        a.descripcion = rs.Fields(2).toString();
        a.operario = rs.Fields(3).toString();
        // The web flag is kept in the performer's id, as the tree reads it.
        a.web = rs.Fields(4).toInt() > 0;
        a.importe = rs.Fields(5).toDouble();
        a.tipo = rs.Fields(6).toString();
        posicion.insert(a.id, r.actuaciones.size());
        r.actuaciones << a;
    }
    rs.Close();

    rs = m_bd->Conexion()->Execute(QStringLiteral("SELECT ActF_IdAct, ActF_Des, ActF_Fic FROM ActF INNER JOIN Act ON "
                                                  "Act_Id = ActF_IdAct WHERE Act_IdExp = ")
                                       + id + QStringLiteral(" ORDER BY ActF_IdAct, ActF_Id"),
                                   Conexion::Cursor::SoloAdelante);
    if (!rs.ok())
        return rs.resultado();
    for (; !rs.isEOF(); rs.MoveNext())
        if (const auto i = posicion.constFind(rs.Fields(0).toInt()); i != posicion.cend())
            r.actuaciones[*i].documentos.append({rs.Fields(1).toString(), rs.Fields(2).toString()});
    return {};
}

Resultado DatosExpediente::resumen(int idExp, ResumenExpediente &r, bool &existe) {
    r = {};
    decimales(r.decimales); // a parameter that cannot be read keeps two
    Resultado paso = resumenCabecera(idExp, r, existe);
    if (paso && existe)
        paso = resumenActuaciones(idExp, r);
    return paso;
}

// ---------------------------------------------------------------- save

Resultado DatosExpediente::grabarExpediente(const ValoresExpediente &v, int &idExp) {
    m_bd->LimpiarCampos(0);
    m_bd->setTabla(QStringLiteral("Exp"));
    Campos &campos = m_bd->Campos();
    campos.Add(QStringLiteral("Exp_Fini"), kCampoFecha, v.fini, 2);
    textoONulo(campos, QStringLiteral("Exp_FFin"), kCampoFecha, v.ffin);
    campos.Add(QStringLiteral("Exp_IdCli"), kCampoEntero, v.idCliente, 2);
    campos.Add(QStringLiteral("Exp_IdTipo"), kCampoEntero, v.idTipo, 2);
    campos.Add(QStringLiteral("Exp_Des"), kCampoTexto, v.descripcion, 2);
    campos.Add(QStringLiteral("Exp_Obs"), kCampoTexto, v.observaciones, 2);
    campos.Add(QStringLiteral("Exp_Proceso"), kCampoTexto, QString::number(v.proceso), 2);
    campos.Add(QStringLiteral("Exp_Origen"), kCampoTexto, QString::number(v.origen), 2);
    campos.Add(QStringLiteral("Exp_Presup"), kCampoImporte, v.presupuesto, 2);
    campos.Add(QStringLiteral("Exp_Estado"), kCampoEntero, v.estado, 2);
    textoONulo(campos, QStringLiteral("Exp_Codigo"), kCampoTexto, v.codigo);
    textoONulo(campos, QStringLiteral("Exp_Ubicacion"), kCampoTexto, v.ubicacion);
    if (idExp != 0) {
        m_bd->setCondicion(QStringLiteral(" WHERE Exp_Id = ") + QString::number(idExp));
        return m_bd->Modificar();
    }
    campos.Add(QStringLiteral("Exp_IdUsu"), kCampoEntero, m_bd->IdUsuario(), 2);
    m_bd->setCondicion(QString());
    if (const Resultado r = m_bd->Insertar(); !r)
        return r;
    idExp = int(m_bd->UltimoId());
    return {};
}

Resultado DatosExpediente::grabarEstado(const ValoresExpediente &v, int idExp) {
    m_bd->LimpiarCampos(0);
    m_bd->setTabla(QStringLiteral("Est"));
    Campos &campos = m_bd->Campos();
    campos.Add(QStringLiteral("Est_IdUsu"), kCampoEntero, m_bd->IdUsuario(), 2);
    campos.Add(QStringLiteral("Est_Proceso"), kCampoEntero, v.proceso, 2);
    campos.Add(QStringLiteral("Est_IdTabla"), kCampoEntero, idExp, 2);
    campos.Add(QStringLiteral("Est_Estado"), kCampoEntero, v.posicionEstado, 2);
    campos.Add(QStringLiteral("Est_Festado"), kCampoSql, QStringLiteral("Getdate()"), 2);
    campos.Add(QStringLiteral("Est_Obs"), kCampoSql, QStringLiteral("Null"), 2);
    m_bd->setCondicion(QString());
    return m_bd->Insertar();
}

Resultado DatosExpediente::grabarPermisos(int idExp, bool todos) {
    QString sql = QStringLiteral("SELECT * FROM vmcomun.dbo.Usuarios");
    if (!todos)
        sql += QStringLiteral(" WHERE Usu_Id = ") + QString::number(m_bd->IdUsuario());
    Recordset rs = m_bd->Conexion()->Execute(sql);
    if (!rs.ok())
        return rs.resultado();
    QList<int> usuarios;
    for (; !rs.isEOF(); rs.MoveNext())
        usuarios << rs.Fields(QStringLiteral("Usu_Id")).toInt();
    rs.Close();
    for (int idUsu : usuarios)
        if (const Resultado r = insertarPermiso(m_bd, idExp, idUsu); !r)
            return r;
    return {};
}

Resultado DatosExpediente::comprobarSinCambios(int idExp) {
    // Only what this screen read is protected; a case file saved unread has nothing to compare.
    if (idExp != m_idCargado)
        return {};
    RegistroExpediente ahora;
    bool existe = false;
    if (const Resultado r = leer(idExp, ahora, existe); !r)
        return r;
    return sinCambiosDeOtro(m_cargado.valores(), ahora.valores(), existe, QStringLiteral("el expediente"));
}

Resultado DatosExpediente::grabar(const ValoresExpediente &v, int &idExp, bool permisosATodos) {
    const bool nuevo = idExp == 0;
    int id = idExp;
    RegistroExpediente guardado;
    const Resultado r = enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        id = idExp; // a body run again starts from the same case file
        Resultado paso = nuevo ? Resultado() : comprobarSinCambios(id);
        if (paso)
            paso = grabarExpediente(v, id);
        if (paso)
            paso = grabarEstado(v, id);
        if (paso && nuevo)
            paso = grabarPermisos(id, permisosATodos);
        bool existe = false;
        if (paso)
            paso = leer(id, guardado, existe);
        return paso;
    });
    if (r) {
        idExp = id;
        // What was saved is what the next save expects to find.
        m_idCargado = id;
        m_cargado = guardado;
        m_recienGuardado = true;
    }
    return r;
}
