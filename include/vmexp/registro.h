#pragma once
// The support log: what the library does, by subject, written with times into a file
// when a host switches it on (--registro FICHERO, or VMEXP_REGISTRO for any host).
// Every subject is off otherwise. Statements are logged as written, without the values
// bound to them; anything that looks like a password is masked.
#include "exportar.h"
#include <QLoggingCategory>
#include <QString>

VMEXP_EXPORT const QLoggingCategory &lcSentencias();    // "vmexp.sentencias": statements and engine errors
VMEXP_EXPORT const QLoggingCategory &lcTransacciones(); // "vmexp.transacciones": begin, commit, rollback
VMEXP_EXPORT const QLoggingCategory &lcDocumentos();    // "vmexp.documentos": contents stored and fetched, work folder
VMEXP_EXPORT const QLoggingCategory &lcComponentes();   // "vmexp.componentes": sibling components created and called
VMEXP_EXPORT const QLoggingCategory &lcErrores();       // "vmexp.errores": messages shown to the user, with their reference
VMEXP_EXPORT const QLoggingCategory &lcEsquema();       // "vmexp.esquema": schema version, upgrades, copies

namespace Registro {
// Appends the log to fichero and switches every subject on. False and a Spanish
// message when the file cannot be opened.
VMEXP_EXPORT bool activar(const QString &fichero, QString *error = nullptr);
// Switches the log on when VMEXP_REGISTRO names a file (once per process).
VMEXP_EXPORT void desdeEntorno();
// Closes the file; the subjects go off again.
VMEXP_EXPORT void desactivar();
VMEXP_EXPORT bool activo();
// A new reference for an error the user is shown, "3F2A-0007": this run, then a count.
VMEXP_EXPORT QString nuevaReferencia();
// The text with passwords masked (key=value, key: value, URI user:password@).
VMEXP_EXPORT QString sinSecretos(QString texto);
} // namespace Registro
