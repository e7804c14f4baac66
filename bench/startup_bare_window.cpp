// The baseline of bench_startup: a bare Qt program that shows one empty window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(543, 229);
    window.show();
    return QApplication::exec();
}
