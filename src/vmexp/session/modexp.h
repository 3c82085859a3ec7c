#pragma once
// Session state shared by every screen and the procedures they share.
#include <QString>
#include <memory>

class VMEXPE;
class Conexion;
class MyBd;

// The newest VMEXPE; the screens reach MyBd and the ids through it.
extern std::shared_ptr<VMEXPE> gExpe;
// The user's document work folder: library folder + "/DOC" + user id, or a private
// folder of the user's where the library folder cannot be written (CarpetaTrabajo).
extern QString gCarpetaDoc;
// The words of the last case-file search in the documents' text: the action editor shows
// where each of its documents holds them.
extern QString gBusquedaDocumentos;

// The user's name ("" when the user does not exist); adm takes usu_adm when it does.
QString FnNombreUsuario(int idUsuario, int &adm);
// The statement FnNombreUsuario runs.
QString sentenciaUsuario(int idUsuario);
// gCarpetaDoc exists, or was created now (one level; parents are never created).
bool FnCrearCarpeta();
// False while gCarpetaDoc is missing; otherwise whether sFile exists.
bool FnExisteFichero(const QString &sFile);

// Shortcuts the screens use.
::MyBd *sesionBd();
::Conexion *sesionConexion();
