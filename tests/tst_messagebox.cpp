#include "TestRig.h"
#include "dialogs/Form10.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "serial/SerialDevice.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>

namespace {
constexpr qint16 kUntouched = 99;
}

class tst_MessageBox : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void buttonSets_data();
    void buttonSets();
    void icons_data();
    void icons();
    void answers_data();
    void answers();
    void closeBoxEndsWaitAndBoxStaysUsable();
    void centredAtFirstUseThenKeepsItsPlace();
    void longTextNeverResizesTheBox();
    void nestedCallsEndTogetherInnerFirst();
    void timersKeepTickingWhileWaiting();
    void shutdownEndsTheWait();

private:
    // Shows a box and runs the action from inside its wait.
    void show(int icon, int buttons, const std::function<void(Form10 *)> &action,
        const QString &text = QStringLiteral("Message"),
        const QString &title = QStringLiteral("Title"));

    std::unique_ptr<TestRig> m_rig;
    QTimer m_watchdog;
    bool m_watchdogFired = false;
};

void tst_MessageBox::init()
{
    m_rig = std::make_unique<TestRig>();
    m_rig->m().messageBoxResult = kUntouched;
    // A box nobody dismisses must not hang the suite.
    m_watchdog.setSingleShot(true);
    m_watchdogFired = false;
    m_watchdog.callOnTimeout([this] {
        m_watchdogFired = true;
        m_rig->m().shuttingDown = true;
    });
    m_watchdog.start(5000);
}

void tst_MessageBox::cleanup()
{
    QVERIFY2(!m_watchdogFired, "the box was never dismissed");
    m_watchdog.stop();
    m_rig.reset();
}

void tst_MessageBox::show(int icon, int buttons, const std::function<void(Form10 *)> &action,
    const QString &text, const QString &title)
{
    Form10 *form = m_rig->app().form10();
    QTimer::singleShot(0, form, [form, action] { action(form); });
    m_rig->app().ShowMessageBox(text, icon, buttons, title);
}

void tst_MessageBox::buttonSets_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QList<int>>("lefts"); // OK, Yes, No, Cancel in twips; -1 = hidden
    QTest::addColumn<int>("defaultIndex");
    QTest::addColumn<int>("resultOfEnter");
    QTest::newRow("OK") << int(MessageBox::OkOnly) << QList<int> {1800, -1, -1, -1} << 0
                        << int(kUntouched);
    QTest::newRow("Yes No Cancel") << int(MessageBox::YesNoCancel)
                                   << QList<int> {-1, 600, 1680, 2880} << 1 << int(MessageBox::Yes);
    QTest::newRow("Yes No") << int(MessageBox::YesNo) << QList<int> {-1, 1200, 2280, -1} << 1
                            << int(MessageBox::Yes);
    QTest::newRow("OK Cancel falls to Yes No")
        << 1 << QList<int> {-1, 1200, 2280, -1} << 1 << int(MessageBox::Yes);
    QTest::newRow("Retry Cancel falls to Yes No")
        << 5 << QList<int> {-1, 1200, 2280, -1} << 1 << int(MessageBox::Yes);
}

void tst_MessageBox::buttonSets()
{
    QFETCH(int, buttons);
    QFETCH(QList<int>, lefts);
    QFETCH(int, defaultIndex);
    QList<int> seenLefts;
    QPushButton *seenDefault = nullptr;
    QWidget *seenFocus = nullptr;
    QPushButton *expectedDefault = nullptr;
    show(MessageBox::Information, buttons, [&](Form10 *form) {
        const QList<QPushButton *> all {
            form->Command1, form->Command2, form->Command3, form->Command4};
        for (QPushButton *b : all) {
            seenLefts << (b->isVisible() ? Twips::fromPixels(b->x()) : -1);
            QCOMPARE(b->geometry().top(), Twips::toPixels(1320));
            QCOMPARE(b->size(), QSize(Twips::toPixels(975), Twips::toPixels(375)));
        }
        expectedDefault = all[defaultIndex];
        seenDefault = form->defaultButton();
        seenFocus = form->focusWidget();
        QTest::keyClick(form, Qt::Key_Return);
    });
    QCOMPARE(seenLefts, lefts);
    QCOMPARE(seenDefault, expectedDefault);
    QVERIFY(seenDefault->isDefault());
    QCOMPARE(seenFocus, expectedDefault);
    QTEST(int(m_rig->m().messageBoxResult), "resultOfEnter");
}

void tst_MessageBox::icons_data()
{
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("image");
    QTest::newRow("critical") << int(MessageBox::Critical) << 0;
    QTest::newRow("warning") << int(MessageBox::Exclamation) << 1;
    QTest::newRow("question") << int(MessageBox::Question) << 2;
    QTest::newRow("information") << int(MessageBox::Information) << 3;
    QTest::newRow("none") << 0 << 3;
    QTest::newRow("unknown") << 17 << 3;
}

void tst_MessageBox::icons()
{
    QFETCH(int, icon);
    QList<bool> visible;
    // A previous box with another icon must leave nothing behind.
    const int other = icon == MessageBox::Critical ? MessageBox::Exclamation : MessageBox::Critical;
    show(other, MessageBox::OkOnly, [](Form10 *form) { form->Command1->click(); });
    show(icon, MessageBox::OkOnly, [&](Form10 *form) {
        for (QLabel *image : form->Image1) {
            visible << image->isVisible();
            QCOMPARE(image->geometry(), Twips::toPixels(240, 360, 720, 720));
            QCOMPARE(image->pixmap().size(), QSize(48, 48));
        }
        form->Command1->click();
    });
    QFETCH(int, image);
    QList<bool> expected(4, false);
    expected[image] = true;
    QCOMPARE(visible, expected);
}

void tst_MessageBox::answers_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("button"); // 1 OK, 2 Yes, 3 No, 4 Cancel
    QTest::addColumn<int>("result");
    const int yesNoCancel = MessageBox::YesNoCancel;
    QTest::newRow("OK stores nothing") << int(MessageBox::OkOnly) << 1 << int(kUntouched);
    QTest::newRow("Yes") << yesNoCancel << 2 << int(MessageBox::Yes);
    QTest::newRow("No") << yesNoCancel << 3 << int(MessageBox::No);
    QTest::newRow("Cancel") << yesNoCancel << 4 << int(MessageBox::Cancel);
    QTest::newRow("No of two") << int(MessageBox::YesNo) << 3 << int(MessageBox::No);
}

void tst_MessageBox::answers()
{
    QFETCH(int, buttons);
    QFETCH(int, button);
    QString caption;
    bool onTop = false;
    show(
        MessageBox::Information, buttons,
        [&](Form10 *form) {
            caption = form->windowTitle();
            onTop = form->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            QPushButton *all[] = {form->Command1, form->Command2, form->Command3, form->Command4};
            QTest::mouseClick(all[button - 1], Qt::LeftButton);
        },
        QStringLiteral("Really?"), QStringLiteral("COM3"));
    QCOMPARE(caption, QStringLiteral("COM3"));
    QVERIFY(onTop);
    QVERIFY(m_rig->app().form10()->isHidden());
    QTEST(int(m_rig->m().messageBoxResult), "result");
}

void tst_MessageBox::closeBoxEndsWaitAndBoxStaysUsable()
{
    m_rig->m().messageBoxResult = MessageBox::Yes;
    show(MessageBox::Question, MessageBox::YesNoCancel, [](Form10 *form) { form->close(); });
    QCOMPARE(m_rig->m().messageBoxResult, MessageBox::Yes);
    QVERIFY(m_rig->app().form10()->isHidden());

    bool shownAgain = false;
    show(MessageBox::Critical, MessageBox::YesNo, [&](Form10 *form) {
        shownAgain = form->isVisible();
        QTest::mouseClick(form->Command3, Qt::LeftButton);
    });
    QVERIFY(shownAgain);
    QCOMPARE(m_rig->m().messageBoxResult, MessageBox::No);
}

void tst_MessageBox::centredAtFirstUseThenKeepsItsPlace()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    Form10 *form = m_rig->app().form10();
    QCOMPARE(form->size(), QSize(Twips::toPixels(4455), Twips::toPixels(1815)));
    // Centred as the program counts the window: client area plus the frame it assumes.
    const double left = Twips::fromPixels(screen.width()) / 2.0 - form->widthTwips() / 2.0;
    const double top = Twips::fromPixels(screen.height()) / 2.0 - form->heightTwips() / 2.0;
    QCOMPARE(form->pos(), QPoint(int(std::lround(left / 15)), int(std::lround(top / 15))));
    QPoint shownAt;
    show(64, 0, [&](Form10 *box) {
        box->move(10, 20); // the user drags it away
        box->Command1->click();
    });
    show(64, 0, [&](Form10 *box) {
        shownAt = box->pos();
        box->Command1->click();
    });
    QCOMPARE(shownAt, QPoint(10, 20));
}

void tst_MessageBox::longTextNeverResizesTheBox()
{
    const QString text = QStringLiteral("\r\n\r\n") + QStringLiteral("word ").repeated(200);
    QSize box, label;
    show(
        16, 0,
        [&](Form10 *form) {
            box = form->size();
            label = form->Label1->size();
            QVERIFY(form->Label1->wordWrap());
            form->Command1->click();
        },
        text);
    QCOMPARE(m_rig->app().form10()->Label1->text(), text);
    QCOMPARE(box, QSize(Twips::toPixels(4455), Twips::toPixels(1815)));
    QCOMPARE(label, QSize(Twips::toPixels(3375), Twips::toPixels(1100)));
}

void tst_MessageBox::nestedCallsEndTogetherInnerFirst()
{
    QStringList order;
    QString titleWhenClicked;
    show(MessageBox::Critical, MessageBox::OkOnly, [&](Form10 *form) {
        QTimer::singleShot(0, form, [&, form] {
            titleWhenClicked = form->windowTitle();
            QTest::mouseClick(form->Command3, Qt::LeftButton);
        });
        m_rig->app().ShowMessageBox(QStringLiteral("inner"), MessageBox::Exclamation,
            MessageBox::YesNo, QStringLiteral("Inner"));
        order << QStringLiteral("inner");
    });
    order << QStringLiteral("outer");
    QCOMPARE(order, QStringList({"inner", "outer"}));
    QCOMPARE(titleWhenClicked, QStringLiteral("Inner"));
    QCOMPARE(m_rig->m().messageBoxResult, MessageBox::No);
}

void tst_MessageBox::timersKeepTickingWhileWaiting()
{
    // A tick that shows a box, as a failed transmission does, must not stop its own timer.
    Timer timer(5, true);
    int ticks = 0;
    bool returned = false;
    connect(&timer, &Timer::timeout, this, [&] {
        if (++ticks == 1) {
            m_rig->app().ShowMessageBox(QStringLiteral("Error"), MessageBox::Critical,
                MessageBox::OkOnly, QStringLiteral("T"));
            returned = true;
        } else if (ticks == 4) {
            m_rig->app().form10()->Command1->click();
        }
    });
    QTRY_VERIFY(returned);
    QVERIFY(ticks >= 4);
}

void tst_MessageBox::shutdownEndsTheWait()
{
    QTimer::singleShot(0, this, [this] { m_rig->m().shuttingDown = true; });
    m_rig->app().ShowMessageBox(
        QStringLiteral("Bye"), MessageBox::Information, MessageBox::OkOnly, QStringLiteral("T"));
    // Ended by the exit path, not by a click: the box is still up.
    QVERIFY(m_rig->app().form10()->isVisible());
}

QTEST_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
