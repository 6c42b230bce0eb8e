#include "HelpViewer.h"

#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QUrl>

HelpViewer::HelpViewer(QWidget *owner)
    : QTextBrowser(owner)
{
    setWindowFlags(Qt::Window);
    setWindowTitle(QStringLiteral("Horolux Help"));
    setOpenExternalLinks(true);
    resize(560, 520);
}

bool HelpViewer::showHelp(const QString &file, int command)
{
    QFile probe(file);
    if (!QFileInfo(file).isFile() || !probe.open(QIODevice::ReadOnly)) {
        m_error = QFileInfo::exists(file) ? probe.errorString() : QStringLiteral("No such file");
        return false;
    }
    probe.close();
    m_error.clear();
    const QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    if (source() == url)
        reload(); // the file may have changed since it was last shown
    else
        setSource(url, QTextDocument::HtmlResource);
    if (!documentTitle().isEmpty())
        setWindowTitle(documentTitle());
    if (command == kForceFile) {
        moveCursor(QTextCursor::Start);
        verticalScrollBar()->setValue(0);
    }
    show();
    raise();
    activateWindow();
    return true;
}
