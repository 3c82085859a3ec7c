#include "documentos.h"

#include "carpetatrabajo.h"
#include "datosactuacion.h"
#include "dialogos.h"
#include "formulario.h"
#include "modexp.h"
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
} // namespace

Documentos::Documentos(Formulario *pantalla, DatosActuacion *datos, QLineEdit *descripcion, QLineEdit *fichero,
                       QLineEdit *operario)
    : m_pantalla(pantalla), m_datos(datos), m_descripcion(descripcion), m_fichero(fichero), m_operario(operario) {}

void Documentos::informar(const QString &error) {
    m_pantalla->avisar(QStringLiteral("No se ha podido grabar el documento.\n") + error, vb::vbOKOnly | vb::vbCritical,
                       QStringLiteral("E"));
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
    int idActF = gExpe->IdActF();
    const bool existente = idActF != 0;
    // Only a bare name is stored, so that viewing it writes into the work folder.
    QString motivo;
    const QString nombre = nombreFichero(m_fichero->text(), &motivo);
    if (nombre.isEmpty()) {
        m_pantalla->avisar(motivo, vb::vbOKOnly | vb::vbExclamation);
        return existente;
    }
    m_fichero->setText(nombre);
    const Documento d{idActF, nombre, m_descripcion->text(), m_operario->text()};
    const Resultado r = m_datos->grabarDocumento(gExpe->IdAct(), d, idActF);
    if (!r)
        informar(r.mensaje());
    // An update leaves the stored contents as they are; without a new row there is
    // no document to attach the contents to.
    if (existente || !r)
        return existente;
    gExpe->setIdActF(idActF);
    if (!SaveFileToDB()) {
        m_pantalla->avisar(QStringLiteral("Error insertando el Fichero"), vb::vbOKOnly, QStringLiteral("E"));
        return false;
    }
    // The text is read after the store, off this screen's thread.
    gExpe->leerTextosPendientes();
    return false;
}

bool Documentos::SaveFileToDB() {
    Progreso progreso(m_pantalla, QStringLiteral("Guardando %1 en la base de datos...").arg(m_fichero->text()));
    const Resultado r =
        m_datos->guardarContenido(gExpe->IdActF(), m_fichero->property(kTag).toString(), progreso.funcion());
    if (r)
        return true;
    MsgBox(QStringLiteral("Error : \n") + r.mensaje(), vb::vbOKOnly);
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

    bool escrito = false;
    Progreso progreso(m_pantalla, QStringLiteral("Recuperando %1 de la base de datos...").arg(m_fichero->text()));
    const Resultado r = m_datos->cargarContenido(gExpe->IdActF(), destino, escrito, progreso.funcion());
    // Without contents nothing is said here: the caller says the document cannot be fetched.
    if (!r)
        MsgBox(r.mensaje(), vb::vbOKOnly);
    if (r && escrito)
        CarpetaTrabajo::anotarCopia(destino);
    return r && escrito;
}
