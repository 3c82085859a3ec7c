-- Company-wide database, attached to the company one as "vmcomun".

CREATE TABLE usuarios (
  usu_id INTEGER PRIMARY KEY AUTOINCREMENT,
  usu_cod TEXT COLLATE VMEXP_ES,
  usu_nom TEXT COLLATE VMEXP_ES,
  usu_adm INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE situaciones (
  Sit_Cod INTEGER NOT NULL,
  Sit_Des TEXT COLLATE VMEXP_ES,
  Sit_Idioma INTEGER NOT NULL DEFAULT 0,
  Sit_Proceso INTEGER NOT NULL,
  PRIMARY KEY (Sit_Proceso, Sit_Idioma, Sit_Cod)
);
