#pragma once
// What every screen of the library shares: it sees each key before its controls,
// Enter moves on as Tab does, Escape closes unless the one-shot key marker (Tag) is
// set, and its text fields are coloured, filtered and formatted by one CUtilidades.
#include <QDialog>
#include <QHash>
#include <QSet>
#include <functional>

class CUtilidades;
class QAbstractItemView;
class QHeaderView;
class QLineEdit;
class QPlainTextEdit;
class RecordsetModel;
class QKeyEvent;

class Formulario : public QDialog {
    Q_OBJECT
public:
    explicit Formulario(QWidget *parent = nullptr);
    ~Formulario() override;

    // The key marker: "e" (or "E") makes the next Enter or Escape release only clear it.
    QString Tag;
    // A message of the screen's own: the marker goes up first, so that the release of the
    // key that closes the message does not act on the screen ("E": a failed document store).
    int avisar(const QString &texto, int estilo, const QString &marca = QStringLiteral("e"));

    // The caption of the case-file screens, with the library's version.
    static QString tituloVentana();
    // Puts a new list in a grid; the list it replaces goes. Returns the model the grid
    // shows, which holds the new list: the old one when the grid showed it.
    static RecordsetModel *cambiarModelo(QAbstractItemView *vista, RecordsetModel *nuevo, RecordsetModel *anterior);
    // A date field is edited as bare digits: the slashes go when it takes the focus.
    void editarSinBarras(QLineEdit *fecha) { m_sinBarras.insert(fecha); }

    CUtilidades *utilidades() const { return m_util; }

    // How a text field is handled on entry, typing and exit. Filtrado: plain text whose
    // keys still go through TeclaCampo (not as a date).
    enum class Campo { Texto, Fecha, Importe, Filtrado };
    void registrarCampo(QLineEdit *campo, Campo tipo = Campo::Texto, const QString &formatoSalida = {});
    // Every QLineEdit child not registered yet, as plain text.
    void registrarCamposTexto();
    // A field's length limit stops only what the user types or pastes: text the screen
    // sets (a loaded value, a reformatted amount) is shown and saved back whole.
    // registrarCampo does this with the limit of the form; a multi-line field is given
    // its limit here.
    static void limitarTecleo(QLineEdit *campo);
    static void limitarTecleo(QPlainTextEdit *campo, int maximo);

    // Why the screen could not load; empty when it did. The library's methods report
    // it to the host instead of showing the screen.
    QString errorCarga() const { return m_errorCarga; }

    // Twips to pixels at 96 dpi (15 twips a pixel).
    static int px(int twips) { return twips / 15; }
    // A column's width from twips, widened to what its caption and the rows loaded need:
    // the twips were made for another font, and a date must never lose its year.
    // textoCelda gives the text a cell shows when it is not the model's own.
    static void anchoColumna(QAbstractItemView *vista, QHeaderView *cabecera, int columna, int twips,
                             const std::function<QString(const QModelIndex &)> &textoCelda = {});

protected:
    // A key released anywhere on the screen, before the control sees it. Return true
    // when handled. The default does Enter, Escape and the key marker: any other key
    // release clears the marker, and F1 sets it on screens that ask for it.
    virtual bool Form_KeyUp(QKeyEvent *e);
    void setF1PoneMarca(bool pone) { m_f1PoneMarca = pone; }
    // A key pressed anywhere on the screen (F1 sets the marker, for instance).
    virtual bool Form_KeyDown(QKeyEvent *e);
    // Installs the key preview on the screen and all its children; call once the
    // controls exist (the end of the constructor) and again after adding controls.
    void prepararTeclado();

    bool eventFilter(QObject *obj, QEvent *ev) override;
    bool event(QEvent *ev) override;
    void keyPressEvent(QKeyEvent *e) override;
    void setErrorCarga(const QString &error) { m_errorCarga = error; }

private:
    void partirCaptions();

    CUtilidades *m_util;
    struct Config {
        Campo tipo;
        QString formato;
    };
    QHash<QLineEdit *, Config> m_campos;
    QSet<QLineEdit *> m_sinBarras;
    bool m_f1PoneMarca = false;
    QString m_errorCarga;
};
