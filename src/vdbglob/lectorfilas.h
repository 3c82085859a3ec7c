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

// Rows a reader holds whole, any of which it reaches at once (a grid's page).
class FilasEnMemoria : public LectorFilas {
public:
    int posicion() const override { return m_pos; }
    bool soloAdelante() const override { return false; }
    bool siguiente() override { return m_pos != QSql::AfterLastRow && ir(m_pos + 1); }
    bool primera() override { return ir(0); }
    bool ultima() override { return ir(m_filas - 1); }
    bool anterior() override { return ir(m_pos == QSql::AfterLastRow ? m_filas - 1 : m_pos - 1); }
    bool ir(int fila) override {
        m_pos = fila < 0 ? QSql::BeforeFirstRow : fila >= m_filas ? QSql::AfterLastRow : fila;
        return m_pos >= 0;
    }

protected:
    int m_filas = 0;
    int m_pos = QSql::BeforeFirstRow;
};
