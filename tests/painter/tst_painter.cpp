#include "fixture.h"
#include "painter/csubclass.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <memory>

namespace {
// The application palette is set to these, so that a hard-coded system colour
// cannot pass for the current one.
const QColor kFace(200, 190, 180), kHighlight(12, 34, 56), kToolTip(250, 240, 120);
// A swatch is button face but for a square of its own colour and a square one
// step away from the button face.
const QColor kOwn(220, 20, 60), kNearFace(200, 190, 181);
const QRect kOwnSquare(5, 5, 8, 8), kNearSquare(20, 5, 8, 8);

class Swatch : public QWidget {
public:
    Swatch() { resize(100, 50); }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override {
        ++paints;
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        p.fillRect(kOwnSquare, kOwn);
        p.fillRect(kNearSquare, kNearFace);
    }
};

// Input reaches only the event filters: the widget's own reactions (a push
// button repaints itself on space) would hide whether the painter repaints.
template <class Base> class Quiet : public Base {
public:
    using Base::Base;
    int paints = 0;

protected:
    bool event(QEvent *e) override {
        const bool input = dynamic_cast<QInputEvent *>(e) || e->type() == QEvent::Leave;
        return input || Base::event(e);
    }
    void paintEvent(QPaintEvent *e) override {
        ++paints;
        Base::paintEvent(e);
    }
};

QImage grabbed(QWidget *w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

QImage filled(const std::function<QColor(int, int)> &color) {
    QImage image(100, 50, QImage::Format_RGB32);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            image.setPixelColor(x, y, color(x, y));
    return image;
}

// The swatch's own squares are kept; every other pixel shows `background`.
void checkSwatch(const QImage &image, const QImage &background) {
    QCOMPARE(image.size(), background.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected = kOwnSquare.contains(x, y)    ? kOwn.rgb()
                                  : kNearSquare.contains(x, y) ? kNearFace.rgb()
                                                               : background.pixel(x, y);
            QVERIFY2(image.pixel(x, y) == expected, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}
} // namespace

class TstPainter : public QObject {
    Q_OBJECT

    static void applyPalette() {
        QPalette palette = QApplication::palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::Button, kFace);
            palette.setColor(group, QPalette::Window, kFace);
            palette.setColor(group, QPalette::Highlight, kHighlight);
            palette.setColor(group, QPalette::ToolTipBase, kToolTip);
        }
        QApplication::setPalette(palette);
    }

private slots:
    void initTestCase() { applyPalette(); }
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void background_data() {
        columnas<int, QPixmap, quint32, int, quint32, QImage>("style", "picture", "solid", "direction", "color2",
                                                              "expected");
        const auto solid = [](QColor c) { return filled([c](int, int) { return c; }); };
        QTest::newRow("yellow") << 0 << QPixmap() << 65535u << 0 << 0u << solid(QColor(255, 255, 0));
        QTest::newRow("system highlight") << 0 << QPixmap() << 0x8000000Du << 0 << 0u << solid(kHighlight);
        QTest::newRow("system tool tip") << 0 << QPixmap() << 0x80000018u << 0 << 0u << solid(kToolTip);
        // From black; width 100 and height 50 make whole steps of 2.
        QTest::newRow("gradient left to right")
            << 2 << QPixmap() << 0u << 1 << 0x0000C8u << filled([](int x, int) { return QColor(2 * x, 0, 0); });
        QTest::newRow("gradient, direction 7 is top to bottom")
            << 2 << QPixmap() << 0u << 7 << 0x006400u << filled([](int, int y) { return QColor(0, 2 * y, 0); });
        QImage tile(3, 2, QImage::Format_RGB32);
        for (int i = 0; i < 6; ++i)
            tile.setPixel(i % 3, i / 3, qRgb(40 * i, 0, 255 - 40 * i));
        QTest::newRow("tiled picture") << 1 << QPixmap::fromImage(tile) << 0u << 0 << 0u
                                       << filled([tile](int x, int y) { return tile.pixelColor(x % 3, y % 2); });
    }
    void background() {
        const auto [style, picture, solid, direction, color2, expected] =
            leerFila<int, QPixmap, quint32, int, quint32, QImage>("style", "picture", "solid", "direction", "color2",
                                                                  "expected");
        Swatch swatch;
        CSubclass painter;
        painter.SubClassMe(&swatch, style, picture, solid, direction, 0, color2);
        checkSwatch(grabbed(&swatch), expected);
        // System colours are stored as the value they had; colours of 0 not at all.
        const QColor c = expected.pixelColor(0, 0);
        QCOMPARE(swatch.property("MySolidColor"),
                 solid ? QVariant(quint32(c.red() | c.green() << 8 | c.blue() << 16)) : QVariant());
        QVERIFY(!swatch.property("MyGradientColor1").isValid());
        QCOMPARE(swatch.property("MyPictureWidth").toInt(), picture.width());
        QCOMPARE(swatch.property("ImSubClassed").toInt(), 1);
    }

    void decoratedFace_data() {
        // face: the colour all over the face
        columnas<bool, int, QColor, bool>("tabs", "kind", "face", "enabled");
        QTest::newRow("button, dark blue") << false << 0 << QColor(0, 0, 128) << true;
        QTest::newRow("tabs, dark blue") << true << 0 << QColor(0, 0, 128) << true;
        QTest::newRow("button, dark gradient") << false << 2 << QColor() << true;
        QTest::newRow("disabled button, dark blue") << false << 0 << QColor(0, 0, 128) << false;
    }
    void decoratedFace() {
        // The style shades its own face: the decoration must cover it all the same, bar
        // the frame and a caption still readable on the dark colour; a disabled caption keeps
        // the style's greyed colour.
        const auto [tabs, kind, face, enabled] = leerFila<bool, int, QColor, bool>("tabs", "kind", "face", "enabled");
        QWidget screen;
        screen.resize(300, 120);
        QPushButton button(QStringLiteral("Nuevo Fichero"), &screen);
        button.setGeometry(10, 10, 120, 41);
        button.setEnabled(enabled);
        QTabWidget tabWidget(&screen);
        tabWidget.setGeometry(10, 60, 280, 55);
        for (const char *caption : {"Clientes", "Proveedores"})
            tabWidget.addTab(new QWidget, QString::fromLatin1(caption));
        QWidget *target = tabs ? static_cast<QWidget *>(tabWidget.tabBar()) : &button;
        CSubclass painter;
        painter.SubClassMe(target, kind, QPixmap(), 0x800000, 0, 0x400000, 0x800000);
        const QImage image = grabbed(target);
        const QList<QRect> faces = tabs ? QList<QRect>{tabWidget.tabBar()->tabRect(0), tabWidget.tabBar()->tabRect(1)}
                                        : QList<QRect>{button.rect()};
        int total = 0, decorated = 0, light = 0, white = 0;
        for (const QRect &r : faces) {
            const QRect inner = r.adjusted(4, 4, -4, -4);
            for (int y = inner.top(); y <= inner.bottom(); ++y)
                for (int x = inner.left(); x <= inner.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    ++total;
                    // A gradient changes along its way: dark blue at every point.
                    decorated += face.isValid() ? c == face
                                                : c.red() == 0 && c.green() == 0 && c.blue() >= 64 && c.blue() <= 128;
                    light += qGray(c.rgb()) > 200;
                    white += c == Qt::white;
                }
        }
        QVERIFY2(decorated * 10 >= total * 7, qPrintable(QStringLiteral("%1 of %2").arg(decorated).arg(total)));
        if (enabled)
            QVERIFY2(light >= 20 * faces.size(), qPrintable(QString::number(light)));
        else
            QCOMPARE(white, 0);
    }

    void decoratingTwiceKeepsOneRecord_data() {
        columnas<quint32, QColor>("second", "painted");
        QTest::newRow("new colour") << 0xFF0000u << QColor(0, 0, 255);
        QTest::newRow("colour 0 keeps the earlier one") << 0u << QColor(255, 0, 0);
    }
    void decoratingTwiceKeepsOneRecord() {
        const auto [second, painted] = leerFila<quint32, QColor>("second", "painted");
        Swatch swatch;
        CSubclass painter;
        painter.SubClassMe(&swatch, 0, QPixmap(), 0x0000FF);
        painter.SubClassMe(&swatch, 0, QPixmap(), second);
        QCOMPARE(painter.decoratedWindows(), QList<QWidget *>{&swatch});
        swatch.paints = 0;
        checkSwatch(grabbed(&swatch), filled([&](int, int) { return painted; }));
        QCOMPARE(swatch.paints, 1);
        swatch.show();
        QVERIFY(QTest::qWaitForWindowExposed(&swatch));
        settle();
        swatch.paints = 0;
        painter.Refresh_All();
        settle();
        QCOMPARE(swatch.paints, 1);
        // Even with its marker reset from outside, the widget is not recorded twice.
        swatch.setProperty("ImSubClassed", 0);
        painter.SubClassMe(&swatch, 0);
        QCOMPARE(painter.decoratedWindows(), QList<QWidget *>{&swatch});
    }

    void releaseRestoresOwnLook_data() {
        QTest::addColumn<bool>("deleteControl");
        QTest::newRow("Subclass_StopAll") << false;
        QTest::newRow("control deleted") << true;
    }
    void releaseRestoresOwnLook() {
        QFETCH(bool, deleteControl);
        Swatch first;
        QPushButton second(QStringLiteral("Buscar"));
        const QImage ownFirst = grabbed(&first), ownSecond = grabbed(&second);
        auto painter = std::make_unique<CSubclass>();
        painter->SubClassMe(&first, 0, QPixmap(), 0x00FF00);
        painter->SubClassMe(&second, 2, QPixmap(), 0, 1, 0x0000FF, 0xFF0000);
        QVERIFY(grabbed(&first) != ownFirst && grabbed(&second) != ownSecond);
        if (deleteControl)
            painter.reset();
        else
            painter->Subclass_StopAll();
        QVERIFY(!painter || painter->decoratedWindows().isEmpty());
        QCOMPARE(first.property("ImSubClassed").toInt() + second.property("ImSubClassed").toInt(), 0);
        QCOMPARE(grabbed(&first), ownFirst);
        QCOMPARE(grabbed(&second), ownSecond);
    }

    void decoratedTabBarInDecoratedTabs() {
        // A child paints itself over its decorated parent: a decorated tab strip
        // inside its decorated tab widget, on a screen, looks as it does grabbed
        // on its own, wherever it paints at all.
        QWidget screen;
        screen.resize(340, 160);
        QTabWidget tabs(&screen);
        tabs.setGeometry(10, 20, 300, 120);
        for (const char *caption : {"Clientes", "Proveedores", "Internos"})
            tabs.addTab(new QWidget, QString::fromLatin1(caption));
        CSubclass painter;
        painter.SubClassMe(tabs.tabBar(), 2, QPixmap(), 0, 1, 0x00FFFF, 0xFF0000);
        painter.SubClassMe(&tabs, 0, QPixmap(), 0x80FF80);
        const QImage whole = screen.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage alone = tabs.tabBar()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        int compared = 0;
        for (int y = 0; y < alone.height(); ++y)
            for (int x = 0; x < alone.width(); ++x) {
                if (qAlpha(alone.pixel(x, y)) < 255)
                    continue;
                ++compared;
                const QPoint at = tabs.tabBar()->mapTo(&screen, QPoint(x, y));
                QVERIFY2(whole.pixel(at) == alone.pixel(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        QVERIFY(compared > alone.width() * alone.height() / 2);
    }

    void repaintsOnInput_data() {
        columnas<bool, bool, int, int, int>("button", "decorated", "type", "code", "paints");
        const int down = QEvent::KeyPress, up = QEvent::KeyRelease;
        const int press = QEvent::MouseButtonPress, release = QEvent::MouseButtonRelease;
        QTest::newRow("space down") << true << true << down << int(Qt::Key_Space) << 1;
        QTest::newRow("letter down") << true << true << down << int(Qt::Key_A) << 0;
        QTest::newRow("letter up") << true << true << up << int(Qt::Key_A) << 1;
        QTest::newRow("left button down") << true << true << press << int(Qt::LeftButton) << 1;
        QTest::newRow("left button up") << true << true << release << int(Qt::LeftButton) << 1;
        QTest::newRow("right button down") << true << true << press << int(Qt::RightButton) << 0;
        QTest::newRow("mouse enters") << true << true << int(QEvent::Enter) << 0 << 1;
        QTest::newRow("mouse leaves") << true << true << int(QEvent::Leave) << 0 << 1;
        QTest::newRow("not a button") << false << true << down << int(Qt::Key_Space) << 0;
        QTest::newRow("not decorated") << true << false << down << int(Qt::Key_Space) << 0;
    }
    void repaintsOnInput() {
        const auto [button, decorated, type, code, paints] =
            leerFila<bool, bool, int, int, int>("button", "decorated", "type", "code", "paints");
        QWidget screen;
        Quiet<QPushButton> pushButton(QStringLiteral("Salir"), &screen);
        Quiet<QWidget> plain(&screen);
        QWidget *target = button ? static_cast<QWidget *>(&pushButton) : &plain;
        (button ? static_cast<QWidget &>(plain) : pushButton).hide();
        CSubclass painter;
        if (decorated)
            painter.SubClassMe(target, 0, QPixmap(), 65535);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        settle();
        int &count = button ? pushButton.paints : plain.paints;
        QVERIFY(count > 0);
        count = 0;
        const QPointF at(5, 5), global = target->mapToGlobal(at);
        const auto mouse = Qt::MouseButton(code);
        std::unique_ptr<QEvent> event;
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease)
            event = std::make_unique<QKeyEvent>(QEvent::Type(type), code, Qt::NoModifier);
        else if (type == QEvent::Enter)
            event = std::make_unique<QEnterEvent>(at, at, global);
        else if (type == QEvent::Leave)
            event = std::make_unique<QEvent>(QEvent::Leave);
        else
            event =
                std::make_unique<QMouseEvent>(QEvent::Type(type), at, global, mouse,
                                              type == QEvent::MouseButtonPress ? mouse : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, event.get());
        settle();
        // A decorated button draws itself twice for one repaint.
        QCOMPARE(count > 0, paints > 0);
    }
};

QTEST_MAIN(TstPainter)
#include "tst_painter.moc"
