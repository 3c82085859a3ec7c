#pragma once
// Where a Recordset's rows come from: the Qt driver's query, or a backend's own reader
// for results read once from start to end.
#include <QSqlRecord>
#include <QVariant>

class LectorFilas {
public:
    virtual ~LectorFilas() = default;
    // The 0-based row it stands on, or QSql::BeforeFirstRow / QSql::AfterLastRow.
    virtual int posicion() const = 0;
    bool enFila() const { return posicion() >= 0; }
    virtual bool soloAdelante() const = 0;
    virtual bool siguiente() = 0;
    virtual bool primera() = 0;
    virtual bool ultima() = 0;
    virtual bool anterior() = 0;
    virtual bool ir(int fila) = 0;
    // A value as the Qt driver gives it: NULL, a number or a text.
    virtual QVariant valor(int columna) const = 0;
    virtual bool nulo(int columna) const = 0;
    virtual QSqlRecord columnas() const = 0;
    // Done with: whatever the backend holds for the statement is released.
    virtual void terminar() = 0;
};
