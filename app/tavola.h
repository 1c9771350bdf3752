#pragma once

#include "character/action.h"
#include "engine/rules.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace quorvel {

class AgentControl;
class Currency;
class PictureButton;
class Surface;

// The game's one window. Its controls carry the names the game's handlers and tests know them by,
// both as members and as Qt object names; its handlers are named after control and event and run
// their steps in the game's fixed order.
class Tavola : public QMainWindow
{
    Q_OBJECT
public:
    // What tests may replace. The game itself uses the defaults.
    struct Seams
    {
        QStringList characterFolders; // empty: where the installed or built game keeps them
        std::function<int()> numbers; // empty: a fresh random draw at every exercise
        std::function<void(AgentControl *)> agentCreated; // before the character is loaded
    };

    // Loading the window runs its Load handler: the character is loaded and greets.
    explicit Tavola(const Seams &seams = {}, QWidget *parent = nullptr);
    ~Tavola() override;

    static const QString CharacterId;
    static const QString CharacterLoadKey;
    static const QString Greeting;

    // Where the wizard stands on the screen once loaded: he greets from a fixed place, moved
    // onto the screen where it would fall outside.
    static constexpr QPoint CharacterPlace {630, 175};
    static constexpr int CharacterHeight = 205;
    QRect characterArea() const;
    // Where the beads and rods lie, in the window's coordinates.
    QRect abacusArea() const;

    // The Italian name of a number, as the character reads it.
    QString numlett(const Currency &numer) const;

    // The first activation after loading starts the contest. The program counts the window as
    // activated when it shows it, without waiting for the window system; later calls do nothing.
    void countAsActivated();

    Surface *surface() const { return m_surface; }
    const rules::Counter &correctAnswers() const { return esatte; }
    const rules::Counter &wrongAnswers() const { return errate; }

signals:
    // The pupil asked for a new contest: the window is to be unloaded and loaded afresh.
    void newContestRequested();
    // The pupil said goodbye: the program ends with this status.
    void programEnds(int status);
    // The pupil closed the window.
    void closed();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // Handlers.
    void Form_Load();
    void Form_Activate();
    void cmdNext_Click();
    void Command3_Click();
    void cmdExit_Click();
    void Next_Click();
    void Text3_KeyPress(int &KeyAscii);
    void Text3_LostFocus();

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
    QWidget *abacusReading = nullptr; // the beads in words, for screen readers
    AgentControl *Agent1 = nullptr;

    QMenu *INFOMAZIONI = nullptr;
    QMenu *Ciao = nullptr;
    QAction *via = nullptr;
    QAction *Next = nullptr;

    rules::Counter esatte;
    rules::Counter errate;

private:
    // The window and its controls as laid out (tavola_controls.cpp).
    void buildWindow();
    void buildControls();
    void buildMenus();
    void connectHandlers();
    // The texts of the caption and the credits menu.
    static QString institutionLine();
    static QString creditLine();
    static QString addressLine();
    static const QString NextDescription; // cmdNext's, while no verdict is to be spoken with it
    QStringList characterFolders() const; // where the character files are looked for
    QPoint characterPlace(); // where he greets from, in the coordinates his window is moved in
    void setVerdict(const rules::Verdict &verdict);
    void readBeads(); // the abacus's accessible name and description follow its beads
    void paintGradient();
    bool answerIsRight() const;
    long long numberInText1() const;

    Seams m_seams;
    rules::NumberDraw m_draw;
    bool m_activated = false;
    // The control the pupil was on before a menu took the keyboard: the question's No goes back.
    QPointer<QWidget> m_lastControl;
    // The last correction asked for: while it has not started, a newer one replaces it.
    QList<CharacterRequest> m_correction;
};

} // namespace quorvel
