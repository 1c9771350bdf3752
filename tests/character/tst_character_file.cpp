// Loading characters: where a load key leads, what a manifest may hold, the run-time errors of a
// wrong key, file, id or call, the shipped character's artwork, and how his frames are drawn.

#include "character/format/character_file.h"
#include "character/view/character_window.h"
#include "fixture.h"

#include <QImage>
#include <QPainter>

#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;

static const QString kMerlinKey = QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs");

class TestCharacterFile : public QObject
{
    Q_OBJECT

private slots:
    void lenientManifest()
    {
        // Comments anywhere, the optional objects left out, a role named in another case.
        const QByteArray json
            = fixture::manifestWith(R"("idle": "Rest")", R"("idle": "REST", "comment": "a mano")")
                  .replace(R"("balloon": {"background": "white", "maxWidth": 200}, )", "")
                  .replace(R"("voice": {"language": "it", "rate": 450},)", "");
        const CharacterModel model = parseCharacterManifest(json, "x", {});
        QCOMPARE(model.animations[model.idle].name, "Rest");
        QCOMPARE(model.voice.language, "it");
    }

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

    // The game reads the wizard's file ahead once, at start-up, for its first Load. A read-ahead
    // that comes after that Load (the thread that starts it ran late) must not stand in for the
    // next one, which reads the file as it is then.
    void readAheadServesTheFirstLoadOnly()
    {
        QTemporaryDir dir;
        fixture::writeCharacter(dir, fixture::kManifest);
        const QString path = dir.filePath("tiny.acs");
        QVERIFY(preloadCharacterFile(path));
        QVERIFY(!preloadCharacterFile(path)); // on its way, not started again nor replaced
        QCOMPARE(loadCharacterFile(path)->model.size, QSize(50, 100));

        QVERIFY(!preloadCharacterFile(path));
        fixture::write(path,
                       fixture::manifestWith(R"("width": 50, "height": 100)",
                                             R"("width": 60, "height": 120)"));
        QCOMPARE(loadCharacterFile(path)->model.size, QSize(60, 120));
    }

    // A file that is there but cannot be read is an access error naming it, never "not found",
    // and a FIFO or a device under the character's name must not hold the game.
    void unreadableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");
        for (const char *kind : {"fifo", "device"})
            QTest::newRow(kind) << QString(kind) << "non è un file normale";
        QTest::newRow("unreadable") << "unreadable"
                                    << "permesso di lettura negato";
    }

    void unreadableFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        if (kind == "unreadable" && geteuid() == 0)
            QSKIP("root reads any file");
        QTemporaryDir dir;
        fixture::writeCharacter(dir, fixture::kManifest);
        const QString path = dir.filePath("tiny.acs");
        QFile::remove(path);
        if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else if (kind == "device") {
            QVERIFY(QFile::link("/dev/zero", path));
        } else {
            fixture::write(path, fixture::kManifest);
            QFile::setPermissions(path, {});
        }
        AgentControl agent({dir.path()});
        fixture::expectError([&] { agent.Characters().Load("Tiny", "C:\\chars\\TINY.ACS"); },
                             RuntimeError::PathFileAccessError, {path + ": " + problem});
    }

    void lookup()
    {
        QTemporaryDir dir;
        for (const char *file : {"first/merlin.acs", "first/Twin.acs", "first/twin.acs",
                                 "second/Other.acs", "second/Merlin.acs"})
            fixture::write(dir.filePath(file), "{}");
        QDir(dir.path()).mkpath("first/folder.acs");
        const QStringList folders {dir.filePath("first"), dir.filePath("second")};
        const std::pair<QString, QString> cases[] = {
            // key, the file it leads to ("" for none): its last part, in any case, folder by folder
            {kMerlinKey, "first/merlin.acs"},
            {"/usr/share/x/MERLIN.ACS", "first/merlin.acs"},
            {"C:\\chars\\other.acs", "second/Other.acs"},
            {"Twin.acs", "first/Twin.acs"}, // the exact spelling first
            {"C:\\x\\Folder.acs", ""},
            {"C:\\WINDOWS\\msagent\\chars\\", ""},
            {"..\\..\\first\\nothing", ""},
        };
        for (const auto &[key, found] : cases) {
            QVERIFY2(findCharacterFile(key, folders)
                         == (found.isEmpty() ? QString() : dir.filePath(found)),
                     qPrintable(key));
        }
    }

    void callFailures()
    {
        fixture::Loaded loaded;
        CharacterCollection &characters = loaded.agent->Characters();
        fixture::expectError([&] { characters.Load("Merlin", kMerlinKey); },
                             RuntimeError::FileNotFound, {kMerlinKey, loaded.dir.path()});
        fixture::expectError([&] { characters.Load("tiny", "tiny.acs"); },
                             RuntimeError::InvalidProcedureCall, {"«tiny» è già caricato"});
        fixture::expectError([&] { characters.Load(" ", "tiny.acs"); },
                             RuntimeError::InvalidProcedureCall, {"manca il nome"});
        QCOMPARE(characters.Count(), 1);
        fixture::expectError([&] { characters.Item("Merlin"); }, RuntimeError::SubscriptOutOfRange,
                             {"«Merlin» non è caricato"});
        CharacterHandle tiny = characters.Item("TINY");
        fixture::expectError([&] { tiny->Play("wave"); }, RuntimeError::InvalidProcedureCall,
                             {"Tiny: l'animazione «wave» non esiste"});
        fixture::expectError([&] { tiny->setHeight(15); }, RuntimeError::InvalidProcedureCall,
                             {"l'altezza 15"});
        fixture::expectError([&] { tiny->MoveTo(0, -40000); }, RuntimeError::InvalidProcedureCall,
                             {"-40000"});
        tiny->Play("aNNOUNCE"); // names match in any case
        QVERIFY(!tiny->isIdle());

        // A handle kept past its control reports it instead of crashing.
        loaded.agent.reset();
        fixture::expectError([&] { tiny->Show(); }, RuntimeError::InvalidProcedureCall,
                             {"«Tiny» non esiste più"});
    }

    void aFrameLikeTheOneShownIsNotDrawnAgain()
    {
        fixture::Loaded loaded;
        auto *window = static_cast<CharacterWindow *>(loaded.tiny()->window());
        const CharacterModel &model = loaded.tiny()->loaded().model;
        window->show();
        window->showFrame(model.appear, 1);
        QCoreApplication::processEvents();
        fixture::EventCounter paints(window);
        const int cached = window->cachedPictures();

        // Another animation's frame made of the same pictures: nothing to draw or reshape.
        window->showFrame(model.speak, 0);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 0);
        QCOMPARE(window->cachedPictures(), cached);
        window->showFrame(model.speak, 1);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 1);
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
