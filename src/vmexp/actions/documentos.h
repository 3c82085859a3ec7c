#pragma once
// The documents of the action editor as the user meets them: the ActF row written from
// the editor's three document fields, the file's bytes stored with their progress
// shown, and the bytes back into the user's work folder when the document is to be
// viewed. The statements are the action's data service's.
#include <QtGlobal>

class DatosActuacion;
class Formulario;
class QLineEdit;

class Documentos {
public:
    // Dynamic property of the file-name field holding the full path of the file about
    // to be stored (the control's tag).
    static constexpr const char *kTag = "Tag";
    // Transfers of files above this size show their progress.
    static constexpr qint64 kUmbralProgreso = 4 * 1024 * 1024;

    // descripcion is Text1_0, fichero Text1_7 and operario Text1_2 of the editor.
    Documentos(Formulario *pantalla, DatosActuacion *datos, QLineEdit *descripcion, QLineEdit *fichero,
               QLineEdit *operario);

    // Writes the fields as the session's current document (IdActF): an update when
    // there is one (true), otherwise an insert that becomes current and whose file is
    // stored (false). Failures are reported here; the list is the caller's to refill.
    bool mfGrabarDocumento();
    // The file named by the tag into the current document's Ima row; false after
    // showing the reason.
    bool SaveFileToDB();
    // The current document's contents into the work folder under its file name; true
    // when that file is ready to be opened, at *destino.
    bool LoadFileFromDB(QString *destino = nullptr);

    // A document's file name is its last path component: "../x" and "/etc/x" are "x".
    // Empty, "." and ".." name no file: empty result and a Spanish reason in *error.
    static QString nombreFichero(const QString &texto, QString *error = nullptr);

private:
    void informar(const QString &error);

    Formulario *m_pantalla;
    DatosActuacion *m_datos;
    QLineEdit *m_descripcion;
    QLineEdit *m_fichero;
    QLineEdit *m_operario;
};
