#include "FakeSerial.h"
#include "TestRig.h"
#include "dialogs/Form10.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/UserNotice.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

// Failures the user must act on reach the user once a run, and nothing waits for them.
class tst_UserNotice : public QObject
{
    Q_OBJECT
private slots:
    void toldOncePerCause_data();
    void toldOncePerCause();
};

void tst_UserNotice::toldOncePerCause_data()
{
    QTest::addColumn<bool>("tray");
    QTest::addColumn<bool>("clockRefuses");
    QTest::addColumn<int>("portError"); // of the receive port, COM3
    QTest::addColumn<bool>("settingsLink");
    QTest::addColumn<QString>("told");
    using C = UserNotice::Cause;
    QTest::newRow("clock, no tray")
        << false << true << 0 << false << UserNotice::text(C::ClockNotSettable);
    QTest::newRow("port denied") << true << false << int(CommError::AccessDenied) << false
                                 << UserNotice::text(C::ReceivePortDenied);
    QTest::newRow("port missing") << true << false << int(CommError::InvalidPortNumber) << false
                                  << QString();
    QTest::newRow("settings link")
        << false << false << 0 << true << UserNotice::text(C::SettingsNotSaved);
}

void tst_UserNotice::toldOncePerCause()
{
    QFETCH(bool, tray);
    QFETCH(bool, clockRefuses);
    QFETCH(int, portError);
    QFETCH(bool, settingsLink);
    QFETCH(QString, told);
    auto ports = std::make_unique<FakeSerialFactory>();
    ports->port(3).openError = portError;
    TestRig rig(TestRig::defaultStart(), std::move(ports));
    HoroluxApp &app = rig.app();
    app.setNotificationArea(tray);
    rig.clock().setRefuseSet(clockRefuses);
    if (settingsLink)
        QVERIFY(QFile::link(QStringLiteral("/nowhere"), rig.folder() + "/GPSInit.ini"));
    QSignalSpy shown(&app.userNotice(), &UserNotice::shown);
    app.start();
    for (int i = 0; i < 2; ++i) {
        rig.clock().SetSystemTime(SYSTEMTIME {2027, 1, 5, 1, 0, 0, 0, 0});
        if (portError)
            app.form5()->MSComm1.openQuietly(3);
        QCOMPARE(shown.count(), 0); // after the handler that met the failure
    }
    QCoreApplication::processEvents();
    QCOMPARE(shown, told.isEmpty() ? QList<QVariantList> {} : QList<QVariantList> {{told}});
    // Without a tray the box is up, nobody waits for it and the main window stays usable.
    QCOMPARE(app.isForm10Loaded() && app.form10()->isVisible(), !tray && !told.isEmpty());
    QVERIFY(app.form1()->isEnabled());
    const QLabel *label = app.form10()->Label1;
    const QRect needed
        = label->fontMetrics().boundingRect(QRect(QPoint(), label->size()), Qt::TextWordWrap, told);
    QVERIFY(needed.height() <= label->height());
}

QTEST_MAIN(tst_UserNotice)
#include "tst_usernotice.moc"
