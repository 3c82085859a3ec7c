-- Spanish demo data: a small company with customers, providers, users and case files.

INSERT INTO Parametros (Par_Clave, Par_Valor) VALUES ('PAR_EXP_PER', '0'), ('par_decpre', '2');

INSERT INTO vmcomun.usuarios (usu_id, usu_cod, usu_nom, usu_adm) VALUES
  (1, 'ADM', 'Administrador del Sistema', 1),
  (2, 'MJF', 'María José Fernández', 0),
  (3, 'JNU', 'Jorge Núñez Peña', 0),
  (4, 'LGA', 'Lucía García Ortiz', 0),
  (5, 'INV', NULL, 0);

INSERT INTO vmcomun.situaciones (Sit_Cod, Sit_Des, Sit_Idioma, Sit_Proceso) VALUES
  (1, 'Activo', 0, 15), (2, 'En espera', 0, 15), (3, 'Cerrado', 0, 15), (4, 'Anulado', 0, 15),
  (1, 'Active', 1, 15), (1, 'Pendiente', 0, 16);

INSERT INTO Tex (Tex_Id, Tex_Des) VALUES
  (1, 'Obra'), (2, 'Reclamación'), (3, 'Mantenimiento'), (4, 'Subvención'), (5, 'Litigio');

INSERT INTO Tac (Tac_Id, Tac_Des) VALUES
  (1, 'Visita'), (2, 'Llamada telefónica'), (3, 'Presupuesto'), (4, 'Factura'), (5, 'Reunión');

INSERT INTO Cli (cli_id, cli_Cod, Cli_Comer, CLI_NOM, CLI_APE1, CLI_APE2, Cli_Baja) VALUES
  (1, 100, 'Construcciones Álvarez', 'Antonio', 'Álvarez', 'Ruiz', 0),
  (2, 101, 'Talleres Ibáñez', 'Begoña', 'Ibáñez', NULL, 0),
  (3, 102, 'Reformas del Norte', 'Carlos', NULL, NULL, 0),
  (4, 103, 'Electricidad Muñoz', 'Dolores', 'Muñoz', 'Sáez', 0),
  (5, 104, 'Panadería La Espiga', 'Esteban', 'Gómez', 'Lara', 1),
  (6, 105, 'Clínica Dental Sonrisa', 'Fátima', 'Ortega', 'Vidal', 0);

INSERT INTO Pro (Pro_id, Pro_Cod, Pro_Comer, Pro_Nom, PRO_APE1, PRO_APE2) VALUES
  (1, 500, 'Suministros Castilla', 'Gregorio', 'Castilla', 'Mena'),
  (2, 501, 'Maderas Peñalara', 'Helena', 'Peñalara', NULL),
  (3, 502, 'Ferretería Orión', 'Ignacio', NULL, NULL);

INSERT INTO Exp (Exp_Id, Exp_IdCli, Exp_IdTipo, Exp_Fini, Exp_FFin, Exp_Des, Exp_Obs, Exp_Ubicacion,
                 Exp_Presup, Exp_Codigo, Exp_Proceso, Exp_Origen, Exp_Estado, Exp_IdUsu) VALUES
  (1, 1, 1, '2024-01-15 00:00:00', NULL, 'Reforma de nave industrial', 'Cliente preferente', 'Archivo A-3', 125000.5, 'OB-2024-01', 15, 0, 1, 1),
  (2, 2, 2, '2024-02-03 00:00:00', '2024-04-30 00:00:00', 'Reclamación por avería del compresor', 'Garantía vencida', NULL, 0, NULL, 15, 0, 3, 2),
  (3, 4, 3, '2024-03-05 00:00:00', NULL, 'Mantenimiento anual de instalación eléctrica', '', 'Archivo B-1', 3200, 'MT-77', 15, 0, 1, 3),
  (4, 6, 1, '2024-05-20 00:00:00', NULL, 'Ampliación de consulta dental', 'Pendiente de licencia', NULL, 48000, NULL, 15, 0, 2, 2),
  (5, 1, 4, '2024-06-01 00:00:00', NULL, 'Subvención de eficiencia energética', 'Plazo según BOE', NULL, 15000, 'SUB-3', 15, 1, 1, 1),
  (6, 2, 2, '2024-07-11 00:00:00', NULL, 'Reclamación de pedido de madera dañada', '', NULL, 0, NULL, 15, 1, 1, 3),
  (7, 0, 5, '2024-08-19 00:00:00', NULL, 'Litigio laboral interno', 'Confidencial', 'Caja fuerte', 0, NULL, 15, 2, 1, 1),
  (8, 0, 3, '2024-09-02 00:00:00', '2024-12-20 00:00:00', 'Revisión de la flota de vehículos', '', NULL, 9000, NULL, 15, 2, 3, 4);

INSERT INTO Est (Est_Proceso, Est_IdTabla, Est_Estado, Est_FEstado, Est_Obs, Est_IdUsu) VALUES
  (15, 1, 1, '2024-01-15 09:00:00', NULL, 1),
  (15, 2, 1, '2024-02-03 10:00:00', NULL, 2),
  (15, 2, 3, '2024-04-30 12:00:00', NULL, 2),
  (15, 3, 1, '2024-03-05 08:30:00', NULL, 3),
  (15, 4, 2, '2024-05-20 11:15:00', NULL, 2),
  (15, 5, 1, '2024-06-01 09:45:00', NULL, 1),
  (15, 6, 1, '2024-07-11 16:00:00', NULL, 3),
  (15, 7, 1, '2024-08-19 13:20:00', NULL, 1),
  (15, 8, 3, '2024-12-20 17:00:00', NULL, 4);

INSERT INTO ExpPer (ExpPer_IdExp, ExpPer_IdUsu) VALUES
  (1, 1), (1, 2), (1, 3), (1, 4), (2, 2), (3, 3), (3, 2), (4, 2), (5, 1), (5, 3),
  (6, 3), (7, 1), (8, 4), (8, 1);

INSERT INTO Act (Act_Id, Act_IdExp, Act_Fecha, Act_IdTac, Act_Des, Act_Importe, Act_Operario,
                 Act_IdOperario, Act_IdUsu, Act_Estado, Act_IdUsuEstado, Act_FEstado) VALUES
  (1, 1, '2024-01-16 00:00:00', 1, 'Visita a la nave y toma de medidas', 0, 'Jorge Núñez Peña', 0, 3, 0, NULL, NULL),
  (2, 1, '2024-01-20 00:00:00', 3, 'Presupuesto de cubierta y cerramientos', 125000.5, 'María José Fernández', 1, 2, 0, NULL, NULL),
  (3, 1, '2024-02-10 00:00:00', 5, 'Reunión de inicio de obra', 0, 'María José Fernández', 0, 2, 0, NULL, NULL),
  (4, 1, '2024-03-01 00:00:00', 4, 'Factura del primer hito', 41666.83, 'Administrador del Sistema', 1, 1, 0, NULL, NULL),
  (5, 2, '2024-02-04 00:00:00', 2, 'Llamada al servicio técnico', 0, 'María José Fernández', 0, 2, 0, NULL, NULL),
  (6, 3, '2024-03-06 00:00:00', 1, 'Revisión del cuadro eléctrico', 350, 'Jorge Núñez Peña', 0, 3, 0, NULL, NULL),
  (7, 5, '2024-06-03 00:00:00', 3, 'Memoria técnica para la subvención', 1200, 'Administrador del Sistema', 0, 1, 0, NULL, NULL);

INSERT INTO ActF (ActF_Id, ActF_IdAct, ActF_Fic, ActF_Des, ActF_FicDes, ActF_Operario, ActF_IdOperario,
                  ActF_IdUsu, ActF_Estado, ActF_IdUsuEstado, ActF_FEstado) VALUES
  (1, 2, 'presupuesto_cubierta.txt', 'Presupuesto detallado', NULL, 'María José Fernández', 0, 2, 1, 2, '2024-01-20 12:00:00'),
  (2, 2, 'plano_nave.txt', 'Plano acotado de la nave', NULL, 'Jorge Núñez Peña', 0, 3, 1, 3, '2024-01-21 09:30:00');

INSERT INTO Ima (Ima_Tabla, Ima_IdTabla, Ima_File) VALUES
  ('ActF', 1, CAST('Presupuesto de cubierta: 125.000,50 EUR (IVA no incluido).' AS varbinary(max))),
  ('ActF', 2, CAST('Plano de la nave: 40 m x 25 m, altura libre 8 m.' AS varbinary(max)));
