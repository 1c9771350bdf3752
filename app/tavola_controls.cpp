// The window's controls as the game's layout places them: their boxes, texts, fonts, colours,
// pictures and menus. The handlers that give them life are in tavola.cpp.
#include "app/tavola.h"

#include "app/accessible.h"
#include "app/design.h"
#include "app/picture_button.h"
#include "app/surface.h"
#include "character/agent.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>

namespace quorvel {

namespace pictures {
// An XPM picture is C source, which Qt reads from memory with its own reader: read from a file,
// even one in the resources, Qt first looks through every image plugin for one that claims it.
#include "assets/window/laugh.xpm"
#include "assets/window/no-entry.xpm"
#include "assets/window/pointer.xpm"
#include "assets/window/quorvel-icon.xpm"
#include "assets/window/smile.xpm"
} // namespace pictures

using design::box;
using design::rgb;
using design::SystemColour;
using design::systemColour;

namespace {

// Gives a widget its font the first time it is shown. The hidden holders of the number and its
// words never are in play; with their fonts set at once, Qt would load two more faces at start-up
// and lay out their texts in them at every exercise, for nothing on the screen.
class FontWhenShown : public QObject
{
public:
    FontWhenShown(QWidget *widget, const QFont &font)
        : QObject(widget)
        , m_font(font)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            static_cast<QWidget *>(watched)->setFont(m_font);
            deleteLater();
        }
        return false;
    }

private:
    QFont m_font;
};

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
    // For screen readers: what the text is, and a description other than the text itself.
    const char *caption = nullptr;
    const char *description = nullptr;
};

void setColours(QWidget *widget, QPalette::ColorRole backRole, const QColor &back,
                QPalette::ColorRole foreRole, const QColor &fore)
{
    QPalette p = widget->palette();
    p.setColor(backRole, back);
    p.setColor(foreRole, fore);
    widget->setPalette(p);
}

QPixmap picture(const char *const xpm[])
{
    const QPixmap pixmap(xpm);
    Q_ASSERT(!pixmap.isNull());
    return pixmap;
}

// The pencil's tip is the pointer picture's top-left pixel (Qt's XPM reader skips the hot spot
// written in the file).
constexpr QPoint PointerHotSpot {0, 0};

} // namespace

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

void Tavola::buildWindow()
{
    setObjectName(QStringLiteral("Tavola"));
    setWindowTitle(QStringLiteral("Quorvel -  ") + institutionLine() + QStringLiteral("  -  ")
                   + creditLine());
    setWindowIcon(QIcon(picture(pictures::quorvel_icon)));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setCursor(QCursor(picture(pictures::pointer), PointerHotSpot.x(), PointerHotSpot.y()));

    m_surface = new Surface(this);
    m_surface->setObjectName(QStringLiteral("surface"));
    accessible::hideHiddenChildren(m_surface);
    setCentralWidget(m_surface);
    // The client area keeps its size: the window is neither resized nor maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
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
                       QColor back, QColor fore, bool shown = true) {
        auto *edit = new QLineEdit(QString::fromUtf8(text), client);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(geometry);
        if (shown) {
            edit->setFont(f);
        } else {
            new FontWhenShown(edit, f);
            edit->hide();
        }
        setColours(edit, QPalette::Base, back, QPalette::Text, fore);
        return edit;
    };
    const QColor windowBackground = systemColour(SystemColour::WindowBackground, palette);
    const QColor windowText = systemColour(SystemColour::WindowText, palette);
    Text1 = textBox("Text1", box(600, 120, 1935, 405), "0", design::font("MS Sans Serif", 12, true),
                    rgb(255, 128, 255), windowText, false);
    Text1->setMaxLength(12);
    Text2 = textBox("Text2", box(2880, 7080, 4695, 1125), "Testo", design::font("Arial", 48, true),
                    windowBackground, rgb(0, 255, 0), false);
    Text2->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    Text3 = textBox("Text3", box(2880, 7320, 5055, 915), "Text3", design::font("Arial", 48),
                    rgb(192, 255, 192), rgb(0, 192, 192));
    Text3->setAlignment(Qt::AlignCenter);
    Text3->setMaxLength(250);
    Text3->setToolTip(QStringLiteral("Scrivi il numero e poi premi  il tasto Return (Invio)"));
    Text3->setAccessibleName(QStringLiteral("Risposta"));
    Text3->setAccessibleDescription(
        QStringLiteral("Scrivi in cifre il numero che mostra l'abaco, poi premi Invio"));

    // Buttons.
    cmdNext = new PictureButton(QStringLiteral("&Nuovo calcolo"), rgb(255, 128, 255),
                                picture(pictures::smile), client);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setDownPicture(picture(pictures::laugh));
    cmdNext->setGeometry(box(480, 7320, 1815, 855));
    cmdNext->setToolTip(QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
    cmdNext->setEnabled(false);
    cmdNext->setCursor(Qt::PointingHandCursor);
    cmdNext->setAccessibleName(QStringLiteral("Nuovo calcolo"));
    cmdNext->setAccessibleDescription(NextDescription);

    cmdExit = new PictureButton(QStringLiteral("E&xit"), rgb(0, 192, 192),
                                picture(pictures::no_entry), client);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(box(8520, 7320, 1815, 855));
    cmdExit->setToolTip(QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));
    // The caption is English; whoever cannot see it hears what the button does.
    cmdExit->setAccessibleName(QStringLiteral("Esci"));
    cmdExit->setAccessibleDescription(QStringLiteral("Saluta ed esci dal gioco"));

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
         false, "Esito"},
        {Label6, "Label6", box(240, 5880, 2565, 495), "Risposte esatte", captionFont,
         rgb(224, 224, 224), rgb(0, 192, 0), centred, true},
        {Label1, "Label1", box(4200, 5880, 2520, 495), "Risposte errate", captionFont, std::nullopt,
         rgb(255, 0, 0), left, true},
        {Label3, "Label3", box(8160, 5880, 2340, 495), "Risposte totali", captionFont, std::nullopt,
         rgb(0, 0, 255), left, true},
        {lblScore, "lblScore", box(1200, 6360, 555, 795), "0", scoreFont, rgb(255, 255, 0),
         std::nullopt, centred, true, "Risposte esatte", "Quante risposte esatte hai dato finora"},
        {lblScore1, "lblScore1", box(5280, 6360, 540, 795), "0", scoreFont, std::nullopt,
         rgb(255, 0, 0), centred, true, "Risposte errate",
         "Quante risposte sbagliate hai dato finora"},
        {lblScore2, "lblScore2", box(9120, 6360, 555, 885), "0", scoreFont, std::nullopt,
         rgb(0, 0, 255), centred, true, "Risposte totali", "Quante risposte hai dato in tutto"},
    };
    for (const LabelDesign &d : labels) {
        auto *label = new DesignLabel(d.bordered, client);
        d.control = label;
        label->setObjectName(QLatin1String(d.name));
        label->setGeometry(d.geometry);
        if (d.caption)
            accessible::setCaption(label, d.caption, d.description);
        label->setText(QString::fromUtf8(d.text));
        label->setFont(d.font);
        label->setAlignment(d.alignment);
        setColours(label, QPalette::Window, d.back.value_or(buttonFace), QPalette::WindowText,
                   d.fore.value_or(buttonText));
    }
    lblMessage->setCursor(Qt::PointingHandCursor);
    lblScore->setToolTip(QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));

    // The number without sight: the beads of each rod in words, read in front of nothing.
    abacusReading = accessible::abacusReading(client);
    abacusReading->setGeometry(abacusArea().translated(-m_surface->pos()));
    readBeads();

    // Holder of the character control; it never shows.
    Picture1 = new QWidget(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(box(1200, 2280, 975, 1095));
    Picture1->hide();
    Agent1 = new AgentControl(characterFolders(), Picture1);
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
    // The game's two menus belong in its window, where the pupil finds them: a desktop's global
    // menu bar must not take them away. Nor need Qt ask the session bus whether the desktop has
    // one, a round trip before the window's first picture.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    INFOMAZIONI = menuBar()->addMenu(QStringLiteral("INFORMAZIONI"));
    INFOMAZIONI->setObjectName(QStringLiteral("INFOMAZIONI"));
    Ciao = INFOMAZIONI->addMenu(creditLine());
    Ciao->setObjectName(QStringLiteral("Ciao"));
    via = Ciao->addAction(addressLine());
    via->setObjectName(QStringLiteral("via"));
    Next = menuBar()->addAction(QStringLiteral("nuovo"));
    Next->setObjectName(QStringLiteral("Next"));
}

} // namespace quorvel
