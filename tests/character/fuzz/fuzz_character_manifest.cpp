// libFuzzer target: arbitrary text as a character manifest. Whatever comes in, the checks either
// refuse it with the file-format error or hand back a model the character can play without
// further checks: every reference in range, every bound kept.

#include "character/format/manifest.h"
#include "engine/runtime_error.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvel;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkModel(const CharacterModel &model)
{
    require(!model.id.isEmpty());
    require(model.size.width() >= 16 && model.size.height() >= 16);
    require(model.viewBox.width() > 0 && model.viewBox.height() > 0);
    require(model.imageNames.size() == model.imagePaths.size() && !model.imageNames.isEmpty());
    for (const QString &path : model.imagePaths) {
        require(!path.startsWith(u'/') && !path.contains(u'\\') && !path.contains(u':'));
        for (const QString &part : path.split(u'/'))
            require(!part.isEmpty() && part != QLatin1String(".") && part != QLatin1String(".."));
    }
    require(!model.animations.isEmpty());
    for (int role : {model.appear, model.idle, model.speak})
        require(role >= 0 && role < model.animations.size());
    for (const CharacterAnimation &animation : model.animations) {
        require(model.findAnimation(animation.name) >= 0);
        require(!animation.frames.isEmpty() && animation.passMs() <= 30000);
        for (const CharacterFrame &frame : animation.frames) {
            require(frame.durationMs >= 10 && !frame.layers.isEmpty());
            for (int layer : frame.layers)
                require(layer >= 0 && layer < model.imageNames.size());
        }
    }
    require(model.voice.rate >= 80 && model.voice.rate <= 450);
    require(model.voice.readingMs(model.id) >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    // A fake picture check: no files are read, but a refusal must still come out as the error.
    const PictureCheck pictures = [](const QString &path, QSizeF) {
        return path.contains(QLatin1String("bad")) ? QStringLiteral("rifiutata") : QString();
    };
    try {
        checkModel(parseCharacterManifest(json, QStringLiteral("fuzz.acs"), pictures));
    } catch (const RuntimeError &error) {
        require(error.number() == RuntimeError::InvalidFileFormat);
        require(!error.description().empty());
    }
    return 0;
}
