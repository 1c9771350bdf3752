// Loading characters: where a load key leads, what a manifest may hold, and the run-time errors
// of a wrong key, file, id or animation.

#include "character/agent.h"
#include "character/character_file.h"
#include "character/character_window.h"
#include "fixture.h"

#include <QApplication>
#include <QImage>

using namespace quorvel;

namespace {

const QString kMerlinKey = QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs");

// root with the value at path ("animations.Rest.frames.0.duration") replaced, or removed when
// value is undefined.
QJsonValue with(const QJsonValue &node, QStringList path, const QJsonValue &value)
{
    if (path.isEmpty())
        return value;
    const QString key = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = key.toInt();
        array[index] = with(array[index], path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    const QJsonValue child = with(object.value(key), path, value);
    if (child.isUndefined())
        object.remove(key);
    else
        object.insert(key, child);
    return object;
}

QJsonObject with(const QString &path, const QJsonValue &value,
                 const QJsonObject &root = fixture::manifest())
{
    return with(QJsonValue(root), path.split('.'), value).toObject();
}

QByteArray text(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

const PictureCheck kAnyPicture = [](const QString &, QSizeF) {
    return QString();
};

} // namespace

class TestCharacterFile : public QObject
{
    Q_OBJECT

private slots:
    void validManifest()
    {
        QStringList checked;
        const CharacterModel model = parseCharacterManifest(
            text(fixture::manifest()), "tiny.acs", [&](const QString &path, QSizeF box) {
                checked << path;
                return box == QSizeF(100, 200) ? QString() : QStringLiteral("wrong box");
            });
        QCOMPARE(checked, (QStringList {"tiny/body.svg", "tiny/mouth.svg"}));
        QCOMPARE(model.id, "Tiny");
        QCOMPARE(model.size, QSize(50, 100));
        QCOMPARE(model.voice.rate, 450);
        QCOMPARE(model.voice.pitch, 50); // default
        QCOMPARE(model.balloon.background, QColor(Qt::white));
        QCOMPARE(model.animations[model.idle].name, "Rest");
        QVERIFY(model.animations[model.idle].loop);
        QCOMPARE(model.findAnimation("ANNOUNCE"), model.findAnimation("Announce"));
        QVERIFY(model.findAnimation("Announce") >= 0);
        QCOMPARE(model.findAnimation("Announc"), -1);

        // Comments anywhere, optional objects left out, roles in another case.
        QJsonObject lenient = with("comment", "disegnato a mano");
        lenient = with("animations.Rest.comment", "respira", lenient);
        lenient = with("balloon", QJsonValue::Undefined, lenient);
        lenient = with("voice", QJsonValue::Undefined, lenient);
        lenient = with("roles.idle", "REST", lenient);
        const CharacterModel relaxed = parseCharacterManifest(text(lenient), "x", kAnyPicture);
        QCOMPARE(relaxed.animations[relaxed.idle].name, "Rest");
        QCOMPARE(relaxed.voice.language, "it");
    }

    void invalidManifest_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("problem");
        auto row = [](const char *name, const QJsonObject &object, const QString &problem) {
            QTest::newRow(name) << text(object) << problem;
        };
        QTest::newRow("not JSON") << QByteArray("{\"id\": ") << "JSON non valido";
        QTest::newRow("array") << QByteArray("[]") << "deve essere un oggetto JSON";
        QTest::newRow("too big") << QByteArray(kMaxManifestBytes + 1, ' ') << "supera";
        row("format", with("format", "msagent"), "format: atteso");
        row("version", with("version", 2), "version: versione 2 non supportata");
        row("no id", with("id", QJsonValue::Undefined), "id: campo obbligatorio mancante");
        row("id", with("id", "Mago Merlino"), "id: «Mago Merlino» non è un nome valido");
        row("unknown key", with("colour", "blu"), "colour: campo sconosciuto");
        row("misspelt loop", with("animations.Rest.loops", true),
            "animations.Rest.loops: campo sconosciuto");
        row("comment type", with("comment", 3), "comment: deve essere un testo");
        row("height 0", with("size.height", 0), "size.height: 0 non è tra 16 e 1024");
        row("height fraction", with("size.height", 100.5),
            "size.height: deve essere un numero "
            "intero");
        row("height text", with("size.height", "100"), "size.height: deve essere un numero intero");
        row("proportions", with("size.width", 80), "size.width: 80 non segue le proporzioni");
        row("viewBox negative", with("viewBox.width", -1), "viewBox.width: -1 non è tra 0");
        row("viewBox huge", with("viewBox.height", 1e300), "viewBox.height");
        row("colour", with("balloon.border", "#12"), "balloon.border: «#12» non è un colore");
        row("colour name", with("balloon.text", "notacolour"), "balloon.text");
        row("point size", with("balloon.pointSize", 100), "balloon.pointSize: 100 non è tra 6");
        row("language", with("voice.language", "it; rm -rf"), "voice.language");
        row("rate", with("voice.rate", 10), "voice.rate: 10 non è tra 80 e 450");
        row("no images", with("images", QJsonObject()), "images: deve avere da 1 a 64");
        row("image up", with("images.body", "../body.svg"), "images.body: percorso «../body.svg»");
        row("image absolute", with("images.body", "/etc/body.svg"), "non può iniziare con /");
        row("image drive", with("images.body", "C:\\body.svg"), "non può contenere");
        row("image kind", with("images.body", "tiny/body.png"), "deve finire con .svg");
        row("image name", with("images.a b", "tiny/x.svg"), "images.a b: «a b» non è un nome");
        row("no frames", with("animations.Rest.frames", QJsonArray()),
            "animations.Rest.frames: deve avere da 1 a 256 elementi, ne ha 0");
        row("duration", with("animations.Rest.frames.0.duration", 0),
            "animations.Rest.frames[0].duration: 0 non è tra 10 e 10000");
        row("no duration", with("animations.Talk.frames.1.duration", QJsonValue::Undefined),
            "animations.Talk.frames[1].duration: campo obbligatorio mancante");
        row("unknown layer", with("animations.Talk.frames.1.layers", QJsonArray {"body", "nose"}),
            "animations.Talk.frames[1].layers[1]: l'immagine «nose» non è definita");
        row("no layers", with("animations.Talk.frames.0.layers", QJsonArray()),
            "animations.Talk.frames[0].layers: deve avere da 1 a 16");
        row("loop", with("animations.Rest.loop", "sì"), "animations.Rest.loop: deve essere true");
        row("animation name",
            with("animations.saluta!", fixture::animation({fixture::frame({"body"}, 10)})),
            "«saluta!» non è un nome valido");
        row("names by case",
            with("animations.announce", fixture::animation({fixture::frame({"body"}, 10)})),
            "«Announce» e «announce» differiscono solo per maiuscole e minuscole");
        row("too long",
            with("animations.Announce.frames",
                 QJsonArray {fixture::frame({"body"}, 10000), fixture::frame({"body"}, 10000),
                             fixture::frame({"body"}, 10000), fixture::frame({"body"}, 10)}),
            "una ripetizione dura 30010 ms, più di 30000 ms");
        row("role", with("roles.idle", "Sleep"), "roles.idle: l'animazione «Sleep» non è definita");
        row("no role", with("roles.speak", QJsonValue::Undefined),
            "roles.speak: campo obbligatorio mancante");
    }

    void invalidManifest()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, problem);
        fixture::expectError([&] { parseCharacterManifest(json, "mago.acs", kAnyPicture); },
                             RuntimeError::InvalidFileFormat, {"mago.acs: ", problem});
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("found"); // file name, folder-relative; empty for none
        QTest::newRow("windows key") << kMerlinKey << "first/merlin.acs";
        QTest::newRow("plain name") << "MERLIN.ACS"
                                    << "first/merlin.acs";
        QTest::newRow("forward slashes") << "/usr/share/x/Merlin.acs"
                                         << "first/merlin.acs";
        QTest::newRow("second folder") << "C:\\chars\\other.acs"
                                       << "second/Other.acs";
        QTest::newRow("exact case wins") << "Twin.acs"
                                         << "first/Twin.acs";
        QTest::newRow("folder, not file") << "C:\\x\\Folder.acs"
                                          << "";
        QTest::newRow("no name") << "C:\\WINDOWS\\msagent\\chars\\"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("only the last part counts") << "..\\..\\first\\nothing"
                                                   << "";
        QTest::newRow("dot dot") << "C:\\x\\.."
                                 << "";
    }

    void lookup()
    {
        QFETCH(QString, key);
        QFETCH(QString, found);
        QTemporaryDir dir;
        for (const char *file : {"first/merlin.acs", "first/Twin.acs", "first/twin.acs",
                                 "second/Other.acs", "second/Merlin.acs"})
            fixture::write(dir.filePath(file), "{}");
        QDir(dir.path()).mkpath("first/folder.acs");
        const QStringList folders {dir.filePath("first"), dir.filePath("second")};
        QCOMPARE(findCharacterFile(key, folders),
                 found.isEmpty() ? QString() : dir.filePath(found));
    }

    void loadFailures_data()
    {
        QTest::addColumn<QString>("damage"); // what is done to the tiny character
        QTest::addColumn<QStringList>("fragments");
        QTest::newRow("missing picture")
            << "rm mouth" << QStringList {"tiny.acs", "images.mouth", "il file non esiste"};
        QTest::newRow("not SVG") << "garble mouth"
                                 << QStringList {"tiny/mouth.svg", "non è un disegno SVG valido"};
        QTest::newRow("other viewBox")
            << "reframe body" << QStringList {"images.body", "0 0 100 200"};
        QTest::newRow("moved viewBox") << "shift body" << QStringList {"«10 0 100 200»"};
        QTest::newRow("link outside") << "link mouth" << QStringList {"fuori dalla cartella"};
        QTest::newRow("bad manifest") << "truncate" << QStringList {"tiny.acs", "JSON non valido"};
    }

    void loadFailures()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, fragments);
        QTemporaryDir dir;
        QTemporaryDir outside;
        const QString path = fixture::writeCharacter(dir);
        const QString mouth = dir.filePath("tiny/mouth.svg");
        if (damage == "rm mouth")
            QFile::remove(mouth);
        else if (damage == "garble mouth")
            fixture::write(mouth, "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect");
        else if (damage == "reframe body")
            fixture::write(dir.filePath("tiny/body.svg"), fixture::svg("", "0 0 50 50").toUtf8());
        else if (damage == "shift body")
            fixture::write(dir.filePath("tiny/body.svg"),
                           fixture::svg("", "10 0 100 200").toUtf8());
        else if (damage == "link mouth") {
            QFile::remove(mouth);
            fixture::write(outside.filePath("mouth.svg"), fixture::kMouth.toUtf8());
            QVERIFY(QFile::link(outside.filePath("mouth.svg"), mouth));
        } else if (damage == "truncate")
            fixture::write(path, "{\"format\": \"quorvel-character\", ");

        AgentControl agent({dir.path()});
        fixture::expectError([&] { agent.Characters().Load("Tiny", "C:\\chars\\tiny.acs"); },
                             RuntimeError::InvalidFileFormat, fragments);
        QCOMPARE(agent.Characters().Count(), 0); // nothing half-loaded
        fixture::expectError([&] { agent.Characters().Item("Tiny"); },
                             RuntimeError::SubscriptOutOfRange, {"Tiny"});
    }

    void callFailures()
    {
        QTemporaryDir dir;
        fixture::writeCharacter(dir);
        AgentControl agent({dir.path()});
        CharacterCollection &characters = agent.Characters();
        fixture::expectError([&] { characters.Load("Merlin", kMerlinKey); },
                             RuntimeError::FileNotFound, {kMerlinKey, dir.path()});
        QCOMPARE(characters.Count(), 0);

        characters.Load("Tiny", "C:\\chars\\TINY.ACS");
        fixture::expectError([&] { characters.Load("tiny", "tiny.acs"); },
                             RuntimeError::InvalidProcedureCall, {"«tiny» è già caricato"});
        fixture::expectError([&] { characters.Load("", "tiny.acs"); },
                             RuntimeError::InvalidProcedureCall, {"manca il nome"});
        fixture::expectError([&] { characters.Item("Merlin"); }, RuntimeError::SubscriptOutOfRange,
                             {"«Merlin» non è caricato"});
        CharacterHandle tiny = characters.Item("TINY");
        fixture::expectError([&] { tiny->Play("wave"); }, RuntimeError::InvalidProcedureCall,
                             {"Tiny: l'animazione «wave» non esiste"});
        fixture::expectError([&] { tiny->setHeight(0); }, RuntimeError::InvalidProcedureCall,
                             {"l'altezza 0"});
        fixture::expectError([&] { tiny->MoveTo(40000, 0); }, RuntimeError::InvalidProcedureCall,
                             {"40000"});
        tiny->Play("aNNOUNCE"); // names match in any case
        QVERIFY(!tiny->isIdle());
    }

    void handleOutlivingItsCharacter()
    {
        QTemporaryDir dir;
        fixture::writeCharacter(dir);
        auto agent = std::make_unique<AgentControl>(QStringList {dir.path()});
        agent->Characters().Load("Tiny", "tiny.acs");
        CharacterHandle tiny = agent->Characters().Item("Tiny");
        agent.reset();
        fixture::expectError([&] { tiny->Show(); }, RuntimeError::InvalidProcedureCall,
                             {"«Tiny» non esiste più"});
    }

    void merlin()
    {
        if (!QFile::exists(fixture::merlinFolder() + "/merlin.acs"))
            QSKIP("assets/characters/merlin.acs is not there yet");
        AgentControl agent({fixture::merlinFolder()});
        agent.Characters().Load("Merlin", kMerlinKey);
        CharacterHandle merlin = agent.Characters().Item("Merlin");
        for (const char *name : {"Announce", "congratulate", "congratulate_2", "wave"})
            merlin->Play(name);

        // Every frame draws something; the resting figure fills the window, and whatever is
        // not the figure is transparent.
        const LoadedCharacter &loaded = merlin->loaded();
        CharacterWindow window(std::shared_ptr<const LoadedCharacter>(&loaded, [](auto *) {}));
        window.setCharacterHeight(205);
        QCOMPARE(window.size(), QSize(160, 205));
        const CharacterModel &model = loaded.model;
        for (int a = 0; a < model.animations.size(); ++a) {
            for (int f = 0; f < model.animations[a].frames.size(); ++f) {
                window.showFrame(a, f);
                const QImage image = window.grab().toImage();
                int opaque = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        opaque += qAlpha(image.pixel(x, y)) > 128;
                const QString frame
                    = QStringLiteral("%1 %2: %3").arg(model.animations[a].name).arg(f).arg(opaque);
                QVERIFY2(opaque > 20, qPrintable(frame));
                if (a == model.idle)
                    QVERIFY2(opaque > image.width() * image.height() / 5, qPrintable(frame));
                QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
                QCOMPARE(qAlpha(image.pixel(image.width() - 1, 0)), 0);
            }
        }
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestCharacterFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_character_file.moc"
