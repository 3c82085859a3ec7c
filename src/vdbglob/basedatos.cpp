#include "basedatos.h"

#include "comillas.h"
#include "conexion.h"
#include "dialecto.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {
const char *kEmpresa = "empresa.db";
const char *kComun = "vmcomun.db";

void decir(QString *error, const QString &texto) {
    if (error)
        *error = texto;
}

QString script(const QString &nombre) {
    QFile f(QStringLiteral(":/db/") + nombre);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

bool ejecutarScript(sqlite3 *h, const QString &sql, QString *error) {
    char *msg = nullptr;
    if (sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &msg) == SQLITE_OK)
        return true;
    decir(error, QStringLiteral("Error creando la base de datos: %1").arg(QString::fromUtf8(msg)));
    sqlite3_free(msg);
    return false;
}

void borrarFicheros(const QString &ruta) {
    for (const char *sufijo : {"", "-wal", "-shm", "-journal"})
        QFile::remove(ruta + QLatin1String(sufijo));
}

// Getdate(): the local clock with milliseconds, as the dates are stored.
void fnAhora(sqlite3_context *ctx, int, sqlite3_value **) {
    const QByteArray t = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    sqlite3_result_text(ctx, t.constData(), int(t.size()), SQLITE_TRANSIENT);
}

// LIKE without regard to letter case for every Unicode letter, not only ASCII.
// Works on any sequence of characters: bytes for ASCII text, QChar otherwise.
template <typename Texto, typename Car>
bool coincide(const Texto &patron, qsizetype p, const Texto &texto, qsizetype t, Car escape, bool hayEscape) {
    const qsizetype np = qsizetype(patron.size()), nt = qsizetype(texto.size());
    while (p < np) {
        const Car c = patron[p];
        if (hayEscape && c == escape && p + 1 < np) {
            if (t >= nt || texto[t] != patron[p + 1])
                return false;
            p += 2;
            ++t;
        } else if (c == Car('%')) {
            while (p < np && patron[p] == Car('%'))
                ++p;
            if (p == np)
                return true;
            for (qsizetype k = t; k <= nt; ++k)
                if (coincide(patron, p, texto, k, escape, hayEscape))
                    return true;
            return false;
        } else if (c == Car('_')) {
            if (t >= nt)
                return false;
            ++p;
            ++t;
        } else {
            if (t >= nt || texto[t] != c)
                return false;
            ++p;
            ++t;
        }
    }
    return t == nt;
}

// ASCII text in lower case, or false when the bytes hold anything else.
bool asciiMinusculas(sqlite3_value *v, std::string &destino) {
    const auto *b = sqlite3_value_text(v);
    const int n = sqlite3_value_bytes(v);
    destino.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        if (b[i] >= 0x80)
            return false;
        destino[size_t(i)] = char(b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i]);
    }
    return true;
}

// The letters of Latin-1 that are an ASCII letter plus marks, from U+00C0 on; 0 for the
// rest (Æ, Ø, ß...), which take the general way.
constexpr char kSinMarca[] = "aaaaaa\0ceeeeiiii\0nooooo\0\0uuuuy\0\0aaaaaa\0ceeeeiiii\0nooooo\0\0uuuuy\0y";

// Folds UTF-8 made of ASCII and those letters byte by byte; false for anything else.
bool plegarLatino(const unsigned char *b, int n, std::string &destino) {
    destino.clear();
    for (int i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            destino += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
            continue;
        }
        if (c != 0xC3 || i + 1 >= n || b[i + 1] < 0x80 || b[i + 1] > 0xBF)
            return false;
        const char base = kSinMarca[b[++i] - 0x80];
        if (!base)
            return false;
        destino += base;
    }
    return true;
}

// vmexp_plegar(texto): BaseDatos::plegar inside SQL, without building a QString for the
// names of Spanish text.
void fnPlegar(sqlite3_context *ctx, int, sqlite3_value **argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *b = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    thread_local std::string rapido;
    if (plegarLatino(b, n, rapido)) {
        sqlite3_result_text(ctx, rapido.data(), int(rapido.size()), SQLITE_TRANSIENT);
        return;
    }
    const QByteArray r = BaseDatos::plegar(QString::fromUtf8(reinterpret_cast<const char *>(b), n)).toUtf8();
    sqlite3_result_text(ctx, r.constData(), int(r.size()), SQLITE_TRANSIENT);
}

void fnLike(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const bool conEscape = argc == 3 && sqlite3_value_type(argv[2]) != SQLITE_NULL && sqlite3_value_bytes(argv[2]) > 0;
    // Most text is plain ASCII: compare its bytes without building Unicode strings.
    thread_local std::string patronA, valorA, escapeA;
    if (asciiMinusculas(argv[0], patronA) && asciiMinusculas(argv[1], valorA)
        && (!conEscape || asciiMinusculas(argv[2], escapeA))) {
        const char escape = conEscape ? escapeA[0] : '\0';
        sqlite3_result_int(ctx, coincide(patronA, 0, valorA, 0, escape, conEscape) ? 1 : 0);
        return;
    }
    auto texto = [](sqlite3_value *v) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v))
            .toCaseFolded();
    };
    const QString patron = texto(argv[0]);
    const QString valor = texto(argv[1]);
    const QString escape = conEscape ? texto(argv[2]) : QString();
    sqlite3_result_int(ctx, coincide(patron, 0, valor, 0, escape.isEmpty() ? QChar() : escape[0], !escape.isEmpty()) ? 1 : 0);
}

// ---- Spanish order: the collation every connection registers as kCotejo.
// Each character weighs at two levels: its letter without accents or case (primary;
// ñ a letter of its own after n) and its accents (secondary, only when all the
// letters tie). Case never counts, so 'ÁLVAREZ' and 'Álvarez' are equal.

// Primary weight of a letter: twice its folded code point; ñ sits between n and o.
constexpr char32_t kPesoEnie = U'n' * 2 + 1;

struct Peso {
    char32_t primario;
    quint32 secundario;
};

bool esMarca(char32_t c) { return c >= 0x300 && c <= 0x36F; }

// Accents stacked on one letter: each mark one digit base 0x80.
quint32 conMarca(quint32 secundario, char32_t marca) { return secundario * 0x80 + quint32(marca - 0x2FF); }

// Weights of every code point below kTabla, worked out once from the Unicode decompositions.
constexpr char32_t kTabla = 0x2000;
const Peso *tablaPesos() {
    static const std::vector<Peso> tabla = [] {
        std::vector<Peso> t(kTabla);
        for (char32_t c = 0; c < kTabla; ++c) {
            char32_t base = c;
            quint32 secundario = 0;
            const QString d = QChar::decomposition(c);
            if (QChar::decompositionTag(c) == QChar::Canonical && !d.isEmpty()) {
                const QString nfd = QString(QChar(char16_t(c))).normalized(QString::NormalizationForm_D);
                const QList<uint> partes = nfd.toUcs4();
                base = partes.first();
                for (qsizetype i = 1; i < partes.size(); ++i)
                    if (esMarca(partes[i]))
                        secundario = conMarca(secundario, partes[i]);
            }
            char32_t primario = QChar::toCaseFolded(base) * 2;
            // ñ is a letter of its own: its tilde is no accent.
            if (primario == U'n' * 2 && secundario && secundario < 0x80 && secundario == quint32(0x303 - 0x2FF)) {
                primario = kPesoEnie;
                secundario = 0;
            }
            t[c] = {primario, secundario};
        }
        return t;
    }();
    return tabla.data();
}

// Reads one character of UTF-8 (a stray byte stands for itself) and moves past it.
inline char32_t leerUtf8(const unsigned char *&p, const unsigned char *fin) {
    const unsigned char b = *p++;
    if (b < 0x80)
        return b;
    const int largo = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (largo == 0 || fin - p < largo)
        return b;
    char32_t c = b & (0x3F >> largo);
    for (int i = 0; i < largo; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return b;
        c = (c << 6) | (p[i] & 0x3F);
    }
    p += largo;
    return c;
}

// One letter with the combining marks that follow it.
inline Peso leerPeso(const unsigned char *&p, const unsigned char *fin, const Peso *tabla) {
    const char32_t c = *p < 0x80 ? *p++ : leerUtf8(p, fin);
    Peso r = c < kTabla ? tabla[c] : Peso{QChar::toCaseFolded(c) * 2, 0};
    // Combining marks (U+0300..U+036F) start with 0xCC or 0xCD in UTF-8.
    while (p < fin && (*p == 0xCC || *p == 0xCD)) {
        const unsigned char *q = p;
        const char32_t m = leerUtf8(q, fin);
        if (!esMarca(m))
            break;
        p = q;
        if (m == 0x303 && r.primario == U'n' * 2 && r.secundario == 0)
            r.primario = kPesoEnie;
        else
            r.secundario = conMarca(r.secundario, m);
    }
    return r;
}

int cotejarDesde(const unsigned char *a, const unsigned char *finA, const unsigned char *b, const unsigned char *finB) {
    const Peso *tabla = tablaPesos();
    int acentos = 0; // the first difference of accents, for when the letters tie
    while (a < finA && b < finB) {
        const Peso x = leerPeso(a, finA, tabla);
        const Peso y = leerPeso(b, finB, tabla);
        if (x.primario != y.primario)
            return x.primario < y.primario ? -1 : 1;
        if (!acentos && x.secundario != y.secundario)
            acentos = x.secundario < y.secundario ? -1 : 1;
    }
    if (a < finA || b < finB)
        return a < finA ? 1 : -1;
    return acentos;
}

char minuscula(unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); }

int cotejoEspanol(void *, int largoA, const void *textoA, int largoB, const void *textoB) {
    const auto *a = static_cast<const unsigned char *>(textoA);
    const auto *b = static_cast<const unsigned char *>(textoB);
    const int n = std::min(largoA, largoB);
    // Plain ASCII compares byte by byte, as NOCASE does; the first other byte hands the
    // rest over to the full weights, from the letter before it (a mark may follow it).
    int i = 0;
    for (; i < n; ++i) {
        if (a[i] >= 0x80 || b[i] >= 0x80)
            break;
        const char x = minuscula(a[i]), y = minuscula(b[i]);
        if (x != y) {
            // An ASCII letter before a mark still ties on its own weight.
            const bool marcaSigue = (i + 1 < largoA && a[i + 1] >= 0x80) || (i + 1 < largoB && b[i + 1] >= 0x80);
            if (!marcaSigue)
                return x < y ? -1 : 1;
            break;
        }
    }
    // One is a prefix of the other: the longer goes after, unless a mark follows the prefix.
    if (i == n && (i >= largoA || a[i] < 0x80) && (i >= largoB || b[i] < 0x80))
        return largoA == largoB ? 0 : (largoA < largoB ? -1 : 1);
    const int desde = i > 0 ? i - 1 : 0;
    return cotejarDesde(a + desde, a + largoA, b + desde, b + largoB);
}

// ---- Keys of a name index kept in the list's order (schema version 6).

// A statement on the raw handle inside a SQL function, finalized when it leaves scope.
struct Cruda {
    Cruda(sqlite3 *h, const std::string &sql) { sqlite3_prepare_v2(h, sql.c_str(), int(sql.size()), &s, nullptr); }
    ~Cruda() { sqlite3_finalize(s); }
    Cruda(const Cruda &) = delete;
    Cruda &operator=(const Cruda &) = delete;
    bool hecho() { return s && sqlite3_step(s) == SQLITE_DONE && sqlite3_reset(s) == SQLITE_OK; }
    sqlite3_stmt *s = nullptr;
};

// vmexp_abrir_hueco(indice, tabla, id, codigo, columna, fila): the row fila of tabla has
// no key in indice's order because its neighbours' keys leave none between them. The
// rows around it are given keys spread evenly over the span of a window that grows
// until the span leaves room (2^20 between keys for each row on a side, so that a wider
// spread buys more inserts before the next): few rows move, and the ones that do move
// in the trigram index too. fila itself is left for the trigger to index.
void fnAbrirHueco(sqlite3_context *ctx, int, sqlite3_value **argv) {
    std::string n[5];
    for (int i = 0; i < 5; ++i) {
        const auto *t = sqlite3_value_text(argv[i]);
        n[i] = t ? reinterpret_cast<const char *>(t) : "";
        if (n[i].empty() || n[i].find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string::npos) {
            sqlite3_result_error(ctx, "vmexp_abrir_hueco: nombre no válido", -1);
            return;
        }
    }
    const std::string &indice = n[0], &tabla = n[1], &id = n[2], &cod = n[3], &col = n[4], orden = indice + "_Orden";
    const sqlite3_int64 fila = sqlite3_value_int64(argv[5]);
    sqlite3 *h = sqlite3_context_db_handle(ctx);
    Cruda nueva(h, "SELECT " + col + ", " + cod + " FROM " + tabla + " WHERE " + id + " = ?1");
    sqlite3_bind_int64(nueva.s, 1, fila);
    if (!nueva.s || sqlite3_step(nueva.s) != SQLITE_ROW) {
        sqlite3_result_error(ctx, "vmexp_abrir_hueco: no existe la fila", -1);
        return;
    }
    const std::string fuera = "SELECT o.Ord_Clave, t." + id + " FROM " + tabla + " t JOIN " + orden + " o ON o.Ord_Id = t." + id
        + " WHERE o.Ord_Clave IS NOT NULL AND (t." + col + ", t." + cod + ", t." + id + ") %s (?3, ?4, ?1) ORDER BY t." + col
        + " %s, t." + cod + " %s, t." + id + " %s LIMIT ?2";
    const auto vecinos = [&](bool antes, int k) {
        std::string sql = fuera;
        for (const char *r : {antes ? "<" : ">", antes ? "DESC" : "ASC", antes ? "DESC" : "ASC", antes ? "DESC" : "ASC"})
            sql.replace(sql.find("%s"), 2, r);
        std::vector<std::pair<sqlite3_int64, sqlite3_int64>> r; // key, id
        Cruda q(h, sql);
        sqlite3_bind_int64(q.s, 1, fila);
        sqlite3_bind_int(q.s, 2, k);
        sqlite3_bind_value(q.s, 3, sqlite3_column_value(nueva.s, 0));
        sqlite3_bind_value(q.s, 4, sqlite3_column_value(nueva.s, 1));
        while (q.s && sqlite3_step(q.s) == SQLITE_ROW)
            r.emplace_back(sqlite3_column_int64(q.s, 0), sqlite3_column_int64(q.s, 1));
        return r;
    };
    constexpr sqlite3_int64 kHolgura = sqlite3_int64(1) << 36, kMinimo = sqlite3_int64(1) << 20;
    std::vector<std::pair<sqlite3_int64, sqlite3_int64>> antes, despues;
    sqlite3_int64 desde = sqlite3_int64(1) << 61, paso = 0;
    for (int k = 16;; k *= 2) {
        antes = vecinos(true, k);
        despues = vecinos(false, k);
        // The k-th neighbour on each side stays; at an end of the list there is room past it.
        const bool inicio = int(antes.size()) < k, fin = int(despues.size()) < k;
        if (antes.empty() && despues.empty())
            break;
        // Past an end there is room up to the limits of a key.
        const auto mas = [](sqlite3_int64 a, sqlite3_int64 b) {
            sqlite3_int64 r;
            return __builtin_add_overflow(a, b, &r) ? (b > 0 ? INT64_MAX : INT64_MIN + 1) : r;
        };
        const sqlite3_int64 bajo = antes.empty() ? mas(despues.front().first, -kHolgura) : mas(antes.back().first, inicio ? -kHolgura : 0);
        const sqlite3_int64 alto = despues.empty() ? mas(antes.front().first, kHolgura) : mas(despues.back().first, fin ? kHolgura : 0);
        if (!inicio)
            antes.pop_back();
        if (!fin)
            despues.pop_back();
        desde = bajo;
        paso = sqlite3_int64((__int128(alto) - bajo) / __int128(antes.size() + despues.size() + 2));
        if (paso >= sqlite3_int64(k) * kMinimo || (inicio && fin))
            break;
    }
    std::reverse(antes.begin(), antes.end());
    std::vector<sqlite3_int64> ids;
    for (const auto &v : antes)
        ids.push_back(v.second);
    ids.push_back(fila);
    for (const auto &v : despues)
        ids.push_back(v.second);
    const std::string plegado = "SELECT vmexp_plegar(" + col + ") || '  ' FROM " + tabla + " WHERE " + id + " = ?2";
    Cruda borrar(h, "INSERT INTO " + indice + " (" + indice + ", rowid, " + col + ") SELECT 'delete', ?1, (" + plegado + ")");
    Cruda soltar(h, "UPDATE " + orden + " SET Ord_Clave = NULL WHERE Ord_Id = ?1");
    Cruda fijar(h, "UPDATE " + orden + " SET Ord_Clave = ?1 WHERE Ord_Id = ?2");
    Cruda indexar(h, "INSERT INTO " + indice + " (rowid, " + col + ") SELECT ?1, (" + plegado + ")");
    bool ok = borrar.s && soltar.s && fijar.s && indexar.s;
    // Old entries out first: a new key may be another moved row's old one.
    for (const auto *lado : {&antes, &despues})
        for (const auto &[clave, fid] : *lado) {
            sqlite3_bind_int64(borrar.s, 1, clave);
            sqlite3_bind_int64(borrar.s, 2, fid);
            sqlite3_bind_int64(soltar.s, 1, fid);
            ok = ok && borrar.hecho() && soltar.hecho();
        }
    for (size_t j = 0; ok && j < ids.size(); ++j) {
        const sqlite3_int64 clave = desde + paso * sqlite3_int64(j + 1);
        sqlite3_bind_int64(fijar.s, 1, clave);
        sqlite3_bind_int64(fijar.s, 2, ids[j]);
        ok = fijar.hecho();
        if (ok && ids[j] != fila) {
            sqlite3_bind_int64(indexar.s, 1, clave);
            sqlite3_bind_int64(indexar.s, 2, ids[j]);
            ok = indexar.hecho();
        }
    }
    if (!ok)
        sqlite3_result_error(ctx, sqlite3_errmsg(h), -1);
    else
        sqlite3_result_int64(ctx, sqlite3_int64(ids.size()));
}
} // namespace

bool BaseDatos::existe(const QString &carpeta) { return faltan(carpeta).isEmpty(); }

QStringList BaseDatos::faltan(const QString &carpeta) {
    QDir d(carpeta);
    QStringList r;
    for (const char *f : {kEmpresa, kComun})
        if (!d.exists(QLatin1String(f)))
            r << QLatin1String(f);
    return r;
}

bool BaseDatos::crear(const QString &carpeta, bool demo, QString *error) {
    if (!QDir().mkpath(carpeta)) {
        decir(error, QStringLiteral("No se puede crear la carpeta %1").arg(carpeta));
        return false;
    }
    const QString empresa = QDir(carpeta).filePath(QLatin1String(kEmpresa));
    const QString comun = QDir(carpeta).filePath(QLatin1String(kComun));
    borrarFicheros(empresa);
    borrarFicheros(comun);

    bool ok = true;
    for (const auto &[ruta, ddl] : {std::pair{comun, QStringLiteral("vmcomun.sql")}, std::pair{empresa, QStringLiteral("empresa.sql")}}) {
        sqlite3 *h = nullptr;
        if (sqlite3_open(ruta.toUtf8().constData(), &h) != SQLITE_OK || !registrarCotejo(h)) {
            decir(error, QStringLiteral("No se puede crear %1").arg(ruta));
            sqlite3_close(h);
            return false;
        }
        // A new file has nothing to lose: skip the syncs while it is filled.
        ok = ejecutarScript(h, QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;") + script(ddl), error);
        if (ok && demo && ruta == empresa) {
            const QString attach = QStringLiteral("ATTACH DATABASE %1 AS vmcomun;").arg(entreComillas(comun));
            ok = ejecutarScript(h, attach + QStringLiteral("BEGIN;") + DialectoSqlite().traducir(script(QStringLiteral("demo.sql"))) + QStringLiteral("COMMIT;"), error);
        }
        sqlite3_close(h);
        if (!ok)
            return false;
    }
    return true;
}

sqlite3 *BaseDatos::manejador(const QSqlDatabase &db) {
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.data());
}

bool BaseDatos::registrarCotejo(sqlite3 *h) {
    tablaPesos(); // built now rather than inside the first sort
    return sqlite3_create_collation_v2(h, kCotejo, SQLITE_UTF8, nullptr, cotejoEspanol, nullptr) == SQLITE_OK
        && sqlite3_create_function(h, "vmexp_plegar", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnPlegar, nullptr,
                                   nullptr) == SQLITE_OK
        && sqlite3_create_function(h, "vmexp_abrir_hueco", 6, SQLITE_UTF8, nullptr, fnAbrirHueco, nullptr,
                                   nullptr) == SQLITE_OK;
}

QString BaseDatos::plegar(const QString &texto) {
    const bool ascii = std::all_of(texto.begin(), texto.end(), [](QChar c) { return c.unicode() < 128; });
    if (ascii)
        return texto.toLower();
    // Decompose and drop the combining marks: "ñ" is "n" plus a tilde.
    const QString descompuesto = texto.normalized(QString::NormalizationForm_D);
    QString r;
    r.reserve(descompuesto.size());
    for (QChar c : descompuesto)
        if (c.category() != QChar::Mark_NonSpacing)
            r.append(c);
    return r.toCaseFolded();
}

bool BaseDatos::registrarFunciones(QSqlDatabase &db) {
    sqlite3 *h = manejador(db);
    if (!h)
        return false;
    const int flags = SQLITE_UTF8;
    return registrarCotejo(h)
        && sqlite3_create_function(h, DialectoSqlite::kFuncionAhora, 0, flags, nullptr, fnAhora, nullptr, nullptr) == SQLITE_OK
        && sqlite3_create_function(h, "like", 2, flags | SQLITE_DETERMINISTIC, nullptr, fnLike, nullptr, nullptr) == SQLITE_OK
        && sqlite3_create_function(h, "like", 3, flags | SQLITE_DETERMINISTIC, nullptr, fnLike, nullptr, nullptr) == SQLITE_OK;
}

QSqlDatabase BaseDatos::abrir(const QString &carpeta, const QString &nombre, QString *error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
    db.setDatabaseName(QDir(carpeta).filePath(QLatin1String(kEmpresa)));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!existe(carpeta) || !db.open()) {
        decir(error, QStringLiteral("No se puede abrir la base de datos de %1: %2").arg(carpeta, textoError(db.lastError())));
        return db;
    }
    QSqlQuery q(db);
    const QString comun = entreComillas(QDir(carpeta).filePath(QLatin1String(kComun)));
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL"))
        || !q.exec(QStringLiteral("ATTACH DATABASE %1 AS vmcomun").arg(comun)) || !registrarFunciones(db)) {
        decir(error, QStringLiteral("No se puede preparar la base de datos: %1").arg(textoError(q.lastError())));
        db.close();
    }
    return db;
}

QSqlDatabase BaseDatos::abrirServidor(const QString &conexion, const QString &nombre, QString *error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nombre);
    char *fallo = nullptr;
    PQconninfoOption *opciones = PQconninfoParse(conexion.toUtf8().constData(), &fallo);
    if (!opciones) {
        decir(error, QStringLiteral("La conexión «%1» no es válida: %2").arg(conexion, QString::fromUtf8(fallo).trimmed()));
        PQfreemem(fallo);
        return db;
    }
    // Qt takes the usual fields by name and the rest as options.
    QStringList otras;
    for (PQconninfoOption *o = opciones; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArray clave(o->keyword);
        const QString valor = QString::fromUtf8(o->val);
        if (clave == "dbname")
            db.setDatabaseName(valor);
        else if (clave == "host")
            db.setHostName(valor);
        else if (clave == "port")
            db.setPort(valor.toInt());
        else if (clave == "user")
            db.setUserName(valor);
        else if (clave == "password")
            db.setPassword(valor);
        else
            otras << QString::fromLatin1(clave) + QStringLiteral("='")
                         + QString(valor).replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'")) + u'\'';
    }
    PQconninfoFree(opciones);
    db.setConnectOptions(otras.join(u';'));
    if (!db.open())
        decir(error, QStringLiteral("No se puede conectar con el servidor: %1").arg(db.lastError().databaseText().trimmed()));
    return db;
}

bool BaseDatos::crearEnServidor(QSqlDatabase &db, bool demo, QString *error) {
    return DialectoPostgres::crearEsquema(db, demo, error);
}
