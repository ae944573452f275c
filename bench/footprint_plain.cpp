// The baseline of bench/footprint: an empty window of the primary window's
// size that stays until it is ended.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(912, 605);
    window.show();
    return QApplication::exec();
}
