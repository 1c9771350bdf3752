#include "character/format/manifest.h"

#include "character/format/manifest_checker.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace quorvel {

int CharacterAnimation::passMs() const
{
    int total = 0;
    for (const CharacterFrame &frame : frames)
        total += frame.durationMs;
    return total;
}

int CharacterModel::findAnimation(const QString &name) const
{
    for (int i = 0; i < animations.size(); ++i) {
        if (animations[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace {

constexpr int kMaxImages = 64;

// The file's patterns are checked by hand: a regular expression brings the whole of PCRE2 and its
// compiler into memory, for a handful of one-line checks.
bool isLower(QChar c)
{
    return c >= u'a' && c <= u'z';
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// An espeak-ng voice name: a language ("it", "ita"), maybe with one variant ("en-gb").
bool isVoiceName(const QString &name)
{
    const qsizetype dash = name.indexOf(u'-');
    const QStringView language = QStringView(name).left(dash < 0 ? name.size() : dash);
    const QStringView variant = dash < 0 ? QStringView() : QStringView(name).mid(dash + 1);
    return language.size() >= 2 && language.size() <= 3
        && std::all_of(language.begin(), language.end(), isLower)
        && (dash < 0
            || (!variant.isEmpty() && variant.size() <= 8
                && std::all_of(variant.begin(), variant.end(),
                               [](QChar c) { return isLower(c) || (c >= u'0' && c <= u'9'); })));
}
constexpr int kMaxAnimations = 128;
constexpr int kMaxFrames = 256;
constexpr int kMaxLayers = 16;
constexpr int kMaxPassMs = 30000;
constexpr double kMaxViewBox = 10000;

QSizeF parseViewBox(const ManifestChecker &check, const QJsonObject &root)
{
    const QString where = QStringLiteral("viewBox");
    const QJsonObject box
        = check.object(check.required(root, {}, "viewBox"), where, {"width", "height"});
    QSizeF size;
    for (const char *key : {"width", "height"}) {
        const QString field = ManifestChecker::join(where, QLatin1String(key));
        const QJsonValue value = check.required(box, where, key);
        if (!value.isDouble())
            check.fail(field, QStringLiteral("deve essere un numero"));
        const double number = value.toDouble();
        if (!(number > 0 && number <= kMaxViewBox))
            check.fail(
                field,
                QStringLiteral("%1 non è tra 0 (escluso) e %2").arg(number).arg(kMaxViewBox));
        if (key[0] == 'w')
            size.setWidth(number);
        else
            size.setHeight(number);
    }
    return size;
}

QSize parseSize(const ManifestChecker &check, const QJsonObject &root, QSizeF viewBox)
{
    const QString where = QStringLiteral("size");
    const QJsonObject box
        = check.object(check.required(root, {}, "size"), where, {"width", "height"});
    const int width = check.integer(check.required(box, where, "width"),
                                    QStringLiteral("size.width"), 16, 1024);
    const int height = check.integer(check.required(box, where, "height"),
                                     QStringLiteral("size.height"), 16, 1024);
    const double expected = height * viewBox.width() / viewBox.height();
    if (std::abs(width - expected) > 2)
        check.fail(QStringLiteral("size.width"),
                   QStringLiteral("%1 non segue le proporzioni del viewBox (atteso %2, ± 2)")
                       .arg(width)
                       .arg(qRound(expected)));
    return {width, height};
}

QColor parseColour(const ManifestChecker &check, const QJsonValue &value, const QString &where)
{
    const QString text = check.string(value, where, 1, 32);
    // #rgb, #rrggbb or a lower-case SVG name: not the other forms QColor reads (#aarrggbb).
    const bool hex = (text.size() == 4 || text.size() == 7) && text.startsWith(u'#')
        && std::all_of(text.begin() + 1, text.end(), isHexDigit);
    const bool word = std::all_of(text.begin(), text.end(), isLower);
    QColor colour;
    if (hex || word)
        colour = QColor(text);
    if (!colour.isValid())
        check.fail(where,
                   QStringLiteral("«%1» non è un colore (#rgb, #rrggbb o un nome SVG)").arg(text));
    return colour;
}

BalloonStyle parseBalloon(const ManifestChecker &check, const QJsonObject &root)
{
    BalloonStyle style;
    const QJsonValue value = root.value(QLatin1String("balloon"));
    if (value.isUndefined())
        return style;
    const QString where = QStringLiteral("balloon");
    const QJsonObject balloon = check.object(
        value, where, {"background", "border", "text", "font", "pointSize", "maxWidth"});
    const struct
    {
        const char *key;
        QColor *target;
    } colours[]
        = {{"background", &style.background}, {"border", &style.border}, {"text", &style.text}};
    for (const auto &colour : colours) {
        const QJsonValue field = balloon.value(QLatin1String(colour.key));
        if (!field.isUndefined())
            *colour.target = parseColour(check, field, ManifestChecker::join(where, colour.key));
    }
    const QJsonValue font = balloon.value(QLatin1String("font"));
    if (!font.isUndefined())
        style.font = check.string(font, QStringLiteral("balloon.font"), 1, 64);
    check.optionalInteger(balloon, where, "pointSize", 6, 48, style.pointSize);
    check.optionalInteger(balloon, where, "maxWidth", 80, 800, style.maxWidth);
    return style;
}

VoiceSettings parseVoice(const ManifestChecker &check, const QJsonObject &root)
{
    VoiceSettings voice;
    const QJsonValue value = root.value(QLatin1String("voice"));
    if (value.isUndefined())
        return voice;
    const QString where = QStringLiteral("voice");
    const QJsonObject object
        = check.object(value, where, {"language", "rate", "pitch", "msPerCharacter", "minimumMs"});
    const QJsonValue language = object.value(QLatin1String("language"));
    if (!language.isUndefined()) {
        voice.language = check.string(language, QStringLiteral("voice.language"), 2, 12);
        if (!isVoiceName(voice.language))
            check.fail(
                QStringLiteral("voice.language"),
                QStringLiteral("«%1» non è un nome di voce (come «it»)").arg(voice.language));
    }
    check.optionalInteger(object, where, "rate", 80, 450, voice.rate);
    check.optionalInteger(object, where, "pitch", 0, 99, voice.pitch);
    check.optionalInteger(object, where, "msPerCharacter", 10, 400, voice.msPerCharacter);
    check.optionalInteger(object, where, "minimumMs", 0, 20000, voice.minimumMs);
    return voice;
}

QString checkPicturePath(const ManifestChecker &check, const QString &path, const QString &where)
{
    const QString problem = [&]() -> QString {
        if (path.startsWith(QLatin1Char('/')))
            return QStringLiteral("non può iniziare con /");
        if (path.contains(QLatin1Char('\\')) || path.contains(QLatin1Char(':')))
            return QStringLiteral("non può contenere \\ o :");
        if (!path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
            return QStringLiteral("deve finire con .svg");
        for (const QString &part : path.split(QLatin1Char('/'))) {
            if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
                return QStringLiteral("non può contenere parti vuote, . o ..");
        }
        for (const QChar c : path) {
            if (c.category() == QChar::Other_Control)
                return QStringLiteral("contiene caratteri di controllo");
        }
        return {};
    }();
    if (!problem.isEmpty())
        check.fail(where, QStringLiteral("percorso «%1» non valido: %2").arg(path, problem));
    return path;
}

void parseImages(const ManifestChecker &check, const QJsonObject &root,
                 const PictureCheck &checkPicture, CharacterModel &model)
{
    const QString where = QStringLiteral("images");
    const QJsonValue value = check.required(root, {}, "images");
    if (!value.isObject())
        check.fail(where, QStringLiteral("deve essere un oggetto JSON"));
    const QJsonObject images = value.toObject();
    if (images.isEmpty() || images.size() > kMaxImages)
        check.fail(where,
                   QStringLiteral("deve avere da 1 a %1 immagini, ne ha %2")
                       .arg(kMaxImages)
                       .arg(images.size()));
    for (auto it = images.begin(); it != images.end(); ++it) {
        const QString field = ManifestChecker::join(where, it.key());
        check.name(it.key(), field);
        const QString path = checkPicturePath(check, check.string(*it, field, 1, 255), field);
        if (checkPicture) {
            const QString problem = checkPicture(path, model.viewBox);
            if (!problem.isEmpty())
                check.fail(field, QStringLiteral("«%1»: %2").arg(path, problem));
        }
        model.imageNames.append(it.key());
        model.imagePaths.append(path);
    }
}

CharacterFrame parseFrame(const ManifestChecker &check, const QJsonValue &value,
                          const QString &where, const CharacterModel &model)
{
    const QJsonObject frameObject = check.object(value, where, {"layers", "duration"});
    CharacterFrame frame;
    const QString layersWhere = ManifestChecker::join(where, QStringLiteral("layers"));
    const QJsonArray layers
        = check.array(check.required(frameObject, where, "layers"), layersWhere, 1, kMaxLayers);
    for (int i = 0; i < layers.size(); ++i) {
        const QString layerWhere = QStringLiteral("%1[%2]").arg(layersWhere).arg(i);
        const QString name = check.string(layers[i], layerWhere, 1, 64);
        const int index = model.imageNames.indexOf(name);
        if (index < 0)
            check.fail(layerWhere,
                       QStringLiteral("l'immagine «%1» non è definita in images").arg(name));
        frame.layers.append(index);
    }
    frame.durationMs
        = check.integer(check.required(frameObject, where, "duration"),
                        ManifestChecker::join(where, QStringLiteral("duration")), 10, 10000);
    return frame;
}

void parseAnimations(const ManifestChecker &check, const QJsonObject &root, CharacterModel &model)
{
    const QString where = QStringLiteral("animations");
    const QJsonValue value = check.required(root, {}, "animations");
    if (!value.isObject())
        check.fail(where, QStringLiteral("deve essere un oggetto JSON"));
    const QJsonObject animations = value.toObject();
    if (animations.isEmpty() || animations.size() > kMaxAnimations)
        check.fail(where,
                   QStringLiteral("deve avere da 1 a %1 animazioni, ne ha %2")
                       .arg(kMaxAnimations)
                       .arg(animations.size()));
    QHash<QString, QString> folded; // case-folded name -> name as written
    for (auto it = animations.begin(); it != animations.end(); ++it) {
        const QString animationWhere = ManifestChecker::join(where, it.key());
        CharacterAnimation animation;
        animation.name = check.name(it.key(), animationWhere);
        const QString key = animation.name.toCaseFolded();
        if (folded.contains(key))
            check.fail(where,
                       QStringLiteral("i nomi «%1» e «%2» differiscono solo per maiuscole "
                                      "e minuscole")
                           .arg(folded.value(key), animation.name));
        folded.insert(key, animation.name);

        const QJsonObject object = check.object(*it, animationWhere, {"frames", "loop"});
        const QString framesWhere = ManifestChecker::join(animationWhere, QStringLiteral("frames"));
        const QJsonArray frames = check.array(check.required(object, animationWhere, "frames"),
                                              framesWhere, 1, kMaxFrames);
        for (int i = 0; i < frames.size(); ++i) {
            animation.frames.append(parseFrame(
                check, frames[i], QStringLiteral("%1[%2]").arg(framesWhere).arg(i), model));
        }
        if (animation.passMs() > kMaxPassMs)
            check.fail(framesWhere,
                       QStringLiteral("una ripetizione dura %1 ms, più di %2 ms")
                           .arg(animation.passMs())
                           .arg(kMaxPassMs));
        const QJsonValue loop = object.value(QLatin1String("loop"));
        if (!loop.isUndefined()) {
            if (!loop.isBool())
                check.fail(ManifestChecker::join(animationWhere, QStringLiteral("loop")),
                           QStringLiteral("deve essere true o false"));
            animation.loop = loop.toBool();
        }
        model.animations.append(animation);
    }
}

void parseRoles(const ManifestChecker &check, const QJsonObject &root, CharacterModel &model)
{
    const QString where = QStringLiteral("roles");
    const QJsonObject roles
        = check.object(check.required(root, {}, "roles"), where, {"appear", "idle", "speak"});
    const struct
    {
        const char *key;
        int *target;
    } roleSlots[] = {{"appear", &model.appear}, {"idle", &model.idle}, {"speak", &model.speak}};
    for (const auto &slot : roleSlots) {
        const QString field = ManifestChecker::join(where, QLatin1String(slot.key));
        const QString name = check.string(check.required(roles, where, slot.key), field, 1, 64);
        *slot.target = model.findAnimation(name);
        if (*slot.target < 0)
            check.fail(field,
                       QStringLiteral("l'animazione «%1» non è definita in animations").arg(name));
    }
}

} // namespace

CharacterModel parseCharacterManifest(const QByteArray &json, const QString &fileName,
                                      const PictureCheck &checkPicture)
{
    const ManifestChecker check(fileName);
    if (json.size() > kMaxManifestBytes)
        check.fail({}, QStringLiteral("il file supera %1 byte").arg(kMaxManifestBytes));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        check.fail({},
                   QStringLiteral("JSON non valido al carattere %1 (%2)")
                       .arg(parseError.offset)
                       .arg(parseError.errorString()));
    if (!document.isObject())
        check.fail({}, QStringLiteral("il documento deve essere un oggetto JSON"));

    const QJsonObject root = check.object(document.object(), {},
                                          {"format", "version", "id", "size", "viewBox", "balloon",
                                           "voice", "images", "animations", "roles"});
    const QJsonValue format = check.required(root, {}, "format");
    if (format != QJsonValue(QStringLiteral("quorvel-character")))
        check.fail(QStringLiteral("format"), QStringLiteral("atteso «quorvel-character»"));
    const QJsonValue version = check.required(root, {}, "version");
    if (version != QJsonValue(1))
        check.fail(QStringLiteral("version"),
                   QStringLiteral("versione %1 non supportata (attesa 1)")
                       .arg(QString::fromUtf8(
                                QJsonDocument(QJsonArray {version}).toJson(QJsonDocument::Compact))
                                .mid(1)
                                .chopped(1)
                                .left(40)));

    CharacterModel model;
    model.id = check.name(check.string(check.required(root, {}, "id"), QStringLiteral("id"), 1, 64),
                          QStringLiteral("id"));
    model.viewBox = parseViewBox(check, root);
    model.size = parseSize(check, root, model.viewBox);
    model.balloon = parseBalloon(check, root);
    model.voice = parseVoice(check, root);
    parseImages(check, root, checkPicture, model);
    parseAnimations(check, root, model);
    parseRoles(check, root, model);
    return model;
}

} // namespace quorvel
