#pragma once

#include <QTextBrowser>

// The program's help window: shows an HTML help file and follows the links between its topics.
class HelpViewer : public QTextBrowser
{
public:
    // Help command: open the file at its first topic.
    static constexpr int kForceFile = 9;

    // With an owner the window stays above it (the main window is kept on top).
    explicit HelpViewer(QWidget *owner = nullptr);

    // Shows the window with the file; false, and the window left as it was, when the file cannot
    // be read (errorString() says why).
    bool showHelp(const QString &file, int command);
    QString errorString() const { return m_error; }

private:
    QString m_error;
};
