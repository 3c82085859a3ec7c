#include "formulario.h"

#include "conexion.h"
#include "cutilidades.h"
#include "dialogos.h"
#include "modexp.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QValidator>
#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <memory>

namespace {
// Accepts an edit that keeps the text within the limit or does not lengthen it, so a
// long text set by the screen can still be shortened.
class LimiteTecleo : public QValidator {
public:
    LimiteTecleo(QLineEdit *campo, int maximo) : QValidator(campo), m_maximo(maximo) {
        connect(campo, &QLineEdit::textChanged, this, [this](const QString &t) { m_largo = t.size(); });
        m_largo = campo->text().size();
    }
    State validate(QString &texto, int &) const override {
        return texto.size() <= m_maximo || texto.size() <= m_largo ? Acceptable : Invalid;
    }

private:
    int m_maximo;
    qsizetype m_largo = 0; // the text before this edit
};
} // namespace

Formulario::Formulario(QWidget *parent) : QDialog(parent), m_util(new CUtilidades(this)) {
    // The screens were laid out in twips for an 8-point font.
    QFont letra = font();
    letra.setPointSize(8);
    setFont(letra);
    m_util->setConexion(sesionConexion());
    m_util->setColorFoco(65535);
    m_util->setColorNormal(16777215);
}

Formulario::~Formulario() = default;

int Formulario::avisar(const QString &texto, int estilo, const QString &marca) {
    Tag = marca;
    return MsgBox(texto, estilo);
}

QString Formulario::tituloVentana() {
    return QStringLiteral("Norbix. Gestión de Expedientes (versión %1.%2.%3)")
        .arg(VMEXP_VERSION_MAJOR)
        .arg(VMEXP_VERSION_MINOR)
        .arg(VMEXP_VERSION_PATCH);
}

RecordsetModel *Formulario::cambiarModelo(QAbstractItemView *vista, RecordsetModel *nuevo, RecordsetModel *anterior) {
    // A grid showing a list keeps its model: a model set anew makes the grid rebuild its
    // headers, selection and connections, a third of a search's own time.
    if (nuevo && anterior && nuevo != anterior && vista->model() == anterior) {
        anterior->tomarResultado(*nuevo);
        delete nuevo;
        return anterior;
    }
    // The old model goes first: a view (and its headers) whose model is gone has no
    // signals of it to disconnect, which costs more than the rest of the swap.
    if (anterior != nuevo) {
        delete vista->selectionModel();
        delete anterior;
    }
    vista->setModel(nuevo);
    return nuevo;
}

void Formulario::limitarTecleo(QLineEdit *campo) {
    const int maximo = campo->maxLength();
    if (maximo >= 32767 || campo->validator())
        return;
    campo->setMaxLength(32767);
    campo->setValidator(new LimiteTecleo(campo, maximo));
}

void Formulario::limitarTecleo(QPlainTextEdit *campo, int maximo) {
    auto largo = std::make_shared<int>(campo->toPlainText().size());
    connect(campo, &QPlainTextEdit::textChanged, campo, [campo, maximo, largo] {
        const int nuevo = int(campo->toPlainText().size());
        // setPlainText leaves nothing to undo: the screen set it, so it stays whole.
        if (campo->document()->isUndoAvailable() && nuevo > maximo && nuevo > *largo) {
            // Drop what the user just added beyond the limit, just before the cursor.
            const int sobra = nuevo - qMax(maximo, *largo);
            QTextCursor c = campo->textCursor();
            const int fin = c.position();
            c.setPosition(qMax(0, fin - sobra));
            c.setPosition(fin, QTextCursor::KeepAnchor);
            *largo = nuevo - sobra;
            c.removeSelectedText();
            campo->setTextCursor(c);
            return;
        }
        *largo = nuevo;
    });
}

bool Formulario::event(QEvent *ev) {
    if (ev->type() == QEvent::Polish)
        partirCaptions();
    return QDialog::event(ev);
}

// A caption too long for one line wraps at the blank nearest its middle, as the
// buttons were drawn for.
void Formulario::partirCaptions() {
    for (QPushButton *b : findChildren<QPushButton *>()) {
        const QString texto = b->text();
        // A button in a layout already gets the width its caption asks for.
        const bool enLayout = b->parentWidget() && b->parentWidget()->layout();
        if (enLayout || texto.contains(u'\n') || !texto.contains(u' '))
            continue;
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = texto;
        const QRect sitio = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        const int ancho = sitio.width() - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
        const QFontMetrics fm = b->fontMetrics();
        if (fm.horizontalAdvance(QString(texto).remove(u'&')) <= ancho || 2 * fm.height() > sitio.height())
            continue;
        qsizetype corte = -1;
        for (qsizetype i = 0; i < texto.size(); ++i)
            if (texto[i] == u' ' && (corte < 0 || std::abs(i - texto.size() / 2) < std::abs(corte - texto.size() / 2)))
                corte = i;
        b->setText(texto.left(corte) + u'\n' + texto.mid(corte + 1));
    }
}

namespace {
// A line's width as the sum of its characters' advances, known without shaping it (which
// is what costs when a grid is laid out) for the letters and signs of Latin scripts.
// Kerning and ligatures only narrow such text by a few pixels, so the sum tells which
// lines may be the widest; those alone are shaped.
class AnchoEstimado {
public:
    explicit AnchoEstimado(const QFont &fuente)
        : m_fm(fuente), m_avance(avances({fuente, m_fm.height()})) {}
    // Infinite when the line holds a character that only shaping measures.
    qreal operator()(QStringView linea) {
        qreal suma = 0;
        for (const QChar c : linea) {
            const char16_t u = c.unicode();
            if (u < 0x20 || u >= m_avance.size() || (u >= 0x7f && u < 0xa0) || u == 0xad)
                return std::numeric_limits<qreal>::infinity();
            if (m_avance[u] < 0)
                m_avance[u] = m_fm.horizontalAdvance(c);
            suma += m_avance[u];
        }
        return suma;
    }
    // Whether a line estimated at e may be wider, once shaped, than ancho (always, for -1).
    static bool puedeSuperar(qreal e, int ancho) { return e * 1.1 + 2 > ancho; }

private:
    using Avances = std::array<qreal, 0x250>; // Latin-1, Latin Extended-A and B: no combining marks
    // Kept per font and size on screen for the program's life: every column of every grid
    // asks for the same few dozen characters.
    static Avances &avances(const std::pair<QFont, qreal> &fuente) {
        static std::map<std::pair<QFont, qreal>, Avances> porFuente; // the GUI thread's only
        auto [it, nueva] = porFuente.try_emplace(fuente);
        if (nueva)
            it->second.fill(-1);
        return it->second;
    }
    QFontMetricsF m_fm;
    Avances &m_avance;
};
} // namespace

void Formulario::anchoColumna(QAbstractItemView *vista, QHeaderView *cabecera, int columna, int twips,
                              const std::function<QString(const QModelIndex &)> &textoCelda) {
    int ancho = px(twips);
    const QAbstractItemModel *modelo = vista->model();
    // The style's size for the caption (shaped, with its margins and sort mark) only when
    // the caption might not fit in the width asked for.
    const QStyle *estilo = cabecera->style();
    const int margen = estilo->pixelMetric(QStyle::PM_HeaderMargin, nullptr, cabecera);
    const int adornos = 3 * margen + estilo->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, cabecera);
    const QString rotulo = modelo ? modelo->headerData(columna, cabecera->orientation()).toString() : QString();
    if (AnchoEstimado::puedeSuperar(AnchoEstimado(cabecera->font())(rotulo) + adornos, ancho))
        ancho = std::max(ancho, cabecera->sectionSizeHint(columna));
    const int cargadas = modelo ? modelo->rowCount(vista->rootIndex()) : 0;
    if (cargadas > 0) {
        const auto texto = [&](const QModelIndex &i) { return textoCelda ? textoCelda(i) : i.data().toString(); };
        // Digits are equally wide in the fonts of a desktop: a date or an amount is
        // shaped once per shape ("00/00/0000").
        const QFontMetrics fm(vista->font());
        QHash<QString, int> medidos;
        const auto anchoLinea = [&](QStringView linea) {
            QString forma = linea.toString();
            for (QChar &c : forma)
                if (c.isDigit())
                    c = u'0';
            auto it = medidos.constFind(forma);
            if (it == medidos.cend())
                it = medidos.insert(forma, fm.horizontalAdvance(forma));
            return *it;
        };
        // Only the rows the view can show (before its first layout, the window's height;
        // never over 40): measuring a whole page costs milliseconds on each search, for
        // rows seen only by scrolling.
        const int alto = vista->testAttribute(Qt::WA_Resized) ? vista->viewport()->height() : vista->window()->height();
        const auto *tabla = qobject_cast<const QTableView *>(vista);
        const int altoFila = tabla ? tabla->rowHeight(0)
                                   : vista->sizeHintForIndex(modelo->index(0, columna, vista->rootIndex())).height();
        const int filas = std::min({cargadas, 40, alto / std::max(1, altoFila) + 1});
        // Every line by its estimate, widest first; shaped until no estimate left can be
        // wider. The style's size hint of the widest cell adds what the style puts around
        // a text (an empty cell gets none).
        AnchoEstimado estimado(vista->font());
        struct Linea {
            qreal estimado;
            QString texto;
            int fila;
        };
        QList<Linea> lineas;
        for (int fila = 0; fila < filas; ++fila) {
            const QString t = texto(modelo->index(fila, columna, vista->rootIndex()));
            for (const QStringView linea : QStringView(t).tokenize(u'\n'))
                for (const QStringView parte : linea.tokenize(QChar(QChar::LineSeparator)))
                    lineas.append({estimado(parte), parte.toString(), fila});
        }
        std::sort(lineas.begin(), lineas.end(), [](const Linea &a, const Linea &b) { return a.estimado > b.estimado; });
        int mayor = -1;
        int ancha = -1;
        for (const Linea &l : lineas) {
            if (!AnchoEstimado::puedeSuperar(l.estimado, mayor))
                break;
            if (const int a = anchoLinea(l.texto); a > mayor) {
                mayor = a;
                ancha = l.fila;
            }
        }
        if (ancha >= 0)
            ancho = std::max(ancho, vista->sizeHintForIndex(modelo->index(ancha, columna, vista->rootIndex())).width() + 1);
    }
    cabecera->resizeSection(columna, ancho);
}

void Formulario::registrarCampo(QLineEdit *campo, Campo tipo, const QString &formatoSalida) {
    limitarTecleo(campo);
    m_campos.insert(campo, {tipo, formatoSalida});
    if (tipo == Campo::Importe)
        m_util->setCampoImporte(campo);
    campo->installEventFilter(this);
}

void Formulario::registrarCamposTexto() {
    for (QLineEdit *c : findChildren<QLineEdit *>())
        if (!m_campos.contains(c))
            registrarCampo(c);
}

void Formulario::prepararTeclado() {
    installEventFilter(this);
    for (QWidget *w : findChildren<QWidget *>()) {
        w->removeEventFilter(this);
        w->installEventFilter(this);
    }
}

static bool esEnter(int k) { return k == Qt::Key_Return || k == Qt::Key_Enter; }

bool Formulario::Form_KeyUp(QKeyEvent *e) {
    if (esEnter(e->key()) || e->key() == Qt::Key_Escape) {
        if (!Tag.isEmpty()) {
            Tag.clear();
            return true;
        }
        if (e->key() == Qt::Key_Escape)
            reject();
        else
            focusNextChild();
        return true;
    }
    if (e->key() == Qt::Key_F1) {
        if (!m_f1PoneMarca)
            return false;
        Tag = QStringLiteral("e");
        return true;
    }
    Tag.clear();
    return false;
}

bool Formulario::Form_KeyDown(QKeyEvent *) { return false; }

void Formulario::keyPressEvent(QKeyEvent *e) {
    // Enter and Escape act on release (Form_KeyUp), never as QDialog's accept/reject.
    if (esEnter(e->key()) || e->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(e);
}

bool Formulario::eventFilter(QObject *obj, QEvent *ev) {
    switch (ev->type()) {
    case QEvent::KeyPress: {
        auto *k = static_cast<QKeyEvent *>(ev);
        if (Form_KeyDown(k))
            return true;
        if (esEnter(k->key()) || k->key() == Qt::Key_Escape)
            return true;
        auto *campo = qobject_cast<QLineEdit *>(obj);
        const auto it = campo ? m_campos.constFind(campo) : m_campos.constEnd();
        if (it != m_campos.constEnd() && it->tipo != Campo::Texto && !k->text().isEmpty()) {
            int ascii = k->text().at(0).unicode();
            if (ascii < 32 && ascii != 8)
                return false;
            const int original = ascii;
            m_util->TeclaCampo(campo, ascii, it->tipo == Campo::Fecha);
            if (ascii == 0)
                return true;
            if (ascii != original) {
                campo->insert(QString(QChar(ascii)));
                return true;
            }
        }
        return false;
    }
    case QEvent::KeyRelease: {
        auto *k = static_cast<QKeyEvent *>(ev);
        if (k->isAutoRepeat() && !esEnter(k->key()))
            return false;
        return Form_KeyUp(k);
    }
    case QEvent::FocusIn:
        if (auto *campo = qobject_cast<QLineEdit *>(obj)) {
            if (m_sinBarras.contains(campo) && campo->text().contains(u'/'))
                campo->setText(campo->text().remove(u'/'));
            if (m_campos.contains(campo))
                m_util->EntrarCampo(campo, QString());
        }
        return false;
    case QEvent::FocusOut:
        if (auto *campo = qobject_cast<QLineEdit *>(obj); campo && m_campos.contains(campo))
            m_util->SalirCampo(campo, m_campos.value(campo).formato);
        return false;
    default:
        return false;
    }
}
