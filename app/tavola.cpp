#include "app/tavola.h"

#include "app/design.h"
#include "app/picture_button.h"
#include "app/surface.h"
#include "character/agent.h"
#include "character/character_file.h"
#include "words/numlett.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTime>

// Q_INIT_RESOURCE must be called outside any namespace; the pictures live in this static library,
// where the linker would otherwise drop them.
static void initWindowResources()
{
    Q_INIT_RESOURCE(window);
}

namespace quorvel {

using design::box;
using design::rgb;
using design::SystemColour;
using design::systemColour;

namespace {

// A label as the game's layout wants it: a fixed box painted in its back colour, text wrapping at
// blanks and cut off where it does not fit, and optionally a thin single-line border.
class DesignLabel : public QLabel
{
public:
    DesignLabel(bool bordered, QWidget *parent)
        : QLabel(parent)
        , m_bordered(bordered)
    {
        setAutoFillBackground(true);
        setWordWrap(true);
        setMargin(bordered ? 1 : 0);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        if (!m_bordered)
            return;
        QPainter painter(this);
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    bool m_bordered;
};

struct LabelDesign
{
    QLabel *&control;
    const char *name;
    QRect geometry;
    const char *text;
    QFont font;
    std::optional<QColor> back; // empty: button face
    std::optional<QColor> fore; // empty: button text
    Qt::Alignment alignment;
    bool bordered;
};

void setColours(QWidget *widget, QPalette::ColorRole backRole, const QColor &back,
                QPalette::ColorRole foreRole, const QColor &fore)
{
    QPalette p = widget->palette();
    p.setColor(backRole, back);
    p.setColor(foreRole, fore);
    widget->setPalette(p);
}

QPixmap picture(const char *name)
{
    QPixmap pixmap(QStringLiteral(":/window/%1.xpm").arg(QLatin1String(name)));
    Q_ASSERT(!pixmap.isNull());
    return pixmap;
}

// The pencil's tip is the pointer picture's top-left pixel (Qt's XPM reader skips the hot spot
// written in the file).
constexpr QPoint PointerHotSpot {0, 0};

} // namespace

const QString Tavola::CharacterId = QStringLiteral("Merlin");
const QString Tavola::CharacterLoadKey = QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs");
const QString Tavola::Greeting = QStringLiteral(
    "Ciao. Vuoi giocare con me con l'abaco? E allora che il gioco abbia inizio. Che la magia "
    "sia con te");

Tavola::Tavola(const Seams &seams, QWidget *parent)
    : QMainWindow(parent)
    , m_seams(seams)
{
    initWindowResources();
    setObjectName(QStringLiteral("Tavola"));
    setWindowTitle(QStringLiteral("Quorvel -  ") + institutionLine() + QStringLiteral("  -  ")
                   + creditLine());
    setWindowIcon(QIcon(picture("quorvel-icon")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setCursor(QCursor(picture("pointer"), PointerHotSpot.x(), PointerHotSpot.y()));

    m_surface = new Surface(this);
    m_surface->setObjectName(QStringLiteral("surface"));
    setCentralWidget(m_surface);
    // The client area keeps its size: the window is neither resized nor maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    buildControls();
    buildMenus();
    connectHandlers();
    if (m_seams.numbers)
        m_draw.setSource(m_seams.numbers);

    Form_Load();
}

Tavola::~Tavola()
{
    // The controls are torn down after this: the answer box losing the focus then is no handler's
    // business.
    Text3->removeEventFilter(this);
}

QString Tavola::institutionLine()
{
    return QStringLiteral("Laboratorio dell'abaco");
}

QString Tavola::creditLine()
{
    return QStringLiteral("Un gioco di Ada Quorvel e Bruno Abaco");
}

QString Tavola::addressLine()
{
    return QStringLiteral("Via dei Numeri 10, 00000 Borgo Abaco (AB)");
}

void Tavola::buildControls()
{
    QWidget *client = m_surface;
    const QPalette &palette = client->palette();
    const QColor buttonFace = systemColour(SystemColour::ButtonFace, palette);
    const QColor buttonText = systemColour(SystemColour::ButtonText, palette);
    const QFont buttonFont = design::font(QStringLiteral("MS Sans Serif"), 8.25, true);
    const QFont captionFont = design::font(QStringLiteral("MS Sans Serif"), 18);
    const QFont scoreFont = design::font(QStringLiteral("Times New Roman"), 36, true);
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;

    // Text boxes: the answer box, and the two hidden holders of the number and its words.
    auto textBox = [&](const char *name, QRect geometry, const char *text, const QFont &f,
                       QColor back, QColor fore) {
        auto *edit = new QLineEdit(QString::fromUtf8(text), client);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(geometry);
        edit->setFont(f);
        setColours(edit, QPalette::Base, back, QPalette::Text, fore);
        return edit;
    };
    const QColor windowBackground = systemColour(SystemColour::WindowBackground, palette);
    const QColor windowText = systemColour(SystemColour::WindowText, palette);
    Text1 = textBox("Text1", box(600, 120, 1935, 405), "0", design::font("MS Sans Serif", 12, true),
                    rgb(255, 128, 255), windowText);
    Text1->setMaxLength(12);
    Text1->hide();
    Text2 = textBox("Text2", box(2880, 7080, 4695, 1125), "Testo", design::font("Arial", 48, true),
                    windowBackground, rgb(0, 255, 0));
    Text2->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    Text2->hide();
    Text3 = textBox("Text3", box(2880, 7320, 5055, 915), "Text3", design::font("Arial", 48),
                    rgb(192, 255, 192), rgb(0, 192, 192));
    Text3->setAlignment(Qt::AlignCenter);
    Text3->setMaxLength(250);
    Text3->setToolTip(QStringLiteral("Scrivi il numero e poi premi  il tasto Return (Invio)"));

    // Buttons.
    cmdNext = new PictureButton(QStringLiteral("&Nuovo calcolo"), rgb(255, 128, 255),
                                picture("smile"), client);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setDownPicture(picture("laugh"));
    cmdNext->setGeometry(box(480, 7320, 1815, 855));
    cmdNext->setToolTip(QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
    cmdNext->setEnabled(false);
    cmdNext->setCursor(Qt::PointingHandCursor);

    cmdExit
        = new PictureButton(QStringLiteral("E&xit"), rgb(0, 192, 192), picture("no-entry"), client);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(box(8520, 7320, 1815, 855));
    cmdExit->setToolTip(QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));

    for (PictureButton *button : {cmdNext, cmdExit}) {
        button->setFont(buttonFont);
        // Only the enabled look takes the desktop's button text; a disabled caption stays grey.
        QPalette p = button->palette();
        p.setColor(QPalette::Active, QPalette::ButtonText, buttonText);
        p.setColor(QPalette::Inactive, QPalette::ButtonText, buttonText);
        button->setPalette(p);
    }

    Command3 = new QPushButton(QStringLiteral("verifica"), client);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(box(720, 1080, 975, 435));
    Command3->setFont(design::font(QStringLiteral("MS Sans Serif"), 8.25));
    Command3->hide();

    // Labels. Each caption stands above the score it names.
    const LabelDesign labels[] = {
        // Left-aligned: a verdict wider than its small box is cut off, and its first letters are
        // what tells the pupil "Esatto" from "Sbagliato".
        {lblMessage, "lblMessage", box(5520, 5160, 1305, 555), "io",
         design::font("MS Sans Serif", 24, true, true), rgb(0, 255, 255), rgb(255, 0, 0), left,
         false},
        {Label6, "Label6", box(240, 5880, 2565, 495), "Risposte esatte", captionFont,
         rgb(224, 224, 224), rgb(0, 192, 0), centred, true},
        {Label1, "Label1", box(4200, 5880, 2520, 495), "Risposte errate", captionFont, std::nullopt,
         rgb(255, 0, 0), left, true},
        {Label3, "Label3", box(8160, 5880, 2340, 495), "Risposte totali", captionFont, std::nullopt,
         rgb(0, 0, 255), left, true},
        {lblScore, "lblScore", box(1200, 6360, 555, 795), "0", scoreFont, rgb(255, 255, 0),
         std::nullopt, centred, true},
        {lblScore1, "lblScore1", box(5280, 6360, 540, 795), "0", scoreFont, std::nullopt,
         rgb(255, 0, 0), centred, true},
        {lblScore2, "lblScore2", box(9120, 6360, 555, 885), "0", scoreFont, std::nullopt,
         rgb(0, 0, 255), centred, true},
    };
    for (const LabelDesign &d : labels) {
        auto *label = new DesignLabel(d.bordered, client);
        d.control = label;
        label->setObjectName(QLatin1String(d.name));
        label->setGeometry(d.geometry);
        label->setText(QString::fromUtf8(d.text));
        label->setFont(d.font);
        label->setAlignment(d.alignment);
        setColours(label, QPalette::Window, d.back.value_or(buttonFace), QPalette::WindowText,
                   d.fore.value_or(buttonText));
    }
    lblMessage->setCursor(Qt::PointingHandCursor);
    lblScore->setToolTip(QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));

    // Holder of the character control; it never shows.
    Picture1 = new QWidget(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(box(1200, 2280, 975, 1095));
    Picture1->hide();
    Agent1 = m_seams.characterFolders.isEmpty()
        ? new AgentControl(Picture1)
        : new AgentControl(m_seams.characterFolders, Picture1);
    Agent1->setObjectName(QStringLiteral("Agent1"));
    if (m_seams.agentCreated)
        m_seams.agentCreated(Agent1);

    // Tab order follows the controls' tab indexes; hidden and disabled controls are skipped, so
    // the pupil cycles through "E&xit", the answer box and "&Nuovo calcolo".
    QWidget::setTabOrder(cmdExit, Text1);
    QWidget::setTabOrder(Text1, Text2);
    QWidget::setTabOrder(Text2, Text3);
    QWidget::setTabOrder(Text3, cmdNext);
    QWidget::setTabOrder(cmdNext, Picture1);
    QWidget::setTabOrder(Picture1, Command3);
}

void Tavola::buildMenus()
{
    INFOMAZIONI = menuBar()->addMenu(QStringLiteral("INFORMAZIONI"));
    INFOMAZIONI->setObjectName(QStringLiteral("INFOMAZIONI"));
    Ciao = INFOMAZIONI->addMenu(creditLine());
    Ciao->setObjectName(QStringLiteral("Ciao"));
    via = Ciao->addAction(addressLine());
    via->setObjectName(QStringLiteral("via"));
    Next = menuBar()->addAction(QStringLiteral("nuovo"));
    Next->setObjectName(QStringLiteral("Next"));
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
    return QRect(CharacterPlace, QSize(width, CharacterHeight));
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

void Tavola::connectHandlers()
{
    connect(cmdNext, &QPushButton::clicked, this, &Tavola::cmdNext_Click);
    connect(Command3, &QPushButton::clicked, this, &Tavola::Command3_Click);
    connect(cmdExit, &QPushButton::clicked, this, &Tavola::cmdExit_Click);
    connect(Next, &QAction::triggered, this, &Tavola::Next_Click);
    Text3->installEventFilter(this);
}

bool Tavola::event(QEvent *event)
{
    // The window is activated again whenever a message box closes or the pupil comes back from
    // another program; the contest starts only at the first activation after loading.
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        const bool handled = QMainWindow::event(event);
        Form_Activate();
        return handled;
    }
    return QMainWindow::event(event);
}

bool Tavola::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Text3)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        int KeyAscii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            KeyAscii = 13;
        else if (key->key() == Qt::Key_Backspace)
            KeyAscii = 8;
        else if (!key->text().isEmpty())
            KeyAscii = key->text().at(0).unicode();
        // Keys that type nothing (arrows, shift) are no key press for the game.
        if (KeyAscii != 0)
            Text3_KeyPress(KeyAscii);
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

void Tavola::Form_Load()
{
    esatte.reset();
    errate.reset();
    Agent1->Characters().Load(CharacterId, CharacterLoadKey);
    auto merlin = Agent1->Characters().Item(CharacterId);
    merlin->Show();
    merlin->MoveTo(CharacterPlace.x(), CharacterPlace.y());
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
    }

    Text3->setText(QString());
    Text3->setFocus();
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
    cmdNext->setFocus();
    const bool right = answerIsRight();
    if (right) {
        esatte.increment();
        setVerdict(rules::answerVerdict(true, Text1->text().toStdString()));
        // The score labels catch up at the next exercise's check.
    } else {
        errate.increment();
        setVerdict(rules::answerVerdict(false, Text1->text().toStdString()));
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
        merlin->Speak(QStringLiteral("Attenzione hai sbagliato! Il numero è"));
        merlin->Speak(Text2->text());
    }
}

void Tavola::Next_Click()
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("INIZIARE NUOVA GARA"),
                         QStringLiteral("INIZIAMO UNA NUOVA GARA  ?"),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() == QMessageBox::No) {
        // As on any desktop, the window the question belonged to becomes active again, even
        // where no window manager is there to do it.
        activateWindow();
        return;
    }
    emit newContestRequested();
}

void Tavola::cmdExit_Click()
{
    const QLocale locale = QLocale::system();
    const QString time = locale.toString(QTime::currentTime(), QLocale::LongFormat);
    const QString date = locale.toString(QDate::currentDate(), QLocale::ShortFormat);
    QMessageBox goodbye(QMessageBox::NoIcon, QStringLiteral("Data ") + date,
                        QStringLiteral("Ciao a presto. Ore ") + time, QMessageBox::Ok, this);
    goodbye.exec();
    emit programEnds(0);
}

} // namespace quorvel
