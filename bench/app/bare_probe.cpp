// The yardstick for the game's start-up, memory and idle cost: a bare Qt Widgets window with the
// game's client size, filled with one colour that frame_watch waits for. It runs until stopped,
// so that it can be measured the way the game is.
#include <QApplication>
#include <QPainter>
#include <QWidget>

class Bare : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), QColor(0x12, 0x34, 0x56));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Bare window;
    window.setAttribute(Qt::WA_OpaquePaintEvent);
    window.resize(754, 556);
    window.show();
    return app.exec();
}
