#include "conexion.h"

#include "dialecto.h"
#include "lectorfilas.h"
#include "registro.h"

#include <algorithm>
#include <ctime>
#include <mutex>

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
// The name after "no such table: " and the like, without its schema.
QString nombreTras(const QString &texto, const QString &marca) {
    const qsizetype p = texto.indexOf(marca, 0, Qt::CaseInsensitive);
    QString nombre = texto.mid(p + marca.size()).section(u' ', 0, 0).trimmed();
    nombre.remove(u'"');
    return nombre.section(u'.', -1);
}

// The object a server's message names: quoted ("x" in English, «x» in Spanish), or after
// the word for it when the server writes it qualified and unquoted (column t.x).
QString nombreDelServidor(const QString &texto) {
    const QString linea = texto.section(u'\n', 0, 0);
    static const QRegularExpression citado(QStringLiteral("[\"«]([^\"»]+)[\"»]"));
    if (const QRegularExpressionMatch m = citado.match(linea); m.hasMatch())
        return m.captured(1).section(u'.', -1);
    static const QRegularExpression tras(QStringLiteral("\\b(?:column|relation|columna|relación)\\s+(\\S+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return tras.match(linea).captured(1).section(u'.', -1);
}
} // namespace

QString textoError(const QSqlError &e) {
    const QString motor = (e.databaseText().isEmpty() ? e.text() : e.databaseText()).trimmed();
    if (motor.isEmpty())
        return {};
    // The engine's own words go to the debug log; the user reads what happened and what to do.
    qCWarning(lcSentencias) << "error del motor:" << e.nativeErrorCode() << motor;
    const QString codigo = e.nativeErrorCode();
    const auto tiene = [&motor](const char *t) { return motor.contains(QLatin1String(t), Qt::CaseInsensitive); };
    if (tiene("database is locked") || tiene("table is locked") || tiene("database is busy") || codigo == QLatin1String("40P01")
        || codigo == QLatin1String("55P03"))
        return QStringLiteral("La base de datos está ocupada por otro usuario. Espere unos segundos y vuelva a intentarlo.");
    if (tiene("disk is full") || tiene("disk full") || codigo == QLatin1String("53100"))
        return QStringLiteral("No queda espacio en el disco de la base de datos. Libere espacio en el disco y vuelva a "
                              "intentarlo.");
    if (tiene("readonly database") || tiene("read-only") || codigo == QLatin1String("25006"))
        return QStringLiteral("La base de datos es de solo lectura: el fichero o su carpeta no admiten escritura. Pida "
                              "permiso de escritura al administrador.");
    if (tiene("no such table") || tiene("no such column") || codigo == QLatin1String("42P01")
        || codigo == QLatin1String("42703")) {
        const bool tabla = tiene("no such table") || codigo == QLatin1String("42P01");
        const QString nombre = codigo.size() == 5
                                   ? nombreDelServidor(motor)
                                   : nombreTras(motor, tabla ? QStringLiteral("no such table: ") : QStringLiteral("no such column: "));
        return QStringLiteral("Falta %1 %2 en la base de datos. Compruebe que abre la base de datos de la empresa o "
                              "pida al administrador que la actualice.")
            .arg(tabla ? QStringLiteral("la tabla") : QStringLiteral("la columna"), nombre);
    }
    if (tiene("unable to open database") || tiene("not a database") || tiene("disk I/O error"))
        return QStringLiteral("No se puede abrir o leer el fichero de la base de datos. Compruebe que existe, que no "
                              "está dañado y que tiene permiso para usarlo.");
    if (tiene("constraint failed") || codigo.startsWith(QLatin1String("23")))
        return QStringLiteral("Los datos no cumplen una regla de la base de datos (un valor repetido o que falta). "
                              "Revise los datos y vuelva a intentarlo.");
    // Anything else is no situation a user can mend: the detail helps whoever is called.
    return QStringLiteral("La base de datos ha rechazado la operación (detalle técnico: %1).").arg(motor);
}

namespace {
QVariant convertir(TipoValor tipo, const QVariant &bruto) {
    if (bruto.isNull() || !bruto.isValid())
        return {};
    switch (tipo) {
    case TipoValor::Fecha:
    case TipoValor::FechaHora: {
        // A driver with date types gives them as such; a date keeps its time of day when it has one.
        if (bruto.metaType().id() == QMetaType::QDateTime) {
            const QDateTime dt = bruto.toDateTime();
            return tipo == TipoValor::Fecha && dt.time() == QTime(0, 0) ? QVariant(dt.date()) : bruto;
        }
        if (bruto.metaType().id() != QMetaType::QString)
            return bruto;
        // Read by hand: QDateTime::fromString and a local QDateTime (a time-zone lookup)
        // cost too much for the thousands of rows of an actions tree.
        const QString t = bruto.toString();
        const auto numero = [&t](qsizetype desde, qsizetype largo) {
            int n = 0;
            for (qsizetype i = desde; i < desde + largo; ++i) {
                if (i >= t.size() || !t[i].isDigit())
                    return -1;
                n = n * 10 + t[i].digitValue();
            }
            return n;
        };
        if (t.size() < 10 || t[4] != u'-' || t[7] != u'-')
            return bruto;
        const QDate dia(numero(0, 4), numero(5, 2), numero(8, 2));
        if (!dia.isValid())
            return bruto;
        QTime hora(0, 0);
        if (t.size() >= 19 && t[13] == u':' && t[16] == u':') {
            const int ms = t.size() >= 23 && t[19] == u'.' ? numero(20, 3) : 0;
            const QTime leida(numero(11, 2), numero(14, 2), numero(17, 2), qMax(ms, 0));
            if (leida.isValid())
                hora = leida;
        }
        // A date keeps its time of day when it has one, as a date value shows it.
        if (tipo == TipoValor::Fecha && hora == QTime(0, 0))
            return QVariant(dia);
        return QVariant(QDateTime(dia, hora));
    }
    case TipoValor::Entero: {
        bool ok = false;
        const qlonglong n = bruto.toLongLong(&ok);
        return ok ? QVariant(n) : bruto;
    }
    case TipoValor::Importe: {
        bool ok = false;
        const double n = bruto.toDouble(&ok);
        return ok ? QVariant(n) : bruto;
    }
    default:
        // Counts come as unsigned from some drivers; every backend gives signed numbers.
        if (bruto.metaType().id() == QMetaType::ULongLong)
            return QVariant(bruto.toLongLong());
        return bruto;
    }
}

// ---------------------------------------------------------------- Conexion

const QString kCerrado = QStringLiteral("El conjunto de registros está cerrado");
} // namespace

namespace {
// The Qt driver's query as a Recordset's rows.
class LectorConsulta : public LectorFilas {
public:
    LectorConsulta(QSqlQuery &&q) : m_q(std::move(q)) {}
    int posicion() const override { return m_q.at(); }
    bool soloAdelante() const override { return m_q.isForwardOnly(); }
    bool siguiente() override { return m_q.next(); }
    bool primera() override { return m_q.first(); }
    bool ultima() override { return m_q.last(); }
    bool anterior() override { return m_q.previous(); }
    bool ir(int fila) override { return m_q.seek(fila); }
    QVariant valor(int i) const override { return m_q.value(i); }
    bool nulo(int i) const override { return m_q.isNull(i); }
    QSqlRecord columnas() const override { return m_q.record(); }
    void terminar() override {
        m_q.finish();
        m_q = QSqlQuery();
    }

private:
    QSqlQuery m_q;
};
} // namespace

struct Recordset::Datos {
    Conexion *conexion = nullptr;
    std::unique_ptr<LectorFilas> filas;
    Resultado resultado = Resultado::fallo(kCerrado);
    bool vacio = true;
    // Column names and kinds, read once: QSqlQuery::record() copies the whole row.
    QSqlRecord columnas;
    QList<TipoValor> tipos;
};


namespace {
// Without TZ the C library checks /etc/localtime again (a stat) for every local time it
// works out: 1.8 µs for each date read instead of 0.13, thousands of times in a tree.
// Named once, the file is read once; Qt takes this value as the system's own zone.
// What a text becomes, worked out once: a screen sends the same statements again on
// every search and every save, and the tokenizer costs more than the round trip of a
// short one.
template <typename F>
QString recordado(QHash<QString, QString> &hechos, const QString &texto, F &&hacer) {
    if (const auto it = hechos.constFind(texto); it != hechos.cend())
        return *it;
    if (hechos.size() >= 512)
        hechos.clear();
    return *hechos.insert(texto, hacer());
}

void nombrarZonaHoraria() {
    static std::once_flag hecho;
    std::call_once(hecho, [] {
        if (!qEnvironmentVariableIsSet("TZ") && QFile::exists(QStringLiteral("/etc/localtime"))) {
            qputenv("TZ", ":/etc/localtime");
            tzset();
        }
    });
}
} // namespace

Conexion::Conexion(const QSqlDatabase &db, QObject *parent)
    : QObject(parent), m_db(db), m_dialecto(DialectoSql::paraDriver(db.driverName())) {
    nombrarZonaHoraria();
    QString error;
    if (m_db.isOpen() && !m_dialecto->prepararSesion(m_db, &error))
        m_sesion = Resultado::fallo(error);
}

Conexion::~Conexion() = default;

QSqlDatabase &Conexion::db() {
    esperarAdelanto();
    return m_db;
}

void Conexion::esperarAdelanto() const {
    if (m_adelanto)
        m_adelanto->esperar();
}

bool Conexion::adelantar(const QStringList &sentencias, const QString &rejilla) {
    if (!m_adelanto)
        m_adelanto = m_dialecto->adelanto(m_db);
    if (!m_adelanto)
        return false;
    QStringList textos;
    for (const QString &sql : sentencias)
        textos << traducir(sql);
    if (!rejilla.isEmpty())
        textos << primeraPagina(textoRejilla(rejilla), RecordsetModel::kPrimeraPagina + 1);
    if (!m_adelanto->enviar(textos))
        return false;
    ++m_idas;
    for (const QString &sql : sentencias)
        anunciar(sql, false);
    if (!rejilla.isEmpty())
        anunciar(rejilla, false);
    return true;
}

void Conexion::soltarAdelanto() { m_adelanto.reset(); }

std::unique_ptr<LectorFilas> Conexion::tomarAdelantada(const QString &traducida) {
    if (!m_adelanto)
        return nullptr;
    std::unique_ptr<LectorFilas> filas = m_adelanto->tomar(traducida);
    if (!filas)
        m_adelanto->esperar();
    return filas;
}

QString Conexion::textoRejilla(const QString &sql) {
    const QString traducida = traducir(sql);
    if (!m_dialecto->traeResultadoEntero())
        return traducida;
    // Sent ahead and then read by the grid: the order is looked for once.
    return recordado(m_rejillas, traducida, [&] { return m_dialecto->ordenEstable(db(), traducida); });
}

QString Conexion::primeraPagina(const QString &texto, int filas) const {
    // A driver that would bring the whole result is asked for the first page only.
    return m_dialecto->traeResultadoEntero() ? m_dialecto->pagina(texto, filas, 0) : texto;
}

QString Conexion::traducir(const QString &sql) const {
    return recordado(m_traducidas, sql, [&] { return m_dialecto->traducir(sql); });
}

void Conexion::setTiposColumna(const QHash<QString, TipoValor> &tipos) {
    m_tipos.clear();
    for (auto it = tipos.begin(); it != tipos.end(); ++it)
        m_tipos.insert(it.key().toLower(), it.value());
}

TipoValor Conexion::tipoColumna(const QString &columna) const {
    return m_tipos.value(columna.toLower(), TipoValor::Texto);
}

QVariant Conexion::valorLeido(const QString &columna, const QVariant &bruto) const {
    const TipoValor tipo = tipoColumna(columna);
    if (tipo == TipoValor::Blob && !bruto.isNull()) {
        esperarAdelanto();
        QSqlDatabase db = m_db;
        return m_dialecto->contenidoBlob(db, bruto);
    }
    return convertir(tipo, bruto);
}

Resultado Conexion::fallo(const QSqlError &e) {
    const QString texto = textoError(e);
    // SQLite's busy (5) and locked (6), with or without their extended codes.
    // A server's SQLSTATE: serialization failure, deadlock, lock not available.
    const QString nativo = e.nativeErrorCode();
    bool numero = false;
    const int codigo = nativo.toInt(&numero);
    const bool bloqueo = nativo.size() == 5 ? nativo.startsWith(QLatin1String("40")) || nativo == QLatin1String("55P03")
                                            : numero && ((codigo & 0xff) == 5 || (codigo & 0xff) == 6);
    return Resultado::fallo(texto.isEmpty() ? QStringLiteral("Error desconocido en la sentencia") : texto, e.text(),
                            bloqueo);
}

void Conexion::anunciar(const QString &sql, bool ida) {
    if (ida)
        ++m_idas;
    emit sentencia(sql);
    // The text as written: the values bound to it stay out of the log.
    qCInfo(lcSentencias).noquote() << sql;
}

Resultado Conexion::EjecutarConValores(const QString &sql, const QList<QVariant> &valores, const QString &tablaClave,
                                        qint64 *clave) {
    soltarAdelanto();
    anunciar(sql);
    QString traducida = traducir(sql);
    if (!tablaClave.isEmpty())
        traducida += m_dialecto->clausulaClave(m_db, traducir(tablaClave));
    QSqlError error;
    if (m_dialecto->ejecutarConValores(m_db, traducida, valores, tablaClave.isEmpty() ? nullptr : clave, &error))
        return {};
    return fallo(error);
}

std::unique_ptr<LectorFilas> Conexion::lector(const QString &traducida, QSqlError *error, int filasPagina) {
    db(); // free of reads sent ahead
    std::unique_ptr<LectorFilas> filas =
        filasPagina > 0 ? m_dialecto->lectorPagina(m_db, traducida, filasPagina, error) : nullptr;
    if (!filas && error->type() == QSqlError::NoError)
        filas = m_dialecto->lectorSoloAdelante(m_db, traducida, error);
    if (!filas && error->type() == QSqlError::NoError)
        return consulta(traducida, true, error);
    return filas;
}

std::unique_ptr<LectorFilas> Conexion::consulta(const QString &traducida, bool soloAdelante, QSqlError *error) {
    QSqlQuery q(db());
    q.setForwardOnly(soloAdelante);
    // Nothing is bound: sent as it is, one round trip to a server, where the driver's
    // prepared statement takes three (prepare, execute, deallocate).
    if (q.exec(traducida))
        return std::make_unique<LectorConsulta>(std::move(q));
    *error = q.lastError();
    return nullptr;
}

Recordset Conexion::Execute(const QString &sql, Cursor cursor) {
    Recordset rs;
    rs.d->conexion = this;
    QSqlError error;
    const QString traducida = traducir(sql);
    std::unique_ptr<LectorFilas> filas = tomarAdelantada(traducida);
    if (!filas) {
        anunciar(sql);
        filas = cursor == Cursor::SoloAdelante ? lector(traducida, &error) : consulta(traducida, false, &error);
    }
    if (!filas) {
        rs.d->resultado = fallo(error);
        return rs;
    }
    rs.d->resultado = {};
    rs.d->columnas = filas->columnas();
    for (int i = 0; i < rs.d->columnas.count(); ++i)
        rs.d->tipos << tipoColumna(rs.d->columnas.fieldName(i));
    rs.d->vacio = !filas->primera();
    rs.d->filas = std::move(filas);
    return rs;
}

Resultado Conexion::Ejecutar(const QString &sql) {
    soltarAdelanto();
    anunciar(sql);
    QSqlQuery q(m_db);
    if (q.exec(traducir(sql))) // nothing bound: one round trip, as a read
        return {};
    return fallo(q.lastError());
}

Resultado Conexion::BeginTransEscritura() {
    const QString inicio = m_dialecto->inicioEscritura();
    if (inicio.isEmpty() || m_nivelTransaccion > 0)
        return BeginTrans();
    soltarAdelanto();
    ++m_idas;
    emit sentencia(inicio);
    qCInfo(lcTransacciones).noquote() << inicio;
    QSqlQuery q(m_db);
    if (!q.exec(inicio))
        return fallo(q.lastError());
    m_nivelTransaccion = 1;
    return {};
}

Resultado Conexion::BeginTrans() {
    if (m_nivelTransaccion++ > 0)
        return {};
    soltarAdelanto();
    ++m_idas;
    emit sentencia(QStringLiteral("BEGIN TRANSACTION"));
    qCInfo(lcTransacciones) << "BEGIN TRANSACTION";
    if (m_db.transaction())
        return {};
    m_nivelTransaccion = 0;
    return fallo(m_db.lastError());
}

Resultado Conexion::CommitTrans() {
    const QString sinTransaccion = QStringLiteral("No hay ninguna transacción abierta");
    if (m_nivelTransaccion == 0)
        return Resultado::fallo(sinTransaccion);
    if (--m_nivelTransaccion > 0)
        return {};
    soltarAdelanto();
    ++m_idas;
    emit sentencia(QStringLiteral("COMMIT TRANSACTION"));
    qCInfo(lcTransacciones) << "COMMIT TRANSACTION";
    if (m_db.commit())
        return {};
    const Resultado r = fallo(m_db.lastError());
    qCWarning(lcTransacciones).noquote() << "COMMIT fallido, se deshace:" << r.causa();
    m_db.rollback();
    return r;
}

Resultado Conexion::RollbackTrans() {
    if (m_nivelTransaccion == 0)
        return Resultado::fallo(QStringLiteral("No hay ninguna transacción abierta"));
    m_nivelTransaccion = 0;
    soltarAdelanto();
    ++m_idas;
    emit sentencia(QStringLiteral("ROLLBACK TRANSACTION"));
    qCInfo(lcTransacciones) << "ROLLBACK TRANSACTION";
    if (m_db.rollback())
        return {};
    return fallo(m_db.lastError());
}

// ---------------------------------------------------------------- Recordset

Recordset::Recordset() : d(std::make_shared<Datos>()) {}

bool Recordset::ok() const { return d->conexion && d->resultado.ok(); }
Resultado Recordset::resultado() const { return d->conexion ? d->resultado : Resultado::fallo(kCerrado); }

bool Recordset::isEOF() const {
    if (!ok() || d->vacio)
        return true;
    return !d->filas->enFila() && d->filas->posicion() != QSql::BeforeFirstRow;
}

bool Recordset::isBOF() const {
    if (!ok() || d->vacio)
        return true;
    return !d->filas->enFila() && d->filas->posicion() == QSql::BeforeFirstRow;
}

int Recordset::RecordCount() {
    if (!ok() || d->vacio)
        return 0;
    LectorFilas &f = *d->filas;
    if (f.soloAdelante())
        return -1;
    const int at = f.posicion();
    f.ultima();
    const int n = f.posicion() + 1;
    if (at >= 0)
        f.ir(at);
    else if (at == QSql::AfterLastRow)
        f.siguiente();
    else
        f.ir(-1);
    return n;
}

void Recordset::MoveFirst() {
    if (ok() && !d->vacio && !d->filas->soloAdelante())
        d->filas->primera();
}
void Recordset::MoveNext() {
    if (ok() && !d->vacio && !isEOF())
        d->filas->siguiente();
}
void Recordset::MovePrevious() {
    if (ok() && !d->vacio && !isBOF() && !d->filas->soloAdelante())
        d->filas->anterior();
}
void Recordset::MoveLast() {
    if (ok() && !d->vacio)
        d->filas->ultima();
}

int Recordset::AbsolutePosition() const { return ok() && d->filas->enFila() ? d->filas->posicion() + 1 : 0; }

bool Recordset::Find(const QString &criterio) {
    const qsizetype igual = criterio.indexOf(u'=');
    if (!ok() || d->vacio || igual < 0)
        return false;
    const QString columna = criterio.left(igual).trimmed();
    QString buscado = criterio.mid(igual + 1).trimmed();
    const bool texto = buscado.startsWith(u'\'');
    if (texto)
        buscado = buscado.mid(1, buscado.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    const int i = indiceCampo(columna);
    if (i < 0)
        return false;
    bool esNumero = false;
    const double numero = buscado.toDouble(&esNumero);
    LectorFilas &f = *d->filas;
    if (!f.enFila() && !f.soloAdelante())
        f.primera();
    for (bool hay = f.enFila(); hay; hay = f.siguiente()) {
        const QVariant v = f.valor(i);
        if (v.isNull())
            continue;
        bool ok = false;
        const double n = v.toDouble(&ok);
        if ((!texto && esNumero && ok && n == numero)
            || v.toString().compare(buscado, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int Recordset::FieldCount() const { return ok() ? d->columnas.count() : 0; }
QString Recordset::FieldName(int i) const { return ok() ? d->columnas.fieldName(i) : QString(); }
int Recordset::indiceCampo(const QString &nombre) const { return ok() ? d->columnas.indexOf(nombre) : -1; }

QVariant Recordset::Fields(int i) const {
    if (!ok() || !d->filas->enFila() || i < 0 || i >= FieldCount())
        return {};
    const TipoValor tipo = d->tipos.value(i, TipoValor::Texto);
    if (tipo == TipoValor::Blob && !d->filas->nulo(i))
        return d->conexion->dialecto().contenidoBlob(d->conexion->db(), d->filas->valor(i));
    return convertir(tipo, d->filas->valor(i));
}

QVariant Recordset::Fields(const QString &nombre) const { return Fields(indiceCampo(nombre)); }

void Recordset::Close() {
    if (d->filas)
        d->filas->terminar();
    d->filas.reset();
    d->conexion = nullptr;
    d->vacio = true;
    d->resultado = Resultado::fallo(kCerrado);
}

// ---------------------------------------------------------------- RecordsetModel

namespace {
// The row f stands on, each value as Recordset returns it.
QList<QVariant> valoresFila(const LectorFilas &f, const QList<TipoValor> &tipos) {
    QList<QVariant> fila(tipos.size());
    for (int i = 0; i < fila.size(); ++i)
        fila[i] = convertir(tipos[i], f.valor(i));
    return fila;
}

// Up to n rows of f.
QList<QList<QVariant>> leerFilas(LectorFilas &f, const QList<TipoValor> &tipos, int n) {
    QList<QList<QVariant>> filas;
    filas.reserve(n);
    while (filas.size() < n && f.siguiente())
        filas << valoresFila(f, tipos);
    return filas;
}

// A screenful and some; deeper pages grow so a long scroll takes few statements.
int tamanoPagina(qsizetype leidas) {
    constexpr int primera = RecordsetModel::kPrimeraPagina;
    return leidas == 0 ? primera : int(qBound(qsizetype(primera), leidas / 8, qsizetype(4096)));
}
} // namespace

RecordsetModel::RecordsetModel(Conexion *conexion, const QString &sql, QObject *parent)
    : RecordsetModel(conexion, sql, tamanoPagina(0), parent) {}

RecordsetModel::RecordsetModel(Conexion *conexion, const QString &sql, int primera, QObject *parent)
    : QAbstractTableModel(parent), m_conexion(conexion), m_sql(conexion->textoRejilla(sql)) {
    // The first page is the statement as written: its names are the grid's columns.
    QSqlError error;
    const QString texto = conexion->primeraPagina(m_sql, primera + 1);
    std::unique_ptr<LectorFilas> f = conexion->tomarAdelantada(texto);
    if (!f) {
        conexion->anunciar(sql);
        f = conexion->lector(texto, &error, primera + 1);
    }
    if (!f) {
        m_resultado = Conexion::fallo(error);
        m_hayMas = false;
        return;
    }
    m_columnas = f->columnas();
    for (int i = 0; i < m_columnas.count(); ++i)
        m_tipos << conexion->tipoColumna(m_columnas.fieldName(i));
    m_filas = tomarFilas(f, primera);
}

QList<QList<QVariant>> RecordsetModel::tomarFilas(std::unique_ptr<LectorFilas> &f, int n) {
    if (f->soloAdelante()) {
        QList<QList<QVariant>> filas = leerFilas(*f, m_tipos, n);
        m_hayMas = filas.size() == n && f->siguiente();
        f->terminar();
        return filas;
    }
    // A page held whole: its rows become values as the grid shows them (a screenful of
    // the 256), each once.
    f->ultima();
    const int total = qMax(0, f->posicion() + 1);
    m_hayMas = total > n;
    const int filas = qMin(total, n);
    if (filas > 0)
        m_paginas.append({m_filas.size(), filas, std::move(f)});
    return QList<QList<QVariant>>(filas);
}

const QList<QVariant> &RecordsetModel::fila(int n) const {
    QList<QVariant> &valores = m_filas[n];
    if (valores.isEmpty() && !m_tipos.isEmpty()) {
        // The last page that starts at or before the row.
        const auto it = std::upper_bound(m_paginas.begin(), m_paginas.end(), n,
                                         [](qsizetype fila, const Pagina &p) { return fila < p.desde; });
        Pagina &p = *std::prev(it);
        p.filas->ir(int(n - p.desde));
        valores = valoresFila(*p.filas, m_tipos);
        if (--p.pendientes == 0)
            p.filas.reset();
    }
    return valores;
}

bool RecordsetModel::leerPagina() {
    const qsizetype desde = m_filas.size();
    const int filas = tamanoPagina(desde);
    QString sql = m_conexion->m_dialecto->pagina(m_sql, filas + 1, desde);
    qsizetype saltar = 0;
    if (sql.isEmpty()) {
        sql = m_sql;
        saltar = desde;
    }
    QSqlError error;
    std::unique_ptr<LectorFilas> f = m_conexion->lector(sql, &error, saltar == 0 ? filas + 1 : 0);
    if (!f) {
        // The rows already shown stay; the failure is kept for whoever checks the model.
        m_resultado = Conexion::fallo(error);
        m_hayMas = false;
        return false;
    }
    while (saltar > 0 && f->siguiente())
        --saltar;
    const QList<QList<QVariant>> nuevas = tomarFilas(f, filas);
    if (nuevas.isEmpty())
        return false;
    beginInsertRows({}, int(desde), int(desde + nuevas.size() - 1));
    m_filas << nuevas;
    endInsertRows();
    return true;
}

int RecordsetModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_filas.size()); }
int RecordsetModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columnas.count(); }

QVariant RecordsetModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return fila(index.row())[index.column()];
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columnas.count()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_cabeceras.value(section, m_columnas.fieldName(section));
}

bool RecordsetModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columnas.count()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_cabeceras.insert(section, value);
    emit headerDataChanged(orientation, section, section);
    return true;
}

QSqlRecord RecordsetModel::record(int n) const {
    QSqlRecord r = m_columnas;
    if (n >= 0 && n < m_filas.size()) {
        const QList<QVariant> &valores = fila(n);
        for (int i = 0; i < r.count(); ++i)
            r.setValue(i, valores[i]);
    }
    return r;
}

void RecordsetModel::tomarResultado(RecordsetModel &otro) {
    beginResetModel();
    std::swap(m_conexion, otro.m_conexion);
    m_sql.swap(otro.m_sql);
    std::swap(m_resultado, otro.m_resultado);
    std::swap(m_columnas, otro.m_columnas);
    m_tipos.swap(otro.m_tipos);
    m_filas.swap(otro.m_filas);
    m_paginas.swap(otro.m_paginas);
    m_cabeceras.swap(otro.m_cabeceras);
    std::swap(m_hayMas, otro.m_hayMas);
    endResetModel();
}

bool RecordsetModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && !m_trayendo && m_hayMas; }

// A view may ask for more rows while the model is inserting fetched ones (item-model
// testers do); that nested request waits for the next call.
void RecordsetModel::fetchMore(const QModelIndex &parent) {
    if (parent.isValid() || m_trayendo || !m_hayMas)
        return;
    m_trayendo = true;
    leerPagina();
    m_trayendo = false;
}
