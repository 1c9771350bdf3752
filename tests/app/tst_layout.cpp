// The window as it is loaded, before its first exercise, control by control, held against the
// layout tables.
#include "app/design.h"
#include "app/picture_button.h"
#include "app/program.h"
#include "app/surface.h"
#include "app/tavola.h"
#include "testing.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace quorvel;

namespace {

// Twips as written in the layout tables; the test converts them itself.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

struct Expected
{
    const char *name;
    QRect geometry;
    QString text;
    const char *family;
    qreal points;
    bool bold;
    bool italic;
    std::optional<QColor> back; // empty: the platform's default for the kind of control
    std::optional<QColor> fore;
    QString toolTip;
    bool visible;
};

const QString None;

QList<Expected> designTable()
{
    return {
        {"Text3", twips(2880, 7320, 5055, 915), "Text3", "Arial", 48, false, false,
         QColor(192, 255, 192), QColor(0, 192, 192),
         "Scrivi il numero e poi premi  il tasto Return (Invio)", true},
        {"cmdNext", twips(480, 7320, 1815, 855), "&Nuovo calcolo", "MS Sans Serif", 8.25, true,
         false, QColor(255, 128, 255), std::nullopt,
         "Usa il tasto Return(invio) per l'esercizio successivo", true},
        {"cmdExit", twips(8520, 7320, 1815, 855), "E&xit", "MS Sans Serif", 8.25, true, false,
         QColor(0, 192, 192), std::nullopt,
         "Ti prego resta ancora, forse riuscirai a farmi uscire ", true},
        {"lblMessage", twips(5520, 5160, 1305, 555), "io", "MS Sans Serif", 24, true, true,
         QColor(0, 255, 255), QColor(255, 0, 0), None, true},
        {"Label6", twips(240, 5880, 2565, 495), "Risposte esatte", "MS Sans Serif", 18, false,
         false, QColor(224, 224, 224), QColor(0, 192, 0), None, true},
        {"Label1", twips(4200, 5880, 2520, 495), "Risposte errate", "MS Sans Serif", 18, false,
         false, std::nullopt, QColor(255, 0, 0), None, true},
        {"Label3", twips(8160, 5880, 2340, 495), "Risposte totali", "MS Sans Serif", 18, false,
         false, std::nullopt, QColor(0, 0, 255), None, true},
        {"lblScore", twips(1200, 6360, 555, 795), "0", "Times New Roman", 36, true, false,
         QColor(255, 255, 0), std::nullopt, "Questo è il tuo punteggio. Forza con il  record",
         true},
        {"lblScore1", twips(5280, 6360, 540, 795), "0", "Times New Roman", 36, true, false,
         std::nullopt, QColor(255, 0, 0), None, true},
        {"lblScore2", twips(9120, 6360, 555, 885), "0", "Times New Roman", 36, true, false,
         std::nullopt, QColor(0, 0, 255), None, true},
        {"Text1", twips(600, 120, 1935, 405), "0", "MS Sans Serif", 12, true, false,
         QColor(255, 128, 255), std::nullopt, None, false},
        {"Text2", twips(2880, 7080, 4695, 1125), "Testo", "Arial", 48, true, false, std::nullopt,
         QColor(0, 255, 0), None, false},
        {"Command3", twips(720, 1080, 975, 435), "verifica", "MS Sans Serif", 8.25, false, false,
         std::nullopt, std::nullopt, None, false},
        {"Picture1", twips(1200, 2280, 975, 1095), None, nullptr, 0, false, false, std::nullopt,
         std::nullopt, None, false},
    };
}

QString metricFamily(const char *designFamily)
{
    return QString::fromLatin1(designFamily) == "Times New Roman" ? "Liberation Serif"
                                                                  : "Liberation Sans";
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    // Not shown: showing activates the window, which starts the first exercise.
    void init() { m_window = new Tavola(testing::seams()); }
    void cleanup() { delete m_window; }

    void controlsMatchTheDesign_data()
    {
        QTest::addColumn<int>("row");
        const auto table = designTable();
        for (int i = 0; i < table.size(); ++i)
            QTest::newRow(table[i].name) << i;
    }

    void controlsMatchTheDesign()
    {
        QFETCH(int, row);
        const Expected e = designTable().at(row);
        auto *w = m_window->findChild<QWidget *>(QLatin1String(e.name));
        QVERIFY2(w, e.name);
        QCOMPARE(w->parentWidget(), m_window->surface());
        QCOMPARE(w->geometry(), e.geometry);
        QCOMPARE(!w->isHidden(), e.visible);
        QCOMPARE(w->toolTip(), e.toolTip);

        if (e.family) {
            QCOMPARE(w->font().family(), QString::fromLatin1(e.family));
            QCOMPARE(w->font().pointSizeF(), e.points);
            QCOMPARE(w->font().bold(), e.bold);
            QCOMPARE(w->font().italic(), e.italic);
            // What is really drawn is the metric-compatible stand-in.
            QCOMPARE(QFontInfo(w->font()).family(), metricFamily(e.family));
        }

        const QPalette &p = w->palette();
        const QPalette desktop = QApplication::palette();
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            QCOMPARE(edit->text(), e.text);
            QCOMPARE(p.color(QPalette::Base), e.back.value_or(desktop.color(QPalette::Base)));
            QCOMPARE(p.color(QPalette::Text), e.fore.value_or(desktop.color(QPalette::Text)));
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            QCOMPARE(label->text(), e.text);
            QVERIFY(label->autoFillBackground());
            QVERIFY(label->wordWrap());
            QCOMPARE(p.color(QPalette::Window), e.back.value_or(desktop.color(QPalette::Button)));
            QCOMPARE(p.color(QPalette::WindowText),
                     e.fore.value_or(desktop.color(QPalette::ButtonText)));
        } else if (auto *picture = qobject_cast<PictureButton *>(w)) {
            QCOMPARE(picture->text(), e.text);
            QCOMPARE(picture->faceColour(), *e.back);
            QCOMPARE(p.color(QPalette::Active, QPalette::ButtonText),
                     desktop.color(QPalette::Active, QPalette::ButtonText));
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            QCOMPARE(button->text(), e.text);
        }
    }

    void windowSettings()
    {
        QCOMPARE(m_window->windowTitle(),
                 "Quorvel -  " + Tavola::institutionLine() + "  -  " + Tavola::creditLine());
        m_window->layout()->activate();
        QCOMPARE(m_window->surface()->size(), QSize(754, 556));
        // The client area lies right below the menu bar and fills the rest of the window.
        QCOMPARE(m_window->surface()->y(), m_window->menuBar()->height());
        QCOMPARE(m_window->size(), QSize(754, 556 + m_window->menuBar()->height()));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(m_window->surface()->backgroundColour(),
                 QApplication::palette().color(QPalette::Midlight));

        const QIcon icon = m_window->windowIcon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes().value(0), QSize(32, 32));
        QCOMPARE(m_window->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(m_window->cursor().pixmap().size(), QSize(48, 48));
    }

    void buttonStatesAtLoad()
    {
        auto *next = m_window->findChild<QPushButton *>("cmdNext");
        auto *exit = m_window->findChild<QPushButton *>("cmdExit");
        QVERIFY(!next->isEnabled());
        QVERIFY(exit->isEnabled());
        QCOMPARE(m_window->findChild<QLineEdit *>("Text3")->maxLength(), 250);
        QCOMPARE(m_window->findChild<QLineEdit *>("Text1")->maxLength(), 12);
        QCOMPARE(m_window->findChild<QLineEdit *>("Text2")->focusPolicy(), Qt::ClickFocus);
        for (const char *name : {"Label1", "Label3", "Label6", "lblScore", "lblMessage"})
            QCOMPARE(m_window->findChild<QWidget *>(name)->focusPolicy(), Qt::NoFocus);
    }

    void menus()
    {
        const QList<QAction *> bar = m_window->menuBar()->actions();
        QCOMPARE(bar.size(), 2);
        auto *info = m_window->findChild<QMenu *>("INFOMAZIONI");
        QVERIFY(info);
        QCOMPARE(bar[0], info->menuAction());
        QCOMPARE(bar[0]->text(), QStringLiteral("INFORMAZIONI"));
        QCOMPARE(bar[1]->objectName(), QStringLiteral("Next"));
        QCOMPARE(bar[1]->text(), QStringLiteral("nuovo"));
        QVERIFY(!bar[1]->menu());

        auto *ciao = m_window->findChild<QMenu *>("Ciao");
        QCOMPARE(info->actions(), QList<QAction *> {ciao->menuAction()});
        QCOMPARE(ciao->title(), Tavola::creditLine());
        QCOMPARE(ciao->actions().size(), 1);
        QCOMPARE(ciao->actions()[0]->objectName(), QStringLiteral("via"));
        QCOMPARE(ciao->actions()[0]->text(), Tavola::addressLine());
        for (QAction *a : {bar[0], bar[1], ciao->menuAction(), ciao->actions()[0]})
            QVERIFY2(!a->text().contains('&'), qPrintable(a->text()));
    }

    void placementOnAnyScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::newRow("640x480") << QRect(0, 0, 640, 480);
        QTest::newRow("1280x1024 at scale 2") << QRect(0, 0, 640, 512);
        QTest::newRow("1024x768 below a panel") << QRect(0, 24, 1024, 744);
        QTest::newRow("1280x1024") << QRect(0, 0, 1280, 1024);
        QTest::newRow("3840x2160") << QRect(0, 0, 3840, 2160);
    }

    void placementOnAnyScreen()
    {
        QFETCH(QRect, screen);
        m_window->layout()->activate();
        const QSize size = m_window->size();
        const QRect beads = m_window->abacusArea();
        const QSize wizardSize = m_window->characterArea().size();
        // Where he greets: the fixed place, moved onto the screen where it would fall outside.
        QRect wizard(Tavola::CharacterPlace, wizardSize);
        wizard.moveRight(qMin(wizard.right(), screen.right()));
        wizard.moveBottom(qMin(wizard.bottom(), screen.bottom()));

        const QRect placed(Program::placement(screen, size, wizard, beads), size);
        const QString where = QStringLiteral("%1,%2").arg(placed.x()).arg(placed.y());
        // The menu bar is within reach even when the window is larger than the screen.
        QVERIFY2(placed.top() >= screen.top() && placed.left() >= screen.left(), qPrintable(where));
        if (screen.width() < size.width() || screen.height() < size.height())
            return;
        QVERIFY2(screen.contains(placed), qPrintable(where));
        if (screen.width() >= 1280 && screen.height() >= 1024) {
            // The same arrangement with the wizard as on the classic screen, his figure clear of
            // the beads and touching the window.
            const QRect classic(Program::placement(QRect(0, 0, 1280, 1024), size,
                                                   QRect(Tavola::CharacterPlace, wizardSize),
                                                   beads),
                                size);
            QCOMPARE(placed.topLeft() - wizard.topLeft(),
                     classic.topLeft() - Tavola::CharacterPlace);
            QVERIFY(!beads.translated(placed.topLeft()).intersects(wizard));
            QVERIFY(placed.adjusted(-1, -1, 1, 1).intersects(wizard));
        }
    }

private:
    Tavola *m_window = nullptr;
};

QUORVEL_WIDGET_TEST_MAIN(LayoutTest)

#include "tst_layout.moc"
