#pragma once

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QPainter;

// Repaints the background of other widgets (tab strips, buttons) with a solid
// colour, a tiled picture or a two-colour gradient, keeping the widget's own
// drawing on top: whatever the widget paints in the button-face colour shows
// the new background instead.
//
// The control itself is placeable on a screen but draws nothing and lets the
// mouse through; with no call to SubClassMe it has no effect at all.
//
// Colours are numbers 0x00BBGGRR (red in the low byte). A colour with the top
// bit set names a system colour by index (0x8000000F is the button face); its
// current value, taken from the application palette, is used instead.
//
// The settings of a decorated widget live on the widget itself as dynamic
// properties: "ImSubClassed", "MyStyle", "MySolidColor", "MyPicture",
// "MyPictureWidth", "MyPictureHeight", "MyGradientColor1", "MyGradientColor2"
// and "MyGradientDir".
//
// Each decorated widget gets a hook of its own: a graphics effect, so that the
// widget's own painting runs first and the handler composes the result, and an
// event filter for the input that repaints buttons. Decorating replaces any
// graphics effect the widget had.
class CSubclass : public QWidget
{
    Q_OBJECT

public:
    enum Style { SolidColor = 0, Picture = 1, Gradient = 2 };

    explicit CSubclass(QWidget *parent = nullptr);
    ~CSubclass() override;

    // Decorates Window; a window decorated before is released first. Colours
    // of 0 are not stored, so an earlier value of that setting is kept.
    // GradientDir 1 runs the gradient from left to right, anything else from
    // top to bottom.
    Q_INVOKABLE void SubClassMe(QWidget *Window, int Style,
                                const QPixmap &Picture = QPixmap(),
                                quint32 SolidColor = 0, int GradientDir = 0,
                                quint32 GradientColor1 = 0, quint32 GradientColor2 = 0);
    // Releases every decorated widget, the last decorated first.
    Q_INVOKABLE void Subclass_StopAll();
    // Asks every decorated widget to repaint.
    Q_INVOKABLE void Refresh_All();

    // The widgets decorated now, in the order they were decorated.
    QList<QWidget *> decoratedWindows() const;

    // Draws width + 1 (or height + 1) one-pixel lines from color1 to color2,
    // left to right when leftToRight, else top to bottom. Lines run to
    // `height` (or `width`) itself, not to top + height: callers fill whole
    // surfaces from the origin.
    static void DrawGradient(quint32 color1, quint32 color2, int left, int top,
                             int width, int height, QPainter &surface, bool leftToRight);

    // The colour number with a system colour resolved to its current value.
    static quint32 translateColor(quint32 color);

private:
    friend class CSubclassHook;

    struct Record
    {
        QPointer<QWidget> window;
        QPointer<QObject> hook;
        QMetaObject::Connection destroyedConnection;
    };

    // The handler for the input of decorated widgets.
    void zSubclass_Proc(QWidget *window, QEvent *event);
    // The painting: the widget draws itself off-screen, its button-face
    // pixels take the background, and the result goes to `target`.
    void paintDecorated(QWidget *window, QPainter &target);
    void release(QWidget *window);
    qsizetype indexOf(const QObject *window) const;

    QList<Record> m_records;
};
