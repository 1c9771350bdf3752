#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace quorvel {

class PictureButton;
class Surface;

// The game's one window. Its controls carry the names the game's handlers and tests know them by,
// both as members and as Qt object names.
class Tavola : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tavola(QWidget *parent = nullptr);
    ~Tavola() override;

    static QString institutionLine();
    static QString creditLine();
    static QString addressLine();

    Surface *surface() const { return m_surface; }

protected:
    Surface *m_surface = nullptr;

    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    PictureButton *cmdNext = nullptr;
    PictureButton *cmdExit = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *lblMessage = nullptr;
    QLabel *lblScore = nullptr;
    QLabel *lblScore1 = nullptr;
    QLabel *lblScore2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label6 = nullptr;
    QWidget *Picture1 = nullptr;

    QMenu *INFOMAZIONI = nullptr;
    QMenu *Ciao = nullptr;
    QAction *via = nullptr;
    QAction *Next = nullptr;

private:
    void buildControls();
    void buildMenus();
};

} // namespace quorvel
