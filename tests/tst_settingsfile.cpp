#include "platform/InstallLayout.h"
#include "serial/PortMap.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <sys/fsuid.h>
#include <unistd.h>

namespace {
const QString kName = QStringLiteral("GPSInit.ini");

void makeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray toBytes(const SettingsFile::Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

SettingsFile::Bytes fromBytes(const QByteArray &three)
{
    return {quint8(three.at(0)), quint8(three.at(1)), quint8(three.at(2))};
}

// Everything written to standard error while it lives. The program's log lines go there as
// with Qt's default handler, not into the test log.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
        m_handler = qInstallMessageHandler(toStderr);
    }
    ~StderrCapture() { restore(); }

    QByteArray finish()
    {
        restore();
        return contentOf(m_file.fileName());
    }

private:
    static void toStderr(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
    void restore()
    {
        if (m_saved < 0)
            return;
        qInstallMessageHandler(m_handler);
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
    QtMessageHandler m_handler = nullptr;
};

// Root passes every permission check; while this lives, files are checked as for nobody.
class WithoutRootFileAccess
{
public:
    WithoutRootFileAccess()
    {
        if (::geteuid() != 0)
            return;
        ::setfsgid(kNobody);
        ::setfsuid(kNobody);
        m_switched = ::setfsuid(kNobody) == int(kNobody) && ::setfsgid(kNobody) == int(kNobody);
    }
    ~WithoutRootFileAccess()
    {
        if (::geteuid() == 0) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    bool works() const { return ::geteuid() != 0 || m_switched; }

private:
    static constexpr unsigned kNobody = 65534;
    bool m_switched = false;
};

constexpr QFile::Permissions kOpenFolder
    = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
constexpr QFile::Permissions kReadOnlyFolder
    = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
constexpr QFile::Permissions kReadOnlyFile = QFile::ReadOwner | QFile::ReadOther;
} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void exactNameWinsOverOtherCase();
    void write_data();
    void write();
    void startAndExitRoundTrip_data();
    void startAndExitRoundTrip();
    void writeFailureLosesNothing_data();
    void writeFailureLosesNothing();
    void unreadableFileCountsAsAbsent();
    void neverWritesThroughLinks_data();
    void neverWritesThroughLinks();
    void installedProgramKeepsSettingsOutOfItsPrefix();
};

void tst_SettingsFile::read_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no file") << QString() << QByteArray() << false << QByteArray();
    QTest::newRow("empty") << kName << QByteArray() << true << QByteArray(3, '\0');
    QTest::newRow("one byte") << kName << QByteArray("\x07") << true
                              << QByteArray("\x07\x00\x00", 3);
    QTest::newRow("three bytes") << kName << QByteArray("\x03\xff\x05") << true
                                 << QByteArray("\x03\xff\x05");
    QTest::newRow("five bytes") << kName << QByteArray("\x03\xff\x05\xaa\xbb") << true
                                << QByteArray("\x03\xff\x05");
    QTest::newRow("lower case name") << QStringLiteral("gpsinit.ini") << QByteArray("\x04\x01\x04")
                                     << true << QByteArray("\x04\x01\x04");
    QTest::newRow("upper case name")
        << QStringLiteral("GPSINIT.INI") << QByteArray("\x02\x00\x01", 3) << true
        << QByteArray("\x02\x00\x01", 3);
    QTest::newRow("hidden") << QStringLiteral(".GPSInit.ini") << QByteArray("\x03\x00\x05", 3)
                            << false << QByteArray();
}

void tst_SettingsFile::read()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, found);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    if (!name.isEmpty())
        makeFile(dir.filePath(name), content);
    const std::optional<SettingsFile::Bytes> read = SettingsFile(dir.path()).read();
    QCOMPARE(read.has_value(), found);
    if (found)
        QCOMPARE(toBytes(*read), bytes);
    // Reading never creates or changes anything.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), name.isEmpty() ? 0 : 1);
    if (!name.isEmpty())
        QCOMPARE(contentOf(dir.filePath(name)), content);
}

void tst_SettingsFile::exactNameWinsOverOtherCase()
{
    QTemporaryDir dir;
    makeFile(dir.filePath(QStringLiteral("gpsinit.ini")), QByteArray("\x01\x01\x01"));
    makeFile(dir.filePath(kName), QByteArray("\x02\x02\x02"));
    const SettingsFile file(dir.path());
    QCOMPARE(toBytes(file.read().value()), QByteArray("\x02\x02\x02"));
    QVERIFY(file.write({5, 0, 6}));
    QCOMPARE(contentOf(dir.filePath(kName)), QByteArray("\x05\x00\x06", 3));
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("gpsinit.ini"))), QByteArray("\x01\x01\x01"));
}

void tst_SettingsFile::write_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file: exactly three bytes")
        << QString() << QByteArray() << QByteArray("\x02\xff\x00", 3)
        << QByteArray("\x02\xff\x00", 3);
    QTest::newRow("short file grows to three")
        << kName << QByteArray("\x09") << QByteArray("\x03\xff\x05") << QByteArray("\x03\xff\x05");
    QTest::newRow("tail kept, new settings")
        << kName << QByteArray("\x03\xff\x05\xaa\xbb") << QByteArray("\x01\x00\x0c", 3)
        << QByteArray("\x01\x00\x0c\xaa\xbb", 5);
    QTest::newRow("other case name written in place")
        << QStringLiteral("gpsINIT.ini") << QByteArray("\x01\x01\x01")
        << QByteArray("\x04\x00\x04", 3) << QByteArray("\x04\x00\x04", 3);
}

void tst_SettingsFile::write()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    if (!name.isEmpty())
        makeFile(dir.filePath(name), before);
    QVERIFY(SettingsFile(dir.path()).write(fromBytes(bytes)));
    const QString written = name.isEmpty() ? kName : name;
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {written});
    QCOMPARE(contentOf(dir.filePath(written)), after);
}

void tst_SettingsFile::startAndExitRoundTrip_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("empty file") << QByteArray() << QByteArray(3, '\0');
    QTest::newRow("five bytes") << QByteArray("\x03\xff\x05\xaa\xbb")
                                << QByteArray("\x03\xff\x05\xaa\xbb");
    QTest::newRow("flag 01 becomes FF")
        << QByteArray("\x00\x01\x02", 3) << QByteArray("\x00\xff\x02", 3);
    QTest::newRow("port 12 stays 12")
        << QByteArray("\x0c\x00\x00", 3) << QByteArray("\x0c\x00\x00", 3);
}

void tst_SettingsFile::startAndExitRoundTrip()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    makeFile(dir.filePath(kName), before);
    const SettingsFile file(dir.path());
    // As start-up applies the bytes and the exit path stores the settings again.
    const SettingsFile::Bytes read = file.read().value();
    QVERIFY(file.write({read[0], quint8(read[1] != 0 ? 0xff : 0), read[2]}));
    QCOMPARE(contentOf(dir.filePath(kName)), after);
}

void tst_SettingsFile::writeFailureLosesNothing_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("folder in place of the file") << QStringLiteral("folder");
    QTest::newRow("read-only folder") << QStringLiteral("read-only folder");
    QTest::newRow("read-only file") << QStringLiteral("read-only file");
}

void tst_SettingsFile::writeFailureLosesNothing()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    const QString path = dir.filePath(kName);
    const QByteArray before("\x03\xff\x05\xaa\xbb");
    if (obstacle == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(kName));
    if (obstacle == QLatin1String("read-only file"))
        makeFile(path, before);
    QVERIFY(QFile::setPermissions(
        dir.path(), obstacle == QLatin1String("read-only folder") ? kReadOnlyFolder : kOpenFolder));
    if (obstacle == QLatin1String("read-only file"))
        QVERIFY(QFile::setPermissions(path, kReadOnlyFile));

    StderrCapture err;
    bool written = true;
    {
        WithoutRootFileAccess unprivileged;
        if (!unprivileged.works())
            QSKIP("running as root without a way to drop file access rights");
        // A folder of that name is no settings file, and no error either.
        QCOMPARE(SettingsFile(dir.path()).read().has_value(),
            obstacle == QLatin1String("read-only file"));
        written = SettingsFile(dir.path()).write({1, 0, 2});
    }
    const QByteArray text = err.finish();
    QVERIFY(QFile::setPermissions(dir.path(), kOpenFolder));
    QVERIFY(!written);
    QCOMPARE(text.count("horolux: cannot"), 1);
    QVERIFY2(text.contains("cannot write the settings file"), text.constData());
    if (obstacle == QLatin1String("folder"))
        QVERIFY(QFileInfo(path).isDir());
    else if (obstacle == QLatin1String("read-only file"))
        QCOMPARE(contentOf(path), before);
    else
        QVERIFY(!QFileInfo::exists(path));
}

void tst_SettingsFile::unreadableFileCountsAsAbsent()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kName);
    makeFile(path, QByteArray("\x03\xff\x05"));
    QVERIFY(QFile::setPermissions(dir.path(), kOpenFolder));
    QVERIFY(QFile::setPermissions(path, {}));
    StderrCapture err;
    std::optional<SettingsFile::Bytes> read;
    {
        WithoutRootFileAccess unprivileged;
        if (!unprivileged.works())
            QSKIP("running as root without a way to drop file access rights");
        read = SettingsFile(dir.path()).read();
    }
    const QByteArray text = err.finish();
    QVERIFY(!read);
    QCOMPARE(text.count("horolux: cannot"), 1);
    QVERIFY2(text.contains("cannot read the settings file"), text.constData());
}

void tst_SettingsFile::neverWritesThroughLinks_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("symbolic link") << QStringLiteral("symbolic");
    QTest::newRow("dangling symbolic link") << QStringLiteral("dangling");
    QTest::newRow("second hard link") << QStringLiteral("hard");
}

void tst_SettingsFile::neverWritesThroughLinks()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QTemporaryDir elsewhere; // another user's file, say /etc/passwd
    const QString target = elsewhere.filePath(QStringLiteral("passwd"));
    if (kind != QLatin1String("dangling"))
        makeFile(target, QByteArray("root:x:0:0"));
    const QString path = dir.filePath(kName);
    if (kind == QLatin1String("hard"))
        QCOMPARE(::link(QFile::encodeName(target), QFile::encodeName(path)), 0);
    else
        QVERIFY(QFile::link(target, path));

    const SettingsFile file(dir.path());
    QVERIFY(!file.unsafeReason().isEmpty()); // start-up tells the user before the exit
    StderrCapture err;
    QVERIFY(!file.write({1, 0, 2}));
    QCOMPARE(err.finish().count("horolux: cannot write the settings file"), 1);
    QCOMPARE(contentOf(target),
        kind == QLatin1String("dangling") ? QByteArray("<missing>") : QByteArray("root:x:0:0"));
}

void tst_SettingsFile::installedProgramKeepsSettingsOutOfItsPrefix()
{
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("usr"));
    const QString bin = prefix + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(bin));
    // Portable until the program's data folder is installed beside bin/.
    QCOMPARE(InstallLayout::settingsDir(bin, root.path()), bin);
    QCOMPARE(InstallLayout::stateDir(bin, root.path()), bin);
    QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/horolux")));
    QCOMPARE(InstallLayout::stateDir(bin, root.filePath(QStringLiteral("state"))),
        root.filePath(QStringLiteral("state/horolux")));

    const QString settings = InstallLayout::settingsDir(bin, root.filePath(QStringLiteral("cfg")));
    QCOMPARE(settings, root.filePath(QStringLiteral("cfg/horolux")));
    QVERIFY(SettingsFile(settings).write({1, 0xff, 2}));
    QVERIFY(PortMap(settings).write({{1, {QStringLiteral("/dev/ttyUSB0"), 9600}}}));
    QCOMPARE(PortMap(settings).entry(1)->speed, 9600);
    QDirIterator underPrefix(prefix, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QCOMPARE(underPrefix.hasNext() ? underPrefix.next() : QString(), QString());
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
