#include "character/view/frame_composer.h"

#include "character/format/character_file.h"

#include <QPainter>

namespace quorvel {

namespace {

// The smallest rectangle holding every pixel that is not wholly transparent.
QRect coveredArea(const QImage &image)
{
    int top = image.height();
    int bottom = -1;
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        int first = 0;
        while (first < image.width() && row[first] == 0)
            ++first;
        if (first == image.width())
            continue;
        int last = image.width() - 1;
        while (row[last] == 0)
            --last;
        top = qMin(top, y);
        bottom = y;
        left = qMin(left, first);
        right = qMax(right, last);
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

FrameComposer::FrameComposer(std::shared_ptr<const LoadedCharacter> character)
    : m_character(std::move(character))
{
    const CharacterModel &model = m_character->model;
    for (const CharacterAnimation &animation : model.animations) {
        QSet<int> pictures;
        for (const CharacterFrame &frame : animation.frames)
            pictures.unite(QSet<int>(frame.layers.begin(), frame.layers.end()));
        m_uses.append(pictures);
    }
    for (int animation : {model.idle, model.speak}) {
        if (animation >= 0)
            m_kept.unite(m_uses[animation]);
    }
    for (const QSet<int> &pictures : std::as_const(m_uses))
        m_capacity = qMax(m_capacity, int((pictures | m_kept).size()));
}

void FrameComposer::setSize(const QSize &size)
{
    if (size == m_size)
        return;
    m_size = size;
    m_pictures.clear();
    m_covered.clear();
}

void FrameComposer::enter(int animation)
{
    const QSet<int> &playing = m_uses[animation];
    m_pictures.removeIf([&](const auto &picture) {
        return !m_kept.contains(picture.key()) && !playing.contains(picture.key());
    });
}

const FrameComposer::Picture &FrameComposer::picture(int index, QImage *scratch)
{
    auto found = m_pictures.constFind(index);
    if (found != m_pictures.constEnd())
        return *found;
    QImage drawn;
    QImage &whole = scratch ? *scratch : drawn;
    fitBuffer(whole);
    whole.fill(Qt::transparent);
    {
        QPainter painter(&whole);
        painter.setRenderHint(QPainter::Antialiasing);
        m_character->draw(painter, {index}, QRectF(QPointF(0, 0), m_size));
    }
    Picture picture;
    const QRect covered = coveredArea(whole);
    if (!covered.isEmpty()) {
        picture.image = whole.copy(covered);
        picture.at = covered.topLeft();
    }
    m_covered.insert(index, covered);
    return *m_pictures.insert(index, picture);
}

QRect FrameComposer::covered(int index)
{
    if (!m_covered.contains(index))
        picture(index); // where a picture lies is learnt by drawing it
    return m_covered.value(index);
}

void FrameComposer::fitBuffer(QImage &buffer) const
{
    if (buffer.size() != m_size || buffer.format() != QImage::Format_ARGB32_Premultiplied)
        buffer = QImage(m_size, QImage::Format_ARGB32_Premultiplied);
}

void FrameComposer::compose(const QList<int> &layers, QImage &into)
{
    // Pictures not drawn yet are drawn whole in the frame's own buffer before it is composed:
    // a second buffer the window's size, even for a moment, adds to the program's peak.
    for (int layer : layers)
        picture(layer, &into);
    fitBuffer(into);
    into.fill(Qt::transparent);
    QPainter painter(&into);
    for (int layer : layers) {
        const Picture &drawn = picture(layer);
        if (!drawn.image.isNull())
            painter.drawImage(drawn.at, drawn.image);
    }
}

QRect FrameComposer::difference(const QList<int> &from, const QList<int> &to)
{
    QList<int> fromShared;
    QList<int> toShared;
    QRect changed;
    for (int layer : from) {
        if (to.contains(layer))
            fromShared.append(layer);
        else
            changed |= covered(layer);
    }
    for (int layer : to) {
        if (from.contains(layer))
            toShared.append(layer);
        else
            changed |= covered(layer);
    }
    return fromShared == toShared ? changed : QRect(QPoint(0, 0), m_size);
}

} // namespace quorvel
