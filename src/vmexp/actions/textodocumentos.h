#pragma once
// The text of the stored documents: read out of each document after it is stored (a
// PDF's text layer, OCR of scans and image-only pages, plain text as it is), kept in
// ActFTex, and searched there. Storing a document only marks it as waiting; the text
// is read afterwards on a thread and a connection of its own, so that a slow or failed
// reading never holds up or fails the store, and a document still waiting when the
// program ends is read at its next start.
#include "resultado.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

class Conexion;

namespace TextoDocumentos {
struct Extraido {
    QString texto;
    int paginas = 0; // pages read (a plain text file counts one)
    bool interrumpido = false;
};
// The text of the file at ruta; nombre (the stored file name) tells a plain text file.
// Kinds that hold no text give an empty text. Setting *parar stops the reading between
// pages and inside OCR: the result is then interrumpido.
Extraido extraer(const QString &ruta, const QString &nombre, const std::atomic<bool> *parar = nullptr);

// Document idActF has new contents: its old text goes and it waits for the new one.
// Runs inside the store's own transaction.
Resultado marcarPendiente(Conexion *cn, int idActF);
// The text of document idActF goes with it.
Resultado eliminar(Conexion *cn, int idActF);
// Reads the text of one waiting document and stores it; hay is false when none waits,
// or when *parar stopped the reading (the document goes on waiting).
Resultado extraerSiguiente(Conexion *cn, bool &hay, int *paginas = nullptr, const std::atomic<bool> *parar = nullptr);
// Every stored document without a text row is marked as waiting; pendientes is how
// many are waiting now.
Resultado anotarSinTexto(Conexion *cn, int &pendientes);
// The passages that hold the words busqueda in the documents of action idAct, by id.
Resultado fragmentos(Conexion *cn, int idAct, const QString &busqueda, QHash<int, QString> &porDocumento);

// Progress of indexar: documents done of total, pages read so far.
using Avance = std::function<void(int hechos, int total, int paginas)>;
// Reads the text of every stored document that has none, one at a time: an
// interrupted run leaves the rest waiting for the next.
Resultado indexar(Conexion *cn, const Avance &avance, int *hechos = nullptr);
} // namespace TextoDocumentos

// The reader of waiting documents for one session's database. It runs while there is
// something to read and ends when nothing waits; avisar starts it again.
class ExtractorTexto : public QThread {
public:
    // conexion: the Qt connection name the session uses; this thread opens a copy of it.
    explicit ExtractorTexto(const QString &conexion);
    // Waits for the document being read; the rest wait in the database.
    ~ExtractorTexto() override;
    // Documents may be waiting: read them.
    void avisar();

protected:
    void run() override;

private:
    QString m_origen;
    QMutex m_mutex;
    bool m_activo = false;
    bool m_otraVuelta = false;
    std::atomic<bool> m_parar{false};
};
