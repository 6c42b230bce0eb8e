// The references the benchmarks hold the program against:
//   bench_bare_window          a bare Qt Widgets program that shows one window and waits
//   bench_bare_window --tick   a Qt program with no window that wakes once a second, the least
//                              a program that follows the clock's seconds can do

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstring>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--tick") == 0) {
        QApplication::setQuitOnLastWindowClosed(false);
        int ticks = 0;
        QTimer second;
        QObject::connect(&second, &QTimer::timeout, &second, [&ticks] { ++ticks; });
        second.start(1000);
        return QApplication::exec();
    }
    QLabel window(QStringLiteral("A bare Qt Widgets window"));
    window.setWindowTitle(QStringLiteral("reference"));
    window.resize(263, 213);
    window.show();
    return QApplication::exec();
}
