#include "app/design.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

#include <memory>

namespace quorvel::design {

QColor systemColour(SystemColour which, const QPalette &palette)
{
    switch (which) {
    case SystemColour::ScrollBar:
        // Desktop palettes have no scroll-bar role; the classic scroll-bar grey sits between the
        // button face and its shadow, which is the palette's midlight.
        return palette.color(QPalette::Active, QPalette::Midlight);
    case SystemColour::WindowBackground:
        return palette.color(QPalette::Active, QPalette::Base);
    case SystemColour::WindowText:
        return palette.color(QPalette::Active, QPalette::Text);
    case SystemColour::ButtonFace:
        return palette.color(QPalette::Active, QPalette::Button);
    case SystemColour::ButtonText:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    }
    return {};
}

QFont font(const QString &family, qreal pointSize, bool bold, bool italic)
{
    // Asked for by the layout's name, Qt would first look for a family that is not installed and
    // then have fontconfig sort every installed font to find what stands in for it: a good part of
    // the start-up for each face, on a school desktop with hundreds of fonts.
    const bool serif = family == QLatin1String("Times New Roman");
    QFont f(serif ? QStringLiteral("Liberation Serif") : QStringLiteral("Liberation Sans"));
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    // The Liberation faces hold every character the game writes. Without this, Qt asks fontconfig
    // to sort every installed font into a fallback list for each face, in case a character were
    // missing.
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

bool loadFontConfiguration()
{
    // FcInit also parses every file of fontconfig's template folder (conf.avail: the rules a
    // system may enable, some forty files), only to list them for fc-conflist; nothing of it
    // reaches the configuration. That is two thirds of FcInit's time (5.3 → 2.0 ms here).
    // Without cache folders fontconfig would add fallback ones itself: FcInit handles that case.
    FcConfig *config = FcConfigCreate();
    bool loaded = false;
    if (config && FcConfigParseAndLoad(config, nullptr, FcTrue)) {
        FcStrList *cacheFolders = FcConfigGetCacheDirs(config);
        const bool cached = cacheFolders && FcStrListNext(cacheFolders);
        if (cacheFolders)
            FcStrListDone(cacheFolders);
        // The current configuration holds a reference of its own.
        loaded = cached && FcConfigBuildFonts(config) && FcConfigSetCurrent(config);
    }
    if (config)
        FcConfigDestroy(config);
    if (!loaded)
        FcInit();
    return loaded;
}

void nameDesktopFontByItsFace()
{
    QFont desktop = QGuiApplication::font();
    // The family of fontconfig's best match for the name: the name itself for an installed
    // family, otherwise the first of the list Qt would have had fontconfig sort. (Qt lists the
    // generic "Sans Serif", "Serif" and "Monospace" among its families, without a face.)
    const auto pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>(FcPatternCreate(),
                                                                                 &FcPatternDestroy);
    const QByteArray alias = desktop.family().toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(alias.data()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const auto match = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>(
        FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
    FcChar8 *family = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch)
        return;
    const QString face = QString::fromUtf8(reinterpret_cast<const char *>(family));
    if (face == desktop.family() || !QFontDatabase::families().contains(face))
        return;
    desktop.setFamilies({face});
    QGuiApplication::setFont(desktop);
}

} // namespace quorvel::design
