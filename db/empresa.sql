-- Company database. Text compares as the original server's default collation does:
-- Spanish order, letter case never counts, accents do (VMEXP_ES, registered by every
-- connection the library opens); dates are ISO text 'yyyy-mm-dd hh:mm:ss[.mmm]'.

CREATE TABLE Parametros (
  Par_Clave TEXT COLLATE VMEXP_ES PRIMARY KEY,
  Par_Valor TEXT
);

CREATE TABLE Cli (
  cli_id INTEGER PRIMARY KEY AUTOINCREMENT,
  cli_Cod INTEGER NOT NULL,
  Cli_Comer TEXT COLLATE VMEXP_ES,
  CLI_NOM TEXT COLLATE VMEXP_ES,
  CLI_APE1 TEXT COLLATE VMEXP_ES,
  CLI_APE2 TEXT COLLATE VMEXP_ES,
  Cli_Baja INTEGER NOT NULL DEFAULT 0  -- 1: may not get new case files
);
CREATE INDEX Cli_Cod_Idx ON Cli (cli_Cod);
-- The name lists read the index alone, in order: it holds every column they show.
CREATE INDEX Cli_Comer_Idx ON Cli (Cli_Comer, cli_Cod);

CREATE TABLE Pro (
  Pro_id INTEGER PRIMARY KEY AUTOINCREMENT,
  Pro_Cod INTEGER NOT NULL,
  Pro_Comer TEXT COLLATE VMEXP_ES,
  Pro_Nom TEXT COLLATE VMEXP_ES,
  PRO_APE1 TEXT COLLATE VMEXP_ES,
  PRO_APE2 TEXT COLLATE VMEXP_ES
);
CREATE INDEX Pro_Cod_Idx ON Pro (Pro_Cod);
CREATE INDEX Pro_Comer_Idx ON Pro (Pro_Comer, Pro_Cod);
CREATE INDEX Pro_Nom_Idx ON Pro (Pro_Nom, Pro_Cod, PRO_APE1, PRO_APE2);

-- The name search finds any piece of a name without regard to case or accents: a
-- trigram index of the names folded by vmexp_plegar (registered by every connection),
-- kept by triggers. Two blanks end each name, so that one or two letters at its end
-- also begin a trigram.
CREATE VIRTUAL TABLE Cli_Buscar USING fts5(Cli_Comer, RSOC, content='', tokenize='trigram');
CREATE TRIGGER Cli_Buscar_Alta AFTER INSERT ON Cli BEGIN
  INSERT INTO Cli_Buscar (rowid, Cli_Comer, RSOC)
  VALUES (new.cli_id, vmexp_plegar(new.Cli_Comer) || '  ', vmexp_plegar(new.CLI_NOM || ' ' || ifnull(new.CLI_APE1, '') || ' ' || ifnull(new.CLI_APE2, '')) || '  ');
END;
CREATE TRIGGER Cli_Buscar_Baja AFTER DELETE ON Cli BEGIN
  INSERT INTO Cli_Buscar (Cli_Buscar, rowid, Cli_Comer, RSOC)
  VALUES ('delete', old.cli_id, vmexp_plegar(old.Cli_Comer) || '  ', vmexp_plegar(old.CLI_NOM || ' ' || ifnull(old.CLI_APE1, '') || ' ' || ifnull(old.CLI_APE2, '')) || '  ');
END;
CREATE TRIGGER Cli_Buscar_Cambio AFTER UPDATE OF cli_id, CLI_APE1, CLI_APE2, CLI_NOM, Cli_Comer ON Cli BEGIN
  INSERT INTO Cli_Buscar (Cli_Buscar, rowid, Cli_Comer, RSOC)
  VALUES ('delete', old.cli_id, vmexp_plegar(old.Cli_Comer) || '  ', vmexp_plegar(old.CLI_NOM || ' ' || ifnull(old.CLI_APE1, '') || ' ' || ifnull(old.CLI_APE2, '')) || '  ');
  INSERT INTO Cli_Buscar (rowid, Cli_Comer, RSOC)
  VALUES (new.cli_id, vmexp_plegar(new.Cli_Comer) || '  ', vmexp_plegar(new.CLI_NOM || ' ' || ifnull(new.CLI_APE1, '') || ' ' || ifnull(new.CLI_APE2, '')) || '  ');
END;
CREATE VIRTUAL TABLE Pro_Buscar USING fts5(Pro_Comer, Pro_Nom, RSOC, content='', tokenize='trigram');
CREATE TRIGGER Pro_Buscar_Alta AFTER INSERT ON Pro BEGIN
  INSERT INTO Pro_Buscar (rowid, Pro_Comer, Pro_Nom, RSOC)
  VALUES (new.Pro_id, vmexp_plegar(new.Pro_Comer) || '  ', vmexp_plegar(new.Pro_Nom) || '  ', vmexp_plegar(new.Pro_Nom || ' ' || ifnull(new.PRO_APE1, '') || ' ' || ifnull(new.PRO_APE2, '')) || '  ');
END;
CREATE TRIGGER Pro_Buscar_Baja AFTER DELETE ON Pro BEGIN
  INSERT INTO Pro_Buscar (Pro_Buscar, rowid, Pro_Comer, Pro_Nom, RSOC)
  VALUES ('delete', old.Pro_id, vmexp_plegar(old.Pro_Comer) || '  ', vmexp_plegar(old.Pro_Nom) || '  ', vmexp_plegar(old.Pro_Nom || ' ' || ifnull(old.PRO_APE1, '') || ' ' || ifnull(old.PRO_APE2, '')) || '  ');
END;
CREATE TRIGGER Pro_Buscar_Cambio AFTER UPDATE OF Pro_id, PRO_APE1, PRO_APE2, Pro_Comer, Pro_Nom ON Pro BEGIN
  INSERT INTO Pro_Buscar (Pro_Buscar, rowid, Pro_Comer, Pro_Nom, RSOC)
  VALUES ('delete', old.Pro_id, vmexp_plegar(old.Pro_Comer) || '  ', vmexp_plegar(old.Pro_Nom) || '  ', vmexp_plegar(old.Pro_Nom || ' ' || ifnull(old.PRO_APE1, '') || ' ' || ifnull(old.PRO_APE2, '')) || '  ');
  INSERT INTO Pro_Buscar (rowid, Pro_Comer, Pro_Nom, RSOC)
  VALUES (new.Pro_id, vmexp_plegar(new.Pro_Comer) || '  ', vmexp_plegar(new.Pro_Nom) || '  ', vmexp_plegar(new.Pro_Nom || ' ' || ifnull(new.PRO_APE1, '') || ' ' || ifnull(new.PRO_APE2, '')) || '  ');
END;
-- The commercial name lists are read in the name's order: a second trigram index of the
-- name whose rowid follows that order (name, code, id; the key of each row is kept in
-- <name>_Buscar_Orden), so that a screenful of matches is found without visiting them all.
CREATE TABLE Cli_Comer_Buscar_Orden (Ord_Id INTEGER PRIMARY KEY, Ord_Clave INTEGER UNIQUE);
CREATE VIRTUAL TABLE Cli_Comer_Buscar USING fts5(Cli_Comer, content='', tokenize='trigram');
CREATE TRIGGER Cli_Comer_Buscar_Alta AFTER INSERT ON Cli BEGIN
  INSERT INTO Cli_Comer_Buscar_Orden (Ord_Id, Ord_Clave)
  SELECT new.cli_id, CASE WHEN p IS NULL AND n IS NULL THEN 2305843009213693952 WHEN n IS NULL THEN p + nullif(min(68719476736, (9223372036854775807 - p) / 2), 0) WHEN p IS NULL THEN n - nullif(max(0, min(68719476736, n / 2 + 4611686018427387903)), 0) WHEN n - p > 1 THEN p + min((n - p) / 2, 4294967296) END
  FROM (SELECT (SELECT o.Ord_Clave FROM Cli t JOIN Cli_Comer_Buscar_Orden o ON o.Ord_Id = t.cli_id AND o.Ord_Clave IS NOT NULL WHERE (t.Cli_Comer, t.cli_Cod, t.cli_id) < (new.Cli_Comer, new.cli_Cod, new.cli_id) ORDER BY t.Cli_Comer DESC, t.cli_Cod DESC, t.cli_id DESC LIMIT 1) AS p,
    (SELECT o.Ord_Clave FROM Cli t JOIN Cli_Comer_Buscar_Orden o ON o.Ord_Id = t.cli_id AND o.Ord_Clave IS NOT NULL WHERE (t.Cli_Comer, t.cli_Cod, t.cli_id) > (new.Cli_Comer, new.cli_Cod, new.cli_id) ORDER BY t.Cli_Comer, t.cli_Cod, t.cli_id LIMIT 1) AS n)
  WHERE new.Cli_Comer IS NOT NULL;
  SELECT vmexp_abrir_hueco('Cli_Comer_Buscar', 'Cli', 'cli_id', 'cli_Cod', 'Cli_Comer', new.cli_id) FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = new.cli_id AND Ord_Clave IS NULL;
  INSERT INTO Cli_Comer_Buscar (rowid, Cli_Comer) SELECT Ord_Clave, vmexp_plegar(new.Cli_Comer) || '  ' FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = new.cli_id AND Ord_Clave IS NOT NULL;
END;
CREATE TRIGGER Cli_Comer_Buscar_Baja AFTER DELETE ON Cli BEGIN
  INSERT INTO Cli_Comer_Buscar (Cli_Comer_Buscar, rowid, Cli_Comer) SELECT 'delete', Ord_Clave, vmexp_plegar(old.Cli_Comer) || '  ' FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = old.cli_id AND Ord_Clave IS NOT NULL;
  DELETE FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = old.cli_id;
END;
CREATE TRIGGER Cli_Comer_Buscar_Cambio AFTER UPDATE OF cli_id, cli_Cod, Cli_Comer ON Cli BEGIN
  INSERT INTO Cli_Comer_Buscar (Cli_Comer_Buscar, rowid, Cli_Comer) SELECT 'delete', Ord_Clave, vmexp_plegar(old.Cli_Comer) || '  ' FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = old.cli_id AND Ord_Clave IS NOT NULL;
  DELETE FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = old.cli_id;
  INSERT INTO Cli_Comer_Buscar_Orden (Ord_Id, Ord_Clave)
  SELECT new.cli_id, CASE WHEN p IS NULL AND n IS NULL THEN 2305843009213693952 WHEN n IS NULL THEN p + nullif(min(68719476736, (9223372036854775807 - p) / 2), 0) WHEN p IS NULL THEN n - nullif(max(0, min(68719476736, n / 2 + 4611686018427387903)), 0) WHEN n - p > 1 THEN p + min((n - p) / 2, 4294967296) END
  FROM (SELECT (SELECT o.Ord_Clave FROM Cli t JOIN Cli_Comer_Buscar_Orden o ON o.Ord_Id = t.cli_id AND o.Ord_Clave IS NOT NULL WHERE (t.Cli_Comer, t.cli_Cod, t.cli_id) < (new.Cli_Comer, new.cli_Cod, new.cli_id) ORDER BY t.Cli_Comer DESC, t.cli_Cod DESC, t.cli_id DESC LIMIT 1) AS p,
    (SELECT o.Ord_Clave FROM Cli t JOIN Cli_Comer_Buscar_Orden o ON o.Ord_Id = t.cli_id AND o.Ord_Clave IS NOT NULL WHERE (t.Cli_Comer, t.cli_Cod, t.cli_id) > (new.Cli_Comer, new.cli_Cod, new.cli_id) ORDER BY t.Cli_Comer, t.cli_Cod, t.cli_id LIMIT 1) AS n)
  WHERE new.Cli_Comer IS NOT NULL;
  SELECT vmexp_abrir_hueco('Cli_Comer_Buscar', 'Cli', 'cli_id', 'cli_Cod', 'Cli_Comer', new.cli_id) FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = new.cli_id AND Ord_Clave IS NULL;
  INSERT INTO Cli_Comer_Buscar (rowid, Cli_Comer) SELECT Ord_Clave, vmexp_plegar(new.Cli_Comer) || '  ' FROM Cli_Comer_Buscar_Orden WHERE Ord_Id = new.cli_id AND Ord_Clave IS NOT NULL;
END;
CREATE TABLE Pro_Comer_Buscar_Orden (Ord_Id INTEGER PRIMARY KEY, Ord_Clave INTEGER UNIQUE);
CREATE VIRTUAL TABLE Pro_Comer_Buscar USING fts5(Pro_Comer, content='', tokenize='trigram');
CREATE TRIGGER Pro_Comer_Buscar_Alta AFTER INSERT ON Pro BEGIN
  INSERT INTO Pro_Comer_Buscar_Orden (Ord_Id, Ord_Clave)
  SELECT new.Pro_id, CASE WHEN p IS NULL AND n IS NULL THEN 2305843009213693952 WHEN n IS NULL THEN p + nullif(min(68719476736, (9223372036854775807 - p) / 2), 0) WHEN p IS NULL THEN n - nullif(max(0, min(68719476736, n / 2 + 4611686018427387903)), 0) WHEN n - p > 1 THEN p + min((n - p) / 2, 4294967296) END
  FROM (SELECT (SELECT o.Ord_Clave FROM Pro t JOIN Pro_Comer_Buscar_Orden o ON o.Ord_Id = t.Pro_id AND o.Ord_Clave IS NOT NULL WHERE (t.Pro_Comer, t.Pro_Cod, t.Pro_id) < (new.Pro_Comer, new.Pro_Cod, new.Pro_id) ORDER BY t.Pro_Comer DESC, t.Pro_Cod DESC, t.Pro_id DESC LIMIT 1) AS p,
    (SELECT o.Ord_Clave FROM Pro t JOIN Pro_Comer_Buscar_Orden o ON o.Ord_Id = t.Pro_id AND o.Ord_Clave IS NOT NULL WHERE (t.Pro_Comer, t.Pro_Cod, t.Pro_id) > (new.Pro_Comer, new.Pro_Cod, new.Pro_id) ORDER BY t.Pro_Comer, t.Pro_Cod, t.Pro_id LIMIT 1) AS n)
  WHERE new.Pro_Comer IS NOT NULL;
  SELECT vmexp_abrir_hueco('Pro_Comer_Buscar', 'Pro', 'Pro_id', 'Pro_Cod', 'Pro_Comer', new.Pro_id) FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = new.Pro_id AND Ord_Clave IS NULL;
  INSERT INTO Pro_Comer_Buscar (rowid, Pro_Comer) SELECT Ord_Clave, vmexp_plegar(new.Pro_Comer) || '  ' FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = new.Pro_id AND Ord_Clave IS NOT NULL;
END;
CREATE TRIGGER Pro_Comer_Buscar_Baja AFTER DELETE ON Pro BEGIN
  INSERT INTO Pro_Comer_Buscar (Pro_Comer_Buscar, rowid, Pro_Comer) SELECT 'delete', Ord_Clave, vmexp_plegar(old.Pro_Comer) || '  ' FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = old.Pro_id AND Ord_Clave IS NOT NULL;
  DELETE FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = old.Pro_id;
END;
CREATE TRIGGER Pro_Comer_Buscar_Cambio AFTER UPDATE OF Pro_id, Pro_Cod, Pro_Comer ON Pro BEGIN
  INSERT INTO Pro_Comer_Buscar (Pro_Comer_Buscar, rowid, Pro_Comer) SELECT 'delete', Ord_Clave, vmexp_plegar(old.Pro_Comer) || '  ' FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = old.Pro_id AND Ord_Clave IS NOT NULL;
  DELETE FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = old.Pro_id;
  INSERT INTO Pro_Comer_Buscar_Orden (Ord_Id, Ord_Clave)
  SELECT new.Pro_id, CASE WHEN p IS NULL AND n IS NULL THEN 2305843009213693952 WHEN n IS NULL THEN p + nullif(min(68719476736, (9223372036854775807 - p) / 2), 0) WHEN p IS NULL THEN n - nullif(max(0, min(68719476736, n / 2 + 4611686018427387903)), 0) WHEN n - p > 1 THEN p + min((n - p) / 2, 4294967296) END
  FROM (SELECT (SELECT o.Ord_Clave FROM Pro t JOIN Pro_Comer_Buscar_Orden o ON o.Ord_Id = t.Pro_id AND o.Ord_Clave IS NOT NULL WHERE (t.Pro_Comer, t.Pro_Cod, t.Pro_id) < (new.Pro_Comer, new.Pro_Cod, new.Pro_id) ORDER BY t.Pro_Comer DESC, t.Pro_Cod DESC, t.Pro_id DESC LIMIT 1) AS p,
    (SELECT o.Ord_Clave FROM Pro t JOIN Pro_Comer_Buscar_Orden o ON o.Ord_Id = t.Pro_id AND o.Ord_Clave IS NOT NULL WHERE (t.Pro_Comer, t.Pro_Cod, t.Pro_id) > (new.Pro_Comer, new.Pro_Cod, new.Pro_id) ORDER BY t.Pro_Comer, t.Pro_Cod, t.Pro_id LIMIT 1) AS n)
  WHERE new.Pro_Comer IS NOT NULL;
  SELECT vmexp_abrir_hueco('Pro_Comer_Buscar', 'Pro', 'Pro_id', 'Pro_Cod', 'Pro_Comer', new.Pro_id) FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = new.Pro_id AND Ord_Clave IS NULL;
  INSERT INTO Pro_Comer_Buscar (rowid, Pro_Comer) SELECT Ord_Clave, vmexp_plegar(new.Pro_Comer) || '  ' FROM Pro_Comer_Buscar_Orden WHERE Ord_Id = new.Pro_id AND Ord_Clave IS NOT NULL;
END;

CREATE TABLE Tex (
  Tex_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Tex_Des TEXT COLLATE VMEXP_ES
);

CREATE TABLE Tac (
  Tac_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Tac_Des TEXT COLLATE VMEXP_ES
);

CREATE TABLE Exp (
  Exp_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Exp_IdCli INTEGER NOT NULL DEFAULT 0,
  Exp_IdTipo INTEGER NOT NULL DEFAULT 0,
  Exp_Fini TEXT,
  Exp_FFin TEXT,
  Exp_Des TEXT COLLATE VMEXP_ES,
  Exp_Obs TEXT COLLATE VMEXP_ES,
  Exp_Ubicacion TEXT COLLATE VMEXP_ES,
  Exp_Presup REAL NOT NULL DEFAULT 0,
  Exp_Codigo TEXT COLLATE VMEXP_ES,
  Exp_Proceso INTEGER,
  Exp_Origen INTEGER NOT NULL DEFAULT 0,
  Exp_Estado INTEGER,
  Exp_IdUsu INTEGER
);
CREATE INDEX Exp_Origen_Idx ON Exp (Exp_Origen, Exp_Id);
CREATE INDEX Exp_IdCli_Idx ON Exp (Exp_IdCli);
CREATE INDEX Exp_IdTipo_Idx ON Exp (Exp_IdTipo);

CREATE TABLE Est (
  Est_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Est_Proceso INTEGER NOT NULL,
  Est_IdTabla INTEGER NOT NULL,
  Est_Estado INTEGER,
  Est_FEstado TEXT,
  Est_Obs TEXT COLLATE VMEXP_ES,
  Est_IdUsu INTEGER,
  Est_Fecha TEXT
);
CREATE INDEX Est_Tabla_Idx ON Est (Est_Proceso, Est_IdTabla, Est_Fecha);
CREATE INDEX Est_Fecha_Idx ON Est (Est_Fecha);
-- The history is read newest first by Est_Fecha: stamp each row with the time of
-- its insertion, one millisecond past the newest stamp when the clock has not moved.
CREATE TRIGGER Est_Fecha_Al_Insertar AFTER INSERT ON Est
BEGIN
  UPDATE Est SET Est_Fecha = (
    SELECT CASE WHEN ultima IS NULL OR ultima < ahora THEN ahora
                ELSE strftime('%Y-%m-%d %H:%M:%f', julianday(ultima) + 1.0 / 86400000.0) END
    FROM (SELECT MAX(Est_Fecha) AS ultima FROM Est WHERE Est_Id <> NEW.Est_Id),
         (SELECT strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime') AS ahora))
  WHERE Est_Id = NEW.Est_Id;
END;

CREATE TABLE ExpPer (
  ExpPer_IdExp INTEGER NOT NULL,
  ExpPer_IdUsu INTEGER NOT NULL
);
CREATE INDEX ExpPer_Exp_Idx ON ExpPer (ExpPer_IdExp, ExpPer_IdUsu);
CREATE INDEX ExpPer_Usu_Idx ON ExpPer (ExpPer_IdUsu, ExpPer_IdExp);

CREATE TABLE Act (
  Act_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Act_IdExp INTEGER NOT NULL,
  Act_Fecha TEXT,
  Act_IdTac INTEGER NOT NULL DEFAULT 0,
  Act_Des TEXT COLLATE VMEXP_ES,
  Act_Importe REAL NOT NULL DEFAULT 0,
  Act_Operario TEXT COLLATE VMEXP_ES,
  Act_IdOperario INTEGER NOT NULL DEFAULT 0,
  Act_IdUsu INTEGER,
  Act_Estado INTEGER,
  Act_IdUsuEstado INTEGER,
  Act_FEstado TEXT
);
CREATE INDEX Act_IdExp_Idx ON Act (Act_IdExp);
CREATE INDEX Act_IdTac_Idx ON Act (Act_IdTac);

CREATE TABLE ActF (
  ActF_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  ActF_IdAct INTEGER NOT NULL,
  ActF_Fic TEXT COLLATE VMEXP_ES,
  ActF_Des TEXT COLLATE VMEXP_ES,
  ActF_FicDes TEXT COLLATE VMEXP_ES,
  ActF_Operario TEXT COLLATE VMEXP_ES,
  ActF_IdOperario INTEGER,
  ActF_IdUsu INTEGER,
  ActF_Estado INTEGER,
  ActF_IdUsuEstado INTEGER,
  ActF_FEstado TEXT
);
CREATE INDEX ActF_IdAct_Idx ON ActF (ActF_IdAct);

CREATE TABLE Ima (
  Ima_Id INTEGER PRIMARY KEY AUTOINCREMENT,
  Ima_Tabla TEXT COLLATE VMEXP_ES NOT NULL,
  Ima_IdTabla INTEGER NOT NULL,
  Ima_File BLOB
);
CREATE INDEX Ima_Tabla_Idx ON Ima (Ima_Tabla, Ima_IdTabla);

-- The text of each stored document, found without regard to accents or letter case.
-- ActFTex_Pendiente is 0 once the text is extracted; otherwise the document waits for
-- it, and each new contents count it up, so that a text read from older contents is
-- never stored over the newer.
CREATE TABLE ActFTex (
  ActFTex_IdActF INTEGER PRIMARY KEY,
  ActFTex_Pendiente INTEGER NOT NULL DEFAULT 1,
  ActFTex_Texto TEXT
);
CREATE INDEX ActFTex_Pendiente_Idx ON ActFTex (ActFTex_Pendiente) WHERE ActFTex_Pendiente > 0;
CREATE VIRTUAL TABLE ActFTex_Fts USING fts5(ActFTex_Texto, content='ActFTex', content_rowid='ActFTex_IdActF', tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER ActFTex_Fts_Alta AFTER INSERT ON ActFTex BEGIN INSERT INTO ActFTex_Fts (rowid, ActFTex_Texto) VALUES (new.ActFTex_IdActF, new.ActFTex_Texto); END;
CREATE TRIGGER ActFTex_Fts_Baja AFTER DELETE ON ActFTex BEGIN INSERT INTO ActFTex_Fts (ActFTex_Fts, rowid, ActFTex_Texto) VALUES ('delete', old.ActFTex_IdActF, old.ActFTex_Texto); END;
CREATE TRIGGER ActFTex_Fts_Cambio AFTER UPDATE OF ActFTex_Texto ON ActFTex BEGIN INSERT INTO ActFTex_Fts (ActFTex_Fts, rowid, ActFTex_Texto) VALUES ('delete', old.ActFTex_IdActF, old.ActFTex_Texto); INSERT INTO ActFTex_Fts (rowid, ActFTex_Texto) VALUES (new.ActFTex_IdActF, new.ActFTex_Texto); END;

-- The schema version; each later change of this file comes with a step that brings an
-- existing database to it (VersionEsquema).
CREATE TABLE vmexp_version (Ver_Numero integer NOT NULL);
INSERT INTO vmexp_version VALUES (6);
