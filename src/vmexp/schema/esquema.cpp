#include "esquema.h"

const QHash<QString, TipoValor> &Esquema::tiposColumna() {
    static const QHash<QString, TipoValor> tipos = [] {
        QHash<QString, TipoValor> t;
        for (const char *c : {"Exp_Fini", "Exp_FFin", "Act_Fecha"})
            t.insert(QString::fromLatin1(c).toLower(), TipoValor::Fecha);
        for (const char *c : {"Est_FEstado", "Est_Fecha", "Act_FEstado", "ActF_FEstado"})
            t.insert(QString::fromLatin1(c).toLower(), TipoValor::FechaHora);
        for (const char *c : {"Exp_Presup", "Act_Importe"})
            t.insert(QString::fromLatin1(c).toLower(), TipoValor::Importe);
        for (const char *c : {"Exp_Id", "Exp_IdCli", "Exp_IdTipo", "Exp_Proceso", "Exp_Origen", "Exp_Estado",
                              "Exp_IdUsu", "Est_Proceso", "Est_IdTabla", "Est_Estado", "Est_IdUsu",
                              "ExpPer_IdExp", "ExpPer_IdUsu", "Tex_Id", "Tac_Id", "Act_Id", "Act_IdExp",
                              "Act_IdTac", "Act_IdOperario", "Act_IdUsu", "Act_Estado", "Act_IdUsuEstado",
                              "ActF_Id", "ActF_IdAct", "ActF_IdOperario", "ActF_IdUsu", "ActF_Estado",
                              "ActF_IdUsuEstado", "Ima_IdTabla", "cli_id", "cli_Cod", "Pro_id", "Pro_Cod",
                              "usu_id", "usu_adm", "Sit_Cod", "Sit_Idioma", "Sit_Proceso"})
            t.insert(QString::fromLatin1(c).toLower(), TipoValor::Entero);
        t.insert(QStringLiteral("ima_file"), TipoValor::Blob);
        return t;
    }();
    return tipos;
}
