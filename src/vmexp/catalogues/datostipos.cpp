#include "datostipos.h"

#include "conexion.h"
#include "mybd.h"
#include "transaccion.h"

const SentenciasCatalogo DatosTipos::kTiposExp{
    .tabla = QStringLiteral("Tex"),
    .campoDes = QStringLiteral("Tex_Des"),
    .lista = QStringLiteral("SELECT * FROM Tex ORDER BY Tex_Id"),
    .usoTipo = QStringLiteral("SELECT Exp_Id FROM Exp WHERE Exp_IdTipo = "),
    .borrar = QStringLiteral("DELETE FROM Tex WHERE Tex_Id = "),
    .condicion = QStringLiteral(" WHERE Tex_Id = "),
    .consultaCodigo = QStringLiteral("SELECT * FROM tex WHERE Tex_Id = "),
};

const SentenciasCatalogo DatosTipos::kTiposAct{
    .tabla = QStringLiteral("Tac"),
    .campoDes = QStringLiteral("Tac_Des"),
    .lista = QStringLiteral("SELECT * FROM Tac ORDER BY Tac_Id"),
    .usoTipo = QStringLiteral("SELECT Act_Id FROM Act WHERE Act_IdTac = "),
    .borrar = QStringLiteral("DELETE FROM Tac WHERE Tac_Id = "),
    .condicion = QStringLiteral(" WHERE Tac_Id = "),
    .consultaCodigo = QStringLiteral("SELECT * FROM Tac WHERE Tac_Id = "),
};

Resultado DatosTipos::lista(QObject *padre, RecordsetModel *&modelo) {
    modelo = nullptr;
    auto *nuevo = new RecordsetModel(m_bd->Conexion(), m_sql.lista, padre);
    if (!nuevo->ok()) {
        const Resultado r = nuevo->resultado();
        delete nuevo;
        return r;
    }
    // Moving to the last row or finding a type needs every row.
    while (nuevo->canFetchMore())
        nuevo->fetchMore();
    modelo = nuevo;
    return {};
}

Resultado DatosTipos::hayFilas(const QString &sql, bool &hay) {
    Recordset rs = m_bd->Conexion()->Execute(sql);
    hay = rs.ok() && !rs.isEOF();
    return rs.resultado();
}

Resultado DatosTipos::enUso(qlonglong id, bool &usado) { return hayFilas(m_sql.usoTipo + QString::number(id), usado); }

Resultado DatosTipos::existe(qlonglong id, bool &hay) { return hayFilas(m_sql.consultaCodigo + QString::number(id), hay); }

Resultado DatosTipos::borrar(qlonglong id, bool &usado) {
    return enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        // Checked again with the write lock held: another user may have used the type
        // while this one was asked to confirm.
        if (const Resultado r = enUso(id, usado); !r || usado)
            return r;
        return m_bd->Conexion()->Ejecutar(m_sql.borrar + QString::number(id));
    });
}

Resultado DatosTipos::insertar(const QString &descripcion) {
    m_bd->setTabla(m_sql.tabla);
    m_bd->LimpiarCampos(0);
    m_bd->Campos().Add(m_sql.campoDes, kCampoTexto, descripcion, 2);
    m_bd->setCondicion(QString());
    return enTransaccion(m_bd->Conexion(), [&] { return m_bd->Insertar(); });
}

Resultado DatosTipos::renombrar(qlonglong id, const std::optional<QString> &cargada, const QString &descripcion) {
    m_bd->setTabla(m_sql.tabla);
    m_bd->LimpiarCampos(0);
    m_bd->Campos().Add(m_sql.campoDes, kCampoTexto, descripcion, 2);
    m_bd->setCondicion(m_sql.condicion + QString::number(id));
    return enTransaccion(m_bd->Conexion(), [&]() -> Resultado {
        if (cargada) {
            Recordset rs = m_bd->Conexion()->Execute(m_sql.consultaCodigo + QString::number(id));
            if (!rs.ok())
                return rs.resultado();
            const bool existe = !rs.isEOF();
            const QVariant ahora = existe ? rs.Fields(m_sql.campoDes) : QVariant();
            rs.Close();
            if (const Resultado r = sinCambiosDeOtro({*cargada}, {ahora.toString()}, existe, QStringLiteral("el tipo")); !r)
                return r;
        }
        return m_bd->Modificar();
    });
}
