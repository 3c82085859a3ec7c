#include "versionesquema.h"

#include "basedatos.h"
#include "conexion.h"
#include "dialecto.h"
#include "registro.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString kTabla = QStringLiteral("vmexp_version");

void decir(QString *error, const QString &texto) {
    if (error)
        *error = texto;
}

bool hayTabla(QSqlDatabase &db, const QString &tabla) { return db.tables().contains(tabla, Qt::CaseInsensitive); }

// Opens a transaction that holds the write lock from its start, so that two programs
// upgrading at once take turns and the second finds the step done.
bool empezar(QSqlDatabase &db) {
    // A server's begin takes no lock: upgraders queue on the version's table, in read
    // committed (not the saves' repeatable read), so the one that waited reads the version
    // the other wrote.
    if (db.driverName() == QLatin1String("QPSQL")) {
        if (!db.transaction())
            return false;
        if (!hayTabla(db, kTabla) || QSqlQuery(db).exec(QStringLiteral("LOCK TABLE vmexp_version IN EXCLUSIVE MODE")))
            return true;
        db.rollback();
        return false;
    }
    const QString inicio = DialectoSql::paraDriver(db.driverName())->inicioEscritura();
    return inicio.isEmpty() ? db.transaction() : QSqlQuery(db).exec(inicio);
}

bool ejecutarPaso(QSqlDatabase &db, const VersionEsquema::Paso &paso, QString *error) {
    QSqlQuery q(db);
    QStringList sentencias;
    if (db.driverName() == QLatin1String("QPSQL"))
        sentencias = paso.servidor;
    else if (paso.integrada)
        sentencias = paso.integrada(db);
    sentencias += paso.sentencias;
    for (const QString &sql : std::as_const(sentencias)) {
        qCInfo(lcEsquema).noquote() << sql;
        if (!q.exec(sql)) {
            decir(error, textoError(q.lastError()));
            return false;
        }
    }
    if (!q.exec(QStringLiteral("DELETE FROM ") + kTabla)
        || !q.exec(QStringLiteral("INSERT INTO %1 (Ver_Numero) VALUES (%2)").arg(kTabla).arg(paso.version))) {
        decir(error, textoError(q.lastError()));
        return false;
    }
    return true;
}
// SQLite cannot change a column's collation: every table whose text still compares
// with NOCASE is built again with VMEXP_ES beside the old one, filled with the same rows
// (rowids and the AUTOINCREMENT counter included), and takes its place, indexes and
// triggers too.
QStringList cotejoEspanolIntegrado(QSqlDatabase &db) {
    static const QRegularExpression nocase(QStringLiteral("COLLATE\\s+NOCASE"), QRegularExpression::CaseInsensitiveOption);
    const QString espanol = QStringLiteral("COLLATE ") + QLatin1String(BaseDatos::kCotejo);
    QStringList r;
    QSqlQuery q(db), c(db);
    for (const char *esquemaC : {"main", "vmcomun"}) {
        const QString esquema = QLatin1String(esquemaC);
        q.exec(QStringLiteral("SELECT name, sql FROM %1.sqlite_master WHERE type = 'table' ORDER BY name").arg(esquema));
        while (q.next()) {
            const QString tabla = q.value(0).toString(), ddl = q.value(1).toString();
            if (!ddl.contains(nocase))
                continue;
            const QString nueva = tabla + QStringLiteral("_vmexp_nueva");
            QStringList columnas;
            bool alias = false; // an INTEGER PRIMARY KEY is the rowid already
            c.exec(QStringLiteral("PRAGMA %1.table_info(%2)").arg(esquema, tabla));
            while (c.next()) {
                columnas << c.value(1).toString();
                alias = alias || (c.value(5).toInt() == 1 && c.value(2).toString().compare(QStringLiteral("INTEGER"), Qt::CaseInsensitive) == 0);
            }
            const QString lista = (alias ? QString() : QStringLiteral("rowid, ")) + columnas.join(QStringLiteral(", "));
            QStringList despues;
            c.exec(QStringLiteral("SELECT sql FROM %1.sqlite_master WHERE tbl_name = '%2' AND type IN ('index', 'trigger') "
                                  "AND sql IS NOT NULL").arg(esquema, tabla));
            while (c.next()) {
                QString s = c.value(0).toString().replace(nocase, espanol);
                // Outside main, the new object's name says its schema.
                if (esquema != QLatin1String("main"))
                    s.replace(QRegularExpression(QStringLiteral("^(CREATE\\s+(UNIQUE\\s+)?(INDEX|TRIGGER)\\s+(IF\\s+NOT\\s+EXISTS\\s+)?)"),
                                                 QRegularExpression::CaseInsensitiveOption),
                              QStringLiteral("\\1%1.").arg(esquema));
                despues << s;
            }
            r << QStringLiteral("CREATE TABLE %1.%2 ").arg(esquema, nueva) + ddl.mid(ddl.indexOf(u'(')).replace(nocase, espanol)
              << QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM %1.%4").arg(esquema, nueva, lista, tabla);
            if (ddl.contains(QStringLiteral("AUTOINCREMENT"), Qt::CaseInsensitive))
                r << QStringLiteral("DELETE FROM %1.sqlite_sequence WHERE name = '%2'").arg(esquema, nueva)
                  << QStringLiteral("UPDATE %1.sqlite_sequence SET name = '%2' WHERE name = '%3'").arg(esquema, nueva, tabla);
            r << QStringLiteral("DROP TABLE %1.%2").arg(esquema, tabla)
              << QStringLiteral("ALTER TABLE %1.%2 RENAME TO %3").arg(esquema, nueva, tabla) << despues;
        }
    }
    return r << QStringLiteral("CREATE INDEX IF NOT EXISTS Cli_Comer_Idx ON Cli (Cli_Comer, cli_Cod)")
             << QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_Comer_Idx ON Pro (Pro_Comer, Pro_Cod)")
             << QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_Nom_Idx ON Pro (Pro_Nom, Pro_Cod, PRO_APE1, PRO_APE2)");
}

// The same statements as db/empresa.sql: a database brought up to date and a new one
// end with the same schema.
QStringList textoDocumentosIntegrado(QSqlDatabase &) {
    return {QStringLiteral("CREATE TABLE ActFTex ( ActFTex_IdActF INTEGER PRIMARY KEY, ActFTex_Pendiente INTEGER NOT "
                           "NULL DEFAULT 1, ActFTex_Texto TEXT )"),
            QStringLiteral("CREATE INDEX ActFTex_Pendiente_Idx ON ActFTex (ActFTex_Pendiente) WHERE ActFTex_Pendiente > 0"),
            QStringLiteral("CREATE VIRTUAL TABLE ActFTex_Fts USING fts5(ActFTex_Texto, content='ActFTex', "
                           "content_rowid='ActFTex_IdActF', tokenize='unicode61 remove_diacritics 2')"),
            QStringLiteral("CREATE TRIGGER ActFTex_Fts_Alta AFTER INSERT ON ActFTex BEGIN INSERT INTO ActFTex_Fts (rowid, "
                           "ActFTex_Texto) VALUES (new.ActFTex_IdActF, new.ActFTex_Texto); END"),
            QStringLiteral("CREATE TRIGGER ActFTex_Fts_Baja AFTER DELETE ON ActFTex BEGIN INSERT INTO ActFTex_Fts "
                           "(ActFTex_Fts, rowid, ActFTex_Texto) VALUES ('delete', old.ActFTex_IdActF, old.ActFTex_Texto); END"),
            QStringLiteral("CREATE TRIGGER ActFTex_Fts_Cambio AFTER UPDATE OF ActFTex_Texto ON ActFTex BEGIN INSERT INTO "
                           "ActFTex_Fts (ActFTex_Fts, rowid, ActFTex_Texto) VALUES ('delete', old.ActFTex_IdActF, "
                           "old.ActFTex_Texto); INSERT INTO ActFTex_Fts (rowid, ActFTex_Texto) VALUES (new.ActFTex_IdActF, "
                           "new.ActFTex_Texto); END")};
}

// The name search narrows on the server through trigram indexes of the names folded;
// unaccent is wrapped so that the fold is immutable and can be indexed.
const QStringList kNombresServidor{
    QStringLiteral("CREATE EXTENSION IF NOT EXISTS unaccent"),
    QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"),
    QStringLiteral("CREATE OR REPLACE FUNCTION vmexp_plegar(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
                   "AS $$ SELECT lower(public.unaccent('public.unaccent'::regdictionary, $1)) $$"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS Cli_Comer_Trgm ON Cli USING gin (vmexp_plegar(Cli_Comer) gin_trgm_ops)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS Cli_RSOC_Trgm ON Cli USING gin "
                   "(vmexp_plegar(CLI_NOM || ' ' || coalesce(CLI_APE1, '') || ' ' || coalesce(CLI_APE2, '')) gin_trgm_ops)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_Comer_Trgm ON Pro USING gin (vmexp_plegar(Pro_Comer) gin_trgm_ops)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_Nom_Trgm ON Pro USING gin (vmexp_plegar(Pro_Nom) gin_trgm_ops)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_RSOC_Trgm ON Pro USING gin "
                   "(vmexp_plegar(Pro_Nom || ' ' || coalesce(PRO_APE1, '') || ' ' || coalesce(PRO_APE2, '')) gin_trgm_ops)")};

// The same on an embedded database: see db/empresa.sql, and the rows already there.
QStringList nombresIntegrado(QSqlDatabase &) {
    return {
          QStringLiteral("CREATE VIRTUAL TABLE Cli_Buscar USING fts5(Cli_Comer, RSOC, content='', tokenize='trigram')"),
          QStringLiteral("CREATE TRIGGER Cli_Buscar_Alta AFTER INSERT ON Cli BEGIN\n  INSERT INTO Cli_Buscar (rowid, Cli_Comer, RSOC)\n  VALUES (new.cli_id, vmexp_plegar(new.Cli_Comer) || '  ', vmexp_plegar(new.CLI_NOM || ' ' || ifnull(new.CLI_APE1, '') || ' ' || ifnull(new.CLI_APE2, '')) || '  ');\nEND"),
          QStringLiteral("CREATE TRIGGER Cli_Buscar_Baja AFTER DELETE ON Cli BEGIN\n  INSERT INTO Cli_Buscar (Cli_Buscar, rowid, Cli_Comer, RSOC)\n  VALUES ('delete', old.cli_id, vmexp_plegar(old.Cli_Comer) || '  ', vmexp_plegar(old.CLI_NOM || ' ' || ifnull(old.CLI_APE1, '') || ' ' || ifnull(old.CLI_APE2, '')) || '  ');\nEND"),
          QStringLiteral("CREATE TRIGGER Cli_Buscar_Cambio AFTER UPDATE OF cli_id, CLI_APE1, CLI_APE2, CLI_NOM, Cli_Comer ON Cli BEGIN\n  INSERT INTO Cli_Buscar (Cli_Buscar, rowid, Cli_Comer, RSOC)\n  VALUES ('delete', old.cli_id, vmexp_plegar(old.Cli_Comer) || '  ', vmexp_plegar(old.CLI_NOM || ' ' || ifnull(old.CLI_APE1, '') || ' ' || ifnull(old.CLI_APE2, '')) || '  ');\n  INSERT INTO Cli_Buscar (rowid, Cli_Comer, RSOC)\n  VALUES (new.cli_id, vmexp_plegar(new.Cli_Comer) || '  ', vmexp_plegar(new.CLI_NOM || ' ' || ifnull(new.CLI_APE1, '') || ' ' || ifnull(new.CLI_APE2, '')) || '  ');\nEND"),
          QStringLiteral("INSERT INTO Cli_Buscar (rowid, Cli_Comer, RSOC) SELECT cli_id, vmexp_plegar(Cli_Comer) || '  ', vmexp_plegar(CLI_NOM || ' ' || ifnull(CLI_APE1, '') || ' ' || ifnull(CLI_APE2, '')) || '  ' FROM Cli"),
          QStringLiteral("CREATE VIRTUAL TABLE Pro_Buscar USING fts5(Pro_Comer, Pro_Nom, RSOC, content='', tokenize='trigram')"),
          QStringLiteral("CREATE TRIGGER Pro_Buscar_Alta AFTER INSERT ON Pro BEGIN\n  INSERT INTO Pro_Buscar (rowid, Pro_Comer, Pro_Nom, RSOC)\n  VALUES (new.Pro_id, vmexp_plegar(new.Pro_Comer) || '  ', vmexp_plegar(new.Pro_Nom) || '  ', vmexp_plegar(new.Pro_Nom || ' ' || ifnull(new.PRO_APE1, '') || ' ' || ifnull(new.PRO_APE2, '')) || '  ');\nEND"),
          QStringLiteral("CREATE TRIGGER Pro_Buscar_Baja AFTER DELETE ON Pro BEGIN\n  INSERT INTO Pro_Buscar (Pro_Buscar, rowid, Pro_Comer, Pro_Nom, RSOC)\n  VALUES ('delete', old.Pro_id, vmexp_plegar(old.Pro_Comer) || '  ', vmexp_plegar(old.Pro_Nom) || '  ', vmexp_plegar(old.Pro_Nom || ' ' || ifnull(old.PRO_APE1, '') || ' ' || ifnull(old.PRO_APE2, '')) || '  ');\nEND"),
          QStringLiteral("CREATE TRIGGER Pro_Buscar_Cambio AFTER UPDATE OF Pro_id, PRO_APE1, PRO_APE2, Pro_Comer, Pro_Nom ON Pro BEGIN\n  INSERT INTO Pro_Buscar (Pro_Buscar, rowid, Pro_Comer, Pro_Nom, RSOC)\n  VALUES ('delete', old.Pro_id, vmexp_plegar(old.Pro_Comer) || '  ', vmexp_plegar(old.Pro_Nom) || '  ', vmexp_plegar(old.Pro_Nom || ' ' || ifnull(old.PRO_APE1, '') || ' ' || ifnull(old.PRO_APE2, '')) || '  ');\n  INSERT INTO Pro_Buscar (rowid, Pro_Comer, Pro_Nom, RSOC)\n  VALUES (new.Pro_id, vmexp_plegar(new.Pro_Comer) || '  ', vmexp_plegar(new.Pro_Nom) || '  ', vmexp_plegar(new.Pro_Nom || ' ' || ifnull(new.PRO_APE1, '') || ' ' || ifnull(new.PRO_APE2, '')) || '  ');\nEND"),
          QStringLiteral("INSERT INTO Pro_Buscar (rowid, Pro_Comer, Pro_Nom, RSOC) SELECT Pro_id, vmexp_plegar(Pro_Comer) || '  ', vmexp_plegar(Pro_Nom) || '  ', vmexp_plegar(Pro_Nom || ' ' || ifnull(PRO_APE1, '') || ' ' || ifnull(PRO_APE2, '')) || '  ' FROM Pro")};
}

// The commercial name lists are read in the name's order: a second trigram index of the
// name whose rowid is a key that follows that order (name, code, id; kept in
// <columna>_Buscar_Orden), so that the first matches in rowid order are the list's first
// and a screenful is found without visiting every match. A new name takes a key between
// its neighbours'; when none is left between them, vmexp_abrir_hueco spreads the keys
// of the rows around it.
struct Ordenado {
    const char *tabla, *id, *codigo, *columna;
};
const Ordenado kOrdenados[] = {{"Cli", "cli_id", "cli_Cod", "Cli_Comer"}, {"Pro", "Pro_id", "Pro_Cod", "Pro_Comer"}};

QString conNombres(QString sql, const Ordenado &o) {
    const QString indice = QLatin1String(o.columna) + QStringLiteral("_Buscar");
    return sql.replace(QStringLiteral("%O"), indice + QStringLiteral("_Orden"))
        .replace(QStringLiteral("%F"), indice)
        .replace(QStringLiteral("%R"), QStringLiteral("2305843009213693952 + 2305843009213693952 / (SELECT count(*) + 1 FROM %T WHERE %C IS NOT NULL)"))
        .replace(QStringLiteral("%T"), QLatin1String(o.tabla))
        .replace(QStringLiteral("%I"), QLatin1String(o.id))
        .replace(QStringLiteral("%K"), QLatin1String(o.codigo))
        .replace(QStringLiteral("%C"), QLatin1String(o.columna));
}

// Keys are given out evenly between 2^61 and 2^62; a new name after all others takes
// the last key plus 2^36 (before all, the first minus 2^36), one between two the middle
// but at most 2^32 past the one before, so that names added one after another in order
// leave room between them.
const QString kAltaOrdenada = QStringLiteral(
    "  INSERT INTO %O (Ord_Id, Ord_Clave)\n"
    "  SELECT new.%I, CASE WHEN p IS NULL AND n IS NULL THEN 2305843009213693952 WHEN n IS NULL THEN p + nullif(min(68719476736, (9223372036854775807 - p) / 2), 0) "
    "WHEN p IS NULL THEN n - nullif(max(0, min(68719476736, n / 2 + 4611686018427387903)), 0) WHEN n - p > 1 THEN p + min((n - p) / 2, 4294967296) END\n"
    "  FROM (SELECT (SELECT o.Ord_Clave FROM %T t JOIN %O o ON o.Ord_Id = t.%I AND o.Ord_Clave IS NOT NULL "
    "WHERE (t.%C, t.%K, t.%I) < (new.%C, new.%K, new.%I) "
    "ORDER BY t.%C DESC, t.%K DESC, t.%I DESC LIMIT 1) AS p,\n"
    "    (SELECT o.Ord_Clave FROM %T t JOIN %O o ON o.Ord_Id = t.%I AND o.Ord_Clave IS NOT NULL "
    "WHERE (t.%C, t.%K, t.%I) > (new.%C, new.%K, new.%I) "
    "ORDER BY t.%C, t.%K, t.%I LIMIT 1) AS n)\n"
    "  WHERE new.%C IS NOT NULL;\n"
    "  SELECT vmexp_abrir_hueco('%F', '%T', '%I', '%K', '%C', new.%I) FROM %O WHERE Ord_Id = new.%I AND Ord_Clave IS NULL;\n"
    "  INSERT INTO %F (rowid, %C) SELECT Ord_Clave, vmexp_plegar(new.%C) || '  ' FROM %O WHERE Ord_Id = new.%I AND Ord_Clave IS NOT NULL;\n");
const QString kBajaOrdenada = QStringLiteral(
    "  INSERT INTO %F (%F, rowid, %C) SELECT 'delete', Ord_Clave, vmexp_plegar(old.%C) || '  ' FROM %O WHERE Ord_Id = old.%I AND Ord_Clave IS NOT NULL;\n"
    "  DELETE FROM %O WHERE Ord_Id = old.%I;\n");

QStringList nombresOrdenadosIntegrado(QSqlDatabase &) {
    QStringList r;
    for (const Ordenado &o : kOrdenados)
        for (const QString &s :
             {QStringLiteral("CREATE TABLE IF NOT EXISTS %O (Ord_Id INTEGER PRIMARY KEY, Ord_Clave INTEGER UNIQUE)"),
              QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS %F USING fts5(%C, content='', tokenize='trigram')"),
              QStringLiteral("CREATE TRIGGER IF NOT EXISTS %F_Alta AFTER INSERT ON %T BEGIN\n") + kAltaOrdenada + QStringLiteral("END"),
              QStringLiteral("CREATE TRIGGER IF NOT EXISTS %F_Baja AFTER DELETE ON %T BEGIN\n") + kBajaOrdenada + QStringLiteral("END"),
              QStringLiteral("CREATE TRIGGER IF NOT EXISTS %F_Cambio AFTER UPDATE OF %I, %K, %C ON %T BEGIN\n") + kBajaOrdenada
                  + kAltaOrdenada + QStringLiteral("END"),
              // Filled from the rows, as if it were new.
              QStringLiteral("DELETE FROM %O"), QStringLiteral("INSERT INTO %F (%F) VALUES ('delete-all')"),
              QStringLiteral("INSERT INTO %O (Ord_Id, Ord_Clave) SELECT %I, %R * row_number() "
                             "OVER (ORDER BY %C, %K, %I) FROM %T WHERE %C IS NOT NULL"),
              QStringLiteral("INSERT INTO %F (rowid, %C) SELECT o.Ord_Clave, vmexp_plegar(t.%C) || '  ' FROM %O o JOIN %T t ON t.%I = o.Ord_Id")})
            r << conNombres(s, o);
    return r;
}
} // namespace

const QList<VersionEsquema::Paso> &VersionEsquema::pasos() {
    static const QList<Paso> p{
        {2, QStringLiteral("anotar en la base de datos la versión de su esquema"),
         {QStringLiteral("CREATE TABLE IF NOT EXISTS vmexp_version (Ver_Numero integer NOT NULL)")}},
        {3, QStringLiteral("ordenar los textos en español (Á con la A, ñ tras la n) e indexar los nombres de clientes y proveedores"),
         {},
         // citext keeps letter case out of equality; a deterministic ICU collation gives the
         // order and leaves LIKE working (a nondeterministic one breaks it before PostgreSQL 18).
         {QStringLiteral("CREATE COLLATION IF NOT EXISTS vmexp_es (provider = icu, locale = 'es-ES')"),
          QStringLiteral("DO $$ DECLARE c record; BEGIN "
                         "FOR c IN SELECT table_schema, table_name, column_name FROM information_schema.columns "
                         "WHERE udt_name = 'citext' AND table_schema IN ('public', 'vmcomun') "
                         "AND collation_name IS DISTINCT FROM 'vmexp_es' LOOP "
                         "EXECUTE format('ALTER TABLE %I.%I ALTER COLUMN %I TYPE citext COLLATE vmexp_es', "
                         "c.table_schema, c.table_name, c.column_name); END LOOP; END $$"),
          // The statements' ORDER BY puts NULL first, as the original server does; the name
          // lists read the index alone.
          QStringLiteral("CREATE INDEX IF NOT EXISTS Cli_Comer_Idx ON Cli (Cli_Comer NULLS FIRST) INCLUDE (cli_Cod)"),
          QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_Comer_Idx ON Pro (Pro_Comer NULLS FIRST) INCLUDE (Pro_Cod)"),
          QStringLiteral("CREATE INDEX IF NOT EXISTS Pro_Nom_Idx ON Pro (Pro_Nom NULLS FIRST) INCLUDE (Pro_Cod, PRO_APE1, PRO_APE2)")},
         cotejoEspanolIntegrado},
        {4, QStringLiteral("indexar los nombres de clientes y proveedores para buscarlos por cualquier trozo, sin "
                           "distinguir mayúsculas ni acentos"),
         {},
         kNombresServidor,
         nombresIntegrado},
        {5, QStringLiteral("guardar e indexar el texto de los documentos"),
         {},
         {QStringLiteral("CREATE EXTENSION IF NOT EXISTS unaccent"),
          QStringLiteral("DO $$ BEGIN CREATE TEXT SEARCH CONFIGURATION vmexp_spanish (COPY = spanish); "
                         "EXCEPTION WHEN unique_violation THEN NULL; END $$"),
          QStringLiteral("ALTER TEXT SEARCH CONFIGURATION vmexp_spanish ALTER MAPPING FOR hword, hword_part, word "
                         "WITH unaccent, spanish_stem"),
          QStringLiteral("CREATE TABLE IF NOT EXISTS ActFTex (ActFTex_IdActF integer PRIMARY KEY, "
                         "ActFTex_Pendiente integer NOT NULL DEFAULT 1, ActFTex_Texto text, "
                         "ActFTex_Vector tsvector GENERATED ALWAYS AS "
                         "(to_tsvector('vmexp_spanish', coalesce(ActFTex_Texto, ''))) STORED)"),
          QStringLiteral("CREATE INDEX IF NOT EXISTS ActFTex_Pendiente_Idx ON ActFTex (ActFTex_Pendiente) "
                         "WHERE ActFTex_Pendiente > 0"),
          QStringLiteral("CREATE INDEX IF NOT EXISTS ActFTex_Vector_Idx ON ActFTex USING gin (ActFTex_Vector)")},
         textoDocumentosIntegrado},
        {6, QStringLiteral("ordenar el índice de nombres comerciales de clientes y proveedores como sus listas"),
         {},
         {},
         nombresOrdenadosIntegrado},
    };
    return p;
}

int VersionEsquema::leer(QSqlDatabase &db, QString *error) {
    if (!hayTabla(db, kTabla))
        return hayTabla(db, QStringLiteral("Exp")) ? 1 : 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT max(Ver_Numero) FROM ") + kTabla) || !q.next()) {
        decir(error, QStringLiteral("No se puede leer la versión del esquema de la base de datos: %1").arg(textoError(q.lastError())));
        return -1;
    }
    return q.value(0).toInt();
}

QList<VersionEsquema::Paso> VersionEsquema::pendientes(int desde, const QList<Paso> &pasos) {
    QList<Paso> r;
    for (const Paso &p : pasos)
        if (p.version > desde)
            r << p;
    return r;
}

QString VersionEsquema::rechazoPorNueva(int version) {
    if (version <= kActual)
        return {};
    return QStringLiteral("La base de datos tiene la versión %1 del esquema, más nueva que la %2 que conoce este "
                          "programa. No se ha modificado nada: instale la versión del programa con la que se creó o "
                          "se actualizó la base de datos.")
        .arg(version)
        .arg(kActual);
}

bool VersionEsquema::actualizar(QSqlDatabase &db, QString *error, const QList<Paso> &pasos) {
    QString motivo;
    const int inicial = leer(db, &motivo);
    if (inicial < 0) {
        decir(error, motivo);
        return false;
    }
    const int conocida = pasos.isEmpty() ? kActual : std::max(kActual, pasos.last().version);
    if (inicial > conocida) {
        decir(error, rechazoPorNueva(inicial));
        return false;
    }
    for (const Paso &paso : pendientes(inicial, pasos)) {
        if (!empezar(db)) {
            decir(error, QStringLiteral("No se puede empezar la actualización a la versión %1: %2")
                             .arg(paso.version)
                             .arg(textoError(db.lastError())));
            return false;
        }
        // Read again inside the transaction: another program may have done it meanwhile.
        const int ahora = leer(db, &motivo);
        const bool hecho = ahora >= paso.version;
        if (!hecho && (ahora < 0 || !ejecutarPaso(db, paso, &motivo))) {
            db.rollback();
            if (motivo.endsWith(u'.')) // the sentence goes on after it
                motivo.chop(1);
            decir(error, QStringLiteral("No se ha podido actualizar la base de datos a la versión %1 (%2): %3. "
                                        "Ese paso no ha cambiado nada.")
                             .arg(paso.version)
                             .arg(paso.descripcion, motivo));
            qCWarning(lcEsquema).noquote() << *error;
            return false;
        }
        if (!db.commit()) {
            decir(error, QStringLiteral("No se ha podido terminar la actualización a la versión %1: %2")
                             .arg(paso.version)
                             .arg(textoError(db.lastError())));
            db.rollback();
            return false;
        }
        qCInfo(lcEsquema).noquote() << (hecho ? "ya estaba en la versión" : "actualizada a la versión") << paso.version;
    }
    return true;
}
