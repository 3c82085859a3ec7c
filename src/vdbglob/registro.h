#pragma once
// The support log: what the library does, by subject, written with times into a file
// when a host switches it on (--registro FICHERO, or VMEXP_REGISTRO for any host).
// Every subject is off otherwise. Statements are logged as written, without the values
// bound to them; anything that looks like a password is masked.
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcSentencias)    // "vmexp.sentencias": statements and engine errors
Q_DECLARE_LOGGING_CATEGORY(lcTransacciones) // "vmexp.transacciones": begin, commit, rollback
Q_DECLARE_LOGGING_CATEGORY(lcDocumentos)    // "vmexp.documentos": contents stored and fetched, work folder
Q_DECLARE_LOGGING_CATEGORY(lcComponentes)   // "vmexp.componentes": sibling components created and called
Q_DECLARE_LOGGING_CATEGORY(lcErrores)       // "vmexp.errores": messages shown to the user, with their reference
Q_DECLARE_LOGGING_CATEGORY(lcEsquema)       // "vmexp.esquema": schema version, upgrades, copies

namespace Registro {
// Appends the log to fichero and switches every subject on. False and a Spanish
// message when the file cannot be opened.
bool activar(const QString &fichero, QString *error = nullptr);
// Switches the log on when VMEXP_REGISTRO names a file (once per process).
void desdeEntorno();
// Closes the file; the subjects go off again.
void desactivar();
bool activo();
// A new reference for an error the user is shown, "3F2A-0007": this run, then a count.
QString nuevaReferencia();
// The text with passwords masked (key=value, key: value, URI user:password@).
QString sinSecretos(QString texto);
} // namespace Registro
