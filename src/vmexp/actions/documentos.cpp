#include "documentos.h"

#include "carpetatrabajo.h"
#include "conexion.h"
#include "dialogos.h"
#include "esquema.h"
#include "flujoblob.h"
#include "formulario.h"
#include "modexp.h"
#include "mybd.h"
#include "vmexpe.h"

#include <QLineEdit>
#include <QProgressDialog>
#include <QRegularExpression>

#include <memory>

namespace {
// A progress dialog over the editor, opened only once a transfer turns out to be large.
class Progreso {
public:
    Progreso(QWidget *ventana, QString rotulo) : m_ventana(ventana), m_rotulo(std::move(rotulo)) {}

    FlujoBlob::Progreso funcion() {
        return [this](qint64 hecho, qint64 total) { return avanzar(hecho, total); };
    }

private:
    bool avanzar(qint64 hecho, qint64 total) {
        if (total <= Documentos::kUmbralProgreso)
            return true;
        if (!m_dialogo) {
            m_dialogo = std::make_unique<QProgressDialog>(m_rotulo, QStringLiteral("Cancelar"), 0, 1000, m_ventana);
            m_dialogo->setObjectName(QStringLiteral("dlgProgreso"));
            m_dialogo->setWindowModality(Qt::WindowModal);
            m_dialogo->setMinimumDuration(0);
            m_dialogo->setAutoClose(false);
            m_dialogo->setAutoReset(false);
        }
        // A modal progress dialog lets pending events run here: the cancel button works.
        m_dialogo->setValue(int(hecho * 1000 / total));
        return !m_dialogo->wasCanceled();
    }

    QWidget *m_ventana;
    QString m_rotulo;
    std::unique_ptr<QProgressDialog> m_dialogo;
};

const QString kIma = QStringLiteral("Ima");
const QString kImaFile = QStringLiteral("Ima_File");
} // namespace

Documentos::Documentos(Formulario *pantalla, QLineEdit *descripcion, QLineEdit *fichero, QLineEdit *operario)
    : m_pantalla(pantalla), m_descripcion(descripcion), m_fichero(fichero), m_operario(operario) {}

void Documentos::informar(const QString &error) {
    m_pantalla->Tag = QStringLiteral("E");
    MsgBox(QStringLiteral("No se ha podido grabar el documento.\n") + error, vb::vbOKOnly | vb::vbCritical);
}

QString Documentos::nombreFichero(const QString &texto, QString *error) {
    // Both separators: names typed or stored on Windows carry "\\".
    const QString nombre = texto.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1);
    if (nombre.trimmed().isEmpty() || nombre == QLatin1String(".") || nombre == QLatin1String("..")) {
        if (error)
            *error = texto.trimmed().isEmpty()
                         ? QStringLiteral("Falta el nombre del fichero del documento. Escriba su nombre, sin carpetas.")
                         : QStringLiteral("«%1» no es un nombre de fichero válido. Escriba solo el nombre del "
                                          "fichero, sin carpetas.")
                               .arg(texto);
        return {};
    }
    return nombre;
}

bool Documentos::mfGrabarDocumento() {
    MyBd *bd = sesionBd();
    const int idActF = gExpe->IdActF();
    // Only a bare name is stored, so that viewing it writes into the work folder.
    QString motivo;
    const QString nombre = nombreFichero(m_fichero->text(), &motivo);
    if (nombre.isEmpty()) {
        m_pantalla->Tag = QStringLiteral("e");
        MsgBox(motivo, vb::vbOKOnly | vb::vbExclamation);
        return idActF != 0;
    }
    m_fichero->setText(nombre);
    bd->LimpiarCampos(0);
    bd->setTabla(QStringLiteral("ActF"));
    Campos &c = bd->Campos();
    c.Add(QStringLiteral("ActF_IdAct"), kCampoEntero, gExpe->IdAct(), 2);
    c.Add(QStringLiteral("ActF_IdUsu"), kCampoEntero, bd->IdUsuario(), 2);
    c.Add(QStringLiteral("ActF_Des"), kCampoTexto, m_descripcion->text(), 2);
    c.Add(QStringLiteral("ActF_Fic"), kCampoTexto, m_fichero->text(), 2);
    c.Add(QStringLiteral("ActF_FicDes"), kCampoSql, QStringLiteral("Null"), 2);
    c.Add(QStringLiteral("ActF_Estado"), kCampoEntero, 1, 2);
    c.Add(QStringLiteral("ActF_IdUsuEstado"), kCampoEntero, bd->IdUsuario(), 2);
    c.Add(QStringLiteral("ActF_FEstado"), kCampoSql, QStringLiteral("Getdate()"), 2);
    c.Add(QStringLiteral("ActF_Operario"), kCampoTexto, m_operario->text(), 2);
    c.Add(QStringLiteral("ActF_IdOperario"), kCampoEntero, 0, 2);

    QString error;
    if (idActF != 0) {
        // Only the row: the stored contents stay as they are.
        bd->setCondicion(QStringLiteral(" WHERE ActF_Id = ") + QString::number(idActF));
        if (!bd->Modificar(error))
            informar(error);
        return true;
    }
    bd->setCondicion(QString());
    if (!bd->Insertar(error)) {
        // Without a new row there is no document to attach the contents to.
        informar(error);
        return false;
    }
    gExpe->setIdActF(int(bd->UltimoId()));
    if (!SaveFileToDB()) {
        m_pantalla->Tag = QStringLiteral("E");
        MsgBox(QStringLiteral("Error insertando el Fichero"), vb::vbOKOnly);
    }
    return false;
}

bool Documentos::SaveFileToDB() {
    const int idActF = gExpe->IdActF();
    Conexion *cn = sesionConexion();
    QString error;
    const auto guardar = [&]() -> bool {
        Recordset rs = cn->Execute(QStringLiteral("select * from Ima where Ima_IdTabla = ") + QString::number(idActF)
                                   + QStringLiteral(" AND Ima_Tabla = 'ActF'"));
        if (!rs.ok()) {
            error = rs.error();
            return false;
        }
        qint64 fila = 0;
        if (rs.isEOF()) {
            rs.Close();
            MyBd *bd = sesionBd();
            bd->setTabla(kIma);
            bd->LimpiarCampos(0);
            bd->Campos().Add(QStringLiteral("Ima_Tabla"), kCampoTexto, Esquema::kImaTablaActF, 2);
            bd->Campos().Add(QStringLiteral("Ima_IdTabla"), kCampoEntero, idActF, 2);
            bd->setCondicion(QString());
            if (!bd->Insertar(error))
                return false;
            fila = bd->UltimoId();
        } else {
            fila = rs.Fields(QStringLiteral("Ima_Id")).toLongLong();
            rs.Close();
        }
        Progreso progreso(m_pantalla, QStringLiteral("Guardando %1 en la base de datos...").arg(m_fichero->text()));
        return FlujoBlob::guardarFichero(cn, kIma, kImaFile, fila, m_fichero->property(kTag).toString(), &error,
                                         progreso.funcion());
    };
    if (guardar())
        return true;
    MsgBox(QStringLiteral("Error : \n") + error, vb::vbOKOnly);
    return false;
}

bool Documentos::LoadFileFromDB(QString *rutaDestino) {
    // A stored name with folders (another program, an older version) is never
    // followed out of the work folder.
    QString motivo;
    const QString nombre = nombreFichero(m_fichero->text(), &motivo);
    if (nombre.isEmpty()) {
        MsgBox(motivo, vb::vbOKOnly | vb::vbExclamation);
        return false;
    }
    if (!FnCrearCarpeta())
        MsgBox(QStringLiteral("Error creando o accediendo al directorio personal de trabajo."),
               vb::vbOKOnly | vb::vbCritical);
    const QString destino = gCarpetaDoc + u'/' + nombre;
    if (rutaDestino)
        *rutaDestino = destino;
    if (FnExisteFichero(destino)
        && MsgBox(QStringLiteral("El fichero ") + destino + QStringLiteral(" ya existe en su carpeta personal de trabajo")
                      + u'\n' + QStringLiteral("Desea reemplazarlo ?"),
                  vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton1)
               == vb::vbNo)
        return true; // the copy already there is the one opened

    // Only the key is read here: the contents go straight from the blob to the file.
    Conexion *cn = sesionConexion();
    Recordset rs = cn->Execute(QStringLiteral("select Ima_Id from Ima where Ima_Tabla = 'ActF' AND Ima_IdTabla  = ")
                               + QString::number(gExpe->IdActF()));
    if (!rs.ok()) {
        MsgBox(rs.error(), vb::vbOKOnly);
        return false;
    }
    if (rs.isEOF())
        return false;
    const qint64 fila = rs.Fields(0).toLongLong();
    rs.Close();

    QString error;
    Progreso progreso(m_pantalla, QStringLiteral("Recuperando %1 de la base de datos...").arg(m_fichero->text()));
    if (FlujoBlob::cargarAFichero(cn, kIma, kImaFile, fila, destino, &error, progreso.funcion())) {
        CarpetaTrabajo::anotarCopia(destino);
        return true;
    }
    // An empty error is a NULL content: the caller says the document cannot be fetched.
    if (!error.isEmpty())
        MsgBox(error, vb::vbOKOnly);
    return false;
}
