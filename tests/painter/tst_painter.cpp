#include "painter/csubclass.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <functional>

namespace {

// Colours the application palette is set to, so that a hard-coded system
// colour cannot pass for the current one.
const QColor kFace(200, 190, 180);
const QColor kHighlight(12, 34, 56);
const QColor kToolTipBase(250, 240, 120);

const QColor kOwn(220, 20, 60);
const QColor kNearFace(kFace.red(), kFace.green(), kFace.blue() + 1);
const QRect kOwnSquare(5, 5, 8, 8);
const QRect kNearSquare(20, 5, 8, 8);
const QSize kSwatchSize(100, 50);

quint32 number(const QColor &c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

// Paints itself in the button face, with one square of its own colour and one
// a single step away from the button face.
class Swatch : public QWidget
{
public:
    explicit Swatch(QWidget *parent = nullptr) : QWidget(parent) { resize(kSwatchSize); }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        p.fillRect(kOwnSquare, kOwn);
        p.fillRect(kNearSquare, kNearFace);
    }
};

// Input reaches only the event filters: the widgets' own reactions (a push
// button repaints itself on space) would hide whether the painter repaints.
template<class Base>
class Quiet : public Base
{
public:
    using Base::Base;
    int paints = 0;

protected:
    bool event(QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            return true;
        default:
            return Base::event(e);
        }
    }
    void paintEvent(QPaintEvent *e) override
    {
        ++paints;
        Base::paintEvent(e);
    }
};

QImage grabbed(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Every pixel outside the two squares must show `background`; the squares
// must keep the widget's own colours.
void checkSwatch(const QImage &image, const std::function<QColor(int, int)> &background)
{
    QCOMPARE(image.size(), kSwatchSize);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor expected = kOwnSquare.contains(x, y)    ? kOwn
                                    : kNearSquare.contains(x, y) ? kNearFace
                                                                 : background(x, y);
            const QColor actual = image.pixelColor(x, y);
            QVERIFY2(actual.rgb() == expected.rgb(),
                     qPrintable(QStringLiteral("(%1, %2) is %3, expected %4")
                                    .arg(x).arg(y).arg(actual.name(), expected.name())));
        }
    }
}

// Lets pending updates reach the widgets.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestPainter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void gradientRounding_data();
    void gradientRounding();
    void gradientBlackToWhite();
    void gradientSpansToHeightNotPastIt();

    void solidColor_data();
    void solidColor();
    void tiledPicture();
    void gradientBackground_data();
    void gradientBackground();
    void storesSettings();

    void decoratingTwiceKeepsOneRecord_data();
    void decoratingTwiceKeepsOneRecord();
    void releaseRestoresOwnLook_data();
    void releaseRestoresOwnLook();
    void childrenKeepTheirOwnLook_data();
    void childrenKeepTheirOwnLook();
    void decoratedTabBarInDecoratedTabs();
    void paintsOnScreen();
    void destroyedWindowLeavesTable();
    void noSettingsNoEffect();

    void repaintsOnInput_data();
    void repaintsOnInput();
};

void TestPainter::initTestCase()
{
    QPalette palette = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Button, kFace);
        palette.setColor(group, QPalette::Window, kFace);
        palette.setColor(group, QPalette::Highlight, kHighlight);
        palette.setColor(group, QPalette::ToolTipBase, kToolTipBase);
    }
    QApplication::setPalette(palette);
}

void TestPainter::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void TestPainter::gradientRounding_data()
{
    QTest::addColumn<quint32>("color1");
    QTest::addColumn<quint32>("color2");
    QTest::addColumn<bool>("leftToRight");
    QTest::addColumn<QList<QRgb>>("lines");

    // Steps of a half land on exact halves, which go to the even neighbour.
    QTest::newRow("red rising, left to right")
        << 0x000001u << 0x000003u << true
        << QList<QRgb>{qRgb(1, 0, 0), qRgb(2, 0, 0), qRgb(2, 0, 0), qRgb(2, 0, 0), qRgb(3, 0, 0)};
    QTest::newRow("red falling, left to right")
        << 0x000003u << 0x000001u << true
        << QList<QRgb>{qRgb(3, 0, 0), qRgb(2, 0, 0), qRgb(2, 0, 0), qRgb(2, 0, 0), qRgb(1, 0, 0)};
    QTest::newRow("green rising, top to bottom")
        << 0x000000u << 0x000200u << false
        << QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 1, 0), qRgb(0, 2, 0), qRgb(0, 2, 0)};
    QTest::newRow("blue and red together, top to bottom")
        << 0x050004u << 0x070000u << false
        << QList<QRgb>{qRgb(4, 0, 5), qRgb(3, 0, 6), qRgb(2, 0, 6), qRgb(1, 0, 6), qRgb(0, 0, 7)};
    QTest::newRow("from the system button face")
        << 0x8000000Fu << number(kFace) << true
        << QList<QRgb>(5, kFace.rgb());
}

void TestPainter::gradientRounding()
{
    QFETCH(quint32, color1);
    QFETCH(quint32, color2);
    QFETCH(bool, leftToRight);
    QFETCH(QList<QRgb>, lines);

    const QRgb untouched = qRgb(255, 0, 255);
    QImage image(6, 6, QImage::Format_RGB32);
    image.fill(untouched);
    {
        QPainter p(&image);
        CSubclass::DrawGradient(color1, color2, 0, 0, 4, 4, p, leftToRight);
    }
    // Lines 0..4 cover the surface up to (not including) the fourth pixel
    // across them; nothing lands past line 4.
    for (int i = 0; i < 6; ++i) {
        for (int along = 0; along < 6; ++along) {
            const QPoint at = leftToRight ? QPoint(i, along) : QPoint(along, i);
            const QRgb expected = (i < 5 && along < 4) ? lines.at(i) : untouched;
            QVERIFY2(image.pixel(at) == expected,
                     qPrintable(QStringLiteral("line %1 at %2").arg(i).arg(along)));
        }
    }
}

void TestPainter::gradientBlackToWhite()
{
    const QRgb untouched = qRgb(255, 0, 255);
    QImage image(103, 10, QImage::Format_RGB32);
    image.fill(untouched);
    {
        QPainter p(&image);
        CSubclass::DrawGradient(0x000000, 0xFFFFFF, 0, 0, 100, 10, p, true);
    }

    // 101 lines: x = 0 to 100, each one grey all down.
    int previous = -1;
    for (int x = 0; x <= 100; ++x) {
        const QRgb top = image.pixel(x, 0);
        QCOMPARE(image.pixel(x, 9), top);
        QCOMPARE(qRed(top), qGreen(top));
        QCOMPARE(qRed(top), qBlue(top));
        QVERIFY(qRed(top) >= previous);
        previous = qRed(top);
    }
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(100, 0), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(101, 0), untouched);
    // 2.55 is not exact in binary: 50 steps fall just short of 127.5.
    QCOMPARE(qRed(image.pixel(50, 0)), 127);
    QCOMPARE(qRed(image.pixel(20, 0)), 51);
}

void TestPainter::gradientSpansToHeightNotPastIt()
{
    // Lines run from `top` to `height` itself: with top 3 and height 6 only
    // rows 3 to 5 are drawn.
    const QRgb untouched = qRgb(255, 0, 255);
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(untouched);
    {
        QPainter p(&image);
        CSubclass::DrawGradient(0x0000FF, 0x0000FF, 2, 3, 4, 6, p, true);
    }
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool drawn = x >= 2 && x <= 6 && y >= 3 && y <= 5;
            QCOMPARE(image.pixel(x, y), drawn ? qRgb(255, 0, 0) : untouched);
        }
    }
}

void TestPainter::solidColor_data()
{
    QTest::addColumn<quint32>("color");
    QTest::addColumn<QColor>("painted");

    QTest::newRow("yellow") << 65535u << QColor(255, 255, 0);
    QTest::newRow("blue") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("system highlight") << 0x8000000Du << kHighlight;
    QTest::newRow("system tool tip") << 0x80000018u << kToolTipBase;
}

void TestPainter::solidColor()
{
    QFETCH(quint32, color);
    QFETCH(QColor, painted);

    Swatch swatch;
    CSubclass painter;
    painter.SubClassMe(&swatch, CSubclass::SolidColor, QPixmap(), color);
    checkSwatch(grabbed(&swatch), [&](int, int) { return painted; });
}

void TestPainter::tiledPicture()
{
    QImage tile(3, 2, QImage::Format_RGB32);
    const QRgb colours[2][3] = {{qRgb(10, 0, 0), qRgb(0, 20, 0), qRgb(0, 0, 30)},
                                {qRgb(40, 40, 0), qRgb(0, 50, 50), qRgb(60, 0, 60)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            tile.setPixel(x, y, colours[y][x]);

    Swatch swatch;
    CSubclass painter;
    painter.SubClassMe(&swatch, CSubclass::Picture, QPixmap::fromImage(tile));
    checkSwatch(grabbed(&swatch), [&](int x, int y) { return QColor(colours[y % 2][x % 3]); });
}

void TestPainter::gradientBackground_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<quint32>("color1");
    QTest::addColumn<quint32>("color2");
    QTest::addColumn<bool>("acrossX");
    QTest::addColumn<QRgb>("perStep");
    QTest::addColumn<QRgb>("start");

    // Width 100 and height 50 give whole steps: 2 a column, 2 a row.
    QTest::newRow("left to right") << 1 << 0x000000u << 0x0000C8u << true << qRgb(2, 0, 0)
                                   << qRgb(0, 0, 0);
    QTest::newRow("top to bottom") << 0 << 0x000064u << 0x006464u << false << qRgb(0, 2, 0)
                                   << qRgb(100, 0, 0);
    QTest::newRow("any other direction is top to bottom")
        << 7 << 0x000000u << 0x640000u << false << qRgb(0, 0, 2) << qRgb(0, 0, 0);
}

void TestPainter::gradientBackground()
{
    QFETCH(int, direction);
    QFETCH(quint32, color1);
    QFETCH(quint32, color2);
    QFETCH(bool, acrossX);
    QFETCH(QRgb, perStep);
    QFETCH(QRgb, start);

    Swatch swatch;
    CSubclass painter;
    painter.SubClassMe(&swatch, CSubclass::Gradient, QPixmap(), 0, direction, color1, color2);
    checkSwatch(grabbed(&swatch), [&](int x, int y) {
        const int i = acrossX ? x : y;
        return QColor(qRed(start) + i * qRed(perStep), qGreen(start) + i * qGreen(perStep),
                      qBlue(start) + i * qBlue(perStep));
    });
}

void TestPainter::storesSettings()
{
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::white);
    Swatch swatch;
    CSubclass painter;
    painter.SubClassMe(&swatch, CSubclass::Gradient, QPixmap::fromImage(image), 0x8000000D, 1,
                       0x8000000F, 65535);

    QCOMPARE(swatch.property("ImSubClassed").toInt(), 1);
    QCOMPARE(swatch.property("MyStyle").toInt(), 2);
    QCOMPARE(swatch.property("MyGradientDir").toInt(), 1);
    QCOMPARE(swatch.property("MyPicture").value<QPixmap>().size(), QSize(7, 5));
    QCOMPARE(swatch.property("MyPictureWidth").toInt(), 7);
    QCOMPARE(swatch.property("MyPictureHeight").toInt(), 5);
    // System colours are stored as the value they had.
    QCOMPARE(swatch.property("MySolidColor").toUInt(), number(kHighlight));
    QCOMPARE(swatch.property("MyGradientColor1").toUInt(), number(kFace));
    QCOMPARE(swatch.property("MyGradientColor2").toUInt(), 65535u);

    // Without a picture or colours, nothing of theirs is stored.
    Swatch bare;
    painter.SubClassMe(&bare, CSubclass::SolidColor);
    for (const char *name : {"MyPicture", "MyPictureWidth", "MySolidColor", "MyGradientColor1",
                             "MyGradientColor2"})
        QVERIFY2(!bare.property(name).isValid(), name);
}

void TestPainter::decoratingTwiceKeepsOneRecord_data()
{
    QTest::addColumn<quint32>("second");
    QTest::addColumn<QColor>("painted");

    QTest::newRow("new colour") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("colour 0 keeps the earlier one") << 0u << QColor(255, 0, 0);
}

void TestPainter::decoratingTwiceKeepsOneRecord()
{
    QFETCH(quint32, second);
    QFETCH(QColor, painted);

    Swatch swatch;
    CSubclass painter;
    painter.SubClassMe(&swatch, CSubclass::SolidColor, QPixmap(), 0x0000FF);
    painter.SubClassMe(&swatch, CSubclass::SolidColor, QPixmap(), second);
    QCOMPARE(painter.decoratedWindows(), QList<QWidget *>{&swatch});
    QCOMPARE(swatch.property("ImSubClassed").toInt(), 1);

    // One handler: the widget's own painting runs once per grab.
    swatch.paints = 0;
    checkSwatch(grabbed(&swatch), [&](int, int) { return painted; });
    QCOMPARE(swatch.paints, 1);

    // Even with its marker reset from outside, the widget is not recorded twice.
    swatch.setProperty("ImSubClassed", 0);
    painter.SubClassMe(&swatch, CSubclass::SolidColor);
    QCOMPARE(painter.decoratedWindows(), QList<QWidget *>{&swatch});
}

void TestPainter::releaseRestoresOwnLook_data()
{
    QTest::addColumn<bool>("deleteControl");

    QTest::newRow("Subclass_StopAll") << false;
    QTest::newRow("control deleted") << true;
}

void TestPainter::releaseRestoresOwnLook()
{
    QFETCH(bool, deleteControl);

    Swatch first;
    QPushButton second(QStringLiteral("Buscar"));
    second.resize(90, 30);
    const QImage ownFirst = grabbed(&first);
    const QImage ownSecond = grabbed(&second);

    auto *painter = new CSubclass;
    painter->SubClassMe(&first, CSubclass::SolidColor, QPixmap(), 0x00FF00);
    painter->SubClassMe(&second, CSubclass::Gradient, QPixmap(), 0, 1, 0x0000FF, 0xFF0000);
    QVERIFY(grabbed(&first) != ownFirst);
    QVERIFY(grabbed(&second) != ownSecond);

    if (deleteControl) {
        delete painter;
        painter = nullptr;
    } else {
        painter->Subclass_StopAll();
        QVERIFY(painter->decoratedWindows().isEmpty());
    }
    QCOMPARE(first.property("ImSubClassed").toInt(), 0);
    QCOMPARE(second.property("ImSubClassed").toInt(), 0);
    QCOMPARE(grabbed(&first), ownFirst);
    QCOMPARE(grabbed(&second), ownSecond);
    delete painter;
}

void TestPainter::childrenKeepTheirOwnLook_data()
{
    QTest::addColumn<bool>("decorateChild");
    QTest::addColumn<QColor>("childShows");

    QTest::newRow("plain child") << false << kFace;
    QTest::newRow("decorated child") << true << QColor(255, 0, 0);
}

void TestPainter::childrenKeepTheirOwnLook()
{
    QFETCH(bool, decorateChild);
    QFETCH(QColor, childShows);

    // A child is a widget of its own: its button face is not the decorated
    // parent's, and it is drawn where it stands.
    Swatch parent;
    QWidget child(&parent);
    child.setGeometry(60, 20, 10, 10);
    child.setAutoFillBackground(true);
    CSubclass painter;
    painter.SubClassMe(&parent, CSubclass::SolidColor, QPixmap(), 0xFF0000);
    if (decorateChild)
        painter.SubClassMe(&child, CSubclass::SolidColor, QPixmap(), 0x0000FF);
    checkSwatch(grabbed(&parent), [&](int x, int y) {
        return child.geometry().contains(x, y) ? childShows : QColor(0, 0, 255);
    });
}

void TestPainter::decoratedTabBarInDecoratedTabs()
{
    // The tab strip looks the same inside its decorated tab widget, on a
    // screen, as grabbed on its own, wherever it paints at all.
    QWidget screen;
    screen.resize(340, 160);
    QTabWidget tabs(&screen);
    tabs.setGeometry(10, 20, 300, 120);
    for (const char *caption : {"Clientes", "Proveedores", "Internos"})
        tabs.addTab(new QWidget, QString::fromLatin1(caption));
    CSubclass painter;
    painter.SubClassMe(tabs.tabBar(), CSubclass::Gradient, QPixmap(), 0, 1, 0x00FFFF, 0xFF0000);
    painter.SubClassMe(&tabs, CSubclass::SolidColor, QPixmap(), 0x80FF80);

    const QImage whole = screen.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QTabBar *bar = tabs.tabBar();
    const QImage alone = bar->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    int compared = 0;
    for (int y = 0; y < alone.height(); ++y) {
        for (int x = 0; x < alone.width(); ++x) {
            if (qAlpha(alone.pixel(x, y)) != 255)
                continue;
            ++compared;
            const QPoint at = bar->mapTo(&screen, QPoint(x, y));
            QVERIFY2(whole.pixel(at) == alone.pixel(x, y),
                     qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
    }
    QVERIFY(compared > alone.width() * alone.height() / 2);
}

void TestPainter::paintsOnScreen()
{
    Swatch swatch;
    CSubclass painter;
    painter.SubClassMe(&swatch, CSubclass::SolidColor, QPixmap(), 0xFF0000);
    swatch.show();
    QVERIFY(QTest::qWaitForWindowExposed(&swatch));
    settle();
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(swatch.winId())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    checkSwatch(shown, [](int, int) { return QColor(0, 0, 255); });

    swatch.paints = 0;
    painter.Refresh_All();
    settle();
    QCOMPARE(swatch.paints, 1);
}

void TestPainter::destroyedWindowLeavesTable()
{
    CSubclass painter;
    auto *gone = new Swatch;
    Swatch kept;
    painter.SubClassMe(gone, CSubclass::SolidColor, QPixmap(), 0x0000FF);
    painter.SubClassMe(&kept, CSubclass::SolidColor, QPixmap(), 0x0000FF);
    delete gone;
    QCOMPARE(painter.decoratedWindows(), QList<QWidget *>{&kept});
    painter.Subclass_StopAll();
    QCOMPARE(kept.property("ImSubClassed").toInt(), 0);
}

void TestPainter::noSettingsNoEffect()
{
    QWidget screen;
    screen.resize(200, 120);
    screen.setAutoFillBackground(true);
    auto *tabs = new Swatch(&screen);
    tabs->move(10, 10);
    const QImage own = grabbed(&screen);

    // Placed over the widget, as a screen carries it, with no call made.
    auto *control = new CSubclass(&screen);
    control->setGeometry(tabs->geometry());
    control->show();
    control->raise();
    QCOMPARE(grabbed(&screen), own);
    QVERIFY(control->testAttribute(Qt::WA_TransparentForMouseEvents));
}

void TestPainter::repaintsOnInput_data()
{
    QTest::addColumn<bool>("button");
    QTest::addColumn<bool>("decorated");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("paints");

    const int press = QEvent::KeyPress, release = QEvent::KeyRelease;
    const int down = QEvent::MouseButtonPress, up = QEvent::MouseButtonRelease;
    QTest::newRow("space down") << true << true << press << int(Qt::Key_Space) << 1;
    QTest::newRow("letter down") << true << true << press << int(Qt::Key_A) << 0;
    QTest::newRow("return down") << true << true << press << int(Qt::Key_Return) << 0;
    QTest::newRow("space up") << true << true << release << int(Qt::Key_Space) << 1;
    QTest::newRow("letter up") << true << true << release << int(Qt::Key_A) << 1;
    QTest::newRow("left button down") << true << true << down << int(Qt::LeftButton) << 1;
    QTest::newRow("left button up") << true << true << up << int(Qt::LeftButton) << 1;
    QTest::newRow("right button down") << true << true << down << int(Qt::RightButton) << 0;
    QTest::newRow("mouse enters") << true << true << int(QEvent::Enter) << 0 << 1;
    QTest::newRow("mouse leaves") << true << true << int(QEvent::Leave) << 0 << 1;
    QTest::newRow("not a button: space down") << false << true << press << int(Qt::Key_Space) << 0;
    QTest::newRow("not a button: left button down") << false << true << down << int(Qt::LeftButton) << 0;
    QTest::newRow("not decorated: space down") << true << false << press << int(Qt::Key_Space) << 0;
}

void TestPainter::repaintsOnInput()
{
    QFETCH(bool, button);
    QFETCH(bool, decorated);
    QFETCH(int, type);
    QFETCH(int, code);
    QFETCH(int, paints);

    QWidget screen;
    screen.resize(120, 60);
    Quiet<QPushButton> pushButton(QStringLiteral("Salir"), &screen);
    Quiet<QWidget> plain(&screen);
    QWidget *target = button ? static_cast<QWidget *>(&pushButton) : &plain;
    target->setGeometry(10, 10, 90, 30);
    (button ? plain : static_cast<QWidget &>(pushButton)).hide();
    CSubclass painter;
    if (decorated)
        painter.SubClassMe(target, CSubclass::SolidColor, QPixmap(), 65535);
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    settle();
    int &count = button ? pushButton.paints : plain.paints;
    QVERIFY(count > 0);
    count = 0;

    const QPointF at(5, 5);
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        QKeyEvent e(QEvent::Type(type), code, Qt::NoModifier,
                    code == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QCoreApplication::sendEvent(target, &e);
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        const auto mouseButton = Qt::MouseButton(code);
        QMouseEvent e(QEvent::Type(type), at, target->mapToGlobal(at), mouseButton,
                      type == QEvent::MouseButtonPress ? mouseButton : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
        break;
    }
    case QEvent::Enter: {
        QEnterEvent e(at, at, target->mapToGlobal(at));
        QCoreApplication::sendEvent(target, &e);
        break;
    }
    default: {
        QEvent e{QEvent::Type(type)};
        QCoreApplication::sendEvent(target, &e);
        break;
    }
    }
    settle();
    QCOMPARE(count, paints);
}

QTEST_MAIN(TestPainter)
#include "tst_painter.moc"
