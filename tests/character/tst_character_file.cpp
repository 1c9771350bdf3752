// Loading characters: the run-time errors of a missing or broken file and of a handle kept too
// long, the shipped character's artwork, and how his frames are drawn.

#include "character/format/character_file.h"
#include "character/view/character_window.h"
#include "fixture.h"

#include <QImage>
#include <QPainter>

#include <sys/stat.h>

using namespace quorvel;

static const QString kMerlinKey = QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs");

class TestCharacterFile : public QObject
{
    Q_OBJECT

private slots:
    // One case of each kind of check; the fuzz target drives them all with arbitrary input.
    void loadFailures_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QByteArray>("mouth"); // tiny/mouth.svg; "rm": none, "link": one outside
        QTest::addColumn<QString>("problem");
        auto row = [](const char *name, const char *from, const char *to, const QString &problem,
                      const QByteArray &mouth = fixture::kMouth) {
            QTest::newRow(name) << fixture::manifestWith(from, to) << mouth << problem;
        };
        row("JSON", R"("version": 1)", R"("version": 1,)", "JSON non valido");
        row("unknown key", R"(200}], "loop")", R"(200}], "loops")",
            "animations.Rest.loops: campo sconosciuto");
        row("missing field", R"(, "duration": 40}])", "}]",
            "animations.Announce.frames[1].duration: campo obbligatorio mancante");
        row("out of bounds", R"("height": 100)", R"("height": 0)",
            "size.height: 0 non è tra 16 e 1024");
        row("unknown layer", R"("mouth"], "duration": 40)", R"("nose"], "duration": 40)",
            "animations.Announce.frames[0].layers[1]: l'immagine «nose» non è definita");
        row("unknown role", R"("idle": "Rest")", R"("idle": "Sleep")",
            "roles.idle: l'animazione «Sleep» non è definita");
        row("name", R"("Talk")", R"("Talk!")", "«Talk!» non è un nome valido");
        row("colour", "\"white\"", "\"#ffff\"", "balloon.background: «#ffff» non è un colore");
        row("voice name", R"("language": "it")", R"("language": "it-")",
            "voice.language: «it-» non è un nome di voce");
        row("path up", "tiny/body.svg", "../body.svg", "images.body: percorso «../body.svg»");
        row("no picture", "", "", "images.mouth: «tiny/mouth.svg»: il file non esiste", "rm");
        row("not SVG", "", "", "images.mouth: «tiny/mouth.svg»: non è un disegno SVG",
            "<svg><rect");
        row("other root", "", "", "non è un disegno SVG",
            "<g xmlns='http://www.w3.org/2000/svg' viewBox='0 0 100 200'/>");
        row("undeclared prefix", "", "", "non è un disegno SVG",
            "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 100 200'>"
            "<use xlink:href='#a'/></svg>");
        row("other viewBox", "", "", "il suo viewBox «0 0 100 100» non è «0 0 100 200»",
            "<svg:svg xmlns:svg='http://www.w3.org/2000/svg' viewBox='0,0 100,100'/>");
        row("link outside", "", "", "fuori dalla cartella", "link");
    }

    void loadFailures()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QByteArray, mouth);
        QFETCH(QString, problem);
        // Read by Load, or read ahead on another thread (as the game does while it builds its
        // window) with the problem thrown by Load.
        for (const bool preloaded : {false, true}) {
            QTemporaryDir dir, outside;
            fixture::writeCharacter(dir, manifest);
            const QString picture = dir.filePath("tiny/mouth.svg");
            QFile::remove(picture);
            if (mouth == "link") {
                fixture::write(outside.filePath("mouth.svg"), fixture::kMouth);
                QVERIFY(QFile::link(outside.filePath("mouth.svg"), picture));
            } else if (mouth != "rm") {
                fixture::write(picture, mouth);
            }
            if (preloaded)
                preloadCharacterFile(dir.filePath("tiny.acs"));
            AgentControl agent({dir.path()});
            fixture::expectError([&] { agent.Characters().Load("Tiny", "C:\\chars\\TINY.ACS"); },
                                 RuntimeError::InvalidFileFormat,
                                 {dir.filePath("tiny.acs") + ": ", problem});
            QCOMPARE(agent.Characters().Count(), 0); // nothing half-loaded
        }
    }

    // A FIFO or a device under the character's name must not hold the game: an access error
    // naming it, never "not found".
    void fileThatIsNoFile()
    {
        for (const bool fifo : {true, false}) {
            QTemporaryDir dir;
            fixture::writeCharacter(dir, fixture::kManifest);
            const QString path = dir.filePath("tiny.acs");
            QFile::remove(path);
            if (fifo)
                QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
            else
                QVERIFY(QFile::link("/dev/zero", path));
            AgentControl agent({dir.path()});
            fixture::expectError([&] { agent.Characters().Load("Tiny", "C:\\chars\\TINY.ACS"); },
                                 RuntimeError::PathFileAccessError,
                                 {path + ": non è un file normale"});
        }
    }

    void callFailures()
    {
        fixture::Loaded loaded;
        CharacterCollection &characters = loaded.agent->Characters();
        fixture::expectError([&] { characters.Load("Merlin", kMerlinKey); },
                             RuntimeError::FileNotFound, {kMerlinKey, loaded.dir.path()});
        CharacterHandle tiny = characters.Item("Tiny");

        // A handle kept past its control reports it instead of crashing.
        loaded.agent.reset();
        fixture::expectError([&] { tiny->Show(); }, RuntimeError::InvalidProcedureCall,
                             {"«Tiny» non esiste più"});
    }

    void merlin()
    {
        AgentControl agent({QStringLiteral(QUORVEL_SOURCE_CHARACTERS)});
        agent.Characters().Load("Merlin", kMerlinKey);
        CharacterHandle merlin = agent.Characters().Item("Merlin");
        for (const char *name : {"Announce", "congratulate", "congratulate_2", "wave"})
            merlin->Play(name);

        // Every frame draws something, the resting figure a good part of the window, and the
        // corners stay transparent. Composed from pictures kept cropped, each frame is the
        // one its pictures draw together (up to rounding).
        auto *window = static_cast<CharacterWindow *>(merlin->window());
        window->setCharacterHeight(205);
        QCOMPARE(window->size(), QSize(160, 205));
        const CharacterModel &model = merlin->loaded().model;
        for (int a = 0; a < model.animations.size(); ++a) {
            for (int f = 0; f < model.animations[a].frames.size(); ++f) {
                window->showFrame(a, f);
                const QImage image = window->grab().toImage();
                const QString frame = model.animations[a].name + QString::number(f);
                QVERIFY2(qAlpha(image.pixel(0, 0)) == 0 && qAlpha(image.pixel(159, 0)) == 0,
                         qPrintable(frame));
                QImage direct(window->size(), QImage::Format_ARGB32_Premultiplied);
                direct.fill(Qt::transparent);
                QPainter painter(&direct);
                painter.setRenderHint(QPainter::Antialiasing);
                merlin->loaded().draw(painter, model.animations[a].frames[f].layers,
                                      QRectF(direct.rect()));
                painter.end();
                const QImage composed = image.convertToFormat(direct.format());
                int worst = 0, opaque = 0;
                for (int y = 0; y < direct.height(); ++y) {
                    for (int x = 0; x < direct.width(); ++x) {
                        const QRgb p = composed.pixel(x, y), q = direct.pixel(x, y);
                        opaque += qAlpha(p) > 128;
                        for (int shift : {0, 8, 16, 24})
                            worst = qMax(worst,
                                         qAbs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)));
                    }
                }
                QVERIFY2(opaque > (a == model.idle ? 160 * 205 / 5 : 20), qPrintable(frame));
                QVERIFY2(worst <= 2, qPrintable(frame + ": " + QString::number(worst)));
                QVERIFY(window->cachedPictures() <= window->pictureCacheCapacity());
            }
        }
    }
};

QTEST_MAIN(TestCharacterFile)

#include "tst_character_file.moc"
