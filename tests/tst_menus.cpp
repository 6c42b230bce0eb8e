#include "FakeSerial.h"
#include "TestRig.h"
#include "dialogs/Form10.h"
#include "history/HistoryWindow.h"
#include "platform/HelpViewer.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"
#include "transmit/Form4.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

class tst_Menus : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showTransmissionIsAnOrdinaryWindow();
    void helpOpensAtItsFirstTopic();
    void missingHelpFileIsReported();
    void helpLinksLeadToTopics();
    void historyIsBuiltOnlyWhenOpened();

private:
    Form1 *form() { return m_rig->app().form1(); }
    static QString helpText();

    std::unique_ptr<TestRig> m_rig;
};

void tst_Menus::init()
{
    m_rig
        = std::make_unique<TestRig>(TestRig::defaultStart(), std::make_unique<FakeSerialFactory>());
    form()->helpFile = QFINDTESTDATA("../resources/Horolux.hlp");
    form()->helpCommand = HelpViewer::kForceFile;
}

void tst_Menus::cleanup()
{
    m_rig.reset();
}

QString tst_Menus::helpText()
{
    QFile file(QFINDTESTDATA("../resources/Horolux.hlp"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void tst_Menus::showTransmissionIsAnOrdinaryWindow()
{
    form()->menuMenuTrans->trigger();
    Form4 *monitor = m_rig->app().form4();
    QVERIFY(monitor->isVisible());
    QVERIFY(!(monitor->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(!form()->isVisible());
}

void tst_Menus::helpOpensAtItsFirstTopic()
{
    form()->menuHelpHelp->trigger();
    HelpViewer *viewer = m_rig->app().menuCommands().helpViewer();
    QVERIFY(viewer && viewer->isVisible());
    QVERIFY(viewer->isWindow());
    QCOMPARE(viewer->parentWidget(), form());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Horolux Help"));
    QVERIFY(viewer->toPlainText().contains(QStringLiteral("Giving Horolux the right")));

    viewer->scrollToAnchor(QStringLiteral("trouble"));
    QVERIFY(viewer->verticalScrollBar()->value() > 0);
    viewer->hide();
    form()->menuHelpHelp->trigger();
    QCOMPARE(m_rig->app().menuCommands().helpViewer(), viewer);
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->verticalScrollBar()->value(), 0);
}

void tst_Menus::missingHelpFileIsReported()
{
    form()->helpFile = m_rig->folder() + QStringLiteral("/Horolux.hlp");
    bool boxShown = false;
    bool mainWindowDisabled = false;
    QString message;
    QTimer::singleShot(0, form(), [&] {
        Form10 *box = m_rig->app().form10();
        boxShown = box->isVisible();
        mainWindowDisabled = !form()->isEnabled();
        message = box->Label1->text();
        box->Command1->click();
    });
    form()->menuHelpHelp->trigger();
    QVERIFY(boxShown);
    QVERIFY(mainWindowDisabled);
    QVERIFY(message.contains(form()->helpFile));
    QVERIFY(form()->isEnabled());
    HelpViewer *viewer = m_rig->app().menuCommands().helpViewer();
    QVERIFY(!viewer || !viewer->isVisible());
}

void tst_Menus::helpLinksLeadToTopics()
{
    const QString text = helpText();
    const QRegularExpression link(QStringLiteral("href=\"#(\\w+)\""));
    int links = 0;
    for (const QRegularExpressionMatch &match : link.globalMatch(text)) {
        ++links;
        QVERIFY2(text.contains(QStringLiteral("name=\"%1\"").arg(match.captured(1))),
            qPrintable(match.captured(1)));
    }
    QVERIFY(links >= 10);
}

void tst_Menus::historyIsBuiltOnlyWhenOpened()
{
    m_rig->app().start();
    QVERIFY(!m_rig->app().historyWindow());
    // The tray's menu is the main window's "Menu".
    QVERIFY(form()->menuMenuMain->actions().contains(form()->menuMenuHistory));
    form()->menuMenuHistory->trigger();
    HistoryWindow *window = m_rig->app().historyWindow();
    QVERIFY(window && window->isVisible());
    window->close();
    QTRY_VERIFY(!m_rig->app().historyWindow());
}

QTEST_MAIN(tst_Menus)
#include "tst_menus.moc"
