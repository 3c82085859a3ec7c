#include "csubclass.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGraphicsEffect>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint32 kSystemColorFlag = 0x80000000u;
constexpr quint32 kButtonFace = kSystemColorFlag | 15u;

struct SystemColor
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System colours by their index, each on the palette role that plays the same
// part. Index 25 has no colour; an index past the table reads as black.
constexpr SystemColor kSystemColors[] = {
    {QPalette::Active, QPalette::Midlight},           //  0 scroll bar
    {QPalette::Active, QPalette::Dark},               //  1 desktop
    {QPalette::Active, QPalette::Highlight},          //  2 active caption
    {QPalette::Inactive, QPalette::Highlight},        //  3 inactive caption
    {QPalette::Active, QPalette::Window},             //  4 menu
    {QPalette::Active, QPalette::Base},               //  5 window
    {QPalette::Active, QPalette::Shadow},             //  6 window frame
    {QPalette::Active, QPalette::WindowText},         //  7 menu text
    {QPalette::Active, QPalette::Text},               //  8 window text
    {QPalette::Active, QPalette::HighlightedText},    //  9 caption text
    {QPalette::Active, QPalette::Button},             // 10 active border
    {QPalette::Inactive, QPalette::Button},           // 11 inactive border
    {QPalette::Active, QPalette::Dark},               // 12 application workspace
    {QPalette::Active, QPalette::Highlight},          // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},    // 14 highlighted text
    {QPalette::Active, QPalette::Button},             // 15 button face
    {QPalette::Active, QPalette::Dark},               // 16 button shadow
    {QPalette::Disabled, QPalette::Text},             // 17 grey text
    {QPalette::Active, QPalette::ButtonText},         // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText},  // 19 inactive caption text
    {QPalette::Active, QPalette::Light},              // 20 button highlight
    {QPalette::Active, QPalette::Shadow},             // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},           // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},        // 23 tool tip text
    {QPalette::Active, QPalette::ToolTipBase},        // 24 tool tip background
    {QPalette::Active, QPalette::NoRole},             // 25
    {QPalette::Active, QPalette::Link},               // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},          // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},        // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},          // 29 highlighted menu item
    {QPalette::Active, QPalette::Window},             // 30 menu bar
};

quint32 colorNumber(const QColor &color)
{
    return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
}

QColor colorFromNumber(quint32 color)
{
    return QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}

// Whether a black caption would be hard to read on the background.
bool isDark(const QImage &background)
{
    qint64 sum = 0, count = 0;
    for (int y = 0; y < background.height(); y += 3) {
        for (int x = 0; x < background.width(); x += 3, ++count)
            sum += qGray(background.pixel(x, y));
    }
    return count > 0 && sum / count < 110;
}

quint32 colorProperty(const QWidget *window, const char *name)
{
    return window->property(name).toUInt();
}

// Command buttons are also repainted on hover, clicks and keys.
bool isButton(const QWidget *window)
{
    return qobject_cast<const QAbstractButton *>(window) != nullptr;
}

// Draws a decorated widget with its button face in a key colour and, on a dark
// background, its caption in white. Styles such as Fusion shade the face into a
// gradient of their own, so the face is found by drawing it twice in two keys
// and looking at which pixels follow the key.
class KeyedStyle : public QProxyStyle
{
public:
    explicit KeyedStyle(QStyle *base) : QProxyStyle(base) {}

    QColor face; // invalid: drawn as it is
    QColor caption;
    mutable bool asked = false; // whether the widget drew anything through the style

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        const Keyed keyed(this, option);
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const Keyed keyed(this, option);
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override
    {
        const Keyed keyed(this, option);
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
    void drawItemText(QPainter *painter, const QRect &rect, int flags, const QPalette &palette,
                      bool enabled, const QString &text, QPalette::ColorRole role) const override
    {
        QProxyStyle::drawItemText(painter, rect, flags, keyedPalette(palette), enabled, text, role);
    }

private:
    QPalette keyedPalette(QPalette palette) const
    {
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            if (face.isValid())
                palette.setColor(group, QPalette::Button, face);
            if (caption.isValid() && group != QPalette::Disabled) {
                palette.setColor(group, QPalette::ButtonText, caption);
                palette.setColor(group, QPalette::WindowText, caption);
            }
        }
        return palette;
    }
    // The option's palette is keyed for one call and put back afterwards.
    struct Keyed
    {
        Keyed(const KeyedStyle *style, const QStyleOption *option)
            : m_option(const_cast<QStyleOption *>(option))
        {
            style->asked = true;
            if (m_option) {
                m_saved = m_option->palette;
                m_option->palette = style->keyedPalette(m_saved);
            }
        }
        ~Keyed()
        {
            if (m_option)
                m_option->palette = m_saved;
        }
        QStyleOption *m_option;
        QPalette m_saved;
    };
};

} // namespace

// The per-window stub: the window's own painting is done first and the result
// handed to the control; its input passes through the control's handler on
// the way to the window.
class CSubclassHook : public QGraphicsEffect
{
public:
    CSubclassHook(CSubclass *owner, QWidget *window) : m_owner(owner), m_window(window)
    {
        // The widget draws through a keyed copy of its own style while decorated.
        if (window->testAttribute(Qt::WA_SetStyle))
            m_ownStyle = window->style();
        m_style = new KeyedStyle(QStyleFactory::create(window->style()->name()));
        m_style->setParent(this);
        window->setStyle(m_style);
    }
    void restoreStyle()
    {
        if (m_window && m_window->style() == m_style)
            m_window->setStyle(m_ownStyle);
    }
    KeyedStyle *keyedStyle() const { return m_style; }

protected:
    void draw(QPainter *painter) override
    {
        if (m_owner && m_window)
            m_owner->paintDecorated(m_window, *painter);
        else
            drawSource(painter);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_owner && watched == m_window)
            m_owner->zSubclass_Proc(m_window, event);
        return false;
    }

private:
    QPointer<CSubclass> m_owner;
    QPointer<QWidget> m_window;
    QPointer<QStyle> m_ownStyle;
    KeyedStyle *m_style;
};

CSubclass::CSubclass(QWidget *parent)
    : QWidget(parent)
{
    // Screens place it over the widgets it decorates; it must not hide them
    // nor take their clicks.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

CSubclass::~CSubclass()
{
    Subclass_StopAll();
}

quint32 CSubclass::translateColor(quint32 color)
{
    if (!(color & kSystemColorFlag))
        return color;
    const quint32 index = color & ~kSystemColorFlag;
    if (index >= std::size(kSystemColors) || kSystemColors[index].role == QPalette::NoRole)
        return 0;
    const SystemColor &system = kSystemColors[index];
    return colorNumber(QGuiApplication::palette().color(system.group, system.role));
}

void CSubclass::SubClassMe(QWidget *Window, int Style, const QPixmap &Picture,
                           quint32 SolidColor, int GradientDir,
                           quint32 GradientColor1, quint32 GradientColor2)
{
    if (!Window)
        return;
    // Our own table is checked too, so that one widget never gets two records
    // even if someone reset its "ImSubClassed".
    if (Window->property("ImSubClassed").toInt() == 1 || indexOf(Window) >= 0)
        release(Window);

    auto *hook = new CSubclassHook(this, Window);
    Window->setGraphicsEffect(hook);
    Window->installEventFilter(hook);
    Record record;
    record.window = Window;
    record.hook = hook;
    record.destroyedConnection = connect(Window, &QObject::destroyed, this, [this](QObject *gone) {
        m_records.removeIf([gone](const Record &r) {
            return r.window.isNull() || r.window.data() == gone;
        });
    });
    m_records.append(record);

    Window->setProperty("MyStyle", Style);
    Window->setProperty("MyGradientDir", GradientDir);
    if (!Picture.isNull()) {
        Window->setProperty("MyPicture", Picture);
        Window->setProperty("MyPictureWidth", Picture.width());
        Window->setProperty("MyPictureHeight", Picture.height());
    }
    // A colour of 0 leaves the stored one as it was.
    const auto storeColor = [Window](const char *name, quint32 color) {
        const quint32 translated = translateColor(color);
        if (translated != 0)
            Window->setProperty(name, translated);
    };
    storeColor("MySolidColor", SolidColor);
    storeColor("MyGradientColor1", GradientColor1);
    storeColor("MyGradientColor2", GradientColor2);

    Window->update();
    Window->setProperty("ImSubClassed", 1);
}

void CSubclass::Subclass_StopAll()
{
    const QList<Record> records = m_records;
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        if (QWidget *window = it->window.data()) {
            window->setProperty("ImSubClassed", 0);
            release(window);
        }
    }
    m_records.clear();
}

void CSubclass::Refresh_All()
{
    for (const Record &record : std::as_const(m_records)) {
        if (record.window)
            record.window->update();
    }
}

QList<QWidget *> CSubclass::decoratedWindows() const
{
    QList<QWidget *> windows;
    for (const Record &record : m_records) {
        if (record.window)
            windows.append(record.window.data());
    }
    return windows;
}

qsizetype CSubclass::indexOf(const QObject *window) const
{
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        if (m_records.at(i).window.data() == window)
            return i;
    }
    return -1;
}

void CSubclass::release(QWidget *window)
{
    const qsizetype i = indexOf(window);
    if (i >= 0) {
        const Record record = m_records.takeAt(i);
        disconnect(record.destroyedConnection);
        if (QObject *hook = record.hook.data()) {
            static_cast<CSubclassHook *>(hook)->restoreStyle();
            window->removeEventFilter(hook);
            if (window->graphicsEffect() == hook)
                window->setGraphicsEffect(nullptr); // deletes it
            else
                delete hook;
        }
    }
    // Otherwise it keeps showing the decorated picture until something else
    // repaints it.
    window->update();
}

void CSubclass::zSubclass_Proc(QWidget *window, QEvent *event)
{
    if (!isButton(window))
        return;
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::KeyRelease:
        window->update();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space)
            window->update();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            window->update();
        break;
    default:
        break;
    }
}

void CSubclass::paintDecorated(QWidget *window, QPainter &target)
{
    const QSize size = window->size();
    if (size.isEmpty())
        return;
    const qreal ratio = window->devicePixelRatioF();
    const QSize pixels = (QSizeF(size) * ratio).toSize();

    // The background; a fresh surface is black where the style leaves it
    // empty (a picture style with no picture, an unknown style).
    QImage background(pixels, QImage::Format_ARGB32_Premultiplied);
    background.setDevicePixelRatio(ratio);
    background.fill(Qt::black);
    {
        QPainter painter(&background);
        const QRect area(QPoint(0, 0), size);
        switch (window->property("MyStyle").toInt()) {
        case SolidColor:
            painter.fillRect(area, colorFromNumber(colorProperty(window, "MySolidColor")));
            break;
        case Picture: {
            const QPixmap picture = window->property("MyPicture").value<QPixmap>();
            if (!picture.isNull())
                painter.fillRect(area, QBrush(picture));
            break;
        }
        case Gradient:
            DrawGradient(colorProperty(window, "MyGradientColor1"),
                         colorProperty(window, "MyGradientColor2"), 0, 0, size.width(),
                         size.height(), painter, window->property("MyGradientDir").toInt() == 1);
            break;
        default:
            break;
        }
    }

    // The widget's own drawing, without its children, with its face black and
    // then white. The region is given: inside a render() of the widget already
    // under way (a decorated parent drawing its children), an empty one draws nothing.
    auto *hook = dynamic_cast<CSubclassHook *>(window->graphicsEffect());
    KeyedStyle *keyed = hook ? hook->keyedStyle() : nullptr;
    if (keyed)
        keyed->caption = isDark(background) ? QColor(Qt::white) : QColor();
    const auto drawn = [&](const QColor &face) {
        if (keyed)
            keyed->face = face;
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        window->render(&image, QPoint(), QRegion(QRect(QPoint(0, 0), size)), QWidget::DrawWindowBackground);
        return image;
    };
    if (keyed)
        keyed->asked = false;
    QImage copy = drawn(Qt::black);
    // A widget that paints its face itself, not through the style, is drawn once.
    const QImage onWhite = keyed && keyed->asked ? drawn(Qt::white) : copy;
    if (keyed)
        keyed->face = keyed->caption = QColor();

    // A pixel that follows the key is face, wholly or in part (the soft edge of
    // a letter): that part shows the background. Of the rest, exactly the
    // button-face pixels show it; others, and what the widget left
    // transparent, stay as the widget drew them.
    const QRgb face = colorFromNumber(translateColor(kButtonFace)).rgba();
    for (int y = 0; y < copy.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(copy.scanLine(y));
        const auto *white = reinterpret_cast<const QRgb *>(onWhite.constScanLine(y));
        const auto *fill = reinterpret_cast<const QRgb *>(background.constScanLine(y));
        for (int x = 0; x < copy.width(); ++x) {
            const int follows = std::max({qRed(white[x]) - qRed(line[x]), qGreen(white[x]) - qGreen(line[x]),
                                          qBlue(white[x]) - qBlue(line[x]), 0});
            if (follows >= 204 || (follows == 0 && line[x] == face)) {
                line[x] = fill[x];
            } else if (follows > 0) {
                const auto mix = [follows](int own, int under) { return std::min(255, own + under * follows / 255); };
                line[x] = qRgba(mix(qRed(line[x]), qRed(fill[x])), mix(qGreen(line[x]), qGreen(fill[x])),
                                mix(qBlue(line[x]), qBlue(fill[x])), mix(qAlpha(line[x]), 255));
            }
        }
    }
    // Children paint themselves on top, as they do undecorated. They are drawn
    // into an image of their own: straight into `target` from here, a child
    // that is decorated too comes out clipped.
    QImage children(pixels, QImage::Format_ARGB32_Premultiplied);
    children.setDevicePixelRatio(ratio);
    children.fill(Qt::transparent);
    bool anyChild = false;
    for (QObject *object : window->children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (child && !child->isWindow() && !child->isHidden()) {
            child->render(&children, child->pos(), QRegion(child->rect()), QWidget::DrawChildren);
            anyChild = true;
        }
    }

    target.drawImage(QPoint(0, 0), copy);
    if (anyChild)
        target.drawImage(QPoint(0, 0), children);
}

void CSubclass::DrawGradient(quint32 color1, quint32 color2, int left, int top, int width,
                             int height, QPainter &surface, bool leftToRight)
{
    color1 = translateColor(color1);
    color2 = translateColor(color2);
    const double red1 = color1 & 0xFF, green1 = color1 >> 8 & 0xFF, blue1 = color1 >> 16 & 0xFF;
    const double red2 = color2 & 0xFF, green2 = color2 >> 8 & 0xFF, blue2 = color2 >> 16 & 0xFF;

    const int n = leftToRight ? width : height;
    if (n <= 0)
        return;
    const double redStep = (red2 - red1) / n;
    const double greenStep = (green2 - green1) / n;
    const double blueStep = (blue2 - blue1) / n;

    // nearbyint rounds a half to the even neighbour.
    const auto component = [](double value) { return int(std::nearbyint(value)); };
    for (int i = 0; i <= n; ++i) {
        const QColor color(component(red1 + i * redStep), component(green1 + i * greenStep),
                           component(blue1 + i * blueStep));
        // Each line stops one pixel short of its end point.
        if (leftToRight) {
            if (height > top)
                surface.fillRect(QRect(left + i, top, 1, height - top), color);
        } else if (width > left) {
            surface.fillRect(QRect(left, top + i, width - left, 1), color);
        }
    }
}
