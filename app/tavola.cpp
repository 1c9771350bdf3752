#include "app/tavola.h"

#include "app/accessible.h"
#include "app/design.h"
#include "app/key_ascii.h"
#include "app/picture_button.h"
#include "app/platform.h"
#include "app/step_aside.h"
#include "app/surface.h"
#include "app/time_format.h"
#include "app/wayland_popups.h"
#include "character/agent.h"
#include "character/format/character_file.h"
#include "words/numlett.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTime>

namespace quorvel {

const QString Tavola::CharacterId = QStringLiteral("Merlin");
const QString Tavola::CharacterLoadKey = QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs");
const QString Tavola::NextDescription = QStringLiteral("Passa all'esercizio successivo");
const QString Tavola::Greeting = QStringLiteral(
    "Ciao. Vuoi giocare con me con l'abaco? E allora che il gioco abbia inizio. Che la magia "
    "sia con te");

Tavola::Tavola(const Seams &seams, QWidget *parent)
    : QMainWindow(parent)
    , m_seams(seams)
{
    buildWindow();
    buildControls();
    buildMenus();
    connectHandlers();
    if (m_seams.numbers)
        m_draw.setSource(m_seams.numbers);

    Form_Load();
    // The wizard and his balloon float over this window: on Wayland only as its popups can they
    // stay off the keyboard and stand where the game puts them.
    auto merlin = Agent1->Characters().Item(CharacterId);
    floatOver(merlin->window(), this, Dragging::ByThePupil);
    floatOver(merlin->balloon(), this);
    if (!onWayland())
        new StepAside(
            merlin->window(), this, [this] { return characterPlace(); },
            [this] { return abacusArea(); });
}

Tavola::~Tavola()
{
    // The controls are torn down after this: the answer box losing the focus then is no handler's
    // business.
    Text3->removeEventFilter(this);
}

namespace {

QColor toQColor(const rules::Colour &c)
{
    return QColor(c.red, c.green, c.blue);
}

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString scoreText(int value)
{
    return QString::fromStdString(rules::scoreText(value));
}

} // namespace

QString Tavola::numlett(const Currency &numer) const
{
    return QString::fromStdString(quorvel::numlett(numer));
}

QRect Tavola::characterArea() const
{
    const QSizeF artwork = Agent1->Characters().Item(CharacterId)->loaded().model.viewBox;
    const int width = qRound(CharacterHeight * artwork.width() / artwork.height());
    QRect area(CharacterPlace, QSize(width, CharacterHeight));
    // On a small screen (or a large scale factor) the fixed place lies partly off the screen:
    // he greets from its nearest spot where the pupil sees all of him.
    const QRect free = screen()->availableGeometry();
    area.moveLeft(qMax(free.left(), qMin(area.left(), free.right() + 1 - area.width())));
    area.moveTop(qMax(free.top(), qMin(area.top(), free.bottom() + 1 - area.height())));
    return area;
}

QPoint Tavola::characterPlace()
{
    if (!onWayland())
        return characterArea().topLeft();
    // On Wayland he is a popup of this window (see floatOver): Qt places him in the window's own
    // coordinates, where his spot would hide beads. He stands beside the abacus instead, on the
    // window, as near to his spot as he can.
    layout()->activate();
    return popupPlace(rect(), characterArea().size(), abacusArea().adjusted(-8, -8, 8, 8),
                      CharacterPlace);
}

QRect Tavola::abacusArea() const
{
    QRect area;
    for (const Shape *shape : m_surface->abacus().paintOrder())
        if (shape != &m_surface->abacus().baseBar())
            area |= shape->box;
    return area.translated(m_surface->pos());
}

bool Tavola::answerIsRight() const
{
    return rules::isRight(Text3->text().toStdString(), Text1->text().toStdString());
}

long long Tavola::numberInText1() const
{
    return Currency::fromText(Text1->text().toStdString()).wholePart();
}

QStringList Tavola::characterFolders() const
{
    return m_seams.characterFolders.isEmpty() ? defaultCharacterFolders()
                                              : m_seams.characterFolders;
}

void Tavola::connectHandlers()
{
    connect(cmdNext, &QPushButton::clicked, this, &Tavola::cmdNext_Click);
    connect(Command3, &QPushButton::clicked, this, &Tavola::Command3_Click);
    connect(cmdExit, &QPushButton::clicked, this, &Tavola::cmdExit_Click);
    connect(Next, &QAction::triggered, this, &Tavola::Next_Click);
    Text3->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_surface->isAncestorOf(now))
            m_lastControl = now;
    });
}

bool Tavola::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        const bool handled = QMainWindow::event(event);
        countAsActivated();
        return handled;
    }
    return QMainWindow::event(event);
}

void Tavola::countAsActivated()
{
    // The window is activated again whenever a message box closes or the pupil comes back from
    // another program; the contest starts only at the first activation after loading.
    if (m_activated)
        return;
    m_activated = true;
    Form_Activate();
}

bool Tavola::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Text3)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (const auto code = keyAscii(key->key(), key->modifiers(), key->text())) {
            int KeyAscii = *code;
            Text3_KeyPress(KeyAscii);
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Only the focus moving on to another control of this window counts: not the window
        // losing the activation, nor a menu or popup opening over it.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        QWidget *now = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
            && reason != Qt::MenuBarFocusReason && now && now != Text3 && now->window() == this)
            Text3_LostFocus();
    }
    return false; // every key reaches the box unchanged
}

void Tavola::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void Tavola::setVerdict(const rules::Verdict &verdict)
{
    QPalette p = lblMessage->palette();
    p.setColor(QPalette::WindowText, toQColor(verdict.colour));
    lblMessage->setPalette(p);
    lblMessage->setText(QString::fromStdString(verdict.text));
}

void Tavola::readBeads()
{
    const QString counts = accessible::beadCounts(m_surface->abacus());
    abacusReading->setAccessibleName(QStringLiteral("Abaco: ") + counts);
    abacusReading->setAccessibleDescription(counts);
}

void Tavola::Form_Load()
{
    esatte.reset();
    errate.reset();
    Agent1->Characters().Load(CharacterId, CharacterLoadKey);
    auto merlin = Agent1->Characters().Item(CharacterId);
    merlin->Show();
    const QPoint place = characterPlace();
    merlin->MoveTo(place.x(), place.y());
    merlin->Play(QStringLiteral("Announce"));
    merlin->setHeight(CharacterHeight);
    merlin->Speak(Greeting);
}

void Tavola::Form_Activate()
{
    cmdNext_Click();
    errate.reset();
    esatte.reset();
}

void Tavola::cmdNext_Click()
{
    Command3_Click();

    Abacus &abacus = m_surface->abacus();
    abacus.showAllBeads();
    Text2->setText(QString());
    lblMessage->setText(QString());

    const int n = m_draw.next(); // reseeded from the clock at every draw
    Text1->setText(QString::number(n));
    const rules::Digits digits = rules::splitDigits(int(numberInText1()));
    Text2->setText(numlett(Currency::fromText(Text1->text().toStdString())));

    {
        // Milestone praise: the character shows itself at every exercise, so a pupil who hid the
        // wizard gets him back; the score read is the one on display.
        auto merlin = Agent1->Characters().Item(CharacterId);
        merlin->Show();
        for (const rules::Milestone &row : rules::praiseFor(lblScore->text().toStdString())) {
            merlin->Play(text(row.animation));
            merlin->Speak(text(row.text));
        }

        abacus.showDigit(Abacus::Rod::Units, digits.units);
        abacus.showDigit(Abacus::Rod::Tens, digits.tens);
        abacus.showDigit(Abacus::Rod::Hundreds, digits.hundreds);
        abacus.showDigit(Abacus::Rod::Thousands, digits.thousands);
        readBeads();
    }

    // Focused while it still holds the old answer: emptied first, a screen reader takes the
    // caret's move for the news and stays silent about the focus, the new exercise unannounced.
    Text3->setFocus();
    Text3->setText(QString());
    // The verdict spoken with the button belonged to the answer just checked.
    cmdNext->setAccessibleDescription(NextDescription);
    m_surface->setBackgroundColour(toQColor(rules::backgroundColour(esatte, errate)));
    paintGradient();
}

void Tavola::paintGradient()
{
    RuntimeDrawing &drawing = m_surface->drawing();
    drawing.setScaleHeight(rules::GradientScaleHeight);
    // The stripes run to the window's outer width counted in twips, far past the right edge.
    const double width = frameGeometry().width() * design::TwipsPerPixel;
    for (int i = 0; i < rules::GradientStripes; ++i) {
        const rules::Stripe stripe = rules::gradientStripe(i);
        drawing.box(QPointF(0, stripe.top), QPointF(width, stripe.bottom), toQColor(stripe.colour));
    }
    m_surface->update();
}

void Tavola::Command3_Click()
{
    const bool right = answerIsRight();
    setVerdict(rules::checkVerdict(right, Text2->text().toStdString()));
    if (!right) {
        lblScore1->setText(scoreText(errate.value()));
        cmdNext->setEnabled(true);
        cmdNext->setFocus();
    }
    lblScore->setText(scoreText(esatte.value()));
    cmdNext->setEnabled(true);
    cmdNext->setFocus();
    lblScore2->setText(scoreText(rules::total(esatte, errate)));
    cmdNext->setEnabled(true);
    cmdNext->setFocus();
}

void Tavola::Text3_KeyPress(int &KeyAscii)
{
    m_surface->drawing().clear();
    m_surface->update();
    if (KeyAscii != 13)
        return;
    const bool right = answerIsRight();
    const rules::Verdict verdict = rules::answerVerdict(right, Text1->text().toStdString());
    // A screen reader says no label's new text: the verdict is spoken with the button the focus
    // moves to, once, as the pupil presses Enter.
    accessible::focusSaying(cmdNext, QString::fromStdString(verdict.text));
    if (right) {
        esatte.increment();
        setVerdict(verdict);
        // The score labels catch up at the next exercise's check.
    } else {
        errate.increment();
        setVerdict(verdict);
        lblScore1->setText(scoreText(errate.value()));
        lblScore->setText(scoreText(esatte.value()));
        lblScore2->setText(scoreText(rules::total(esatte, errate)));
    }
}

void Tavola::Text3_LostFocus()
{
    auto merlin = Agent1->Characters().Item(CharacterId);
    merlin->Show();
    const bool right = answerIsRight();
    // Zero has no words, so it is never read out.
    if (numberInText1() != 0 && !right) {
        // A correction still waiting concerns a number that has left the screen; one already
        // being spoken is let finish, so that the pupil never hears half of it.
        if (!m_correction.isEmpty() && merlin->isWaiting(m_correction.first())) {
            for (const CharacterRequest &old : std::as_const(m_correction))
                merlin->Stop(old);
        }
        // A screen reader has just spoken the verdict and the number with the focused button: his
        // voice would say the same over it, so his correction is shown and not heard.
        const bool aloud = !QAccessible::isActive();
        m_correction
            = {merlin->Speak(QStringLiteral("Attenzione hai sbagliato! Il numero è"), aloud),
               merlin->Speak(Text2->text(), aloud)};
    }
}

void Tavola::Next_Click()
{
    // One box at a time: input already on its way as a box opens (a quick second click, a key)
    // can still reach this window, and must not open another box inside the first, where
    // answering the inner one would leave the outer one waiting on a window that is gone.
    if (QApplication::activeModalWidget())
        return;
    QMessageBox question(QMessageBox::Question, QStringLiteral("INIZIARE NUOVA GARA"),
                         QStringLiteral("INIZIAMO UNA NUOVA GARA  ?"),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    // Once the pupil has said Yes this window is on its way out: clicks and keys already on their
    // way (a quick second click) would otherwise reach it while the question closes, and open the
    // goodbye or a second question before the new contest.
    connect(&question, &QMessageBox::buttonClicked, this, [this, &question](QAbstractButton *b) {
        if (question.standardButton(b) == QMessageBox::Yes)
            setEnabled(false);
    });
    keepFloatingOffWhileOpening(&question);
    if (question.exec() == QMessageBox::No) {
        // As on any desktop, the window the question belonged to becomes active again, even
        // where no window manager is there to do it; the keyboard goes back to the control the
        // pupil was on, not to the menu bar that a keyboard-opened menu took it to.
        activateWindow();
        (m_lastControl ? m_lastControl.data() : static_cast<QWidget *>(Text3))->setFocus();
        return;
    }
    emit newContestRequested();
}

void Tavola::cmdExit_Click()
{
    if (QApplication::activeModalWidget())
        return; // one box at a time, as for the new contest's question
    const QLocale locale = QLocale::system();
    const QString time = locale.toString(QTime::currentTime(), longTimeFormatWithoutZone(locale));
    const QString date = locale.toString(QDate::currentDate(), QLocale::ShortFormat);
    QMessageBox goodbye(QMessageBox::NoIcon, QStringLiteral("Data ") + date,
                        QStringLiteral("Ciao a presto. Ore ") + time, QMessageBox::Ok, this);
    keepFloatingOffWhileOpening(&goodbye);
    goodbye.exec();
    emit programEnds(0);
}

} // namespace quorvel
