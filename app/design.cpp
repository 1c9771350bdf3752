#include "app/design.h"

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

} // namespace quorvel::design
