#include "exportacsv.h"

#include "comillas.h"
#include "conexion.h"

#include <QSaveFile>

namespace ExportaCsv {

namespace {
constexpr qint64 kFilasPorAviso = 500;

Resultado falloFichero(const QSaveFile &f) {
    return Resultado::fallo(QStringLiteral("No se ha podido escribir el fichero %1. Compruebe que la carpeta existe, "
                                           "que puede escribir en ella y que queda espacio.")
                                .arg(f.fileName()),
                            f.errorString());
}
} // namespace

QString campo(const QString &texto) {
    if (!texto.contains(u';') && !texto.contains(u'"') && !texto.contains(u'\n') && !texto.contains(u'\r'))
        return texto;
    return entreComillas(texto, u'"');
}

QString linea(const QStringList &campos) {
    QStringList escritos;
    escritos.reserve(campos.size());
    for (const QString &c : campos)
        escritos << campo(c);
    // CRLF: what spreadsheets write and expect.
    return escritos.join(u';') + QStringLiteral("\r\n");
}

Resultado exportar(Conexion *conexion, const QString &sql, const QList<ColumnaCsv> &columnas, const QString &ruta,
                   const Progreso &progreso, qint64 &filas, bool &cancelado) {
    filas = 0;
    cancelado = false;
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly))
        return falloFichero(f);
    QStringList titulos;
    for (const ColumnaCsv &c : columnas)
        titulos << c.titulo;
    f.write("\xEF\xBB\xBF");
    f.write(linea(titulos).toUtf8());

    Recordset rs = conexion->Execute(sql, Conexion::Cursor::SoloAdelante);
    if (!rs.ok()) {
        f.cancelWriting();
        return rs.resultado();
    }
    QStringList valores;
    for (; !rs.isEOF(); rs.MoveNext()) {
        valores.clear();
        for (const ColumnaCsv &c : columnas)
            valores << c.formato(rs.Fields(c.campo));
        if (f.write(linea(valores).toUtf8()) < 0)
            break;
        if (++filas % kFilasPorAviso == 0 && progreso && !progreso(filas)) {
            cancelado = true;
            break;
        }
    }
    const Resultado lectura = rs.resultado();
    rs.Close();
    if (cancelado || !lectura) {
        f.cancelWriting();
        return lectura;
    }
    return f.commit() ? Resultado{} : falloFichero(f);
}

} // namespace ExportaCsv
